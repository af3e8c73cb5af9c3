#pragma once

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <functional>

class CChannelPresetCtrl;
class CColorPresetCtrlBase;
class CGroup;
class CLibraryProfile;
class CMiniPresetList;
class CPanTiltPresetCtrlBase;
class CPresetCtrl;
class CProfileChannelDef;
class CProject;
class QHBoxLayout;
class QScrollArea;
class QVBoxLayout;
struct CPresetConfig;

// The "Presets" tool panel: for the fixtures selected in the current group
// one control per kind of thing that can be set on them (colour, pan/tilt,
// channels), in columns of at most two, with a strip of minimised controls
// at the right. Every control's place is kept in the group's records.
class CPresetsWnd : public QWidget
{
    Q_OBJECT
public:
    enum { MasterColorId = -2, ColorId = -3, MasterPanTiltId = -4, PanTiltId = -5 };

    // Where the colour and pan/tilt controls come from: the panel's own
    // controls unless another factory is installed; an empty factory leaves
    // channel controls only.
    struct CFixedCtrlFactory
    {
        std::function<CColorPresetCtrlBase*(int id, bool cmy, bool white, bool master, CPresetsWnd* wnd)> color;
        std::function<CPanTiltPresetCtrlBase*(int id, bool fine, bool master, CPresetsWnd* wnd)> panTilt;
    };
    void SetFixedCtrlFactory(CFixedCtrlFactory factory) { m_factory = std::move(factory); }
    // Told of the colour control the effects window's colour page follows,
    // and told null when that control goes away.
    using EffectColorHook = std::function<void(CColorPresetCtrlBase* control)>;
    void SetEffectColorHook(EffectColorHook hook) { m_effectColorHook = std::move(hook); }

    explicit CPresetsWnd(CProject& project, QWidget* parent = nullptr);
    ~CPresetsWnd() override;

    CProject& Project() const { return m_project; }
    // The record of the current group for that key; null without a group.
    CPresetConfig* PresetConfig(CLibraryProfile* profile, int key1, int key2) const;

    void UpdateSelection();
    bool HasSelectionChanged();
    void ClearControls();
    void BuildControls();
    void RefreshControls();
    void RefreshMasterControls();
    void Reset();
    void ResetModes();
    void MarkChannelTypeFx(int channelType);
    void MarkDimmersFx();
    void MarkPanTiltFx();
    void MarkColorFx();
    void ShowEffectColor();
    void HideEffectColor();
    // Fixtures were patched or removed: no control may keep a channel of a
    // profile that changed, so everything goes as at Reset.
    void FixturesChanged() { Reset(); }
    void Retranslate() {}

    // Null for an id that names no control.
    CPresetCtrl* ControlById(int id) const;
    const QList<CChannelPresetCtrl*>& ChannelControls() const { return m_channelCtrls; }
    CColorPresetCtrlBase* ColorControl(bool master) const { return master ? m_masterColor : m_color; }
    CPanTiltPresetCtrlBase* PanTiltControl(bool master) const { return master ? m_masterPanTilt : m_panTilt; }
    CMiniPresetList* MinimisedStrip() const { return m_strip; }
    QScrollArea* StripArea() const { return m_stripArea; }

    // Layout (PresetsWndLayout.cpp).
    int ColumnCount() const { return m_columns.size(); }
    CPresetCtrl* TopControl(int column) const { return m_top.value(column); }
    CPresetCtrl* BottomControl(int column) const { return m_bottom.value(column); }
    QRect DropHighlight() const { return m_dropHighlight; }
    void AddControl(CPresetCtrl* control);
    void InsertColumn(int index, CPresetCtrl* control);
    void EnsureColumn(int index);
    void RemoveColumn(int index);
    // Takes the control out of its column; true when its column, left
    // empty and not `keepColumn`, went too. -1 in `column` when it stood in none.
    bool RemoveControl(CPresetCtrl* control, int keepColumn, int* column = nullptr, bool* wasTop = nullptr,
                       CPresetCtrl** partner = nullptr);
    void StoreLayout();
    CPresetCtrl* ColumnPartner(const CPresetCtrl* control) const;
    void MoveToOwnColumn(CPresetCtrl* control);
    // The column whose lone small control leaves a half free under `pos`, or -1.
    int FindDropColumn(const QPoint& pos, bool* foundHalf = nullptr);
    void MoveControl(int id, const QPoint& pos);
    QSize minimumSizeHint() const override;

public slots:
    void OnMasterColorChanged(uchar red, uchar green, uchar blue, uchar white);
    void OnColorChanged(uchar red, uchar green, uchar blue, uchar white);
    void OnMasterPanTiltChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine, uchar panOffset,
                                uchar tiltOffset);
    void OnPanTiltChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine, uchar panOffset, uchar tiltOffset);
    void OnMasterColorModeChanged(int component, bool on);
    void OnColorModeChanged(int component, bool on);
    void OnMasterPanTiltModeChanged(int axis, bool on);
    void OnPanTiltModeChanged(int axis, bool on);
    void OnStartDragging(int id);
    void OnDropPreset(int draggedId, int targetId);
    void OnMinimizePreset(int id);
    void OnMaximizePreset(int id);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A profile as the selection cache knows it: the object and its mode.
    struct CProfileKey
    {
        const CLibraryProfile* profile;
        int mode;
    };

    void CacheProfiles();
    void CreateColorCtrl(bool master);
    void CreatePanTiltCtrl(bool master);
    void BuildProfileControls(CLibraryProfile* profile);
    void BuildCommonControls();
    void BuildMergedControls(CLibraryProfile* profile, QList<const CProfileChannelDef*> candidates, bool perBeam,
                             bool profileBound);
    void AddChannelControl(CChannelPresetCtrl* control);
    void WireControl(CPresetCtrl* control);
    void DropControl(CPresetCtrl* control);
    void ColorModeChanged(int component, bool on, bool master);
    void PanTiltModeChanged(int axis, bool on, bool master);
    void RefreshColorModes(bool master);
    void RefreshPanTiltModes(bool master);
    // Re-sizes the moved control with its new partner and its former one alone.
    void ResizeAfterMove(CPresetCtrl* control, CPresetCtrl* formerPartner);

    CProject& m_project;
    QHBoxLayout* m_mainLayout;
    QList<QVBoxLayout*> m_columns;
    QList<CPresetCtrl*> m_top;
    QList<CPresetCtrl*> m_bottom;
    QList<CChannelPresetCtrl*> m_channelCtrls;
    CGroup* m_cachedGroup = nullptr;
    QList<CProfileKey> m_cachedProfiles;
    QRect m_dropHighlight;
    QPixmap m_dragPixmap;
    bool m_colorForced = false;
    bool m_effectColorShown = false;
    int m_nextId = 0;
    CColorPresetCtrlBase* m_masterColor = nullptr;
    CColorPresetCtrlBase* m_color = nullptr;
    CPanTiltPresetCtrlBase* m_masterPanTilt = nullptr;
    CPanTiltPresetCtrlBase* m_panTilt = nullptr;
    CMiniPresetList* m_strip;
    QScrollArea* m_stripArea;
    CFixedCtrlFactory m_factory;
    EffectColorHook m_effectColorHook;
};
