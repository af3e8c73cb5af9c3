#include "TestRegistry.h"
#include "WindowRig.h"

#include <QtTest>

// General (F1), G1 (note 60 on channel 0; DMX level 128 on universe 0
// channel 300), G2 (the key 1; controller 7 of channel 1 in 64-127;
// stand-alone input b = 5; three sub-groups), G3 (a program change, which
// never selects).
class CTriggerRig : public CWindowRig
{
public:
    CTriggerRig()
    {
        project.m_generalGroup->m_triggers.m_shortCut.m_key = Qt::Key_F1;
        CGroup* g1 = AddGroup(QStringLiteral("G1"), {0});
        g1->m_triggers.m_midiTrigger.m_mode = CMidiTrigger::Note;
        g1->m_triggers.m_midiTrigger.m_number = 60;
        CDmxTrigger& dmx = g1->m_triggers.m_dmxTrigger;
        dmx.m_mode = CDmxTrigger::LevelReached;
        dmx.m_channel = 300;
        dmx.m_level = 128;
        CGroup* g2 = AddGroup(QStringLiteral("G2"), {0, 1, 2});
        g2->m_triggers.m_shortCut.m_key = Qt::Key_1;
        CMidiTrigger& cc = g2->m_triggers.m_midiTrigger;
        cc = {1, 7, 64, 127, CMidiTrigger::Controller, QString()};
        g2->m_triggers.m_saInputs = {0, 5, 0};
        for (int i = 0; i < 3; ++i) {
            auto* sub = new CSubGroup;
            sub->m_fixtures << fixtures[i];
            sub->m_beamFlags << QList<bool>{true};
            g2->m_subGroups << sub;
        }
        CGroup* g3 = AddGroup(QStringLiteral("G3"), {3});
        g3->m_triggers.m_midiTrigger = {1, 7, 0, 127, CMidiTrigger::ProgramChange, QString()};
        Load();
    }

    // One event: "key F1", "key 5", "note ch n v", "cc ch n v", "pc ch n",
    // "dmx ch v" (universe 0), "dmx1 ch v", "sa a b c", or "share" (G2
    // watches G1's DMX channel too).
    void Run(const QString& event)
    {
        const QStringList p = event.split(QLatin1Char(' '));
        const auto arg = [&p](int i) { return p.at(i).toInt(); };
        const QString& kind = p.at(0);
        if (kind == QLatin1String("key"))
            wnd->OnKeyTrigger(p.at(1) == QLatin1String("F1") ? Qt::Key_F1 : Qt::Key_0 + arg(1), Qt::NoModifier);
        else if (kind == QLatin1String("note") || kind == QLatin1String("cc"))
            wnd->OnMidiTrigger(kind == QLatin1String("note") ? 1 : 2, arg(1), arg(2), arg(3));
        else if (kind == QLatin1String("pc"))
            wnd->OnMidiTrigger(3, arg(1), arg(2), -1);
        else if (kind.startsWith(QLatin1String("dmx"))) {
            const int universe = kind == QLatin1String("dmx1") ? 1 : 0;
            project.m_dmxInput[universe][arg(1)] = quint8(arg(2));
            wnd->OnDmxTrigger(universe);
        } else if (kind == QLatin1String("sa"))
            wnd->OnSaTrigger(arg(1), arg(2), arg(3));
        else if (kind == QLatin1String("share"))
            project.m_groups[2]->m_triggers.m_dmxTrigger = project.m_groups[1]->m_triggers.m_dmxTrigger;
    }
};

class GroupTriggersTest : public QObject
{
    Q_OBJECT
private slots:
    void triggers_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("expected"); // group:sub-group after each event
        QTest::newRow("shortcut that is also digit 1") << "key 1" << "2:0";
        QTest::newRow("digit 5 with 3 sub-groups") << "key 1;key 5;key 3" << "2:0,2:0,2:2";
        QTest::newRow("digits without sub-groups") << "key 3" << "0:-1";
        QTest::newRow("back by shortcut") << "key 1;key F1" << "2:0,0:-1";
        QTest::newRow("note off, then on") << "note 0 60 0;note 0 60 1" << "0:-1,1:-1";
        QTest::newRow("other note or channel") << "note 0 61 1;note 2 60 1" << "0:-1,0:-1";
        QTest::newRow("controller 20, then 100") << "cc 1 7 20;cc 1 7 100" << "0:-1,2:-1";
        QTest::newRow("program change") << "pc 1 7" << "0:-1";
        QTest::newRow("DMX 0 -> 200 -> 210, unchanged")
            << "dmx 300 200;key F1;dmx 300 210;key F1;dmx 300 210" << "1:-1,0:-1,1:-1,0:-1,0:-1";
        QTest::newRow("DMX below the level") << "dmx 300 100" << "0:-1";
        QTest::newRow("DMX other channel or universe") << "dmx 299 200;dmx1 300 200" << "0:-1,0:-1";
        QTest::newRow("two groups on one channel")
            << "share;dmx 300 200;dmx 300 200;dmx 300 200" << "0:-1,1:-1,2:-1,2:-1";
        QTest::newRow("stand-alone") << "sa 0 0 0;sa 5 0 0;sa 0 5 0" << "0:-1,0:-1,2:-1";
    }
    void triggers()
    {
        QFETCH(QString, events);
        QFETCH(QString, expected);
        CTriggerRig rig;
        QStringList states;
        for (const QString& event : events.split(QLatin1Char(';'))) {
            rig.Run(event);
            states << QStringLiteral("%1:%2").arg(rig.Current()).arg(rig.wnd->CurrentSubGroup());
        }
        QCOMPARE(states.join(QLatin1Char(',')), expected);
        QCOMPARE(rig.Tabs().m_current, rig.Current());
    }
};

ORVANE_TEST(GroupTriggersTest)
#include "GroupTriggersTest.moc"
