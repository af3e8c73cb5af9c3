#include "TestRegistry.h"
#include "DataTable.h"
#include "ProfileRig.h"

#include <QAction>
#include <QPushButton>

class ProfileChannelsTest : public QObject
{
    Q_OBJECT

private slots:
    // Drops of channel types: where they land and what they add.
    void drops_data()
    {
        // column: where the pointer is; -1 past the last
        Columns<QString, int, int, bool, QString>("start", "column", "type", "ctrl", "result");

        const QString five = QStringLiteral("7 15 18 13 14");
        QTest::newRow("red between 2 and 3") << five << 1 << 25 << false << "7 15 25 26 27 18 13 14";
        QTest::newRow("pan at the end") << five << -1 << 1 << false << "7 15 18 13 14 1 2";
        QTest::newRow("white adds four") << five << -1 << 31 << false << "7 15 18 13 14 25 26 27 31";
        QTest::newRow("cyan adds three") << five << 4 << 28 << false << "7 15 18 13 14 28 29 30";
        QTest::newRow("one type alone") << five << 0 << 16 << false << "7 16 15 18 13 14";
        QTest::newRow("into an empty mode") << "" << -1 << 7 << false << "7";
        QTest::newRow("ctrl on the first") << five << 0 << 16 << true << "16 15 18 13 14";
        QTest::newRow("ctrl past the last") << five << -1 << 16 << true << five;
        QTest::newRow("ctrl red") << five << 2 << 25 << true << five;
        QTest::newRow("ctrl cyan") << five << 2 << 28 << true << five;
        QTest::newRow("ctrl pan") << five << 2 << 1 << true << five;
        QTest::newRow("ctrl white") << five << 2 << 31 << true << five;
    }
    void drops()
    {
        const auto [start, column, type, ctrl] = Row<QString, int, int, bool>("start", "column", "type", "ctrl");
        CProfileRig rig;
        rig.Open(start);
        QVERIFY(rig.DropType(column, type, ctrl));
        QTEST(Describe(rig.Mode()), "result");
        VerifyParallel(rig);
        QStringList numbers;
        for (int i = 1; i <= rig.Mode()->ChannelCount(); ++i)
            numbers << QStringLiteral("#%1").arg(i);
        QCOMPARE(rig.CellTexts(CProfileChannelCell::Index), numbers);
        QCOMPARE(rig.Page().CountEdit()->text(), QString::number(numbers.size()));
    }

    // Payloads that are not a channel type change nothing.
    void badPayloads_data()
    {
        Columns<QByteArray>("payload");
        const QByteArray good = CChannelsList::EncodePayload(CProfileTab::ChannelPicture(7), 7);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << good.left(good.size() - 2);
        QTest::newRow("type out of range") << CChannelsList::EncodePayload(QPixmap(), 99);
        QTest::newRow("negative type") << CChannelsList::EncodePayload(QPixmap(), -1);
    }
    void badPayloads()
    {
        QFETCH(QByteArray, payload);
        CProfileRig rig;
        rig.Open(QStringLiteral("7 15"));
        QVERIFY(!rig.Drop(rig.PointIn(-1), payload));
        QCOMPARE(Describe(rig.Mode()), QStringLiteral("7 15"));
        QVERIFY(!rig.Strip().DropIndicator().isValid());
    }

    // 16-bit pairs, deletions and edits, step by step: "c3" checks 16 Bits
    // on channel 3, "u3" unchecks it, "d3" deletes channel 3, "t3:15" gives
    // it type 15, "e3" replaces it through the channel editor, "m3:1" drags
    // it into column 1 (-1: past the last).
    void pairings_data()
    {
        Columns<QString, QString, QString>("start", "steps", "result");
        const QString five = QStringLiteral("7 7 7 7 7");
        QTest::newRow("check 4") << five << "c3" << "7 7 7 7M 7L 7";
        QTest::newRow("uncheck 4") << five << "c3 u3" << five;
        QTest::newRow("delete coarse") << five << "c3 d3" << "7 7 7 7";
        QTest::newRow("delete fine") << five << "c3 d4" << five;
        QTest::newRow("delete before the pair") << five << "c3 d0" << "7 7 7M 7L 7";
        QTest::newRow("two pairs, first deleted") << five << "c0 c3 d0" << "7 7M 7L 7 7";
        QTest::newRow("type follows the partner") << five << "c1 t1:15" << "7 15M 15L 7 7 7";
        QTest::newRow("editor on the coarse") << five << "c1 e1" << "7 7M 7L 7 7 7";
        QTest::newRow("editor then delete before") << five << "c2 e2 d0" << "7 7M 7L 7 7";
        QTest::newRow("checking a fine does nothing") << five << "c1 c2" << "7 7M 7L 7 7 7";
        QTest::newRow("coarse moved past its fine, deleted") << five << "c0 m0:-1 d5" << "7 7 7 7";
        QTest::newRow("fine moved first, coarse deleted") << five << "c2 m3:0 d3" << "7 7 7 7";
    }
    void pairings()
    {
        const auto [start, steps] = Row<QString, QString>("start", "steps");
        CProfileRig rig;
        rig.Open(start);
        rig.dialogs->editedName = QStringLiteral("Edited");
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            const QStringList parts = step.mid(1).split(QLatin1Char(':'));
            CProfileChannelCtrl* column = rig.Column(parts[0].toInt());
            QVERIFY(column);
            switch (step[0].toLatin1()) {
            case 'c': column->SixteenBits()->setChecked(true); break;
            case 'u': column->SixteenBits()->setChecked(false); break;
            case 'd': rig.Strip().DeleteChannel(column); break;
            case 't': rig.Strip().ChangeChannelType(parts[0].toInt(), parts[1].toInt(), QPixmap()); break;
            case 'e': rig.Strip().EditChannel(column); break;
            case 'm':
                rig.ScriptDrag(parts[1].toInt());
                rig.Strip().StartDrag(parts[0].toInt(), false);
                break;
            }
            VerifyParallel(rig);
        }
        QTEST(Describe(rig.Mode()), "result");
    }

    void fineChannelLooksFine()
    {
        CProfileRig rig;
        rig.Open(QStringLiteral("7 7 7 15 7"));
        rig.Column(3)->SixteenBits()->setChecked(true);
        const CProfileChannelCtrl* fine = rig.Column(4);
        QCOMPARE(fine->Channel()->m_name, QStringLiteral("u Shutter"));
        QCOMPARE(fine->SixteenBits()->text(), QStringLiteral("u Channel"));
        QVERIFY(fine->SixteenBits()->isChecked());
        QVERIFY(!fine->SixteenBits()->isEnabled());
        QVERIFY(!fine->EditButton()->isEnabled());
        // A type change re-enables Edit by type, never on a fine channel.
        rig.Strip().ChangeChannelType(3, ChannelType::Iris, QPixmap());
        QVERIFY(rig.Column(3)->EditButton()->isEnabled());
        QVERIFY(!fine->EditButton()->isEnabled());
        // The fine channel serves its coarse channel's beams.
        rig.Mode()->m_channels[3]->m_beams = QByteArray("\x00\x02", 2);
        QCOMPARE(fine->Cell(CProfileChannelCell::Beams)->Text(), QStringLiteral(" 1,3"));
        rig.Mode()->m_channels[0]->m_beams.clear();
        QCOMPARE(rig.Column(0)->Cell(CProfileChannelCell::Beams)->Text(), QStringLiteral(" All"));
    }

    // A preset aimed at another channel follows it through deletions and
    // loses it when it goes.
    void presetTargetsFollowTheirChannel()
    {
        CProfileRig rig;
        rig.Open(QStringLiteral("7 33 15 18"));
        auto* preset = new CProfilePresetDef;
        preset->m_target = 3;
        rig.Mode()->m_channels[1]->m_presets << preset;
        rig.dialog->OpenProfileForEditing(rig.Edited());
        rig.Strip().DeleteChannel(rig.Column(0));
        QCOMPARE(preset->m_target, 2);
        rig.Strip().DeleteChannel(rig.Column(2));
        QCOMPARE(preset->m_target, -1);
        VerifyParallel(rig);
    }

    // Column drags: "from" with or without Ctrl, ended as `drop` says
    // (column of the strip during the drag; -2 cancelled; -3 taken by
    // another window).
    void drags_data()
    {
        Columns<QString, int, bool, int, QString>("start", "from", "ctrl", "drop", "result");
        const QString four = QStringLiteral("7 15 25 18");
        QTest::newRow("move right") << four << 0 << false << 1 << "15 25 7 18";
        QTest::newRow("move to the end") << four << 1 << false << -1 << "7 25 18 15";
        QTest::newRow("move cancelled") << four << 2 << false << -2 << four;
        QTest::newRow("move taken elsewhere") << four << 2 << false << -3 << four;
        QTest::newRow("copy to the end") << four << 0 << true << -1 << "7 15 25 18 7";
        QTest::newRow("copy cancelled") << four << 1 << true << -2 << four;
        QTest::newRow("copy taken elsewhere") << four << 1 << true << -3 << four;
        QTest::newRow("ctrl on a pair half moves") << "7M 15" << 0 << true << -1 << "7L 15 7M";
    }
    void drags()
    {
        const auto [start, from, ctrl, drop] = Row<QString, int, bool, int>("start", "from", "ctrl", "drop");
        CProfileRig rig;
        rig.Open(QString(start).remove(QLatin1Char('M')));
        if (start.contains(QLatin1Char('M')))
            rig.Column(0)->SixteenBits()->setChecked(true);
        rig.ScriptDrag(drop);
        rig.Strip().StartDrag(from, ctrl);
        QTEST(Describe(rig.Mode()), "result");
        VerifyParallel(rig);
        for (const CProfileChannelCtrl* column : rig.Strip().Columns())
            QVERIFY(!column->isHidden());
    }

    void twoPresetPartnersFollowEdits()
    {
        CProfileRig rig;
        rig.dialogs->editedName = QStringLiteral("Edited");
        CLibraryProfile* profile = rig.Open(QStringLiteral("7 8 9 18"));
        profile->m_modes[0]->m_channels[1]->m_twoPresets = true;
        profile->m_modes[0]->m_channels[1]->m_twoPresetIndex = 3;
        rig.Page().ShowProfile(profile);
        rig.Strip().EditChannel(rig.Column(1));
        rig.Strip().EditChannel(rig.Column(3));
        rig.Strip().DeleteChannel(rig.Column(0));
        const CProfileChannelDef* channel = rig.Mode()->m_channels[0];
        QCOMPARE(channel->m_name, QStringLiteral("Edited"));
        QCOMPARE(channel->m_twoPresetPartner, rig.Mode()->m_channels[2]);
        QCOMPARE(channel->m_twoPresetIndex, 2);
        QCOMPARE(rig.Mode()->m_channels[2]->m_twoPresetPartner, channel);
        rig.Strip().DeleteChannel(rig.Column(2));
        QCOMPARE(channel->m_twoPresetIndex, -1);
        VerifyParallel(rig);
    }

    // The page's Update and type actions on channel 1 of "7 15 18".
    void typeActions_data()
    {
        Columns<QString, QString>("action", "result"); // "update:<type list row>" or "type:<action>"
        QTest::newRow("update to iris") << "update:8" << "7 13 18";
        QTest::newRow("update to a group") << "update:2" << "7 15 18";
        QTest::newRow("macro") << "type:1" << "7 33 18";
        QTest::newRow("control") << "type:2" << "7 34 18";
    }
    void typeActions()
    {
        QFETCH(QString, action);
        CProfileRig rig;
        rig.Open(QStringLiteral("7 15 18"));
        rig.Page().SetCurrentChannel(1);
        const int n = action.section(QLatin1Char(':'), 1).toInt();
        if (action.startsWith(QLatin1String("update"))) {
            emit rig.Page().ChannelTypes()->itemClicked(rig.Page().ChannelTypes()->item(n));
            QVERIFY(rig.Page().UpdateAction()->isEnabled());
            rig.Page().UpdateAction()->trigger();
        } else {
            rig.Page().TypeActions()[n]->trigger();
        }
        QTEST(Describe(rig.Mode()), "result");
        QCOMPARE(rig.Column(1)->NameEdit()->text(), rig.Mode()->m_channels[1]->m_name);
    }

    void pastedChannelStandsAlone()
    {
        CProfileRig rig;
        rig.Open(QStringLiteral("7 15"));
        rig.Column(0)->SixteenBits()->setChecked(true);
        rig.Page().SetCurrentChannel(0);
        rig.Page().Copy();
        rig.Page().SetCurrentChannel(-1);
        rig.Page().Paste();
        rig.Page().Paste();
        QCOMPARE(Describe(rig.Mode()), QStringLiteral("7M 7L 15 7 7"));
        QVERIFY(rig.Mode()->m_channels[3] != rig.Mode()->m_channels[4]);
        VerifyParallel(rig);
        // A new page has no profile to paste into, and nothing else.
        QVERIFY(rig.Page().PasteAction()->isEnabled());
        rig.prompts->saveAnswer = CSetupPrompts::Discard;
        rig.dialog->New();
        QVERIFY(!rig.Page().PasteAction()->isEnabled());
        QCOMPARE(rig.BeamCorners(), QStringLiteral("10,10"));
        QCOMPARE(rig.Page().CountEdit()->text(), QStringLiteral("0"));
        QVERIFY(!rig.Page().AssignButton()->isEnabled());
        QVERIFY(rig.Strip().Columns().isEmpty());
    }

    // Presses on a new column's buttons belong to the gesture that made it.
    void buttonsWaitAfterCreation()
    {
        CProfileRig rig;
        rig.Open(QStringLiteral("7 15"));
        rig.dialogs->editedName = QStringLiteral("Edited");
        emit rig.Column(0)->EditButton()->pressed();
        emit rig.Column(1)->DeleteButton()->pressed();
        QCOMPARE(rig.dialogs->edits, 0);
        QCOMPARE(rig.Mode()->ChannelCount(), 2);
        QTest::qWait(CProfileChannelCtrl::kGuardMs + 20);
        emit rig.Column(0)->EditButton()->pressed();
        emit rig.Column(1)->DeleteButton()->pressed();
        QCOMPARE(rig.dialogs->edits, 1);
        QCOMPARE(Describe(rig.Mode()), QStringLiteral("7"));
        QCOMPARE(rig.Mode()->m_channels[0]->m_name, QStringLiteral("Edited"));
    }

    void typeListDragNeedsAnItem()
    {
        struct CExposed : CChannelsList
        {
            using CChannelsList::startDrag;
        } list;
        list.setCurrentItem(nullptr);
        list.startDrag(Qt::MoveAction);
        QCOMPARE(list.count(), 22);
    }

    // Every picture the page and its columns ask for is in the resources.
    void picturesExist()
    {
        CProfileRig rig;
        QStringList paths;
        for (int tab = 0; tab < 6; ++tab) {
            for (int row = 0; row < rig.Page().PictureList(tab)->count(); ++row)
                paths << rig.Page().PictureList(tab)->item(row)->data(Qt::UserRole).toString();
        }
        for (int row = 0; row < rig.Page().ShapesList()->count(); ++row)
            paths << rig.Page().ShapesList()->item(row)->data(Qt::UserRole).toString();
        for (const char* file : {"Add", "Remove", "Update", "Copy", "Paste", "Params", "Beams", "Channels/Micro"})
            paths << QStringLiteral(":/Orvane/Images/Patch/%1.png").arg(QLatin1String(file));
        QCOMPARE(paths.size(), 28 + 4 + 8);
        for (const QString& path : paths)
            QVERIFY2(QFile::exists(path), qPrintable(path));
        for (int type = 0; type < ChannelType::kCount; ++type)
            QVERIFY2(!CProfileTab::ChannelPicture(type).isNull(), qPrintable(QString::number(type)));
    }
};

ORVANE_TEST(ProfileChannelsTest)
#include "ProfileChannelsTest.moc"
