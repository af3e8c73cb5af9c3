#pragma once

#include "app/options/TriggerTargets.h"
#include "model/Triggers.h"

#include <QStringList>

#include <array>
#include <functional>

class CEffectScene;
class CPage;
class CProject;
class CScene;

// What the dispatcher needs of the live pages window. Every answer has a
// harmless default so the dispatcher also runs before that window exists.
class CLiveTriggerView
{
public:
    virtual ~CLiveTriggerView() = default;

    // 0 while the pages are shown; any other mode is an editor, and then no
    // trigger is dispatched.
    virtual int Mode() const { return 0; }
    virtual bool IsEffectsTabShown() const { return false; }
    // Makes page n current and shows it.
    virtual void SelectPage(int n) { Q_UNUSED(n); }
    // The scene whose options popup is open; null when none is.
    virtual CScene* PopupScene() const { return nullptr; }
    // A live command changed the popup scene's live parameters: the popup
    // applies them (running effect copies included) and shows them.
    virtual void PopupSceneChanged(bool dimmerChanged) { Q_UNUSED(dimmerChanged); }
    // Effect scenes play as running copies, which the project manages:
    // these are its TriggerEffectScene and ToggleEffectScene.
    virtual bool TriggerEffectScene(CEffectScene* scene, int kind, int value)
    {
        Q_UNUSED(scene);
        Q_UNUSED(kind);
        Q_UNUSED(value);
        return false;
    }
    virtual bool ToggleEffectScene(CEffectScene* scene, bool allowPlay, bool allowStop)
    {
        Q_UNUSED(scene);
        Q_UNUSED(allowPlay);
        Q_UNUSED(allowStop);
        return false;
    }
};

// Turns keys, MIDI messages, DMX input levels and stand-alone inputs into
// show actions, in this order: page triggers (a match shows the page), the
// scenes of every page, the effect scenes while the effects tab shows, the
// live commands on the scene of an open options popup, and last the common
// live commands on the project's masters.
class CTriggerDispatcher : public CTriggerTargets
{
public:
    // The live commands, in the order the options keep their records.
    enum Command {
        BlackOut,
        BeamOn,
        Pause,
        Next,
        MasterDimmer,
        MasterSpeed,
        CommonBlackOut,
        CommonBeamOn,
        CommonPause,
        CommonNext,
        CommonMasterDimmer,
        CommonMasterSpeed,
        kCommandCount
    };
    static constexpr int kScopeSize = CommonBlackOut; // six per scope

    CTriggerDispatcher(CProject& project, CLiveTriggerView& view);

    // The options' text form of one command record: key name, MIDI text,
    // DMX text, stand-alone text and the auto-release flag, joined by ";".
    // Missing or malformed pieces leave their part at its defaults.
    static CTriggers ParseCommandTrigger(const QString& text);
    static QString FormatCommandTrigger(const CTriggers& triggers);
    // The master dimmer and speed commands take a level, not a state.
    static bool IsLevelCommand(int command);
    // The twelve records as the options hold them; absent ones are reset.
    void SetCommandTriggers(const QStringList& texts);
    void SetCommandTrigger(int command, const CTriggers& triggers);
    const CTriggers& CommandTrigger(int command) const { return m_commands[size_t(command)]; }

    // Told after a common command changed the masters, so that the master
    // panel shows them.
    void SetMastersChangedHandler(std::function<void()> handler) { m_mastersChanged = std::move(handler); }

    // A key press or release; auto-repeated presses are the caller's to drop.
    void KeyTrigger(int key, bool pressed);
    // kind 1 note (value 1 on, 0 off), 2 controller change, 3 program change.
    void MidiTrigger(int kind, int channel, int number, int value) override;
    // The input levels of `universe` in the project were just refreshed.
    void DmxInputTrigger(int universe) override;
    void StandAloneTrigger(int a, int b, int c) override;

private:
    struct Event;

    void Dispatch(const Event& event);
    void DispatchPages(const Event& event);
    void DispatchScenes(const Event& event);
    void DispatchEffectScenes(const Event& event);
    void DispatchCommands(const Event& event, int first, CScene* scene);

    // Reads the event against a trigger record: false when it does not
    // concern the record, else the trigger kind and value TriggerScene takes
    // (kind 2 with the on flag as its value).
    bool Judge(const Event& event, CTriggers& triggers, int& kind, int& value);
    bool JudgeLevel(const Event& event, CTriggers& triggers, int& percent);

    void PlayOrStop(CPage* page, CScene* scene, int kind, int value);
    void RunCommand(int command, CScene* scene, int kind, int value);
    void SetCommandState(int command, CScene* scene, bool on);
    bool CommandState(int command, const CScene* scene) const;
    void SetCommandLevel(int command, CScene* scene, int percent);

    CProject& m_project;
    CLiveTriggerView& m_view;
    std::array<CTriggers, kCommandCount> m_commands;
    // Whether each command's level trigger stands inside its range, so that
    // "next" moves once per push of a fader or knob, not once per value.
    std::array<bool, kCommandCount> m_levelOn{};
    DmxInputLevels m_inputs;
    std::function<void()> m_mastersChanged;
};
