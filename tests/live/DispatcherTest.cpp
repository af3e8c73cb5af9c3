#include "TestRegistry.h"

#include "LiveRig.h"

#include <QtTest>

// Triggers reach pages, scenes, effect scenes and live commands as an
// operator expects from the keyboard, MIDI, DMX input and stand-alone inputs.
class DispatcherTest : public QObject
{
    Q_OBJECT

private slots:
    void keys()
    {
        CLiveRig rig;
        CScene* held = rig.Scene(QStringLiteral("Held"));
        held->m_triggers.ParseShortCut(QStringLiteral("A"));
        held->m_triggers.m_bAutoRelease = true;
        CScene* toggled = rig.Scene(QStringLiteral("Toggled"));
        toggled->m_triggers.ParseShortCut(QStringLiteral("B"));

        // Auto release: plays while the key is down, and is told once.
        rig.Press(Qt::Key_A);
        rig.Press(Qt::Key_A);
        QVERIFY(rig.Plays(held));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 1);
        rig.Release(Qt::Key_A);
        QVERIFY(!rig.Plays(held));

        // Without: each press toggles, releases do nothing.
        rig.Press(Qt::Key_B);
        rig.Release(Qt::Key_B);
        QVERIFY(rig.Plays(toggled));
        rig.Press(Qt::Key_B);
        QVERIFY(!rig.Plays(toggled));

        // Another page's scene needs its flag; shown, its page needs none.
        CScene* away = rig.Scene(QStringLiteral("Away"), rig.secondPage);
        away->m_triggers.ParseShortCut(QStringLiteral("F2"));
        rig.Press(Qt::Key_F2);
        QVERIFY(!rig.secondPage->IsPlaying(away));
        away->m_playInCurrentPage = true;
        rig.Press(Qt::Key_F2);
        QVERIFY(rig.Plays(away, rig.secondPage));
        rig.project.m_currentPage = rig.secondPage;
        away->m_playInCurrentPage = false;
        rig.Press(Qt::Key_F2);
        QVERIFY(!rig.Plays(away, rig.secondPage));
    }

    void nothingWhileAnEditorShows()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("A"));
        scene->m_triggers.ParseShortCut(QStringLiteral("A"));
        rig.secondPage->m_triggers.ParseMidiTrigger(QStringLiteral("3|0|5|1|127"));
        rig.dispatcher.SetCommandTrigger(CTriggerDispatcher::CommonMasterDimmer,
                                         CTriggerDispatcher::ParseCommandTrigger(QStringLiteral(";2|0|7|0|127")));
        rig.view.mode = 1;
        rig.Press(Qt::Key_A);
        rig.dispatcher.MidiTrigger(3, 0, 5, -1);
        rig.dispatcher.MidiTrigger(2, 0, 7, 127);
        QVERIFY(!rig.Page()->IsPlaying(scene));
        QVERIFY(rig.view.calls.isEmpty());
        QCOMPARE(rig.project.m_masterDimmer, 50);
    }

    void pageTriggersShowThePageFirst()
    {
        CLiveRig rig;
        rig.secondPage->m_triggers.ParseMidiTrigger(QStringLiteral("3|2|5|1|127"));
        rig.secondPage->m_triggers.ParseShortCut(QStringLiteral("F1"));
        CScene* scene = rig.Scene(QStringLiteral("S"), rig.secondPage);
        scene->m_triggers.ParseShortCut(QStringLiteral("F1"));

        rig.Release(Qt::Key_F1);
        rig.dispatcher.MidiTrigger(3, 1, 5, -1); // another channel
        rig.dispatcher.MidiTrigger(1, 2, 5, 1);  // a note of that number
        QVERIFY(rig.view.calls.isEmpty());
        rig.dispatcher.MidiTrigger(3, 2, 5, -1);
        QCOMPARE(rig.view.calls, QStringList{QStringLiteral("SelectPage:1")});

        // The page is shown before its scenes are tested: one key does both.
        rig.project.m_currentPage = rig.Page();
        rig.Press(Qt::Key_F1);
        QVERIFY(rig.Plays(scene, rig.secondPage));

        // Two pages on one input: the first one wins.
        rig.view.calls.clear();
        rig.Page()->m_triggers.m_saInputs = {0, 4, 0};
        rig.secondPage->m_triggers.m_saInputs = {0, 4, 0};
        rig.dispatcher.StandAloneTrigger(0, 4, 0);
        QCOMPARE(rig.view.calls, QStringList{QStringLiteral("SelectPage:0")});
    }

    void midiAndStandAloneInputs()
    {
        CLiveRig rig;
        CScene* note = rig.Scene(QStringLiteral("Note"));
        note->m_triggers.ParseMidiTrigger(QStringLiteral("1|0|36|1|127"));
        note->m_triggers.m_bAutoRelease = true;
        CScene* program = rig.Scene(QStringLiteral("Program"));
        program->m_triggers.ParseMidiTrigger(QStringLiteral("3|0|9|1|127"));
        program->m_triggers.m_saInputs = {0, 3, 0};

        rig.dispatcher.MidiTrigger(1, 1, 36, 1); // another channel
        QVERIFY(!rig.Page()->IsPlaying(note));
        rig.dispatcher.MidiTrigger(1, 0, 36, 1);
        QVERIFY(rig.Plays(note));
        rig.dispatcher.MidiTrigger(1, 0, 36, 0);
        QVERIFY(!rig.Plays(note));

        rig.dispatcher.MidiTrigger(3, 0, 9, -1);
        QVERIFY(rig.Plays(program));
        rig.dispatcher.StandAloneTrigger(3, 0, 0); // right value, wrong input
        QVERIFY(rig.Plays(program));
        rig.dispatcher.StandAloneTrigger(7, 3, 0);
        QVERIFY(!rig.Plays(program));
    }

    void controllerRangeDecidesAlone()
    {
        // The scene's DMX range (default 127-255) has nothing to say about
        // a controller: 5 lies inside the controller's own 1-10.
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Knob"));
        scene->m_triggers.ParseMidiTrigger(QStringLiteral("2|0|20|1|10"));

        rig.dispatcher.MidiTrigger(2, 0, 20, 5);
        rig.dispatcher.MidiTrigger(2, 0, 20, 10);
        QVERIFY(rig.Plays(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 1);
        rig.dispatcher.MidiTrigger(2, 0, 20, 11);
        QVERIFY(!rig.Plays(scene));
    }

    void dmxInputActsOnChangesOnly()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Fader"));
        scene->m_triggers.ParseDmxTrigger(QStringLiteral("1|1|9|128|0|0")); // universe 1, slot 10, at 128

        rig.Input(0, 9, 200); // another universe
        QVERIFY(!rig.Page()->IsPlaying(scene));
        rig.Input(1, 9, 128);
        rig.Input(1, 9, 128);
        QVERIFY(rig.Plays(scene));
        QCOMPARE(rig.host.Count(QStringLiteral("OnSceneStarted")), 1);
        rig.Input(1, 9, 127);
        QVERIFY(!rig.Plays(scene));
        rig.dispatcher.DmxInputTrigger(4); // universes the project lacks are no input
        rig.dispatcher.DmxInputTrigger(-1);

        // A hidden page's scene keeps still but remembers what it saw:
        // once shown, only a change counts.
        CScene* away = rig.Scene(QStringLiteral("Away"), rig.secondPage);
        away->m_triggers.ParseDmxTrigger(QStringLiteral("2|0|3|0|50|255"));
        rig.Input(0, 3, 60);
        rig.project.m_currentPage = rig.secondPage;
        rig.dispatcher.DmxInputTrigger(0);
        QVERIFY(!rig.secondPage->IsPlaying(away));
        rig.Input(0, 3, 61);
        QVERIFY(rig.Plays(away, rig.secondPage));
    }

    void effectScenesOnlyOnTheirTab()
    {
        CLiveRig rig;
        CEffectScene* effect = rig.project.AddEffectScene();
        effect->m_name = QStringLiteral("Fx");
        effect->m_triggers.ParseShortCut(QStringLiteral("E"));
        effect->m_triggers.ParseMidiTrigger(QStringLiteral("2|0|30|64|127"));

        rig.Press(Qt::Key_E);
        QVERIFY(rig.view.calls.isEmpty());
        rig.view.effectsTab = true;
        rig.Press(Qt::Key_E);
        rig.Release(Qt::Key_E);
        rig.dispatcher.MidiTrigger(2, 0, 30, 100);
        rig.dispatcher.MidiTrigger(2, 0, 30, 10);
        QCOMPARE(rig.view.calls, (QStringList{QStringLiteral("TriggerEffectScene:Fx:1:1"),
                                              QStringLiteral("TriggerEffectScene:Fx:1:0"),
                                              QStringLiteral("ToggleEffectScene:Fx:1:0"),
                                              QStringLiteral("ToggleEffectScene:Fx:0:1")}));
    }

    void commonDimmerAndSpeedLevels()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Lit"));
        rig.Page()->PlayScene(scene);
        int told = 0;
        rig.dispatcher.SetMastersChangedHandler([&told] { ++told; });
        rig.dispatcher.SetCommandTriggers({QString(), QString(), QString(), QString(), QString(), QString(),
                                           QString(), QString(), QString(), QString(),
                                           QStringLiteral(";;1|0|9|127|127|255;;0"), QStringLiteral(";2|0|7|20|100")});

        rig.Input(0, 9, 100); // under the level
        rig.Input(0, 9, 191);
        QCOMPARE(rig.project.m_masterDimmer, 50);
        QCOMPARE(told, 1);
        rig.Input(0, 9, 255);
        QCOMPARE(rig.project.m_masterDimmer, 100);
        QCOMPARE(scene->Dimmer(), 100);
        // The operator moves the master; the same input again changes nothing.
        rig.project.SetDimmer(20);
        rig.dispatcher.DmxInputTrigger(0);
        QCOMPARE(rig.project.m_masterDimmer, 20);

        rig.dispatcher.MidiTrigger(2, 0, 7, 60);
        QCOMPARE(rig.project.m_masterSpeed, 50);
        rig.dispatcher.MidiTrigger(2, 0, 7, 127);
        QCOMPARE(rig.project.m_masterSpeed, 100);
        rig.dispatcher.MidiTrigger(2, 0, 7, 0);
        QCOMPARE(rig.project.m_masterSpeed, 0);
        rig.dispatcher.MidiTrigger(2, 0, 8, 60); // another controller
        rig.dispatcher.MidiTrigger(3, 0, 7, -1); // a program of that number
        QCOMPARE(rig.project.m_masterSpeed, 0);
    }

    void commonSwitchesAndNext()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Chase"));
        rig.AddStepTo(scene, 0, 1000, 100);
        rig.AddStepTo(scene, 0, 1000, 50);
        rig.Page()->PlayScene(scene);
        rig.dispatcher.SetCommandTriggers({QString(), QString(), QString(), QString(), QString(), QString(),
                                           QStringLiteral("B;;;;0"), QStringLiteral("O;;;;1"),
                                           QStringLiteral(";;2|0|0|0|100|255;;0"), QStringLiteral(";2|0|64|64|127")});

        rig.Press(Qt::Key_B);
        rig.Release(Qt::Key_B);
        QVERIFY(rig.project.m_blackOut && scene->m_blackout);
        rig.Press(Qt::Key_B);
        QVERIFY(!rig.project.m_blackOut && !scene->m_blackout);

        // Beam on with auto release, over a blackout: only the scene's
        // blackout goes, as the master setters make it.
        rig.Press(Qt::Key_B);
        rig.Press(Qt::Key_O);
        QVERIFY(rig.project.m_beamOn && scene->m_beamOn && !scene->m_blackout);
        QVERIFY(rig.project.m_blackOut);
        rig.Release(Qt::Key_O);
        QVERIFY(!rig.project.m_beamOn);

        // Pause on a DMX range: inside paused, outside running.
        rig.Input(0, 0, 150);
        QVERIFY(rig.project.m_pause && scene->m_paused);
        rig.Input(0, 0, 20);
        QVERIFY(!rig.project.m_pause);

        // Next moves once per push of the controller, not once per value.
        rig.dispatcher.MidiTrigger(2, 0, 64, 127);
        rig.dispatcher.MidiTrigger(2, 0, 64, 100);
        QCOMPARE(scene->CurrentStepIndex(), 1);
        rig.dispatcher.MidiTrigger(2, 0, 64, 0);
        rig.dispatcher.MidiTrigger(2, 0, 64, 127);
        QCOMPARE(scene->CurrentStepIndex(), 2);
    }

    void popupCommandsActOnItsScene()
    {
        CLiveRig rig;
        CScene* scene = rig.Scene(QStringLiteral("Popup"));
        rig.AddStepTo(scene, 0, 1000, 10);
        rig.Page()->PlayScene(scene);
        rig.dispatcher.SetCommandTriggers({QStringLiteral("X;;;;0"), QStringLiteral("Y;;;;0"), QString(),
                                           QStringLiteral("N;;;;0"), QStringLiteral(";2|0|1|0|100")});

        rig.Press(Qt::Key_X);
        rig.dispatcher.MidiTrigger(2, 0, 1, 25);
        QVERIFY(!scene->m_blackout);
        QCOMPARE(scene->Dimmer(), 50);

        rig.view.popup = scene;
        rig.Press(Qt::Key_X);
        QVERIFY(scene->m_blackout && !rig.project.m_blackOut);
        rig.Press(Qt::Key_Y);
        QVERIFY(scene->m_beamOn && !scene->m_blackout);
        rig.dispatcher.MidiTrigger(2, 0, 1, 25);
        QCOMPARE(scene->Dimmer(), 25);
        QCOMPARE(rig.project.m_masterDimmer, 50);
        rig.Press(Qt::Key_N);
        QCOMPARE(scene->CurrentStepIndex(), 1);
        QCOMPARE(rig.view.calls, (QStringList{QStringLiteral("PopupSceneChanged:0"),
                                              QStringLiteral("PopupSceneChanged:0"),
                                              QStringLiteral("PopupSceneChanged:1")}));
    }

    void commandRecordsFromTheOptions()
    {
        const CTriggers full = CTriggerDispatcher::ParseCommandTrigger(QStringLiteral("F5;1|0|36|1|127;;0|2|0;1"));
        QCOMPARE(full.m_shortCut.m_key, int(Qt::Key_F5));
        QCOMPARE(int(full.m_midiTrigger.m_number), 36);
        QCOMPARE(int(full.m_saInputs[1]), 2);
        QVERIFY(full.m_bAutoRelease);
        // Damaged texts give the defaults of what they spoil.
        const CTriggers damaged = CTriggerDispatcher::ParseCommandTrigger(QStringLiteral("Key;x|y;1|2;;;;;yes"));
        QCOMPARE(damaged.m_shortCut.m_key, -1);
        QCOMPARE(damaged.m_midiTrigger.m_mode, 0);
        QCOMPARE(damaged.m_dmxTrigger.m_mode, 0);
        QVERIFY(!damaged.m_bAutoRelease);

        // Fewer records than commands reset the rest; bad indexes are ignored.
        CLiveRig rig;
        rig.dispatcher.SetCommandTriggers({QStringLiteral("A;;;;0")});
        rig.dispatcher.SetCommandTriggers({});
        QCOMPARE(rig.dispatcher.CommandTrigger(CTriggerDispatcher::BlackOut).m_shortCut.m_key, -1);
        rig.dispatcher.SetCommandTrigger(CTriggerDispatcher::kCommandCount, full);
        rig.dispatcher.SetCommandTrigger(-1, full);
    }

    void commandRecordTextRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("defaults") << ";0|0|68|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("everything") << "F5;2|15|7|10|100;2|3|511|0|20|220;1|10|5;1";
        QTest::newRow("level") << "Space;1|0|36|1|127;1|0|299|255|127|255;0|0|0;0";
    }
    void commandRecordTextRoundTrips()
    {
        QFETCH(QString, text);
        const CTriggers parsed = CTriggerDispatcher::ParseCommandTrigger(text);
        QCOMPARE(CTriggerDispatcher::FormatCommandTrigger(parsed), text);
    }
};

ORVANE_TEST(DispatcherTest)
#include "DispatcherTest.moc"
