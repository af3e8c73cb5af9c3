#include "TestRegistry.h"

#include "../app/ModalAnswer.h"
#include "RecordingHost.h"
#include "editors/EditTriggerRecord.h"
#include "editors/TriggerDlg.h"
#include "live/TriggerDispatcher.h"
#include "model/Triggers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

constexpr int kUniverses = 4;

// Records in the options' text form: key;MIDI;DMX;stand-alone;auto release.
CTriggers Record(const QString& text)
{
    return CTriggerDispatcher::ParseCommandTrigger(text);
}

QString Text(const CTriggers& record)
{
    return CTriggerDispatcher::FormatCommandTrigger(record);
}

QComboBox* List(const CTriggerDlg& dialog, const QString& name)
{
    const QMap<QString, QComboBox*> lists{
        {"key", dialog.ShortcutList()},        {"midich", dialog.MidiChannelList()},
        {"midinum", dialog.MidiNumberList()},  {"midimin", dialog.MidiMinimumList()},
        {"midimax", dialog.MidiMaximumList()}, {"univ", dialog.DmxUniverseList()},
        {"dmxch", dialog.DmxChannelList()},    {"level", dialog.DmxLevelList()},
        {"dmxmin", dialog.DmxMinimumList()},   {"dmxmax", dialog.DmxMaximumList()},
        {"sa0", dialog.StandAloneList(0)},     {"sa1", dialog.StandAloneList(1)},
        {"sa2", dialog.StandAloneList(2)}};
    return lists.value(name);
}

// Plays the operator's steps, blank-separated: "midi:2" and "dmx:1" click a
// radio button, "list:dmxch:299" chooses a position, "learn:1,3,60,0" is a
// MIDI message, "key:F5" a key press, "ok" and "cancel" the buttons.
void Play(CTriggerDlg& dialog, const QString& steps)
{
    const QMap<QString, int> keys{{"F5", Qt::Key_F5},       {"Left", Qt::Key_Left},   {"A", Qt::Key_A},
                                  {"Enter", Qt::Key_Enter}, {"Return", Qt::Key_Return}, {"Escape", Qt::Key_Escape}};
    auto* box = dialog.findChild<QDialogButtonBox*>();
    for (const QString& step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList f = step.split(QLatin1Char(':'));
        if (f[0] == "midi")
            dialog.MidiRadio(f[1].toInt())->click();
        else if (f[0] == "dmx")
            dialog.DmxRadio(f[1].toInt())->click();
        else if (f[0] == "list")
            List(dialog, f[1])->setCurrentIndex(f[2].toInt());
        else if (f[0] == "learn") {
            const QStringList m = f[1].split(QLatin1Char(','));
            QVERIFY(QMetaObject::invokeMethod(&dialog, "SetMidiTrigger", Q_ARG(int, m[0].toInt()),
                                              Q_ARG(int, m[1].toInt()), Q_ARG(int, m[2].toInt()),
                                              Q_ARG(int, m[3].toInt())));
        } else if (f[0] == "key")
            QTest::keyClick(&dialog, Qt::Key(keys.value(f[1])));
        else if (f[0] == "ok")
            box->button(QDialogButtonBox::Ok)->click();
        else if (f[0] == "cancel")
            box->button(QDialogButtonBox::Cancel)->click();
        else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

QString Enabled(std::initializer_list<QWidget*> widgets)
{
    QString flags;
    for (QWidget* widget : widgets)
        flags += widget->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return flags;
}

} // namespace

class TriggerDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitKeyNames(); }

    void editsTheRecord_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<bool>("level");
        QTest::addColumn<bool>("autoRelease");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("expected");

        const QString none = QStringLiteral(";0|0|68|1|127;0|0|0|127|127|255;0|0|0;0");
        const QString full = QStringLiteral("F5;2|3|7|10|100;1|2|300|200|127|255;1|10|5;1");
        QTest::newRow("unchanged, DMX level") << full << false << true << "ok" << true << full;
        QTest::newRow("unchanged, DMX range") << "A;1|0|60|9|90;2|0|4|0|10|200;0|3|0;0" << false << true << "ok"
                                              << true << "A;1|0|60|9|90;2|0|4|0|10|200;0|3|0;0";
        QTest::newRow("Return is OK") << full << false << true << "key:Return" << true << full;
        QTest::newRow("DMX channel 300") << none << false << false << "dmx:1 list:dmxch:299 ok" << true
                                         << ";0|0|68|1|127;1|0|299|127|127|255;0|0|0;0";
        QTest::newRow("DMX channel 512") << none << false << false << "dmx:2 list:dmxch:511 ok" << true
                                         << ";0|0|68|1|127;2|0|511|0|127|255;0|0|0;0";
        QTest::newRow("inverted controller range") << ";2|5|7|100|20;;;" << false << false << "ok" << true << none;
        QTest::newRow("inverted DMX range") << ";;2|1|5|0|200|100;;" << false << false << "ok" << true << none;
        QTest::newRow("range chosen by hand inverted") << none << false << false
                                                       << "dmx:2 list:dmxmin:200 list:dmxmax:100 ok" << true << none;
        QTest::newRow("DMX range stores level 0") << ";;1|0|4|255|127|255;;" << false << false << "dmx:2 ok" << true
                                                  << ";0|0|68|1|127;2|0|4|0|127|255;0|0|0;0";
        QTest::newRow("note keeps the stored range") << ";2|0|7|10|100;;;" << false << false << "midi:1 ok" << true
                                                     << ";1|0|7|10|100;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("no MIDI gives the defaults") << full << false << true << "midi:0 dmx:0 ok" << true
                                                    << "F5;0|0|68|1|127;0|0|0|127|127|255;1|10|5;1";
        QTest::newRow("level mode clears shortcut and inputs")
            << "F5;2|0|7|1|127;2|0|4|0|10|200;1|2|3;1" << true << false << "ok" << true
            << ";2|0|7|1|127;2|0|4|0|10|200;0|0|0;0";
        QTest::newRow("level mode drops a note and a DMX level")
            << "A;1|0|60|1|127;1|0|4|255|127|255;;" << true << false << "ok" << true << none;
        QTest::newRow("learned note-off selects note") << none << false << false << "learn:1,3,60,0 ok" << true
                                                       << ";1|3|60|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("second message changes channel and number only")
            << none << false << false << "learn:2,1,7,99 list:midimin:9 learn:2,4,9,0 ok" << true
            << ";2|4|9|10|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("learned program change") << none << false << false << "learn:3,2,10,-1 ok" << true
                                                << ";3|2|10|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("learned number 0 keeps the stored one") << ";1|0|60|1|127;;;" << false << false
                                                               << "learn:1,5,0,1 ok" << true
                                                               << ";1|5|60|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("level mode ignores a learned note") << ";2|0|7|1|127;;;" << true << false
                                                           << "learn:1,3,60,1 learn:3,1,2,-1 ok" << true
                                                           << ";2|0|7|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("level mode learns a controller") << none << true << false << "learn:2,2,9,5 ok" << true
                                                        << ";2|2|9|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("F5 is captured") << none << false << false << "key:F5 ok" << true
                                        << "F5;0|0|68|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("Left gives no shortcut") << "A;;;;" << false << false << "key:Left ok" << true << none;
        QTest::newRow("keypad Enter gives no shortcut") << "A;;;;" << false << false << "key:Enter ok" << true
                                                        << none;
        QTest::newRow("level mode captures no key") << none << true << false << "key:A ok" << true << none;
        QTest::newRow("Cancel changes nothing") << full << false << true << "midi:0 key:A dmx:2 cancel" << false
                                                << full;
        QTest::newRow("Escape changes nothing") << full << false << true << "key:Left key:Escape" << false << full;
        QTest::newRow("universe beyond the count is kept") << ";;1|6|4|255|127|255;;" << false << false << "ok"
                                                           << true << ";0|0|68|1|127;1|6|4|255|127|255;0|0|0;0";
        QTest::newRow("MIDI channel beyond 15 falls back") << ";1|200|60|1|127;;;" << false << false << "ok" << true
                                                           << ";1|0|60|1|127;0|0|0|127|127|255;0|0|0;0";
        QTest::newRow("stand-alone input beyond 10 falls back") << ";;;50|2|10;" << false << false << "ok" << true
                                                                << ";0|0|68|1|127;0|0|0|127|127|255;0|2|10;0";
        QTest::newRow("auto release not allowed") << "A;;;;1" << false << false << "ok" << true
                                                  << "A;0|0|68|1|127;0|0|0|127|127|255;0|0|0;0";
    }
    void editsTheRecord()
    {
        QFETCH(QString, record);
        QFETCH(bool, level);
        QFETCH(bool, autoRelease);
        QFETCH(QString, steps);
        QFETCH(bool, accepted);
        QFETCH(QString, expected);

        CTriggers triggers = Record(record);
        CTriggerDlg dialog(triggers, level, autoRelease, kUniverses);
        Play(dialog, steps);
        QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(Text(triggers), expected);
    }

    void showsTheStoredValues()
    {
        CTriggers triggers = Record(QStringLiteral("Space;2|15|127|1|127;1|3|299|0|127|255;0|0|10;1"));
        CTriggerDlg dialog(triggers, false, true, kUniverses);
        QCOMPARE(dialog.ShortcutList()->currentText(), QStringLiteral("Space"));
        QCOMPARE(dialog.MidiChannelList()->currentText(), QStringLiteral("15"));
        QCOMPARE(dialog.MidiNumberList()->currentText(), QStringLiteral("127"));
        QCOMPARE(dialog.DmxUniverseList()->currentText(), QStringLiteral("DMX Universe 4"));
        QCOMPARE(dialog.DmxChannelList()->currentText(), QStringLiteral("300"));
        QCOMPARE(dialog.DmxLevelList()->currentText(), QStringLiteral("0"));
        QCOMPARE(dialog.StandAloneList(1)->itemText(9), QStringLiteral("09"));
        QCOMPARE(dialog.StandAloneList(2)->currentText(), QStringLiteral("10"));
        QVERIFY(dialog.AutoReleaseBox()->isChecked());
        QCOMPARE(dialog.size(), QSize(400, 500));
    }

    void modesEnableTheirLists_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("level");
        // shortcut, MIDI channel/number/min/max, universe/channel/level/min/max, inputs
        QTest::addColumn<QString>("enabled");
        QTest::newRow("nothing set") << "" << false << "1 0000 00000 111";
        QTest::newRow("note") << "midi:1" << false << "1 1100 00000 111";
        QTest::newRow("controller") << "midi:2" << false << "1 1111 00000 111";
        QTest::newRow("program change") << "midi:3" << false << "1 1100 00000 111";
        QTest::newRow("DMX level") << "dmx:1" << false << "1 0000 11100 111";
        QTest::newRow("DMX range") << "dmx:2" << false << "1 0000 11011 111";
        QTest::newRow("back to none") << "midi:2 dmx:2 midi:0 dmx:0" << false << "1 0000 00000 111";
        QTest::newRow("level mode") << "midi:2 dmx:2" << true << "0 1111 11011 000";
    }
    void modesEnableTheirLists()
    {
        QFETCH(QString, steps);
        QFETCH(bool, level);
        QFETCH(QString, enabled);
        CTriggers triggers;
        CTriggerDlg dialog(triggers, level, false, kUniverses);
        Play(dialog, steps);
        const CTriggerDlg& d = dialog;
        const QString seen = Enabled({d.ShortcutList()}) + ' '
                             + Enabled({d.MidiChannelList(), d.MidiNumberList(), d.MidiMinimumList(),
                                        d.MidiMaximumList()})
                             + ' '
                             + Enabled({d.DmxUniverseList(), d.DmxChannelList(), d.DmxLevelList(),
                                        d.DmxMinimumList(), d.DmxMaximumList()})
                             + ' ' + Enabled({d.StandAloneList(0), d.StandAloneList(1), d.StandAloneList(2)});
        QCOMPARE(seen, enabled);
        QCOMPARE(d.MidiRadio(1)->isEnabled(), !level);
        QCOMPARE(d.DmxRadio(1)->isEnabled(), !level);
    }

    void runnerNamesTheDialogForTheRun()
    {
        CRecordingHost host;
        CTriggers triggers;
        bool named = false;
        OnNextModal<CTriggerDlg>([&](CTriggerDlg* dialog) {
            named = host.openTriggerDialog == dialog;
            Play(*dialog, QStringLiteral("key:F5 ok"));
        });
        QVERIFY(RunTriggerDialog(triggers, false, false, kUniverses, nullptr));
        QVERIFY(named);
        QVERIFY(!host.openTriggerDialog);
        QCOMPARE(triggers.GetText(), QStringLiteral("[F5]"));

        OnNextModal<CTriggerDlg>([](CTriggerDlg* dialog) { Play(*dialog, QStringLiteral("key:A key:Escape")); });
        QVERIFY(!RunTriggerDialog(triggers, false, false, kUniverses, nullptr));
        QVERIFY(!host.openTriggerDialog);
        QCOMPARE(triggers.GetText(), QStringLiteral("[F5]"));
    }

    void editTriggerRecordShowsTheTextAfterOk()
    {
        QPushButton button(QStringLiteral("before"));
        CTriggers triggers;
        QString flags;
        const TriggerDialogRunner runner = [&flags](CTriggers& record, bool level, bool autoRelease, QWidget*) {
            flags = QStringLiteral("%1%2").arg(level).arg(autoRelease);
            record.ParseShortCut(QStringLiteral("B"));
            return !level;
        };
        QVERIFY(!EditTriggerRecord(runner, triggers, true, false, &button));
        QCOMPARE(flags, QStringLiteral("10"));
        QCOMPARE(button.text(), QStringLiteral("before"));
        QVERIFY(EditTriggerRecord(runner, triggers, false, true, &button));
        QCOMPARE(flags, QStringLiteral("01"));
        QCOMPARE(button.text(), QStringLiteral("[B]"));
        QVERIFY(!EditTriggerRecord(TriggerDialogRunner(), triggers, false, true, &button));
    }
};

ORVANE_TEST(TriggerDlgTest)
#include "TriggerDlgTest.moc"
