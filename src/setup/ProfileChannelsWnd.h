#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

#include <functional>

class CProfileChannelCtrl;
class CProfileChannelDef;
class CProfileMode;
class CProfileTab;
class QHBoxLayout;
class QMimeData;

// The channels of the edited mode as columns side by side. Channel types
// dropped from the type list add channels; columns dragged inside the strip
// move (or, with Ctrl, copy) their channel. Every change of the channel list
// first has the tab make the edited profile its own, so that no change
// reaches a profile that patched fixtures use.
class CProfileChannelsWnd : public QWidget
{
    Q_OBJECT
public:
    // Runs a drag of the payload; owns it. Answers the action the drop took.
    using DragRunner = std::function<Qt::DropAction(QMimeData* data, const QPixmap& picture)>;

    explicit CProfileChannelsWnd(CProfileTab* owner);
    ~CProfileChannelsWnd() override;

    void LoadChannels();
    // After the tab put a copy in place of the edited profile: the columns
    // show the copy's channels.
    void RebindToEditedProfile();
    void Clear();
    void AddChannels(int index, int type, const QPixmap& picture);
    void AddChannel(int index, int type, const QPixmap& picture);
    void InsertChannelCtrl(int index, CProfileChannelDef* channel, CProfileChannelCtrl* column);
    void DeleteChannel(CProfileChannelCtrl* column);
    void ChangeChannelType(int index, int type, const QPixmap& picture);
    void ReplaceChannel(CProfileChannelCtrl* column, CProfileChannelDef* channel);
    void SetSixteenBits(CProfileChannelCtrl* column, bool on);
    // A copy of `channel` on its own, at `index` (-1: the end).
    void PasteChannel(int index, const CProfileChannelDef& channel);
    void RenameChannel(CProfileChannelCtrl* column, const QString& name);
    void EditChannel(CProfileChannelCtrl* column);
    void EditColorDimmer(CProfileChannelCtrl* column);
    bool CanEditColorDimmer() const;

    void StartDrag(int index, bool copy);
    void FinishMove(int index);
    int DropIndexAt(const QPoint& point) const;
    QRect DropRectAt(const QPoint& point) const;
    int SelectRowAt(const QPoint& point);

    CProfileMode* Mode() const { return m_mode; }
    const QList<CProfileChannelCtrl*>& Columns() const { return m_columns; }
    int SelectedIndex() const;
    QRect DropIndicator() const { return m_dropIndicator; }
    bool IsDragging() const { return m_dragging; }
    void SetDragRunner(DragRunner runner);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Has the tab detach a used profile; answers the mode to change, null
    // when there is none.
    CProfileMode* OwnMode();
    CProfileChannelCtrl* NewColumn(CProfileChannelDef* channel, const QPixmap& picture);
    CProfileChannelCtrl* ColumnOf(const CProfileChannelDef* channel) const;
    void TellSelection();
    void ForgetMovingPair();

    CProfileTab* m_owner;
    QHBoxLayout* m_layout;
    CProfileMode* m_mode = nullptr;
    QList<CProfileChannelCtrl*> m_columns;
    QRect m_dropIndicator;
    CProfileChannelDef* m_movingChannel = nullptr;
    CProfileChannelCtrl* m_movingColumn = nullptr;
    bool m_dragging = false;
    bool m_copy = false;
    bool m_pairing = false; // a 16-bit change is under way
    DragRunner m_dragRunner;
};
