#pragma once

#include "widgets/ColorPresetPayload.h"

#include <QList>
#include <QRect>
#include <QWidget>

#include <functional>

class CProfileChannelDef;
class CProfilePresetCtrl;
class CProfilePresetDef;
class QDrag;
class QVBoxLayout;

// The presets of one channel, first preset at the bottom. Adding, moving
// and editing keep their DMX ranges ascending and free of overlap.
class CProfilePresetsWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CProfilePresetsWnd(CProfileChannelDef* channel, QWidget* parent = nullptr);
    ~CProfilePresetsWnd() override;

    CProfileChannelDef* Channel() const { return m_channel; }
    const QList<CProfilePresetCtrl*>& Rows() const { return m_rows; }
    // Selected preset indices, each once, in the order they were selected.
    const QList<int>& Selection() const { return m_selection; }
    void Select(int index, bool add);
    int NewPresetWidth() const { return m_width; }

    // The index the preset went to, -1 when refused.
    int AddPresetAt(int index, const SPresetPayload& picture);
    void UpdatePresetAt(int index, const SPresetPayload& picture);
    // Index -1 appends and becomes the index used. False, with the warning
    // shown and nothing changed, when there is no room.
    bool InsertPreset(int& index, CProfilePresetDef* preset, CProfilePresetCtrl* row);
    void DeletePresetCtrl(CProfilePresetCtrl* row);
    void DeleteSelected();
    void SetDefaultPreset(CProfilePresetCtrl* row, bool on);
    void StartDrag(int index, bool copy);
    void FinishMove(int index);
    int DropIndexAt(const QPoint& point) const;
    QRect DropRectAt(const QPoint& point) const;
    void RefreshRows(CProfilePresetDef* preset, bool takeWidth);

    void PushFollowingPresets(int index);
    void PushPrecedingPresets(int index);

    using DragRunner = std::function<Qt::DropAction(QDrag*)>;
    void SetDragRunner(DragRunner runner) { m_runDrag = std::move(runner); }

signals:
    void selChanged();
    // A preset was inserted from a picture; the editor scrolls to it.
    void presetAdded(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void RebuildLayout();
    void ClearSelection();
    void RestoreMoving();
    void ForgetMoving(bool free);
    bool PlaceBefore(int index, CProfilePresetDef& preset);
    bool PlaceAfter(CProfilePresetDef& last, CProfilePresetDef& preset);

    QVBoxLayout* m_layout;
    QList<int> m_selection;
    QList<CProfilePresetCtrl*> m_rows;
    int m_width = -1;
    bool m_dragging = false;
    bool m_copy = false;
    CProfileChannelDef* m_channel;
    QRect m_dropRect{0, 0, 0, 0};
    CProfilePresetDef* m_movingPreset = nullptr;
    CProfilePresetCtrl* m_movingRow = nullptr;
    // Where a moved preset came from, to put it back unchanged.
    int m_movingFrom = -1;
    int m_movingStart = 0, m_movingEnd = 0, m_movingDefault = 0;
    DragRunner m_runDrag;
};
