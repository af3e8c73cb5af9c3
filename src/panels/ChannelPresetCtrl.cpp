#include "panels/ChannelPresetCtrl.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "panels/ChannelPresetList.h"
#include "panels/PresetLevels.h"
#include "panels/PresetsWnd.h"
#include "panels/ScrollPresetList.h"
#include "show/Group.h"
#include "show/Project.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"
#include "widgets/ToolBarDragDrop.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QScopedValueRollback>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QList<const CProfilePresetDef*> PresetsOf(const CProfileChannelDef* channel)
{
    QList<const CProfilePresetDef*> presets;
    if (channel) {
        for (const CProfilePresetDef* preset : channel->m_presets)
            presets << preset;
    }
    return presets;
}

bool AnyMsb(const QList<const CProfileChannelDef*>& channels)
{
    for (const CProfileChannelDef* channel : channels) {
        if (channel->m_msb)
            return true;
    }
    return false;
}

void SetFader(CProSlider* fader, int minimum, int maximum, int value)
{
    fader->m_min = minimum;
    fader->m_max = maximum;
    fader->m_value = qBound(minimum, value, maximum);
    fader->UpdateCursor();
}

} // namespace

CChannelPresetCtrl::CChannelPresetCtrl(int id, CProject& project, CLibraryProfile* profile,
                                       const CProfileChannelDef* channel, CPresetsWnd* wnd)
    : CPresetCtrl(id, profile, channel->m_type, channel->m_typeIndex, channel->m_function, wnd),
      m_project(project), m_profile(profile), m_channel(channel), m_presets(PresetsOf(channel))
{
    m_sixteenBit = channel->m_msb && channel->m_partner16;
    Build();
}

CChannelPresetCtrl::CChannelPresetCtrl(int id, CProject& project, CLibraryProfile* profile,
                                       const QList<const CProfileChannelDef*>& channels, bool profileBound,
                                       bool sixteenBit, bool perBeam,
                                       const QList<const CProfilePresetDef*>& commonPresets, CPresetsWnd* wnd)
    : CPresetCtrl(id, profileBound ? profile : nullptr, channels.first()->m_type, channels.first()->m_typeIndex,
                  channels.first()->m_function, wnd),
      m_project(project), m_profile(profile), m_channel(channels.first()), m_channels(channels),
      m_presets(commonPresets), m_merged(true), m_perBeam(perBeam)
{
    m_sixteenBit = sixteenBit || AnyMsb(channels);
    Build();
}

void CChannelPresetCtrl::Build()
{
    m_title = m_channel->m_function ? QStringLiteral("M.%1").arg(m_channel->m_name) : m_channel->m_name;
    if (m_config && (m_config->m_presetDisplayType == ListGrid || m_config->m_presetDisplayType == ListScroller))
        m_listLayout = m_config->m_presetDisplayType;
    for (const CProfilePresetDef* preset : m_presets)
        m_remembered << preset->m_dmxDefault;

    CreateMenu();
    m_actDisplayAll = new QAction(GetLangText(Txt::PresetDisplayAll), this);
    m_actDisplayAll->setCheckable(true);
    m_actMinimize->menu()->addAction(m_actDisplayAll);
    connect(m_actDisplayAll, &QAction::triggered, this, &CChannelPresetCtrl::OnDisplayAllPreset);

    m_toolBar = new QToolBar(this);
    m_toolBar->setStyleSheet(QStringLiteral(
        "QToolBar { border: 1px solid gray; background-image: url(\":/Orvane/Images/Icons/HorzToolBar.png\") }"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const QString handleText = m_channel->m_function ? QStringLiteral("M.%1").arg(m_channel->m_index + 1)
                                                     : QStringLiteral("#%1").arg(m_channel->m_index + 1);
    m_handle = new CToolBarDragDrop(m_id, handleText, m_toolBar);
    m_toolBar->addWidget(m_handle);
    m_toolBar->addAction(m_actMinimize);

    QList<QImage> pictures;
    QStringList names;
    for (const CProfilePresetDef* preset : m_presets) {
        pictures << m_project.MakePresetIcon(preset);
        names << preset->m_name;
    }
    const QColor background = m_merged ? QColor(115, 115, 110) : QColor(175, 175, 170);
    m_scroller = new CScrollPresetList(new CChannelPresetList(pictures, names, background), background, this);
    m_level = new CProSlider(m_title, m_flag, this);
    m_fine = new CProSlider(QStringLiteral("LSB"), m_flag, this);
    m_fine->setVisible(m_sixteenBit);
    m_mode = new CPresetModeCtrl(this);
    m_mode->setFixedWidth(34);

    auto* faders = new QVBoxLayout;
    faders->setContentsMargins(0, 0, 0, 0);
    faders->setSpacing(2);
    faders->addWidget(m_level, 1);
    faders->addWidget(m_fine, 1);
    faders->addWidget(m_mode, 0, Qt::AlignHCenter);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    body->addWidget(m_scroller);
    body->addLayout(faders);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(m_toolBar, 0);
    outer->addLayout(body, 1);

    connect(PresetList(), &CChannelPresetList::presetChanged, this, &CChannelPresetCtrl::OnPresetChanged);
    connect(m_level, &CProSlider::sliderMoved, this, &CChannelPresetCtrl::OnValueChanged);
    connect(m_fine, &CProSlider::sliderMoved, this, &CChannelPresetCtrl::OnMValueChanged);
    connect(m_mode, &CPresetModeCtrl::modeChanged, this, &CChannelPresetCtrl::OnModeChanged);

    SetSize(m_size, true);
    UpdateDisplayMenu();
}

CChannelPresetList* CChannelPresetCtrl::PresetList() const
{
    return m_scroller->List();
}

void CChannelPresetCtrl::UpdateDisplayMenu()
{
    CPresetCtrl::UpdateDisplayMenu();
    if (m_actDisplayAll)
        m_actDisplayAll->setChecked(m_listLayout == ListGrid);
}

void CChannelPresetCtrl::UpdateLayout(bool withPartner)
{
    const bool big = m_size == SizeBig;
    const bool grid = m_listLayout == ListGrid;
    if (m_displayMode != DisplayCursor) {
        const int height = grid ? (big ? 288 : 124) : (big ? 256 : 92);
        const int item = !big && grid ? 31 : 32;
        m_scroller->SetListLayout(item, height, !grid);
    }
    const int listWidth = PresetList()->width();
    int width = 46;
    if (m_displayMode == DisplayPreset)
        width = listWidth + 16;
    else if (m_displayMode == DisplayDefault)
        width = listWidth + 54;
    SetFixedSizeShared(qMax(width, 60), big ? BigHeight : SmallHeight, withPartner);
}

void CChannelPresetCtrl::SetDisplayMode(int mode, bool big)
{
    StoreDisplayMode(mode);
    const bool showList = mode != DisplayCursor;
    const bool showFaders = mode != DisplayPreset;
    m_scroller->setVisible(showList);
    m_level->setVisible(showFaders);
    m_fine->setVisible(showFaders && m_sixteenBit && big);
    m_mode->setVisible(showFaders);
    SetBig(big);
}

void CChannelPresetCtrl::SetSize(int size, bool updateMenu)
{
    StoreSize(size);
    SetDisplayMode(m_displayMode, size == SizeBig);
    if (updateMenu)
        UpdateSizeMenu();
    m_scroller->ScrollToTop();
}

void CChannelPresetCtrl::OnDisplayAllPreset()
{
    m_listLayout = m_listLayout == ListScroller ? ListGrid : ListScroller;
    if (m_config)
        m_config->m_presetDisplayType = m_listLayout;
    SetSize(m_size, false);
    UpdateDisplayMenu();
}

const CProfilePresetDef* CChannelPresetCtrl::CurrentPresetDef() const
{
    return m_current >= 0 && m_current < m_presets.size() ? m_presets[m_current] : nullptr;
}

int CChannelPresetCtrl::LevelOfFader(int value) const
{
    return m_merged && CurrentPresetDef() ? value * 255 / 100 : value;
}

void CChannelPresetCtrl::ResetDisplay()
{
    m_current = -1;
    PresetList()->ClearSelection();
    SetFader(m_level, 0, 255, 0);
    emit m_level->sliderMoved(0);
    if (m_sixteenBit) {
        SetFader(m_fine, 0, 255, 0);
        emit m_fine->sliderMoved(0);
    }
}

void CChannelPresetCtrl::OnPresetChanged(int index, bool rightButton)
{
    if (index == m_current && index >= 0) {
        ResetDisplay();
        return;
    }
    if (index < 0 || index >= m_presets.size()) {
        m_current = -1;
        return;
    }
    m_current = index;
    const CProfilePresetDef* preset = m_presets[index];
    const int level = rightButton ? preset->m_dmxDefault : m_remembered[index];
    const PresetRange range = RangeOf(*preset);
    if (m_merged)
        SetFader(m_level, 0, 100, range.Percent(level));
    else
        SetFader(m_level, range.low, range.high, level);
    emit m_level->sliderMoved(m_level->m_value);
    if (m_sixteenBit) {
        SetFader(m_fine, m_fine->m_min, m_fine->m_max, 127);
        emit m_fine->sliderMoved(m_fine->m_value);
    }
}

void CChannelPresetCtrl::OnValueChanged(int value)
{
    if (m_updating)
        return;
    const CProfilePresetDef* preset = CurrentPresetDef();
    // Remembered as a DMX level, so that a left click brings back the level
    // itself whatever unit the fader shows.
    if (preset)
        m_remembered[m_current] = quint8(qBound(0, m_merged ? RangeOf(*preset).FromPercent(value) : value, 255));
    const quint8 level = quint8(qBound(0, LevelOfFader(value), 255));
    if (m_merged)
        m_project.SetSelectionPreset(m_channel, preset, level, m_perBeam, false);
    else
        m_project.SetSelectionChannelPreset(m_profile, m_channel, level);
    SetMode(m_project.EditTarget(), false);
}

void CChannelPresetCtrl::OnMValueChanged(int value)
{
    if (m_updating || !m_sixteenBit)
        return;
    const quint8 level = quint8(qBound(0, value, 255));
    if (m_merged)
        m_project.SetSelectionPreset(m_channel, CurrentPresetDef(), level, m_perBeam, true);
    else
        m_project.SetSelectionChannelPreset(m_profile, m_channel->m_partner16, level);
    SetMode(m_project.EditTarget(), false);
}

void CChannelPresetCtrl::OnModeChanged(bool on)
{
    if (!on) {
        {
            const QScopedValueRollback<bool> guard(m_updating, true);
            ResetDisplay();
        }
        if (m_merged)
            m_project.ReleasePresetChannel(m_channel, m_perBeam);
        else
            m_project.ReleasePresetChannels({m_channel});
        return;
    }
    const quint8 level = quint8(qBound(0, LevelOfFader(m_level->m_value), 255));
    const quint8 fine = quint8(qBound(0, m_fine->m_value, 255));
    if (m_merged) {
        m_project.SetSelectionPreset(m_channel, CurrentPresetDef(), level, m_perBeam, false);
        if (m_sixteenBit)
            m_project.SetSelectionPreset(m_channel, CurrentPresetDef(), fine, m_perBeam, true);
    } else {
        m_project.SetSelectionChannelPreset(m_profile, m_channel, level);
        if (m_sixteenBit)
            m_project.SetSelectionChannelPreset(m_profile, m_channel->m_partner16, fine);
    }
}

void CChannelPresetCtrl::SetMode(int state, bool force)
{
    const int shown = m_mode->State();
    if (shown == state || (shown == PresetModeFx && !force))
        return;
    m_mode->SetState(state);
    if (state == PresetModeOff || state == PresetModeFx) {
        const QScopedValueRollback<bool> guard(m_updating, true);
        ResetDisplay();
    }
    if (state == PresetModeFx) {
        setEnabled(false);
        m_disabledByFx = true;
        return;
    }
    if (m_disabledByFx) {
        setEnabled(true);
        m_disabledByFx = false;
    }
}

const CProfileChannelDef* CChannelPresetCtrl::ChannelOf(const CPatchedFixture* fixture) const
{
    const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
    if (!profile)
        return nullptr;
    if (profile == m_profile) {
        for (const CProfileChannelDef* channel : m_channels) {
            if (fixture->IsChannelSelected(channel))
                return channel;
        }
        return m_channel;
    }
    if (!m_merged)
        return nullptr;
    // A fixture of another profile: its own channel of the same function,
    // never this profile's channel number.
    const CProfileChannelDef* first = nullptr;
    for (const COtherChannel& other : profile->OtherChannels()) {
        const CProfileChannelDef* channel = other.channel;
        if (!channel || !channel->IsSameFunction(*m_channel, m_perBeam, profile->BeamCount()))
            continue;
        if (fixture->IsChannelSelected(channel))
            return channel;
        if (!first)
            first = channel;
    }
    return first;
}

void CChannelPresetCtrl::Refresh(const CPatchedFixture* fixture, const CDmxLayer& levels, const CDmxLayer* mask)
{
    const QScopedValueRollback<bool> guard(m_updating, true);
    const CProfileChannelDef* channel = ChannelOf(fixture);
    const int level = channel ? FixtureLevel(*fixture, channel->m_index, levels, mask) : 0;
    if (level == 0) {
        ResetDisplay();
        return;
    }
    const CProfilePresetDef* found = FindPresetHolding(*channel, level);
    int current = -1;
    if (found) {
        for (int i = 0; i < m_presets.size() && current < 0; ++i) {
            if (m_merged ? m_presets[i]->IsSame(*found) : m_presets[i] == found)
                current = i;
        }
    }
    m_current = current;
    PresetList()->SetSelected(current);
    if (current < 0)
        SetFader(m_level, 0, 255, level);
    else if (m_merged)
        SetFader(m_level, 0, 100, RangeOf(*found).Percent(level));
    else
        SetFader(m_level, RangeOf(*found).low, RangeOf(*found).high, level);
    if (m_sixteenBit) {
        const CProfileChannelDef* fine = channel->m_partner16;
        SetFader(m_fine, 0, 255, fine ? FixtureLevel(*fixture, fine->m_index, levels, mask) : 0);
    }
}
