#pragma once

#include "panels/PresetCtrl.h"

#include <QList>

class CChannelPresetList;
class CDmxLayer;
class CLibraryProfile;
class CPatchedFixture;
class CPresetModeCtrl;
class CProSlider;
class CProfileChannelDef;
class CProfilePresetDef;
class CProject;
class CScrollPresetList;
class CToolBarDragDrop;
class QToolBar;

// The control of one channel of the selection's profile, or of channels of
// one function merged into one control (the beams of a multi-beam fixture,
// or one kind of channel across several profiles): the presets as pictures,
// a level fader, a fine fader for 16-bit channels and a mode switch. Every
// change goes straight into the project for the whole selection.
class CChannelPresetCtrl : public CPresetCtrl
{
    Q_OBJECT
public:
    enum { ListGrid = 0, ListScroller = 1 };

    CChannelPresetCtrl(int id, CProject& project, CLibraryProfile* profile, const CProfileChannelDef* channel,
                       CPresetsWnd* wnd);
    // A merged control keys its record on the profile only when bound to it.
    CChannelPresetCtrl(int id, CProject& project, CLibraryProfile* profile,
                       const QList<const CProfileChannelDef*>& channels, bool profileBound, bool sixteenBit,
                       bool perBeam, const QList<const CProfilePresetDef*>& commonPresets, CPresetsWnd* wnd);

    // Shows the level of the fixture's channel in `levels`; with a mask a
    // channel whose slot is clear reads 0.
    void Refresh(const CPatchedFixture* fixture, const CDmxLayer& levels, const CDmxLayer* mask);
    void SetMode(int state, bool force);

    void UpdateDisplayMenu() override;
    void UpdateLayout(bool withPartner) override;
    void SetDisplayMode(int mode, bool big) override;
    void SetSize(int size, bool updateMenu) override;

    bool IsMerged() const { return m_merged; }
    bool IsPerBeam() const { return m_perBeam; }
    bool IsSixteenBit() const { return m_sixteenBit; }
    int ListLayout() const { return m_listLayout; }
    int CurrentPreset() const { return m_current; }
    const CProfileChannelDef* Channel() const { return m_channel; }
    const QList<const CProfileChannelDef*>& Channels() const { return m_channels; }
    const QList<const CProfilePresetDef*>& Presets() const { return m_presets; }
    CLibraryProfile* Profile() const { return m_profile; }
    CChannelPresetList* PresetList() const;
    CProSlider* LevelFader() const { return m_level; }
    CProSlider* FineFader() const { return m_fine; }
    CPresetModeCtrl* ModeSwitch() const { return m_mode; }
    CToolBarDragDrop* DragHandle() const { return m_handle; }

public slots:
    void OnDisplayAllPreset();
    void OnPresetChanged(int index, bool rightButton);
    void OnValueChanged(int value);
    void OnMValueChanged(int value);
    void OnModeChanged(bool on);

private:
    void Build();
    void ResetDisplay();
    // The level to write for a level fader value: a merged control with a
    // preset works in percent of the preset's range.
    int LevelOfFader(int value) const;
    const CProfilePresetDef* CurrentPresetDef() const;
    // The channel of the fixture that this control shows.
    const CProfileChannelDef* ChannelOf(const CPatchedFixture* fixture) const;

    CProject& m_project;
    CLibraryProfile* m_profile;
    const CProfileChannelDef* m_channel = nullptr;
    QList<const CProfileChannelDef*> m_channels;
    QList<const CProfilePresetDef*> m_presets;
    QList<quint8> m_remembered;
    bool m_merged = false;
    bool m_perBeam = false;
    bool m_updating = false;
    bool m_disabledByFx = false;
    int m_current = -1;
    int m_listLayout = ListScroller;

    QAction* m_actDisplayAll = nullptr;
    QToolBar* m_toolBar = nullptr;
    CToolBarDragDrop* m_handle = nullptr;
    CScrollPresetList* m_scroller = nullptr;
    CProSlider* m_level = nullptr;
    CProSlider* m_fine = nullptr;
    CPresetModeCtrl* m_mode = nullptr;
};
