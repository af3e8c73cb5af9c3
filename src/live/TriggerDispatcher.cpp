#include "live/TriggerDispatcher.h"

#include "app/options/AppOptions.h"
#include "live/NextStep.h"
#include "show/EffectScene.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/ShowHost.h"

static_assert(int(CTriggerDispatcher::kCommandCount) == int(CAppOptions::kLiveCommandCount)
                  && int(CTriggerDispatcher::CommonBlackOut) == int(CAppOptions::CmdCommonBlackOut)
                  && int(CTriggerDispatcher::Next) == int(CAppOptions::CmdNext)
                  && int(CTriggerDispatcher::MasterDimmer) == int(CAppOptions::CmdMasterDimmer)
                  && int(CTriggerDispatcher::CommonMasterSpeed) == int(CAppOptions::CmdCommonMasterSpeed),
              "the dispatcher reads the command records in the options' order");

struct CTriggerDispatcher::Event
{
    enum Source { Key, Midi, Dmx, StandAlone };

    Source source = Key;
    int key = -1;
    bool pressed = false;
    int midiKind = 0;
    int channel = 0;
    int number = 0;
    int value = 0;
    int universe = -1;
    std::array<int, 3> inputs{};
};

namespace {

bool IsOn(int kind, int value)
{
    return kind == CPage::ToggleTrigger || value != 0;
}

bool MatchesInputs(const CTriggers& triggers, const std::array<int, 3>& inputs)
{
    for (size_t i = 0; i < inputs.size(); ++i)
        if (triggers.m_saInputs[i] != 0 && triggers.m_saInputs[i] == inputs[i])
            return true;
    return false;
}

CPage* PageOf(CProject& project, const CScene* scene)
{
    for (CPage* page : project.m_pages)
        if (page->m_scenes.contains(const_cast<CScene*>(scene)))
            return page;
    return nullptr;
}

} // namespace

CTriggerDispatcher::CTriggerDispatcher(CProject& project, CLiveTriggerView& view)
    : m_project(project)
    , m_view(view)
{
}

CTriggers CTriggerDispatcher::ParseCommandTrigger(const QString& text)
{
    CTriggers triggers;
    const QStringList pieces = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    auto piece = [&pieces](int i) { return i < pieces.size() ? pieces.at(i) : QString(); };
    triggers.ParseShortCut(piece(0));
    triggers.ParseMidiTrigger(piece(1));
    triggers.ParseDmxTrigger(piece(2));
    triggers.ParseSaTrigger(piece(3));
    triggers.m_bAutoRelease = piece(4).trimmed() == QLatin1String("1");
    return triggers;
}

bool CTriggerDispatcher::IsLevelCommand(int command)
{
    const int local = command % kScopeSize;
    return local == MasterDimmer || local == MasterSpeed;
}

QString CTriggerDispatcher::FormatCommandTrigger(const CTriggers& triggers)
{
    const QString key = triggers.m_shortCut.m_key >= 0 ? triggers.m_shortCut.m_keyName : QString();
    return QStringList({key, triggers.MidiTriggerToString(), triggers.DmxTriggerToString(),
                        triggers.SaTriggerToString(), QLatin1String(triggers.m_bAutoRelease ? "1" : "0")})
        .join(QLatin1Char(';'));
}

void CTriggerDispatcher::SetCommandTriggers(const QStringList& texts)
{
    for (int i = 0; i < kCommandCount; ++i)
        SetCommandTrigger(i, ParseCommandTrigger(i < texts.size() ? texts.at(i) : QString()));
}

void CTriggerDispatcher::SetCommandTrigger(int command, const CTriggers& triggers)
{
    if (command < 0 || command >= kCommandCount)
        return;
    m_commands[size_t(command)] = triggers;
    m_levelOn[size_t(command)] = false;
}

void CTriggerDispatcher::KeyTrigger(int key, bool pressed)
{
    Event event;
    event.source = Event::Key;
    event.key = key;
    event.pressed = pressed;
    Dispatch(event);
}

void CTriggerDispatcher::MidiTrigger(int kind, int channel, int number, int value)
{
    Event event;
    event.source = Event::Midi;
    event.midiKind = kind;
    event.channel = channel;
    event.number = number;
    event.value = value;
    Dispatch(event);
}

void CTriggerDispatcher::DmxInputTrigger(int universe)
{
    const CDmxLayer& input = m_project.m_dmxInput;
    if (!m_project.IsUniverse(universe) || universe >= input.UniverseCount())
        return;
    // The checks read the one refreshed universe straight from the project;
    // the others stay empty, so a trigger watching them reports nothing.
    m_inputs.fill(QByteArray(), input.UniverseCount());
    m_inputs[universe] = QByteArray::fromRawData(reinterpret_cast<const char*>(input[universe]), CDmxLayer::kSlots);
    Event event;
    event.source = Event::Dmx;
    event.universe = universe;
    Dispatch(event);
    m_inputs[universe] = QByteArray();
}

void CTriggerDispatcher::StandAloneTrigger(int a, int b, int c)
{
    Event event;
    event.source = Event::StandAlone;
    event.inputs = {a, b, c};
    Dispatch(event);
}

void CTriggerDispatcher::Dispatch(const Event& event)
{
    if (m_view.Mode() != 0)
        return;
    DispatchPages(event);
    DispatchScenes(event);
    if (m_view.IsEffectsTabShown())
        DispatchEffectScenes(event);
    if (CScene* scene = m_view.PopupScene())
        DispatchCommands(event, BlackOut, scene);
    DispatchCommands(event, CommonBlackOut, nullptr);
}

bool CTriggerDispatcher::Judge(const Event& event, CTriggers& triggers, int& kind, int& value)
{
    switch (event.source) {
    case Event::Key:
        if (event.key < 0 || triggers.m_shortCut.m_key != event.key)
            return false;
        kind = CPage::KeyTrigger;
        value = event.pressed ? 1 : 0;
        return true;
    case Event::Midi: {
        const CMidiTrigger& midi = triggers.m_midiTrigger;
        if (midi.m_mode != event.midiKind || midi.m_channel != event.channel || midi.m_number != event.number)
            return false;
        if (midi.m_mode == CMidiTrigger::ProgramChange) {
            kind = CPage::ToggleTrigger;
            value = 0;
            return true;
        }
        bool on = false;
        if (!CheckMidiTrigger(midi, event.value, on))
            return false;
        kind = midi.m_mode == CMidiTrigger::Note ? int(CPage::KeyTrigger) : int(CPage::LevelTrigger);
        value = on ? 1 : 0;
        return true;
    }
    case Event::Dmx: {
        bool on = false;
        if (!CheckDmxTrigger(triggers.m_dmxTrigger, event.universe, m_inputs, on))
            return false;
        kind = CPage::LevelTrigger;
        value = on ? 1 : 0;
        return true;
    }
    case Event::StandAlone:
        if (!MatchesInputs(triggers, event.inputs))
            return false;
        kind = CPage::ToggleTrigger;
        value = 0;
        return true;
    }
    return false;
}

bool CTriggerDispatcher::JudgeLevel(const Event& event, CTriggers& triggers, int& percent)
{
    bool reported = false;
    if (event.source == Event::Midi) {
        const CMidiTrigger& midi = triggers.m_midiTrigger;
        reported = event.midiKind == CMidiTrigger::Controller && midi.m_mode == CMidiTrigger::Controller
                   && midi.m_channel == event.channel && midi.m_number == event.number
                   && CheckMidiTriggerLevel(midi, event.value, percent);
    } else if (event.source == Event::Dmx) {
        reported = CheckDmxTriggerLevel(triggers.m_dmxTrigger, event.universe, m_inputs, percent);
    }
    // Masters take 0 to 100; a stored range may report beyond it.
    percent = qBound(0, percent, 100);
    return reported;
}

void CTriggerDispatcher::DispatchPages(const Event& event)
{
    bool selected = false;
    for (int i = 0; i < m_project.m_pages.size(); ++i) {
        CPage* page = m_project.m_pages.at(i);
        int kind = 0;
        int value = 0;
        // Every page is judged, so each DMX trigger keeps the last input it saw.
        if (Judge(event, page->m_triggers, kind, value) && IsOn(kind, value) && !selected) {
            selected = true;
            m_view.SelectPage(i);
        }
    }
}

void CTriggerDispatcher::DispatchScenes(const Event& event)
{
    // Playing a scene can stop others but never changes the page lists; the
    // copies guard against a view that reloads anyway.
    const QList<CPage*> pages = m_project.m_pages;
    for (CPage* page : pages) {
        const QList<CScene*> scenes = page->m_scenes;
        for (CScene* scene : scenes) {
            const bool current = page == m_project.m_currentPage;
            bool matched = true;
            switch (event.source) {
            case Event::Key: matched = scene->MatchShortCut(event.key, current); break;
            case Event::Midi:
                matched = scene->MatchMidiTrigger(event.midiKind, event.channel, event.number, current);
                break;
            case Event::StandAlone:
                matched = scene->MatchDeviceTrigger(event.inputs[0], event.inputs[1], event.inputs[2], current);
                break;
            case Event::Dmx: break;
            }
            int kind = 0;
            int value = 0;
            if (!matched || !Judge(event, scene->m_triggers, kind, value))
                continue;
            if (event.source == Event::Dmx && !(scene->m_playInCurrentPage || current))
                continue;
            PlayOrStop(page, scene, kind, value);
        }
    }
}

void CTriggerDispatcher::DispatchEffectScenes(const Event& event)
{
    const QList<CEffectScene*> scenes = m_project.m_effectScenes;
    for (CEffectScene* scene : scenes) {
        // They are the buttons of the tab on show: the current page's rule.
        bool matched = true;
        switch (event.source) {
        case Event::Key: matched = scene->MatchShortCut(event.key, true); break;
        case Event::Midi: matched = scene->MatchMidiTrigger(event.midiKind, event.channel, event.number, true); break;
        case Event::StandAlone:
            matched = scene->MatchDeviceTrigger(event.inputs[0], event.inputs[1], event.inputs[2], true);
            break;
        case Event::Dmx: break;
        }
        int kind = 0;
        int value = 0;
        if (!matched || !Judge(event, scene->m_triggers, kind, value))
            continue;
        if (kind == CPage::LevelTrigger)
            m_view.ToggleEffectScene(scene, value != 0, value == 0);
        else
            m_view.TriggerEffectScene(scene, kind, value);
    }
}

void CTriggerDispatcher::PlayOrStop(CPage* page, CScene* scene, int kind, int value)
{
    bool started = false;
    if (kind == CPage::LevelTrigger) {
        // The on flag decides, whatever range produced it: inside, play
        // unless playing; outside, stop when playing.
        const bool playing = page->IsPlaying(scene);
        if (value != 0 && !playing)
            started = page->PlayScene(scene);
        else if (value == 0 && playing)
            page->StopScene(scene, false, false, true, true);
    } else {
        started = page->TriggerScene(scene, kind, value);
    }
    if (started)
        ShowHost().OnSceneStarted(page, scene);
}

void CTriggerDispatcher::DispatchCommands(const Event& event, int first, CScene* scene)
{
    for (int command = first; command < first + kScopeSize; ++command) {
        CTriggers& triggers = m_commands[size_t(command)];
        if (IsLevelCommand(command)) {
            int percent = 0;
            if (JudgeLevel(event, triggers, percent))
                SetCommandLevel(command, scene, percent);
            continue;
        }
        int kind = 0;
        int value = 0;
        if (Judge(event, triggers, kind, value))
            RunCommand(command, scene, kind, value);
    }
}

void CTriggerDispatcher::RunCommand(int command, CScene* scene, int kind, int value)
{
    const CTriggers& triggers = m_commands[size_t(command)];
    if (command % kScopeSize == Next) {
        bool fire = kind == CPage::ToggleTrigger || (kind == CPage::KeyTrigger && value == 1);
        if (kind == CPage::LevelTrigger) {
            fire = value != 0 && !m_levelOn[size_t(command)];
            m_levelOn[size_t(command)] = value != 0;
        }
        if (!fire)
            return;
        if (!scene) {
            MovePlayingScenesToNextStep(m_project);
        } else if (CPage* page = PageOf(m_project, scene)) {
            MoveSceneToNextStep(m_project, *page, *scene);
        }
        return;
    }

    const bool state = CommandState(command, scene);
    bool wanted = state;
    switch (kind) {
    case CPage::KeyTrigger:
        if (value == 1)
            wanted = triggers.m_bAutoRelease ? true : !state;
        else if (triggers.m_bAutoRelease)
            wanted = false;
        break;
    case CPage::LevelTrigger: wanted = value != 0; break;
    default: wanted = !state; break;
    }
    if (wanted != state)
        SetCommandState(command, scene, wanted);
}

bool CTriggerDispatcher::CommandState(int command, const CScene* scene) const
{
    switch (command % kScopeSize) {
    case BlackOut: return scene ? scene->m_blackout : m_project.m_blackOut;
    case BeamOn: return scene ? scene->m_beamOn : m_project.m_beamOn;
    case Pause: return scene ? scene->m_paused : m_project.m_pause;
    default: return false;
    }
}

void CTriggerDispatcher::SetCommandState(int command, CScene* scene, bool on)
{
    const int local = command % kScopeSize;
    if (scene) {
        // Inside one scene blackout and beam on exclude each other, as the
        // masters make them.
        if (local == BlackOut) {
            if (on)
                scene->m_beamOn = false;
            scene->m_blackout = on;
        } else if (local == BeamOn) {
            if (on)
                scene->m_blackout = false;
            scene->m_beamOn = on;
        } else if (local == Pause) {
            scene->m_paused = on;
        }
        m_view.PopupSceneChanged(false);
        return;
    }
    if (local == BlackOut)
        m_project.SetBlackOut(on);
    else if (local == BeamOn)
        m_project.SetBeamOn(on);
    else if (local == Pause)
        m_project.SetPause(on);
    if (m_mastersChanged)
        m_mastersChanged();
}

void CTriggerDispatcher::SetCommandLevel(int command, CScene* scene, int percent)
{
    const bool dimmer = command % kScopeSize == MasterDimmer;
    if (scene) {
        if (dimmer)
            scene->SetDimmer(percent);
        else
            scene->SetSpeed(percent);
        m_view.PopupSceneChanged(dimmer);
        return;
    }
    if (dimmer)
        m_project.SetDimmer(percent);
    else
        m_project.SetSpeed(percent);
    if (m_mastersChanged)
        m_mastersChanged();
}
