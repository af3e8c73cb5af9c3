#include "live/DmxChannelsWnd.h"

#include "Captions.h"
#include "model/Language.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "show/DmxLayer.h"
#include "show/Project.h"
#include "show/ShowHost.h"
#include "widgets/PresetModeCtrl.h"
#include "widgets/ProSlider.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// The channels each lock names, as the edited effect marks them.
QList<const CProfileChannelDef*> DimmerChannels(const CLibraryProfile& profile)
{
    QList<const CProfileChannelDef*> channels;
    for (const CDimmerChannel& dimmer : profile.Dimmers(false))
        channels << dimmer.channel;
    return channels;
}

QList<const CProfileChannelDef*> PanTiltChannels(const CLibraryProfile& profile)
{
    QList<const CProfileChannelDef*> channels;
    for (const CPanTiltPair& pair : profile.PanTiltPairs(false)) {
        channels << pair.pan << pair.tilt;
        if (profile.HasFinePanTilt())
            channels << pair.panFine << pair.tiltFine;
    }
    return channels;
}

QList<const CProfileChannelDef*> ColorChannels(const CLibraryProfile& profile)
{
    QList<const CProfileChannelDef*> channels;
    for (const CColorSet& set : profile.ColorSets(false)) {
        channels << set.red << set.green << set.blue;
        if (profile.HasWhite())
            channels << set.white;
    }
    return channels;
}

bool Names(const QList<const CProfileChannelDef*>& channels, int index)
{
    for (const CProfileChannelDef* channel : channels) {
        if (channel && channel->m_index == index)
            return true;
    }
    return false;
}

} // namespace

CDmxChannelsWnd::CDmxChannelsWnd(CProject& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_emptyLabel = new QLabel(this);
    m_emptyLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_emptyLabel);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidgetResizable(true);
    layout->addWidget(m_scroll, 1);
    Retranslate();
    UpdateSelection();
}

const CDmxChannelsWnd::CFader* CDmxChannelsWnd::Fader(int index) const
{
    return index >= 0 && index < m_faders.size() ? &m_faders[index] : nullptr;
}

const CDmxChannelsWnd::CFader* CDmxChannelsWnd::FindFader(const CPatchedFixture* fixture, int channel) const
{
    for (const CFader& fader : m_faders) {
        if (fader.fixture == fixture && fader.channel == channel)
            return &fader;
    }
    return nullptr;
}

void CDmxChannelsWnd::UpdateSelection()
{
    m_faders.clear();
    // The old faders may be the ones whose signal led here.
    if (QWidget* old = m_scroll->takeWidget()) {
        old->hide();
        old->setParent(this);
        old->deleteLater();
    }
    m_content = new QWidget;
    m_contentLayout = new QHBoxLayout(m_content);

    for (CPatchedFixture* fixture : m_project.SelectedFixtures()) {
        const CLibraryProfile* profile = fixture ? fixture->Profile() : nullptr;
        if (!profile || !fixture->IsAnyBeamSelected() || !m_project.IsUniverse(fixture->m_universe))
            continue;
        auto* box = new QGroupBox(fixture->m_name, m_content);
        auto* boxLayout = new QHBoxLayout(box);
        for (int c = 0; c < profile->ChannelCount(); ++c) {
            const CProfileChannelDef* def = profile->GetChannel(c);
            if (!def)
                continue;
            CFader fader;
            fader.fixture = fixture;
            fader.channel = c;
            auto* column = new QVBoxLayout;
            fader.slider = new CProSlider(def->m_name.isEmpty() ? QString::number(c + 1) : def->m_name, false, box);
            fader.slider->m_min = 0;
            fader.slider->m_max = 255;
            fader.mode = new CPresetModeCtrl(box);
            column->addWidget(fader.slider, 1);
            column->addWidget(fader.mode, 0, Qt::AlignHCenter);
            boxLayout->addLayout(column);
            const int index = m_faders.size();
            connect(fader.slider, &CProSlider::sliderMoved, this, [this, index](int v) { OnFaderMoved(index, v); });
            connect(fader.mode, &CPresetModeCtrl::modeChanged, this,
                    [this, index](bool on) { OnModeChanged(index, on); });
            m_faders << fader;
        }
        m_contentLayout->addWidget(box);
    }
    m_contentLayout->addStretch(1);
    m_scroll->setWidget(m_content);
    m_emptyLabel->setVisible(m_faders.isEmpty());
    ApplyLocks();
    RefreshLevels();
}

void CDmxChannelsWnd::Retranslate()
{
    m_emptyLabel->setText(GetLangText(Txt::FadersNoSelection));
}

bool CDmxChannelsWnd::SlotOf(const CFader& fader, int& universe, int& slot) const
{
    if (!fader.fixture || !m_project.IsUniverse(fader.fixture->m_universe))
        return false;
    universe = fader.fixture->m_universe;
    slot = fader.fixture->m_address + fader.channel;
    return slot >= 0 && slot < CDmxLayer::kSlots;
}

void CDmxChannelsWnd::RefreshLevels()
{
    for (CFader& fader : m_faders)
        RefreshFader(fader);
}

void CDmxChannelsWnd::RefreshFader(CFader& fader)
{
    if (fader.locked) {
        fader.slider->m_value = 0;
        fader.slider->setEnabled(false);
        fader.slider->UpdateCursor();
        fader.mode->SetState(PresetModeFx);
        fader.mode->setEnabled(false);
        return;
    }
    fader.slider->setEnabled(true);
    fader.mode->setEnabled(true);
    int universe = 0;
    int slot = 0;
    if (!SlotOf(fader, universe, slot)) {
        fader.mode->SetState(PresetModeOff);
        return;
    }
    // The fader shows the level its layer holds, or what goes out when it holds none.
    const bool live = m_project.EditTarget() == 3;
    const bool held = live ? m_project.m_liveMask[universe][slot] != 0 : m_project.m_editMask[universe][slot] != 0;
    const CDmxLayer& layer = live ? m_project.m_live : m_project.m_edit;
    fader.slider->m_value = held ? layer[universe][slot] : m_project.m_output[universe][slot];
    fader.slider->UpdateCursor();
    fader.mode->SetState(held ? (live ? PresetModeLive : PresetModeOn) : PresetModeOff);
}

void CDmxChannelsWnd::OnFaderMoved(int index, int value)
{
    if (index < 0 || index >= m_faders.size() || m_faders[index].locked)
        return;
    CFader& fader = m_faders[index];
    m_project.SetFixtureChannelLevel(fader.fixture, fader.channel, quint8(qBound(0, value, 255)));
    // A refused change puts the fader back where the project stands.
    RefreshFader(fader);
}

void CDmxChannelsWnd::OnModeChanged(int index, bool on)
{
    if (index < 0 || index >= m_faders.size() || m_faders[index].locked)
        return;
    CFader& fader = m_faders[index];
    if (on)
        m_project.SetFixtureChannel(fader.fixture, fader.channel, quint8(qBound(0, fader.slider->m_value, 255)));
    else
        m_project.ReleaseFixtureChannel(fader.fixture, fader.channel);
    ShowHost().RaiseLiveLevelsChanged();
    m_project.RefreshOutput();
    RefreshFader(fader);
}

// --- Locks of the edited effect

bool CDmxChannelsWnd::IsLockedBy(const CLockRule& rule, const CFader& fader) const
{
    const CLibraryProfile* profile = fader.fixture ? fader.fixture->Profile() : nullptr;
    if (!profile)
        return false;
    switch (rule.kind) {
    case LockDimmers:
        return Names(DimmerChannels(*profile), fader.channel);
    case LockType: {
        const CProfileChannelDef* def = profile->GetChannel(fader.channel);
        return def && def->m_type == rule.channelType;
    }
    case LockPanTilt:
        return Names(PanTiltChannels(*profile), fader.channel);
    case LockColors:
        return Names(ColorChannels(*profile), fader.channel);
    }
    return false;
}

void CDmxChannelsWnd::ApplyLocks()
{
    for (CFader& fader : m_faders) {
        fader.locked = false;
        for (const CLockRule& rule : qAsConst(m_locks))
            fader.locked = fader.locked || IsLockedBy(rule, fader);
    }
}

void CDmxChannelsWnd::AddLock(LockKind kind, int channelType)
{
    CLockRule rule;
    rule.kind = kind;
    rule.channelType = channelType;
    m_locks << rule;
    ApplyLocks();
    RefreshLevels();
}

void CDmxChannelsWnd::LockDimmerChannels()
{
    AddLock(LockDimmers);
}

void CDmxChannelsWnd::LockChannelsOfType(int channelType)
{
    AddLock(LockType, channelType);
}

void CDmxChannelsWnd::LockPanTiltChannels()
{
    AddLock(LockPanTilt);
}

void CDmxChannelsWnd::LockColorChannels()
{
    AddLock(LockColors);
}

void CDmxChannelsWnd::ResetModes()
{
    m_locks.clear();
    ApplyLocks();
    RefreshLevels();
}
