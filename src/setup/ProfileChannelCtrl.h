#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

class CProfileChannelCell;
class CProfileChannelDef;
class CProfileChannelsWnd;
class QCheckBox;
class QLineEdit;
class QPushButton;

// One channel of the mode shown in the profile editor: its number, name,
// 16-bit pairing, picture, beams and preset count, with buttons that edit
// and delete it. The strip owns the column; the mode owns the channel.
class CProfileChannelCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 112;
    // Presses this soon after a column appeared belong to the gesture that
    // made it (a drop, a double click) and are ignored.
    static constexpr int kGuardMs = 500;

    CProfileChannelCtrl(CProfileChannelDef* channel, const QPixmap& picture, CProfileChannelsWnd* strip);

    CProfileChannelDef* Channel() const { return m_channel; }
    const QPixmap& Picture() const { return m_picture; }
    // Shows another definition (or none) in the column and its cells.
    void SetChannel(CProfileChannelDef* channel);
    void UpdateType(const QPixmap& picture);
    // Shows the channel's pairing without reaching the strip.
    void ShowPairing();

    bool IsSelected() const { return m_selected; }
    void SetSelected(bool selected);

    QLineEdit* NameEdit() const { return m_name; }
    QCheckBox* SixteenBits() const { return m_sixteenBits; }
    QPushButton* EditButton() const { return m_edit; }
    QPushButton* DeleteButton() const { return m_delete; }
    CProfileChannelCell* Cell(int kind) const;

public slots:
    void OnNameChanged();
    void OnChannelEdit();
    void OnChannelDelete();
    void OnCheck16Bits(int state);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool TooSoon() const;
    void EnableEdit(bool byType);

    CProfileChannelsWnd* m_strip;
    bool m_selected = false;
    QPixmap m_picture;
    CProfileChannelDef* m_channel;
    QCheckBox* m_sixteenBits;
    QElapsedTimer m_created;
    QLineEdit* m_name;
    QPushButton* m_edit;
    QPushButton* m_delete;
    QList<CProfileChannelCell*> m_cells; // by kind
};
