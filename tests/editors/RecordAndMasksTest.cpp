#include "TestRegistry.h"

#include "SceneEditorRig.h"
#include "app/options/AppOptions.h"
#include "editors/EditMasksWnd.h"
#include "editors/RecordDmxDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

namespace {

// "interval|fade|auto|length on|length|steps on|steps", as the options file has it.
CRecordConfig Config(const QString& text)
{
    const QStringList f = text.split('|');
    return CRecordConfig{f[0].toInt(), f[1] == "1", f[2] == "1", f[3] == "1", f[4].toInt(), f[5] == "1", f[6].toInt()};
}

QString Text(const CRecordConfig& c)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(c.sampleMs)
        .arg(int(c.withFade))
        .arg(int(c.autoStart))
        .arg(int(c.stopAfterLength))
        .arg(c.maxLengthS)
        .arg(int(c.stopAfterSteps))
        .arg(c.maxSteps);
}

QString MaskNames(const CProject& project)
{
    QStringList names;
    for (const CMask& mask : project.m_masks)
        names << mask.m_name;
    return names.join(' ');
}

} // namespace

class RecordAndMasksTest : public QObject
{
    Q_OBJECT

private slots:
    void recordSettings_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("kept");
        QTest::newRow("unknown interval opens on 40 ms") << "250|1|0|0|60|0|100" << "40 ms" << "40|1|0|0|60|0|100";
        QTest::newRow("round trip") << "2000|0|1|1|120|0|300" << "2 s" << "2000|0|1|1|120|0|300";
        QTest::newRow("step limit wins") << "60000|1|0|1|30|1|50" << "1 mn" << "60000|1|0|0|30|1|50";
    }
    void recordSettings()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, kept);
        CSceneEditorRig r;
        CRecordDmxDlg::Settings() = Config(stored);
        CRecordDmxDlg dialog(r.project, r.Page());
        QCOMPARE(dialog.IntervalCombo()->currentText(), shown);
        QVERIFY(!(dialog.MaxLengthBox()->isChecked() && dialog.MaxStepsBox()->isChecked()));
        QCOMPARE(dialog.MaxLengthSpin()->isEnabled(), dialog.MaxLengthBox()->isChecked());
        QCOMPARE(dialog.MaxStepsSpin()->isEnabled(), dialog.MaxStepsBox()->isChecked());
        dialog.StoreSettings();
        QCOMPARE(Text(CRecordDmxDlg::Settings()), kept);
    }

    void limitsExcludeEachOther()
    {
        CSceneEditorRig r;
        CRecordDmxDlg::Settings() = CRecordConfig();
        CRecordDmxDlg dialog(r.project, r.Page());
        dialog.MaxStepsBox()->setChecked(true);
        dialog.MaxLengthBox()->setChecked(true);
        QVERIFY(!dialog.MaxStepsBox()->isChecked());
        QVERIFY(!dialog.MaxStepsSpin()->isEnabled());
        QVERIFY(dialog.MaxLengthSpin()->isEnabled());
        dialog.MaxStepsBox()->setChecked(true);
        QVERIFY(!dialog.MaxLengthBox()->isChecked());
        QVERIFY(!dialog.MaxLengthSpin()->isEnabled());
    }

    // The tick's recording is stood in for by steps put in by hand.
    void recordingEnds_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("playBack");
        QTest::addColumn<QString>("undo");
        QTest::addColumn<int>("steps");
        QTest::newRow("ok pastes after the current row") << true << false << "Edit,Paste Step(s)" << 3;
        QTest::newRow("ok during play-back") << true << true << "Edit,Paste Step(s)" << 3;
        QTest::newRow("cancel during play-back") << false << true << "Edit" << 1;
    }
    void recordingEnds()
    {
        QFETCH(bool, ok);
        QFETCH(bool, playBack);
        QFETCH(QString, undo);
        QFETCH(int, steps);
        CSceneEditorRig r;
        r.Open(0, "0/1000");
        bool playedBack = false;
        SetDialogRunner([&](QDialog& d) {
            auto& dialog = static_cast<CRecordDmxDlg&>(d);
            dialog.Record();
            r.host.recording = true;
            CScene* recorded = r.project.m_recordScene;
            r.AddStep(recorded, 40, 0, {{r.rgb, {1, 0, 0}}});
            r.AddStep(recorded, 40, 0, {{r.rgb, {2, 0, 0}}, {r.project.GetChannelFixture(0, 100), {7}}});
            r.host.recording = false;
            dialog.OnRecordStopped();
            if (playBack) {
                dialog.Play();
                playedBack = dialog.IsPlayingBack() && r.Page()->IsPlaying(recorded);
                r.Tick(5);
            }
            ok ? dialog.OnOk() : dialog.OnCancel();
            return dialog.result();
        });
        r.editor->Record();
        QCOMPARE(playedBack, playBack);
        QVERIFY(!r.project.m_recordScene);
        QVERIFY(r.Page()->m_playing.size() == 0 && r.Page()->m_pending.isEmpty());
        r.Tick(10);
        QCOMPARE(r.UndoLabels(), undo);
        QCOMPARE(r.editor->Scene()->m_steps.size(), steps);
        QCOMPARE(r.editor->Scene()->IsChannelActive(0, 100), ok);
        if (ok)
            QCOMPARE(r.Reds(), QStringLiteral("10,1,2"));
        QVERIFY(r.host.calls.contains(QStringLiteral("StartDmxRecord")));
    }

    void masksEditor_data()
    {
        QTest::addColumn<QString>("ops");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("names");
        QTest::addColumn<bool>("asks");
        QTest::newRow("remove B") << "sel:1 remove ok" << int(CShowHost::Yes) << "A C" << false;
        QTest::newRow("rename, cancel No") << "rename:0:Z cancel" << int(CShowHost::No) << "A B C" << true;
        QTest::newRow("rename, cancel Yes") << "rename:2:Z cancel" << int(CShowHost::Yes) << "A B Z" << true;
        QTest::newRow("remove all, cancel No") << "sel:0 remove sel:0 remove sel:0 remove cancel"
                                               << int(CShowHost::No) << "A B C" << true;
        QTest::newRow("empty name refused") << "rename:1: ok" << int(CShowHost::Yes) << "A B C" << false;
        QTest::newRow("remove without selection") << "remove ok" << int(CShowHost::Yes) << "A B C" << false;
        QTest::newRow("no change, nothing asked") << "cancel" << int(CShowHost::No) << "A B C" << false;
        QTest::newRow("renamed back, nothing asked") << "rename:0:Z rename:0:A cancel" << int(CShowHost::No)
                                                     << "A B C" << false;
        QTest::newRow("rename, cancel Cancel") << "rename:1:Z cancel ok" << int(CShowHost::Cancel) << "A Z C" << true;
        // C removed and recorded again under its name: only its levels tell.
        QTest::newRow("C recorded again alike") << "sel:2 remove add:C:1.9.200 cancel" << int(CShowHost::No)
                                                << "A B C" << false;
        QTest::newRow("C recorded at another level") << "sel:2 remove add:C:1.9.201 cancel" << int(CShowHost::No)
                                                     << "A B C" << true;
        QTest::newRow("C recorded on another channel") << "sel:2 remove add:C:1.8.200 cancel" << int(CShowHost::No)
                                                       << "A B C" << true;
        QTest::newRow("C recorded in another universe") << "sel:2 remove add:C:2.9.200 cancel" << int(CShowHost::No)
                                                        << "A B C" << true;
    }
    void masksEditor()
    {
        QFETCH(QString, ops);
        QFETCH(int, answer);
        QFETCH(QString, names);
        QFETCH(bool, asks);
        CSceneEditorRig r;
        for (const char* name : {"A", "B", "C"})
            r.project.m_masks << CMask{QString::fromLatin1(name), {{0, 5, 7}, {1, 9, 200}}};
        r.host.answer = answer;
        auto* masks = new CEditMasksWnd(r.project);
        QSignalSpy closed(masks, &CEditMasksWnd::closeWnd);
        for (const QString& op : ops.split(' ')) {
            const QStringList f = op.split(':');
            if (f[0] == "sel")
                masks->Table()->selectRow(f[1].toInt());
            else if (f[0] == "remove")
                masks->RemoveMask();
            else if (f[0] == "add") {
                // What the host records; the editor lists it.
                const QStringList at = f[2].split('.');
                r.project.m_masks << CMask{f[1], {{0, 5, 7}, {at[0].toInt(), at[1].toInt(), quint8(at[2].toInt())}}};
                masks->AddMask();
            }
            else if (f[0] == "rename")
                masks->Table()->item(f[1].toInt(), 0)->setText(f[2]);
            else if (f[0] == "ok")
                masks->OnOk();
            else if (f[0] == "cancel")
                masks->OnCancel();
        }
        QCOMPARE(closed.count(), 1);
        QCOMPARE(MaskNames(r.project), names);
        QCOMPARE(r.project.m_masks.last().m_levels.size(), 2);
        QCOMPARE(int(r.project.m_masks.last().m_levels[1].m_level), 200);
        QCOMPARE(r.host.calls.join(' ').contains("AskQuestion"), asks);
        // The show is marked only by changes kept.
        QCOMPARE(r.host.modified, names != "A B C");
        delete masks;
    }

    void fillingTheTableRenamesNothing()
    {
        CSceneEditorRig r;
        r.project.m_masks << CMask{QStringLiteral("A"), {}} << CMask{QStringLiteral("B"), {}};
        CEditMasksWnd masks(r.project);
        masks.Table()->selectRow(1);
        QCOMPARE(masks.CurrentMask(), 1);
        QVERIFY(masks.RemoveAction()->isEnabled());
        masks.AddMask();
        QCOMPARE(masks.CurrentMask(), -1);
        QVERIFY(!masks.RemoveAction()->isEnabled());
        QCOMPARE(MaskNames(r.project), QStringLiteral("A B"));
        QVERIFY(r.host.calls.contains(QStringLiteral("AddMask")));
    }
};

ORVANE_TEST(RecordAndMasksTest)
#include "RecordAndMasksTest.moc"
