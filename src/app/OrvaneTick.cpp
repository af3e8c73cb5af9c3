// The 25 ms master tick: the window's answers to each of its passes, and the
// recording of DMX input that one of them feeds.

#include "app/Orvane.h"

#include "app/options/AppOptions.h"
#include "app/DmxRecorder.h"
#include "app/QtTickTimer.h"
#include "model/Language.h"
#include "Captions.h"
#include "Common/ArtNet/ArtNetManager.h"
#include "devices/DeviceManager.h"
#include "editors/EditSceneWnd.h"
#include "live/DmxChannelsWnd.h"
#include "live/DmxLevelsWnd.h"
#include "layout/FixturesWnd.h"
#include "live/PagesWnd.h"
#include "panels/PresetsWnd.h"
#include "timeline/TimeLineWnd.h"

#include <QAction>
#include <QEvent>
#include <QTimer>


// The timer is only a reminder of the master tick's grid, which the tick
// keeps on the clock: its timeout runs the slot that has come, if a key or a
// repaint did not run it first, and it goes off again at the next slot. A
// late timeout is not re-based: the tick it runs covers every slot it was
// late by.
void Orvane::OnTimer()
{
    if (m_timer && m_bTickOn) {
        CQtTickTimer timer(*m_timer);
        m_tick.TimedOut(timer);
    }
    RunTick();
    ArmTickTimer();
}

void Orvane::ArmTickTimer()
{
    if (!m_timer || !m_bTickOn)
        return;
    CQtTickTimer timer(*m_timer);
    m_tick.Rearm(timer);
}

void Orvane::RunTick()
{
    CTickState state;
    state.busy = m_bBusy;
    state.outputOn = m_bOutputOn;
    state.outputMode = m_outputMode;
    state.recording = m_bRecording;
    state.liveLevelsChanged = m_bLiveLevelsChanged;
    if (m_tick.Fire(state, m_pStages ? *m_pStages : static_cast<CTickStages&>(*this)) >= 0 && m_bUiUpdate) {
        m_bUiUpdate = false;
        RefreshShownPanel();
    }
}

// A key's work (fifty scenes started at once) or the repaint of a large
// window may take most of a tick, and every universe waits behind it. A slot
// that has come goes out first, ahead of the timer's timeout, which then
// finds nothing due and waits for the next slot. A slot not yet come waits
// for its time: running it early would add a tick.
void Orvane::TickIfDue()
{
    if (!m_bTickOn || m_tick.IsRunning() || !m_tick.IsDue())
        return;
    RunTick();
    ArmTickTimer();
}

bool Orvane::event(QEvent* event)
{
    if (event->type() == QEvent::UpdateRequest)
        TickIfDue();
    return QMainWindow::event(event);
}

void Orvane::TickTimeline(int ms)
{
    if (m_timeLine)
        m_timeLine->Tick(ms);
}

void Orvane::TickProject(int ms, int ticks)
{
    m_document->Tick(ms, ticks);
}

void Orvane::TickLivePagesOrEditor(int ms, int ticks)
{
    m_pages->Tick(ms, ticks);
}

void Orvane::MergeOutput()
{
    m_document->MergeOutput();
}

void Orvane::TickLayoutView(int ms)
{
    if (m_fixtures && (m_document->IsPlaybackRunning() || m_document->IsEffectEditing()))
        m_fixtures->Tick(ms);
}

void Orvane::TickLevelMonitor(int ms)
{
    Q_UNUSED(ms);
    if (m_levelMonitor && m_levelMonitor->isVisible())
        m_levelMonitor->Tick();
}

void Orvane::InterfacePass(int ms)
{
    CDocumentLink& document = *m_document;
    m_devices->Tick(
        ms, document.UniverseCount(), [&document](int universe) { return document.OutputLevels(universe); },
        [&document](int universe) { return document.DmxInputLevels(universe); }, m_bRecording, IsEditing());
}

void Orvane::ArtNetPass(int ms)
{
    Q_UNUSED(ms);
    // Started by whatever chose an Art-Net mode; a failed start is not
    // retried every 25 ms.
    if (!m_artNet)
        return;
    const CDocumentLink& document = *m_document;
    m_artNet->SendUniverses(document.UniverseCount(),
                            [&document](int universe) { return document.OutputLevels(universe); });
}

void Orvane::RecordDmxInput(int ms)
{
    if (!m_bRecording || !m_recorder || m_recorder->Tick(m_project, ms))
        return;
    StopDmxRecord();
    CShowBounds::Kind full = CShowBounds::KindCount;
    if (!m_recorder->StoppedAtBound(&full))
        return;
    // Said after the tick: a message inside it would hold the show on the wire.
    const QString text = CShowBounds::ShowHoldsTooMany(full);
    ShowStatusMessage(text);
    QTimer::singleShot(0, this, [this, text] { ShowInformation(GetLangText(Txt::Warning), text); });
}

void Orvane::UpdateReleaseLive()
{
    m_actReleaseLive->setEnabled(m_document->HasLiveLevels());
    // A closed monitor reads its marks as it opens.
    if (m_levelMonitor && m_levelMonitor->isVisible())
        m_levelMonitor->OnLiveLevelsChanged();
    m_bLiveLevelsChanged = false;
}

void Orvane::EnableLevelPanels(bool enable)
{
    if (m_presets)
        m_presets->setEnabled(enable);
    if (m_faders)
        m_faders->setEnabled(enable);
}

int Orvane::DmxRecordElapsedMs() const
{
    return m_recorder ? m_recorder->ElapsedMs() : 0;
}

bool Orvane::HasDmxInputPort() const
{
    return m_devices->HasInputPort();
}

void Orvane::StartDmxRecord()
{
    if (m_bRecording || !m_project.m_recordScene)
        return;
    QList<int> universes;
    for (const SDmxInterface& iface : m_devices->Interfaces()) {
        if (iface.lost)
            continue;
        if (iface.portA.direction == kPortInput)
            universes << iface.portA.universe;
        if (iface.HasTwoPorts() && iface.portB.direction == kPortInput)
            universes << iface.portB.universe;
    }
    const CRecordConfig& config = m_options->m_record;
    if (config.autoStart) {
        CDocumentLink& document = *m_document;
        m_devices->ReadInputs(document.UniverseCount(),
                              [&document](int universe) { return document.DmxInputLevels(universe); });
    }
    if (!m_recorder)
        m_recorder = std::make_unique<CDmxRecorder>();
    const auto* editor = dynamic_cast<CEditSceneWnd*>(m_pages->ShownEditor());
    m_recorder->Start(m_project, config, universes, editor ? editor->Scene() : nullptr);
    m_bRecording = true;
}

void Orvane::StopDmxRecord()
{
    if (!m_bRecording)
        return;
    m_bRecording = false;
    if (auto* editor = dynamic_cast<CEditSceneWnd*>(m_pages->ShownEditor()))
        editor->OnRecordStopped();
}
