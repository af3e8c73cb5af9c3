#pragma once

#include <QWidget>

class CLibraryProfile;
class CPresetsWnd;
class QAction;
struct CPresetConfig;

// What every control of the presets window shares: its id, its place and
// look stored in the current group's record, its menu (display mode, big
// size, minimise), its frame, and being a drop target for another control.
class CPresetCtrl : public QWidget
{
    Q_OBJECT
public:
    enum { DisplayCursor = 0, DisplayPreset = 1, DisplayDefault = 2 };
    enum { SizeBig = 0, SizeSmall = 1 };
    // A small control takes half a column, a big one all of it.
    enum { SmallHeight = 164, BigHeight = 2 * SmallHeight };

    // Looks its record up by (profile or none, key1, key2) in the window's
    // current group; a record value out of range counts as unset.
    CPresetCtrl(int id, CLibraryProfile* profile, int key1, int key2, bool flag, CPresetsWnd* wnd);

    int Id() const { return m_id; }
    QString Title() const { return m_title; }
    int DisplayMode() const { return m_displayMode; }
    int Size() const { return m_size; }
    bool IsMinimised() const { return m_minimised; }
    void SetMinimised(bool minimised) { m_minimised = minimised; }
    CPresetConfig* Config() const { return m_config; }
    QAction* MenuAction() const { return m_actMinimize; }

    virtual void CreateMenu();
    virtual void UpdateDisplayMenu();
    virtual void UpdateSizeMenu();
    virtual void UpdateLayout(bool withPartner) { Q_UNUSED(withPartner); }
    virtual void SetDisplayMode(int mode, bool big)
    {
        Q_UNUSED(mode);
        Q_UNUSED(big);
    }
    virtual void SetSize(int size, bool updateMenu)
    {
        Q_UNUSED(size);
        Q_UNUSED(updateMenu);
    }

    // Takes width x height; with a partner in its column both take the wider width.
    void SetFixedSizeShared(int width, int height, bool withPartner);
    // A big control stands alone in its column.
    void SetBig(bool big);
    // Back from the minimised strip.
    void Restore();

signals:
    void dropPreset(int draggedId, int targetId);
    void minimize(int id);

public slots:
    void OnDisplayCursor() { SetDisplayMode(DisplayCursor, false); }
    void OnDisplayPreset() { SetDisplayMode(DisplayPreset, false); }
    void OnDisplayDefault() { SetDisplayMode(DisplayDefault, false); }
    void OnDisplayBig() { SetSize(m_size == SizeBig ? SizeSmall : SizeBig, false); }
    void OnMinimize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Stores mode and size into the record when there is one.
    void StoreDisplayMode(int mode);
    void StoreSize(int size);

    CPresetsWnd* m_wnd;
    int m_id;
    bool m_flag;
    bool m_sixteenBit = false;
    bool m_dragHover = false;
    bool m_minimised = false;
    QString m_title;
    int m_displayMode = DisplayDefault;
    int m_size = SizeBig;
    CPresetConfig* m_config = nullptr;

    QAction* m_actMinimize = nullptr;
    QAction* m_actCursor = nullptr;
    QAction* m_actPreset = nullptr;
    QAction* m_actDefault = nullptr;
    QAction* m_actBig = nullptr;
};
