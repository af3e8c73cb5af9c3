#include "FileBytes.h"
#include "TestRegistry.h"

#include "ModalAnswer.h"
#include "RecordingHost.h"
#include "WindowIoRig.h"
#include "Common/Midi/MidiManager.h"
#include "Captions.h"
#include "app/OptionsFile.h"
#include "app/options/AppOptions.h"
#include "app/CommandsPage.h"
#include "app/GeneralPage.h"
#include "app/OptionsDlg.h"
#include "editors/TriggerDlg.h"
#include "live/PageOptionsDlg.h"
#include "live/TriggerDispatcher.h"
#include "model/Language.h"
#include "show/Page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

// The options dialog, its pages and the trigger dialog as the main window
// runs them. MIDI comes from the window's own MIDI manager; nothing is sent.

namespace {

void Press(QDialog* dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox*>()->button(which)->click();
}

// Note 61 on channel 3.
void SendNote(Orvane& window)
{
    unsigned char note[] = {0x93, 61, 100};
    window.MidiManager().HandleRawMessage(note, sizeof note);
    QCoreApplication::processEvents();
}

// What each command's trigger is set to by the stand-in for the dialog: a
// level command can only take a controller.
CTriggers EditedRecord(bool level)
{
    return CTriggerDispatcher::ParseCommandTrigger(level ? QStringLiteral(";2|0|7|0|127;;;0")
                                                         : QStringLiteral("F7;1|2|40|1|127;2|0|9|0|5|200;0|4|0;1"));
}

} // namespace

class OptionsDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void aLearnedNoteReachesOnlyTheDialog()
    {
        CIoRig rig;
        CTriggers triggers;
        bool learned = false;
        OnNextModal<CTriggerDlg>([&](CTriggerDlg* dialog) {
            SendNote(*rig.window);
            learned = dialog->MidiRadio(1)->isChecked();
            Press(dialog, QDialogButtonBox::Ok);
        });
        QVERIFY(rig.window->TriggerRunner()(triggers, false, false, rig.window.get()));
        QVERIFY(learned);
        QCOMPARE(triggers.GetText(), QStringLiteral("[N61]"));
        QCOMPARE(rig.triggers.calls, QStringList());
        // After the run the show hears MIDI again.
        SendNote(*rig.window);
        QCOMPARE(rig.triggers.calls, QStringList({"Midi:1:3:61:1"}));
    }

    void pageOptionsRunTheTriggerDialog()
    {
        CIoRig rig;
        CPage page(rig.window->Project(), QStringLiteral("P"));
        CPageOptionsDlg options(page);
        QVERIFY(options.TriggersButton()->isEnabled());
        OnNextModal<CTriggerDlg>([](CTriggerDlg* dialog) {
            QVERIFY(!dialog->AutoReleaseBox()->isEnabled());
            QTest::keyClick(dialog, Qt::Key_F5);
            Press(dialog, QDialogButtonBox::Ok);
        });
        options.TriggersButton()->click();
        QCOMPARE(options.TriggersButton()->text(), QStringLiteral("[F5]"));
        QCOMPARE(page.m_triggers.m_shortCut.m_keyName, QStringLiteral("F5"));
    }

    void commandButtonsEditTheirRecords_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("level");
        QTest::addColumn<bool>("autoRelease");
        QTest::newRow("blackout") << int(CAppOptions::CmdBlackOut) << false << true;
        QTest::newRow("beam on") << int(CAppOptions::CmdBeamOn) << false << true;
        QTest::newRow("pause") << int(CAppOptions::CmdPause) << false << true;
        QTest::newRow("next") << int(CAppOptions::CmdNext) << false << false;
        QTest::newRow("dimmer") << int(CAppOptions::CmdMasterDimmer) << true << false;
        QTest::newRow("speed") << int(CAppOptions::CmdMasterSpeed) << true << false;
        QTest::newRow("common blackout") << int(CAppOptions::CmdCommonBlackOut) << false << true;
        QTest::newRow("common beam on") << int(CAppOptions::CmdCommonBeamOn) << false << true;
        QTest::newRow("common pause") << int(CAppOptions::CmdCommonPause) << false << true;
        QTest::newRow("common next") << int(CAppOptions::CmdCommonNext) << false << false;
        QTest::newRow("common dimmer") << int(CAppOptions::CmdCommonMasterDimmer) << true << false;
        QTest::newRow("common speed") << int(CAppOptions::CmdCommonMasterSpeed) << true << false;
    }
    void commandButtonsEditTheirRecords()
    {
        QFETCH(int, command);
        QFETCH(bool, level);
        QFETCH(bool, autoRelease);
        CIoRig rig;
        CAppOptions& options = rig.window->Options();
        // A damaged stored record comes up as defaults and is replaced whole.
        options.m_liveTriggers[command] = QStringLiteral("Key;x|y;1|2;;");
        QString flags;
        CCommandsPage page(options,
                           [&flags](CTriggers& record, bool lvl, bool autoRel, QWidget*) {
                               flags = QStringLiteral("%1%2").arg(lvl).arg(autoRel);
                               if (record.GetText() != QStringLiteral("[...]"))
                                   return false;
                               record = EditedRecord(lvl);
                               return true;
                           },
                           &rig.window->Dispatcher());
        page.TriggerButton(command)->click();
        QCOMPARE(flags, QStringLiteral("%1%2").arg(level).arg(autoRelease));
        const CTriggers edited = EditedRecord(level);
        QCOMPARE(page.TriggerButton(command)->text(), edited.GetText());
        const QString text = CTriggerDispatcher::FormatCommandTrigger(edited);
        QCOMPARE(CTriggerDispatcher::FormatCommandTrigger(rig.window->Dispatcher().CommandTrigger(command)), text);

        const QString path = rig.dir.filePath(QStringLiteral("again.ini"));
        QVERIFY(COptionsFile::Save(options, path));
        CAppOptions reread;
        QVERIFY(COptionsFile::Load(reread, path));
        QCOMPARE(reread.m_liveTriggers[command], text);
        for (int other = 0; other < CAppOptions::kLiveCommandCount; ++other)
            QCOMPARE(page.TriggerButton(other)->text(), other == command ? edited.GetText() : QStringLiteral("[...]"));
    }

    void anEditedCommandFiresAtOnce()
    {
        CIoRig rig;
        CCommandsPage page(rig.window->Options(),
                           [](CTriggers& record, bool, bool, QWidget*) {
                               record = EditedRecord(true);
                               return true;
                           },
                           &rig.window->Dispatcher());
        page.OnTrigCommonDimmer();
        rig.window->Dispatcher().MidiTrigger(2, 0, 7, 127);
        QCOMPARE(rig.window->Project().m_masterDimmer, 100);
    }

    void okStoresSavesAndSignalsOnce_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("folder");
        QTest::newRow("ok") << true << "";
        QTest::newRow("cancel") << false << "";
        QTest::newRow("ok, the file cannot be written") << true << "missing/";
    }
    void okStoresSavesAndSignalsOnce()
    {
        QFETCH(bool, ok);
        QFETCH(QString, folder);
        CRecordingHost host;
        QTemporaryDir dir;
        const QString path = dir.filePath(folder + QStringLiteral("Orvane.ini"));
        CAppOptions options;
        COptionsDlg dialog(options, path, TriggerDialogRunner(), nullptr);
        QSignalSpy applied(&dialog, &COptionsDlg::optionsApplied);
        CGeneralPage* general = dialog.GeneralPage();
        general->RefreshList()->setCurrentIndex(2);
        general->StayOnTopBox()->setChecked(true);
        general->OpenLastProjectBox()->setChecked(true);
        general->StartScenesBox()->setChecked(true);
        general->SetBackground(QColor(1, 2, 3));
        Press(&dialog, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
        QCOMPARE(applied.count(), ok ? 1 : 0);
        // The options hold for this run even when the file cannot take them; the operator is told.
        QCOMPARE(QFile::exists(path), ok && folder.isEmpty());
        QCOMPARE(host.Count(QStringLiteral("ShowInformation:Error:Cannot write")), folder.isEmpty() ? 0 : 1);
        QCOMPARE(options.m_refreshChoice, ok ? 3 : 1);
        QCOMPARE(options.m_bStayOnTop && options.m_bOpenLastProject && options.m_bStartScenes, ok);
        QCOMPARE(options.m_panelBackground, ok ? QColor(1, 2, 3) : QColor(175, 175, 170));
        // An untouched language stays the system's.
        QCOMPARE(options.m_language, -1);
        if (QFile::exists(path)) {
            const QByteArray file = ReadBytes(path);
            QVERIFY(file.contains("\nRefresh2D=3\n"));
            QVERIFY(file.contains("\nBackColor=197121\n"));
        }
    }

    void aNewLanguageRetranslatesTheWindow()
    {
        CIoRig rig;
        QAction* newAction = rig.Action("actionFileNew");
        newAction->setText(QStringLiteral("stale"));
        OnNextModal<COptionsDlg>([](COptionsDlg* dialog) {
            QComboBox* languages = dialog->GeneralPage()->LanguageList();
            languages->setCurrentIndex(GetLanguage() == 1 ? 2 : 1);
            Press(dialog, QDialogButtonBox::Ok);
        });
        rig.Action("actionFileOptions")->trigger();
        QVERIFY(GetLanguage() == 1 || GetLanguage() == 2);
        QCOMPARE(newAction->text(), GetLangText(Txt::MenuFileNew));
        QVERIFY(ReadBytes(rig.window->OptionsPath()).contains(QByteArray("Language=") + QByteArray::number(GetLanguage())));
        SetLanguage(0);
    }
};

ORVANE_TEST(OptionsDialogTest)
#include "OptionsDialogTest.moc"
