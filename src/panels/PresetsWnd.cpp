#include "panels/PresetsWnd.h"

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileTypes.h"
#include "panels/ChannelPresetCtrl.h"
#include "panels/ColorPresetCtrl.h"
#include "panels/FixedPresetCtrls.h"
#include "panels/MiniPresetList.h"
#include "panels/PanTiltPresetCtrl.h"
#include "panels/PresetLevels.h"
#include "show/EffectScene.h"
#include "show/Group.h"
#include "show/Project.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ToolBarDragDrop.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <utility>

namespace {

// The channel types that get one control per beam on a multi-beam fixture
// and the only ones offered across several profiles.
constexpr std::array<int, 6> kMergedTypes{ChannelType::ColorWheel, ChannelType::Dimmer, ChannelType::Iris,
                                          ChannelType::Shutter,    ChannelType::Prism,  ChannelType::ColorDimmer};

bool IsMergedType(int type)
{
    return std::find(kMergedTypes.begin(), kMergedTypes.end(), type) != kMergedTypes.end();
}

QList<const CProfileChannelDef*> PresetChannels(const CLibraryProfile& profile)
{
    QList<const CProfileChannelDef*> channels;
    for (const COtherChannel& other : profile.OtherChannels()) {
        if (other.channel)
            channels << other.channel;
    }
    return channels;
}

// Mode-switch states over a selection: the first one stands, any later
// difference gives "0/1"; nothing seen gives "off".
class CModeMerge
{
public:
    void Add(int state) { m_state = m_state < 0 || m_state == state ? state : int(PresetModeMixed); }
    int Result() const { return m_state < 0 ? int(PresetModeOff) : m_state; }

private:
    int m_state = -1;
};

// Where a change made in a control goes, read per channel of a fixture.
class CModeReader
{
public:
    explicit CModeReader(const CProject& project) : m_project(project)
    {
        const CScene* scene = project.m_editedScene;
        if (!scene)
            m_context = Live;
        else if (scene->IsEffectScene())
            m_context = EffectScene;
        else
            m_context = project.m_effectEditing ? EffectEditing : PlainScene;
    }

    int State(const CPatchedFixture& fixture, const CProfileChannelDef* channel) const
    {
        const int universe = fixture.m_universe;
        const int slot = channel ? fixture.m_address + channel->m_index : -1;
        if (!m_project.IsUniverse(universe) || slot < 0 || slot >= CDmxLayer::kSlots)
            return PresetModeOff;
        switch (m_context) {
        case Live:
            return m_project.m_liveMask[universe][slot] ? PresetModeLive : PresetModeOff;
        case EffectScene:
            return static_cast<const CEffectScene*>(m_project.m_editedScene)
                           ->HasStaticLevel(fixture.Profile(), channel->m_index)
                       ? PresetModeOn
                       : PresetModeOff;
        case EffectEditing:
            return m_project.m_editMask[universe][slot] ? PresetModeOn : PresetModeOff;
        default: {
            const CSlotMask* active = std::as_const(*m_project.m_editedScene).ActiveMask(universe);
            return active && active->Test(slot) ? PresetModeOn : PresetModeOff;
        }
        }
    }

private:
    enum { Live, EffectScene, EffectEditing, PlainScene };
    const CProject& m_project;
    int m_context = Live;
};

} // namespace

CPresetsWnd::CPresetsWnd(CProject& project, QWidget* parent)
    : QWidget(parent), m_project(project), m_dragPixmap(QStringLiteral(":/Orvane/Images/Icons/DragPreset.png"))
{
    m_factory.color = [](int id, bool cmy, bool white, bool master, CPresetsWnd* wnd) {
        return new CColorPresetCtrl(id, cmy, white, master, wnd);
    };
    m_factory.panTilt = [](int id, bool fine, bool master, CPresetsWnd* wnd) {
        return new CPanTiltPresetCtrl(id, fine, master, wnd);
    };
    m_mainLayout = new QHBoxLayout(this);
    m_mainLayout->setContentsMargins(0, 0, 0, 0);
    m_mainLayout->setSpacing(0);
    m_mainLayout->addStretch();
    m_strip = new CMiniPresetList;
    m_stripArea = new QScrollArea(this);
    m_stripArea->setWidgetResizable(true);
    m_stripArea->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_stripArea->setFixedWidth(82);
    m_stripArea->setWidget(m_strip);
    m_stripArea->hide();
    m_mainLayout->addWidget(m_stripArea);
    connect(m_strip, &CMiniPresetList::maximize, this, &CPresetsWnd::OnMaximizePreset);
    setAcceptDrops(true);
}

CPresetsWnd::~CPresetsWnd()
{
    // Whoever installed the hook may be gone already.
    m_effectColorHook = nullptr;
    ClearControls();
}

CPresetConfig* CPresetsWnd::PresetConfig(CLibraryProfile* profile, int key1, int key2) const
{
    CGroup* group = m_project.m_currentGroup;
    return group ? group->GetPresetConfig(profile, key1, key2) : nullptr;
}

CPresetCtrl* CPresetsWnd::ControlById(int id) const
{
    switch (id) {
    case MasterColorId:
        return m_masterColor;
    case ColorId:
        return m_color;
    case MasterPanTiltId:
        return m_masterPanTilt;
    case PanTiltId:
        return m_panTilt;
    default:
        return m_channelCtrls.value(id);
    }
}

// --- Selection

void CPresetsWnd::CacheProfiles()
{
    m_cachedProfiles.clear();
    for (const CLibraryProfile* profile : m_project.m_selectionCaps.m_profiles)
        m_cachedProfiles << CProfileKey{profile, profile ? profile->m_currentMode : -1};
}

bool CPresetsWnd::HasSelectionChanged()
{
    const QList<CLibraryProfile*>& profiles = m_project.m_selectionCaps.m_profiles;
    bool changed = m_project.m_currentGroup != m_cachedGroup || profiles.size() != m_cachedProfiles.size();
    // The profile object itself, not its file: an edited copy shares its
    // original's path but not its channels.
    for (int i = 0; i < profiles.size() && !changed; ++i) {
        const CProfileKey& cached = m_cachedProfiles[i];
        changed = !cached.profile || cached.profile != profiles[i] || cached.mode != profiles[i]->m_currentMode;
    }
    m_cachedGroup = m_project.m_currentGroup;
    if (changed)
        CacheProfiles();
    return changed;
}

void CPresetsWnd::UpdateSelection()
{
    const bool hasProfiles = !m_project.m_selectionCaps.m_profiles.isEmpty();
    if (HasSelectionChanged()) {
        ClearControls();
        if (hasProfiles)
            BuildControls();
    }
    if (hasProfiles) {
        RefreshControls();
        RefreshMasterControls();
    }
    if (m_color)
        m_color->UpdateImportButton();
}

void CPresetsWnd::DropControl(CPresetCtrl* control)
{
    if (!control)
        return;
    if (control == m_color && m_effectColorShown && m_effectColorHook)
        m_effectColorHook(nullptr);
    control->hide();
    disconnect(control, nullptr, this, nullptr);
    for (const CToolBarDragDrop* handle : control->findChildren<CToolBarDragDrop*>())
        disconnect(handle, nullptr, this, nullptr);
    // The control may be the sender of the signal being handled (a drag
    // whose drop changed the group): it goes once that returns.
    control->deleteLater();
}

void CPresetsWnd::ClearControls()
{
    // A rebuild keeps the effect page's colour only when the new selection
    // has colour of its own.
    m_colorForced = false;
    m_nextId = 0;
    for (int i = m_columns.size() - 1; i >= 0; --i)
        RemoveColumn(i);
    m_strip->Clear();
    m_stripArea->hide();
    for (CPresetCtrl* control : {static_cast<CPresetCtrl*>(m_masterColor), static_cast<CPresetCtrl*>(m_color),
                                 static_cast<CPresetCtrl*>(m_masterPanTilt), static_cast<CPresetCtrl*>(m_panTilt)})
        DropControl(control);
    m_masterColor = m_color = nullptr;
    m_masterPanTilt = m_panTilt = nullptr;
    for (CChannelPresetCtrl* control : m_channelCtrls)
        DropControl(control);
    m_channelCtrls.clear();
}

void CPresetsWnd::Reset()
{
    ClearControls();
    m_cachedGroup = nullptr;
    m_cachedProfiles.clear();
}

void CPresetsWnd::BuildControls()
{
    const CSelectionCaps& caps = m_project.m_selectionCaps;
    if (caps.m_masterColor)
        CreateColorCtrl(true);
    if (caps.m_color)
        CreateColorCtrl(false);
    if (caps.m_masterPanTilt)
        CreatePanTiltCtrl(true);
    if (caps.m_panTilt)
        CreatePanTiltCtrl(false);
    if (caps.m_profiles.size() == 1)
        BuildProfileControls(caps.m_profiles.first());
    else if (caps.m_profiles.size() > 1)
        BuildCommonControls();
    if (!m_strip->IsEmpty())
        m_stripArea->show();
}

void CPresetsWnd::WireControl(CPresetCtrl* control)
{
    connect(control, &CPresetCtrl::dropPreset, this, &CPresetsWnd::OnDropPreset);
    connect(control, &CPresetCtrl::minimize, this, &CPresetsWnd::OnMinimizePreset);
    for (CToolBarDragDrop* handle : control->findChildren<CToolBarDragDrop*>())
        connect(handle, &CToolBarDragDrop::startDrag, this, &CPresetsWnd::OnStartDragging);
}

void CPresetsWnd::CreateColorCtrl(bool master)
{
    if (!m_factory.color)
        return;
    const CSelectionCaps& caps = m_project.m_selectionCaps;
    CColorPresetCtrlBase* control =
        m_factory.color(master ? MasterColorId : ColorId, caps.m_cmy, caps.m_white, master, this);
    if (!control)
        return;
    WireControl(control);
    if (master) {
        m_masterColor = control;
        connect(control, &CColorPresetCtrlBase::colorChanged, this, &CPresetsWnd::OnMasterColorChanged);
        connect(control, &CColorPresetCtrlBase::modeChanged, this, &CPresetsWnd::OnMasterColorModeChanged);
        AddControl(control);
        return;
    }
    m_color = control;
    connect(control, &CColorPresetCtrlBase::colorChanged, this, &CPresetsWnd::OnColorChanged);
    connect(control, &CColorPresetCtrlBase::modeChanged, this, &CPresetsWnd::OnColorModeChanged);
    if (m_colorForced)
        InsertColumn(0, control);
    else
        AddControl(control);
    if (m_effectColorShown && m_effectColorHook)
        m_effectColorHook(control);
}

void CPresetsWnd::CreatePanTiltCtrl(bool master)
{
    if (!m_factory.panTilt)
        return;
    CPanTiltPresetCtrlBase* control = m_factory.panTilt(master ? MasterPanTiltId : PanTiltId,
                                                        m_project.m_selectionCaps.m_finePanTilt != 0, master, this);
    if (!control)
        return;
    WireControl(control);
    (master ? m_masterPanTilt : m_panTilt) = control;
    connect(control, &CPanTiltPresetCtrlBase::posChanged, this,
            master ? &CPresetsWnd::OnMasterPanTiltChanged : &CPresetsWnd::OnPanTiltChanged);
    connect(control, &CPanTiltPresetCtrlBase::modeChanged, this,
            master ? &CPresetsWnd::OnMasterPanTiltModeChanged : &CPresetsWnd::OnPanTiltModeChanged);
    AddControl(control);
}

void CPresetsWnd::AddChannelControl(CChannelPresetCtrl* control)
{
    ++m_nextId;
    m_channelCtrls << control;
    WireControl(control);
    AddControl(control);
}

void CPresetsWnd::BuildProfileControls(CLibraryProfile* profile)
{
    const QList<const CProfileChannelDef*> channels = PresetChannels(*profile);
    QList<const CProfileChannelDef*> perBeam;
    QList<const CProfileChannelDef*> others;
    for (const CProfileChannelDef* channel : channels) {
        if (profile->BeamCount() > 1 && IsMergedType(channel->m_type) && !channel->m_beams.isEmpty())
            perBeam << channel;
        else
            others << channel;
    }
    if (!perBeam.isEmpty())
        BuildMergedControls(profile, perBeam, true, true);
    for (const CProfileChannelDef* channel : others)
        AddChannelControl(new CChannelPresetCtrl(m_nextId, m_project, profile, channel, this));
}

void CPresetsWnd::BuildMergedControls(CLibraryProfile* profile, QList<const CProfileChannelDef*> candidates,
                                      bool perBeam, bool profileBound)
{
    struct CPooled
    {
        const CProfilePresetDef* preset;
        const CProfileChannelDef* channel;
    };
    while (!candidates.isEmpty()) {
        const CProfileChannelDef* first = candidates.first();
        QList<const CProfileChannelDef*> group;
        QList<CPooled> pool;
        bool sixteenBit = false;
        for (int i = 0; i < candidates.size();) {
            const CProfileChannelDef* channel = candidates[i];
            if (channel->m_type != first->m_type || channel->m_function != first->m_function) {
                ++i;
                continue;
            }
            group << candidates.takeAt(i);
            sixteenBit = sixteenBit || channel->m_msb;
            for (const CProfilePresetDef* preset : channel->m_presets)
                pool << CPooled{preset, channel};
        }

        // A preset counts as common when several channels of the group have
        // it; each channel counts once.
        QList<const CProfilePresetDef*> common;
        while (!pool.isEmpty()) {
            const CPooled taken = pool.takeFirst();
            int count = 1;
            int i = 0;
            const auto skipOwnChannel = [&] {
                while (i < pool.size() && pool[i].channel == taken.channel)
                    ++i;
            };
            skipOwnChannel();
            while (i < pool.size()) {
                if (pool[i].preset->IsSame(*taken.preset)) {
                    pool.removeAt(i);
                    ++count;
                    skipOwnChannel();
                } else {
                    ++i;
                }
            }
            if (count >= 2)
                common << taken.preset;
        }

        if (!common.isEmpty()) {
            AddChannelControl(new CChannelPresetCtrl(m_nextId, m_project, profile, group, profileBound, sixteenBit,
                                                     perBeam, common, this));
        } else if (group.size() == 1 && profileBound) {
            // Across profiles a lone channel gets nothing: its number would
            // name another channel on the other profiles' fixtures.
            AddChannelControl(new CChannelPresetCtrl(m_nextId, m_project, profile, group.first(), this));
        }
    }
}

void CPresetsWnd::BuildCommonControls()
{
    const QList<CLibraryProfile*>& profiles = m_project.m_selectionCaps.m_profiles;
    QList<QList<const CProfileChannelDef*>> lists;
    std::array<bool, ChannelType::kCount> commonMulti{};
    std::array<bool, ChannelType::kCount> commonSingle{};
    for (int type : kMergedTypes)
        commonMulti[size_t(type)] = commonSingle[size_t(type)] = true;
    for (const CLibraryProfile* profile : profiles) {
        QList<const CProfileChannelDef*> list;
        std::array<bool, ChannelType::kCount> multi{};
        std::array<bool, ChannelType::kCount> single{};
        for (const CProfileChannelDef* channel : PresetChannels(*profile)) {
            if (!IsMergedType(channel->m_type))
                continue;
            list << channel;
            (channel->m_function ? multi : single)[size_t(channel->m_type)] = true;
        }
        for (int type : kMergedTypes) {
            commonMulti[size_t(type)] = commonMulti[size_t(type)] && multi[size_t(type)];
            commonSingle[size_t(type)] = commonSingle[size_t(type)] && single[size_t(type)];
        }
        lists << list;
    }

    for (int pass = 0; pass < 10; ++pass) {
        QList<const CProfileChannelDef*> candidates;
        bool perBeam = false;
        for (int p = 0; p < lists.size(); ++p) {
            QList<const CProfileChannelDef*> taken;
            QList<const CProfileChannelDef*>& list = lists[p];
            for (int i = list.size() - 1; i >= 0; --i) {
                const CProfileChannelDef* channel = list[i];
                const size_t type = size_t(channel->m_type);
                const bool multi = channel->m_function;
                const bool common = multi ? commonMulti[type] : commonSingle[type];
                bool take = common && channel->m_typeIndex == pass;
                if (!take && pass == 0 && !multi && common && channel->m_typeIndex != 0
                    && channel->m_beams.size() == 1 && profiles[p]->BeamCount() >= 2) {
                    take = true;
                    perBeam = true;
                }
                if (take)
                    taken.prepend(list.takeAt(i));
            }
            candidates << taken;
        }
        if (candidates.size() < 2)
            break;
        BuildMergedControls(profiles.last(), candidates, perBeam, false);
    }
}

// --- Levels and mode switches

void CPresetsWnd::RefreshControls()
{
    const QList<CPatchedFixture*> selected = m_project.SelectedFixtures();
    if (selected.isEmpty())
        return;
    const CPatchedFixture* fixture = selected.first();
    const bool edited = m_project.m_editedScene != nullptr;
    const CDmxLayer& levels = edited ? m_project.m_edit : m_project.m_output;
    const CDmxLayer* mask = edited ? nullptr : &m_project.m_liveMask;
    const auto level = [&](const CProfileChannelDef* channel) {
        return channel ? quint8(FixtureLevel(*fixture, channel->m_index, levels, mask)) : quint8(0);
    };

    if (const CLibraryProfile* profile = fixture->Profile()) {
        for (bool master : {true, false}) {
            CColorPresetCtrlBase* color = ColorControl(master);
            if (color && profile->HasColor(master)) {
                const CColorSet set = profile->ColorSets(master).value(fixture->FirstSelectedColor(master));
                const quint8 invert = profile->IsCmy() ? 255 : 0;
                color->SetColor(level(set.red) ^ invert, level(set.green) ^ invert, level(set.blue) ^ invert,
                                profile->HasWhite() ? level(set.white) : 0, true);
            }
            CPanTiltPresetCtrlBase* panTilt = PanTiltControl(master);
            if (panTilt && profile->HasPanTilt(master)) {
                const CPanTiltPair pair = profile->PanTiltPairs(master).value(fixture->FirstSelectedPanTilt(master));
                const bool fine = profile->HasFinePanTilt();
                panTilt->SetPosition(level(pair.pan), level(pair.tilt), fine ? level(pair.panFine) : 0,
                                     fine ? level(pair.tiltFine) : 0, true);
            }
        }
    }
    for (CChannelPresetCtrl* control : m_channelCtrls)
        control->Refresh(fixture, levels, mask);
}

void CPresetsWnd::RefreshColorModes(bool master)
{
    CColorPresetCtrlBase* control = ColorControl(master);
    if (!control)
        return;
    const CModeReader reader(m_project);
    std::array<CModeMerge, 4> merged;
    for (const CPatchedFixture* fixture : m_project.SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile || !profile->HasColor(master))
            continue;
        const CColorSet set = profile->ColorSets(master).value(fixture->FirstSelectedColor(master));
        merged[0].Add(reader.State(*fixture, set.red));
        merged[1].Add(reader.State(*fixture, set.green));
        merged[2].Add(reader.State(*fixture, set.blue));
        merged[3].Add(profile->HasWhite() ? reader.State(*fixture, set.white) : int(PresetModeOff));
    }
    control->SetModes(merged[0].Result(), merged[1].Result(), merged[2].Result(), merged[3].Result(), false);
}

void CPresetsWnd::RefreshPanTiltModes(bool master)
{
    CPanTiltPresetCtrlBase* control = PanTiltControl(master);
    if (!control)
        return;
    const CModeReader reader(m_project);
    CModeMerge pan;
    CModeMerge tilt;
    for (const CPatchedFixture* fixture : m_project.SelectedFixtures()) {
        const CLibraryProfile* profile = fixture->Profile();
        if (!profile || !profile->HasPanTilt(master))
            continue;
        const CPanTiltPair pair = profile->PanTiltPairs(master).value(fixture->FirstSelectedPanTilt(master));
        pan.Add(reader.State(*fixture, pair.pan));
        tilt.Add(reader.State(*fixture, pair.tilt));
    }
    control->SetModes(pan.Result(), tilt.Result(), false);
}

void CPresetsWnd::RefreshMasterControls()
{
    const QList<CPatchedFixture*> selected = m_project.SelectedFixtures();
    if (selected.isEmpty())
        return;
    for (bool master : {true, false}) {
        RefreshColorModes(master);
        RefreshPanTiltModes(master);
    }
    const CModeReader reader(m_project);
    for (CChannelPresetCtrl* control : m_channelCtrls) {
        CModeMerge merged;
        if (!control->IsMerged()) {
            for (const CPatchedFixture* fixture : selected) {
                if (fixture->Profile() == control->Profile())
                    merged.Add(reader.State(*fixture, control->Channel()));
            }
            control->SetMode(merged.Result(), false);
            continue;
        }
        const CProfileChannelDef* reference = control->Channel();
        const QList<const CProfileChannelDef*>& channels = control->Channels();
        for (int i = 1; i < channels.size(); ++i) {
            if (selected.first()->IsChannelSelected(channels[i])) {
                reference = channels[i];
                break;
            }
        }
        for (const CPatchedFixture* fixture : selected) {
            const CLibraryProfile* profile = fixture->Profile();
            if (!profile)
                continue;
            for (const CProfileChannelDef* channel : PresetChannels(*profile)) {
                if (fixture->IsChannelSelected(channel)
                    && channel->IsSameFunction(*reference, control->IsPerBeam(), profile->BeamCount()))
                    merged.Add(reader.State(*fixture, channel));
            }
        }
        control->SetMode(merged.Result(), false);
    }
}

// --- Effect marks

void CPresetsWnd::MarkChannelTypeFx(int channelType)
{
    if (channelType == ChannelType::Pan || channelType == ChannelType::Tilt) {
        if (m_panTilt)
            m_panTilt->MarkEffectChannel(channelType);
        return;
    }
    if (channelType >= ChannelType::Red && channelType <= ChannelType::White) {
        if (m_color)
            m_color->MarkEffectChannel(channelType);
        return;
    }
    for (CChannelPresetCtrl* control : m_channelCtrls) {
        if (control->Channel()->m_type == channelType)
            control->SetMode(PresetModeFx, false);
    }
}

void CPresetsWnd::MarkDimmersFx()
{
    for (CChannelPresetCtrl* control : m_channelCtrls) {
        if (control->Channel()->m_type == ChannelType::Dimmer && !control->Channel()->m_function)
            control->SetMode(PresetModeFx, false);
    }
}

void CPresetsWnd::MarkPanTiltFx()
{
    if (m_panTilt)
        m_panTilt->SetModes(PresetModeFx, PresetModeFx, false);
}

void CPresetsWnd::MarkColorFx()
{
    if (m_color)
        m_color->SetModes(PresetModeFx, PresetModeFx, PresetModeFx, PresetModeFx, false);
}

void CPresetsWnd::ResetModes()
{
    if (m_color)
        m_color->SetModes(PresetModeOff, PresetModeOff, PresetModeOff, PresetModeOff, true);
    if (m_panTilt)
        m_panTilt->SetModes(PresetModeOff, PresetModeOff, true);
    for (CChannelPresetCtrl* control : m_channelCtrls)
        control->SetMode(PresetModeOff, true);
}

// --- The colour the effect editor borrows

void CPresetsWnd::ShowEffectColor()
{
    m_effectColorShown = true;
    // A control made by an earlier call stays borrowed, so that hiding the
    // effect colour still takes it away.
    if (m_color) {
        if (m_effectColorHook)
            m_effectColorHook(m_color);
        return;
    }
    m_colorForced = true;
    CreateColorCtrl(false);
}

void CPresetsWnd::HideEffectColor()
{
    if (m_colorForced && m_color) {
        RemoveControl(m_color, -1);
        DropControl(m_color);
        m_color = nullptr;
    } else if (m_color && m_effectColorShown && m_effectColorHook) {
        // The selection's own control stays, but the closed page must let go of it.
        m_effectColorHook(nullptr);
    }
    m_colorForced = false;
    m_effectColorShown = false;
}

// --- Forwarding to the project

void CPresetsWnd::OnMasterColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    m_project.SetSelectionColor(red, green, blue, white, true);
}

void CPresetsWnd::OnColorChanged(uchar red, uchar green, uchar blue, uchar white)
{
    m_project.SetSelectionColor(red, green, blue, white, false);
}

void CPresetsWnd::OnMasterPanTiltChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine, uchar panOffset,
                                         uchar tiltOffset)
{
    m_project.SetSelectionPanTilt(pan, tilt, panFine, tiltFine, panOffset, tiltOffset, true);
}

void CPresetsWnd::OnPanTiltChanged(uchar pan, uchar tilt, uchar panFine, uchar tiltFine, uchar panOffset,
                                   uchar tiltOffset)
{
    m_project.SetSelectionPanTilt(pan, tilt, panFine, tiltFine, panOffset, tiltOffset, false);
}

void CPresetsWnd::ColorModeChanged(int component, bool on, bool master)
{
    CColorPresetCtrlBase* control = ColorControl(master);
    if (!on || !control) {
        m_project.ReleaseColorChannels(component, master);
        return;
    }
    std::array<quint8, 4> rgbw{};
    control->GetColor(rgbw[0], rgbw[1], rgbw[2], rgbw[3]);
    if (component >= 0 && component <= 3)
        m_project.SetColorChannels(component, rgbw[size_t(component)], master);
    else
        m_project.SetSelectionColor(rgbw[0], rgbw[1], rgbw[2], rgbw[3], master);
}

void CPresetsWnd::PanTiltModeChanged(int axis, bool on, bool master)
{
    CPanTiltPresetCtrlBase* control = PanTiltControl(master);
    if (!on || !control) {
        m_project.ReleasePanTiltChannels(axis, master);
        return;
    }
    quint8 p[6] = {};
    control->GetPosition(p);
    if (axis == 0)
        m_project.SetPanTiltChannels(0, p[0], p[2], master);
    else if (axis == 1)
        m_project.SetPanTiltChannels(1, p[1], p[3], master);
    else
        m_project.SetSelectionPanTilt(p[0], p[1], p[2], p[3], p[4], p[5], master);
}

void CPresetsWnd::OnMasterColorModeChanged(int component, bool on)
{
    ColorModeChanged(component, on, true);
}

void CPresetsWnd::OnColorModeChanged(int component, bool on)
{
    ColorModeChanged(component, on, false);
}

void CPresetsWnd::OnMasterPanTiltModeChanged(int axis, bool on)
{
    PanTiltModeChanged(axis, on, true);
}

void CPresetsWnd::OnPanTiltModeChanged(int axis, bool on)
{
    PanTiltModeChanged(axis, on, false);
}
