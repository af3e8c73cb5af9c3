#pragma once

#include "widgets/ColorPresetPayload.h"

#include <QListWidget>

#include <functional>

struct CPictureFolderCache;
class QDrag;

// An icon list of preset pictures. Each item carries the whole description
// of the preset to be made from it, and is dragged as that preset.
class CPresetsList : public QListWidget
{
    Q_OBJECT
public:
    enum Role {
        PictureRole = Qt::UserRole,
        TypeRole,
        NameRole,
        IconPathRole,
        CountRole,
        FirstColorRole, // then the three other colours
    };
    static constexpr int kDragEdge = 48;

    CPresetsList(int iconEdge, QWidget* parent = nullptr);

    void AddPreset(int type, const QIcon& icon, const QPixmap& picture, const QString& name, const QString& path);
    void AddPresetFromFile(int type, const QString& name, const QString& path, int count);
    // Lists the folder's pictures, reading it only while its cache is empty.
    void ScanFolder(int type, const QString& folder, CPictureFolderCache& cache);

    // False, leaving `preset` alone, when no item is current.
    bool GetCurrentPreset(SPresetPayload& preset) const;
    static SPresetPayload ItemPreset(const QListWidgetItem* item);

    // Runs the drags; tests drop or cancel without a mouse.
    using DragRunner = std::function<Qt::DropAction(QDrag*)>;
    void SetDragRunner(DragRunner runner) { m_runDrag = std::move(runner); }

protected:
    QListWidgetItem* AppendItem(const SPresetPayload& preset, const QIcon& icon);
    void startDrag(Qt::DropActions actions) override;
    void RunDrag(const QListWidgetItem* item, const QPixmap& dragPicture, const QPoint& hotSpot);

private:
    DragRunner m_runDrag;
};
