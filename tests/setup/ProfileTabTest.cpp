#include "TestRegistry.h"
#include "DataTable.h"
#include "FileBytes.h"
#include "ProfileRig.h"
#include "ScriptedDialog.h"

#include "BeamRig.h"
#include "SyntheticMouse.h"

#include "model/PatchedFixture.h"
#include "setup/AssignBeamDlg.h"
#include "setup/ColorDimmerDlg.h"
#include "widgets/ColorCircle.h"
#include "widgets/ColorPicker.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <cmath>
#include <limits>

namespace {

QString Positions(const CFixtureProfile& profile) { return PositionsText(profile.m_beams); }
QString Beams(const CProfileMode& mode) { return BeamLists(mode).join(QLatin1Char(' ')); }

} // namespace

class ProfileTabTest : public QObject
{
    Q_OBJECT

private slots:
    // Every kind of edit of a profile a patch used goes to a copy, and the
    // copy has it: "type/picture/shape beam positions" after the patch's
    // store.
    void editsOfAUsedProfileGoToACopy_data()
    {
        Columns<QString, QString>("edit", "copyHas");
        for (const char* edit : {"drop", "delete", "16 bits", "paste", "move", "copy drag", "type", "rename",
                                 "editor", "beam number", "add", "remove"})
            QTest::newRow(edit) << QString::fromLatin1(edit) << QString();
        QTest::newRow("picture") << "picture" << "3/2/0 0,0 1,0 2,0 3,0";
        QTest::newRow("shape") << "shape" << "0/0/2 0,0 1,0 2,0 3,0";
        QTest::newRow("beam drag") << "beam drag" << "0/0/0 0,0 1,0 2,0 0,1";
    }
    void editsOfAUsedProfileGoToACopy()
    {
        QFETCH(QString, edit);
        CProfileRig rig;
        CLibraryProfile* original = rig.Open(QStringLiteral("7 15 25"));
        original->m_beams = {{0, 0}, {1, 0}, {2, 0}, {3, 0}};
        rig.Page().ShowProfile(original);
        rig.Patch(0, 1, 1);
        QCOMPARE(rig.Tab().m_blocks.size(), 1);
        QVERIFY(rig.Tab().IsCurrentProfileUsed());
        const CLibraryProfile before(*original);
        rig.dialogs->editedName = QStringLiteral("Edited");
        rig.Page().ChannelTypes()->setCurrentRow(0);

        CProfileChannelsWnd& strip = rig.Strip();
        if (edit == "drop") {
            rig.DropType(-1, ChannelType::Iris);
        } else if (edit == "delete") {
            strip.DeleteChannel(rig.Column(0));
        } else if (edit == "16 bits") {
            rig.Column(1)->SixteenBits()->setChecked(true);
        } else if (edit == "paste") {
            rig.Page().SetCurrentChannel(0);
            rig.Page().Copy();
            QCOMPARE(rig.Edited(), original);
            rig.Page().Paste();
        } else if (edit == "move" || edit == "copy drag") {
            rig.ScriptDrag(-1);
            strip.StartDrag(0, edit == "copy drag");
        } else if (edit == "type") {
            strip.ChangeChannelType(0, ChannelType::Focus, QPixmap());
        } else if (edit == "rename") {
            rig.Column(0)->NameEdit()->setText(QStringLiteral("Renamed"));
            emit rig.Column(0)->NameEdit()->editingFinished();
        } else if (edit == "editor") {
            strip.EditChannel(rig.Column(2));
        } else if (edit == "picture") {
            rig.Page().FixtureTabs()->setCurrentIndex(3);
            emit rig.Page().PictureList(3)->itemClicked(rig.Page().PictureList(3)->item(2));
        } else if (edit == "shape") {
            emit rig.Page().ShapesList()->itemClicked(rig.Page().ShapesList()->item(2));
        } else if (edit == "beam number") {
            rig.Page().BeamNumberCombo()->setCurrentIndex(5);
        } else if (edit == "beam drag") {
            SyntheticMouse::Drag(&rig.Beams(), QPoint(70, 10), QPoint(10, 30)); // the fourth under the first
        } else if (edit == "add") {
            rig.Page().Add();
        } else if (edit == "remove") {
            rig.Page().SetCurrentChannel(1);
            rig.Page().Remove();
        }

        rig.Page().StoreToProfile(rig.Edited()); // as the next patch or save does
        CLibraryProfile* copy = rig.Edited();
        QVERIFY(copy != original);
        const QString expected = std::get<0>(Row<QString>("copyHas"));
        if (!expected.isEmpty())
            QCOMPARE(QStringLiteral("%1/%2/%3 %4")
                         .arg(copy->m_fixtureType)
                         .arg(copy->m_pictureIndex)
                         .arg(copy->m_shapeType)
                         .arg(Positions(*copy)),
                     expected);
        QCOMPARE(copy->GetPath(), QStringLiteral("Untitled1.kvp"));
        QVERIFY(rig.project.m_library.contains(copy) && rig.project.m_addedProfiles.contains(copy));
        QVERIFY(rig.project.m_library.contains(original));
        QVERIFY(!rig.Tab().IsCurrentProfileUsed());
        QVERIFY(!rig.Tab().IsListMode());
        QCOMPARE(rig.Tab().m_blocks.first()->m_profile, original);
        // The patched profile is as the patch saw it.
        QCOMPARE(Describe(original->CurrentMode()), Describe(before.CurrentMode()));
        QCOMPARE(original->GetChannel(0)->m_name, before.GetChannel(0)->m_name);
        QCOMPARE(original->GetChannel(2)->m_presets.size(), before.GetChannel(2)->m_presets.size());
        QCOMPARE(original->m_fixtureType, before.m_fixtureType);
        QCOMPARE(original->m_shapeType, before.m_shapeType);
        QCOMPARE(original->m_pictureIndex, before.m_pictureIndex);
        QCOMPARE(Positions(*original), Positions(before));
        VerifyParallel(rig);
        // A second edit stays on the copy.
        rig.DropType(-1, ChannelType::Zoom);
        QCOMPARE(rig.Edited(), copy);
        QCOMPARE(Describe(original->CurrentMode()), Describe(before.CurrentMode()));
    }

    // Add puts the chosen type after the selected channel, or at the end.
    void addGoesAfterTheSelectedChannel_data()
    {
        Columns<int, int, QString>("selected", "count", "expected");
        QTest::newRow("nothing selected") << -1 << 1 << "7 15 25 13";
        QTest::newRow("after the first") << 0 << 1 << "7 13 15 25";
        QTest::newRow("two after the second") << 1 << 2 << "7 15 13 13 25";
        QTest::newRow("after the last") << 2 << 1 << "7 15 25 13";
    }
    void addGoesAfterTheSelectedChannel()
    {
        const auto [selected, count] = Row<int, int>("selected", "count");
        CProfileRig rig;
        rig.Open(QStringLiteral("7 15 25"));
        CChannelsList& types = *rig.Page().ChannelTypes();
        const int iris = 8;
        rig.Page().OnChannelChanged(types.item(iris));
        rig.Page().AddCountSpin()->setValue(count);
        rig.Page().SetCurrentChannel(selected);
        rig.Page().Add();
        QTEST(Describe(rig.Mode()), "expected");
        VerifyParallel(rig);
    }

    void copyIsAProfileOfItsOwn()
    {
        CProfileRig rig;
        rig.project.m_library << MakeProfile(QStringLiteral("Untitled1.kvp"), 1);
        CLibraryProfile* original = rig.Open(QStringLiteral("25 26 27"));
        rig.Patch(0, 1, 1);
        rig.DropType(-1, ChannelType::Dimmer);
        CLibraryProfile* copy = rig.Edited();
        QCOMPARE(copy->GetPath(), QStringLiteral("Untitled2.kvp"));

        // Fixtures of both in one selection: two profiles, two channel layouts.
        original->UpdateRoles();
        copy->UpdateRoles();
        CGroup* group = rig.project.m_generalGroup;
        auto* a = new CPatchedFixture(0, 0, 1, -1, QStringLiteral("A"), original, false, false, 0);
        auto* b = new CPatchedFixture(10, 0, 2, -1, QStringLiteral("B"), copy, false, false, 0);
        group->AddFixture(a);
        group->AddFixture(b);
        rig.project.m_currentGroup->m_selectedFixtures = {a, b};
        rig.project.ComputeSelectionCaps();
        QCOMPARE(rig.project.m_selectionCaps.m_profiles.size(), 2);
    }

    void firstChannelMakesAProfile()
    {
        CProfileRig rig;
        rig.Page().FixtureTabs()->setCurrentIndex(3);
        rig.Page().PictureList(3)->setCurrentRow(2);
        rig.Page().ShapesList()->setCurrentRow(1);
        rig.DropType(-1, ChannelType::Dimmer);
        CLibraryProfile* profile = rig.Edited();
        QVERIFY(profile);
        QCOMPARE(profile->GetPath(), QStringLiteral("Untitled1.kvp"));
        QCOMPARE(profile->m_fixtureType, 3);
        QCOMPARE(profile->m_pictureIndex, 2);
        QCOMPARE(profile->m_picture, QStringLiteral(":/Orvane/Images/Fixtures/MH/MH3.png"));
        QCOMPARE(profile->m_shapeType, 1);
        QCOMPARE(profile->m_modes.size(), 1);
        QCOMPARE(Describe(profile->CurrentMode()), QStringLiteral("7"));
        QVERIFY(rig.project.m_library.contains(profile) && rig.project.m_addedProfiles.contains(profile));
        VerifyParallel(rig);
        QCOMPARE(rig.CellTexts(CProfileChannelCell::Presets), QStringList{QStringLiteral("1 Pr.")});
    }

    // A profile of the library edited through its copy keeps the mode the
    // fixtures were patched in, and a saved project comes back on it.
    void modesSurviveEditing()
    {
        CProfileRig rig;
        auto* spot = new CLibraryProfile;
        spot->m_path = QStringLiteral("Spot.kvp");
        AddChannels(*spot->m_modes[0], QStringLiteral("7 7"));
        spot->m_modes << new CProfileMode;
        AddChannels(*spot->m_modes[1], QStringLiteral("1 2 7"));
        spot->m_currentMode = 1;
        rig.project.m_library << spot;
        rig.Select({rig.AddBlock(spot, 0, 0)});
        rig.Tab().ImportProfileFromSelection();
        CLibraryProfile* edited = rig.Edited();
        QVERIFY(edited && edited != spot);

        rig.DropType(-1, ChannelType::Shutter);
        rig.Strip().DeleteChannel(rig.Column(0));
        QCOMPARE(edited->m_currentMode, 1);
        QCOMPARE(Describe(edited->m_modes[0]), QStringLiteral("7 7"));
        QCOMPARE(Describe(edited->CurrentMode()), QStringLiteral("2 7 15"));
        QCOMPARE(Describe(spot->CurrentMode()), QStringLiteral("1 2 7"));

        rig.Page().StoreToProfile(edited);
        edited->UpdateRoles();
        rig.project.AddFixture(0, 0, 1, -1, QStringLiteral("Spot.1"), edited, false, false, nullptr);
        const QString path = rig.dir.filePath(QStringLiteral("show.kv3"));
        QVERIFY(rig.project.SaveProject(path));
        CProject reopened;
        reopened.NewProject(2);
        QVERIFY(reopened.OpenProject(path));
        QCOMPARE(reopened.m_generalGroup->m_fixtures.size(), 1);
        QCOMPARE(Describe(reopened.m_generalGroup->m_fixtures.first()->Profile()->CurrentMode()),
                 QStringLiteral("2 7 15"));
    }

    // Each drag starts afresh: the copy an earlier drag made, once patched,
    // is left alone by the next.
    void aDragAfterAPatchOfTheCopyMakesAnother()
    {
        CProfileRig rig;
        CLibraryProfile* original = rig.Open(QStringLiteral("7 15 25"));
        original->m_beams = {{0, 0}, {1, 0}, {2, 0}, {3, 0}};
        rig.Page().ShowProfile(original);
        rig.Patch(0, 1, 1);
        SyntheticMouse::Drag(&rig.Beams(), QPoint(70, 10), QPoint(10, 30));
        CLibraryProfile* copy = rig.Edited();
        rig.Patch(0, 20, 1);
        QCOMPARE(rig.Tab().m_blocks.last()->m_profile, copy);
        const QString patched = Positions(*copy);
        QCOMPARE(patched, QStringLiteral("0,0 1,0 2,0 0,1"));
        SyntheticMouse::Drag(&rig.Beams(), QPoint(50, 10), QPoint(10, 50));
        rig.Page().StoreToProfile(rig.Edited());
        QVERIFY(rig.Edited() != copy && rig.Edited() != original);
        QCOMPARE(Positions(*copy), patched);
        QCOMPARE(Positions(*rig.Edited()), QStringLiteral("0,0 1,0 0,2 0,1"));
    }

    // Beams placed, or the third of three dragged in the page's view, are
    // stored from the smallest corner and shown again as they were.
    void storingBeams_data()
    {
        Columns<QString, QPoint, QString, QString>("layout", "dragTo", "stored", "reloaded");
        const QString three = QStringLiteral("10,10 30,10 50,10");
        QTest::newRow("three in a row") << "20,10 40,10 50,10" << QPoint() << "0,0 1,0 1.5,0" << "0,0 20,0 30,0";
        QTest::newRow("one beam") << "10,10" << QPoint() << "" << "10,10";
        QTest::newRow("from the smallest corner") << "40,60 10,100" << QPoint() << "1.5,0 0,2" << "30,0 0,40";
        QTest::newRow("dragged right, snapped") << three << QPoint(76, 15) << "0,0 1,0 3,0" << "0,0 20,0 60,0";
        QTest::newRow("dragged below") << three << QPoint(55, 55) << "0,0 1,0 2,2" << "0,0 20,0 40,40";
        QTest::newRow("dragged past the left edge, before the first")
            << three << QPoint(-200, 15) << "0.5,0 1.5,0 0,0" << "10,0 30,0 0,0";
    }
    void storingBeams()
    {
        const auto [layout, to] = Row<QString, QPoint>("layout", "dragTo");
        CProfileRig rig;
        rig.Open(QStringLiteral("7"));
        rig.PlaceBeams(layout);
        if (!to.isNull()) {
            SyntheticMouse::Press(&rig.Beams(), QPoint(55, 15));
            SyntheticMouse::Move(&rig.Beams(), to);
            SyntheticMouse::Release(&rig.Beams(), to);
        }
        rig.Page().StoreToProfile(rig.Edited());
        QTEST(Positions(*rig.Edited()), "stored");
        rig.Page().ShowProfile(rig.Edited());
        QTEST(rig.BeamCorners(), "reloaded");
    }

    // Profile fields out of range show as the nearest thing the page has.
    void hostileProfiles_data()
    {
        // shown: tab, row, shape, combo index
        Columns<int, int, int, int, float, QString>("fixtureType", "picture", "shape", "beams", "coordinate", "shown");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("in range") << 3 << 2 << 1 << 3 << 1.0f << "3 2 1 2";
        QTest::newRow("too large") << 99 << 50 << 9 << 500 << 1e30f << "5 5 3 255";
        QTest::newRow("negative") << -3 << -1 << -1 << 0 << -1e30f << "0 0 0 0";
        QTest::newRow("not a number") << 0 << 0 << 0 << 2 << nan << "0 0 0 1";
    }
    void hostileProfiles()
    {
        const auto [fixtureType, picture, shape, beams, coordinate] =
            Row<int, int, int, int, float>("fixtureType", "picture", "shape", "beams", "coordinate");
        CProfileRig rig;
        auto* profile = new CLibraryProfile;
        profile->m_fixtureType = fixtureType;
        profile->m_pictureIndex = picture;
        profile->m_shapeType = shape;
        for (int i = 0; i < beams; ++i)
            profile->m_beams << CBeamPosition{coordinate * float(i), 0.0f};
        rig.dialog->OpenProfileForEditing(profile);
        CProfileTab& page = rig.Page();
        const int tab = page.FixtureTabs()->currentIndex();
        QTEST(QStringLiteral("%1 %2 %3 %4")
                  .arg(tab)
                  .arg(page.PictureList(tab)->currentRow())
                  .arg(page.ShapesList()->currentRow())
                  .arg(page.BeamNumberCombo()->currentIndex()),
              "shown");
        for (const CBeamItem* beam : rig.Beams().Beams())
            QVERIFY(rig.Beams().ViewRect().contains(beam->m_rect));
    }

    // A profile file holds up to 256 beams: the choice shows its count and a
    // change of shape lays out every one of them again; a fresh tab and the
    // next profile have the usual 128 on offer, opened or New.
    void beamsOfAFile_data()
    {
        Columns<int, int, bool>("beams", "offered", "thenNew");
        QTest::newRow("two") << 2 << 128 << false;
        QTest::newRow("128") << 128 << 128 << false;
        QTest::newRow("129") << 129 << 129 << false;
        QTest::newRow("256") << 256 << 256 << false;
        QTest::newRow("256, then New") << 256 << 256 << true;
    }
    void beamsOfAFile()
    {
        const auto [beams, offered, thenNew] = Row<int, int, bool>("beams", "offered", "thenNew");
        CProfileRig rig;
        QComboBox* number = rig.Page().BeamNumberCombo();
        QCOMPARE(number->count(), 128);
        QCOMPARE(number->currentText(), QStringLiteral("1"));
        const QString path = rig.dir.filePath(QStringLiteral("Beams.kvp"));
        CLibraryProfile written;
        for (int i = 0; i < beams; ++i)
            written.m_beams << CBeamPosition{float(i % 16), float(i / 16)};
        QVERIFY(written.Save(path));
        auto* profile = new CLibraryProfile;
        QVERIFY(profile->Load(path));
        rig.dialog->OpenProfileForEditing(profile);
        QCOMPARE(number->currentText(), QString::number(beams));
        QCOMPARE(number->count(), offered);
        emit rig.Page().ShapesList()->itemClicked(rig.Page().ShapesList()->item(1));
        QCOMPARE(rig.Beams().BeamCount(), beams);
        rig.Page().StoreToProfile(profile);
        QCOMPARE(profile->m_beams.size(), beams);
        if (thenNew) {
            rig.prompts->saveAnswer = CSetupPrompts::Discard;
            rig.dialog->New();
        } else {
            rig.Open(QStringLiteral("7"));
        }
        QCOMPARE(number->count(), 128);
        QCOMPARE(number->currentIndex(), 0);
    }

    void aModeOutOfRangeTakesNoChannel()
    {
        CProfileRig rig;
        CLibraryProfile* profile = rig.Open(QStringLiteral("7"));
        profile->m_currentMode = 4;
        rig.Page().ShowProfile(profile);
        QCOMPARE(rig.Page().CountEdit()->text(), QStringLiteral("0"));
        rig.DropType(-1, ChannelType::Dimmer);
        QCOMPARE(rig.Edited(), profile);
        QCOMPARE(Describe(profile->m_modes[0]), QStringLiteral("7"));
        QVERIFY(rig.Strip().Columns().isEmpty());
    }

    void beamCountOnlyGrows()
    {
        CProfileRig rig;
        rig.Open(QString());
        rig.DropType(-1, ChannelType::Red);
        rig.DropType(-1, ChannelType::Red);
        rig.DropType(-1, ChannelType::Red);
        QCOMPARE(rig.Page().BeamNumberCombo()->currentIndex(), 2);
        rig.Page().BeamNumberCombo()->setCurrentIndex(5);
        QCOMPARE(rig.BeamCorners().section(QLatin1Char(' '), 5), QStringLiteral("110,10"));
        rig.DropType(-1, ChannelType::Dimmer);
        QCOMPARE(rig.Page().BeamNumberCombo()->currentIndex(), 5);
        QCOMPARE(rig.CellTexts(CProfileChannelCell::Beams).last(), QStringLiteral(" All"));
    }

    // Without an assignation or colour dimmer dialog their buttons are off,
    // and neither a call anyway nor the channel editor changes anything.
    void noDialogNoEdit()
    {
        CProfileRig rig;
        rig.dialogs->assignDialog = rig.dialogs->colorDimmerDialog = false;
        rig.dialogs->acceptAssign = rig.dialogs->acceptColors = true;
        rig.dialogs->editedName = QStringLiteral("Edited");
        rig.Open(QStringLiteral("32"));
        rig.DropType(-1, ChannelType::Red);
        rig.DropType(-1, ChannelType::Red);
        QVERIFY(!rig.Page().AssignButton()->isEnabled() && !rig.Column(0)->EditButton()->isEnabled());
        rig.Page().OnAssignBeams();
        QTest::qWait(CProfileChannelCtrl::kGuardMs + 20);
        emit rig.Column(0)->EditButton()->pressed();
        QCOMPARE(Beams(*rig.Mode()), QStringLiteral("all 0 0 0 1 1 1"));
        QCOMPARE(rig.Mode()->m_channels[0]->m_colorMax, QColor(Qt::white));
        QCOMPARE(rig.dialogs->assigns + rig.dialogs->colorEdits + rig.dialogs->edits, 0);
    }

    // Assignation and a colour dimmer's Edit open the program's dialogs,
    // on the profile as the page shows it; a used profile is copied first,
    // and a cancelled dialog leaves the channels as they were.
    void realDialogs_data()
    {
        Columns<bool, bool>("used", "accept");
        QTest::newRow("cancelled") << false << false;
        QTest::newRow("accepted") << false << true;
        QTest::newRow("used, cancelled") << true << false;
        QTest::newRow("used, accepted") << true << true;
    }
    void realDialogs()
    {
        QFETCH(bool, used);
        QFETCH(bool, accept);
        CProfileRig rig;
        rig.dialogs = nullptr; // the program's own dialogs, answered through their runners
        rig.Page().SetDialogs(std::make_unique<CProfileEditorDialogs>());
        CLibraryProfile* original = rig.Open(QStringLiteral("32 25 25"));
        if (used)
            rig.Patch(0, 1, 1);
        const QString before = Beams(*original->CurrentMode());
        const auto answer = [accept](QDialog& dialog, QDialogButtonBox* buttons) {
            buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            return dialog.result();
        };
        int assignBeams = -1;
        const CScriptedDialog<CAssignBeamDlg> assignScript([&](CAssignBeamDlg& dialog) {
            assignBeams = rig.Edited()->m_beams.size();
            for (CProfileChannelDef* channel : rig.Mode()->m_channels)
                channel->m_beams = QByteArray(1, char(1));
            return answer(dialog, dialog.Buttons());
        });
        const CScriptedDialog<CColorDimmerDlg> colorScript([&](CColorDimmerDlg& dialog) {
            dialog.Picker()->m_pCircle->SetColor(Qt::green, 1);
            return answer(dialog, dialog.Buttons());
        });

        QVERIFY(rig.Page().AssignButton()->isEnabled());
        rig.Page().BeamNumberCombo()->setCurrentIndex(3);
        rig.Page().AssignButton()->click();
        QCOMPARE(assignBeams, 4);
        QCOMPARE(Beams(*rig.Mode()), accept ? QStringLiteral("1 1 1") : before);

        QVERIFY(rig.Column(0)->EditButton()->isEnabled());
        QTest::qWait(CProfileChannelCtrl::kGuardMs + 20);
        emit rig.Column(0)->EditButton()->pressed();
        const CProfileChannelDef* dimmer = rig.Mode()->m_channels[0];
        QCOMPARE(dimmer->m_colorMin, QColor(Qt::black));
        QCOMPARE(dimmer->m_colorMax, accept ? QColor(Qt::green) : QColor(Qt::white));
        QCOMPARE(rig.Edited() != original, used);
        QCOMPARE(original->GetChannel(0)->m_colorMax, used || !accept ? QColor(Qt::white) : QColor(Qt::green));
        QCOMPARE(Beams(*original->CurrentMode()), used || !accept ? before : QStringLiteral("1 1 1"));
    }

    void laserPictureClearsTheOtherLists()
    {
        CProfileRig rig;
        CLibraryProfile* profile = rig.Open(QStringLiteral("7"));
        rig.Page().FixtureTabs()->setCurrentIndex(4);
        QListWidget* laser = rig.Page().PictureList(4);
        laser->setCurrentRow(0);
        emit laser->itemClicked(laser->item(0));
        for (int tab = 0; tab < 6; ++tab)
            QCOMPARE(rig.Page().PictureList(tab)->selectedItems().size(), tab == 4 ? 1 : 0);
        QCOMPARE(profile->m_fixtureType, 4);
        QCOMPARE(profile->m_picture, QStringLiteral(":/Orvane/Images/Fixtures/OTHER/LASER1.png"));
    }

    // Editing never writes the profile's file: only Save does.
    void unsavedEditsLeaveTheFile()
    {
        CProfileRig rig;
        const QString path = QStringLiteral("Profiles/Wash.kvp");
        WriteProfileFile(path, 3);
        const QByteArray bytes = ReadBytes(path);
        rig.prompts->openFile = path;
        rig.dialog->Open();
        QVERIFY(rig.Edited());
        rig.DropType(-1, ChannelType::Red);
        rig.Column(0)->SixteenBits()->setChecked(true);
        rig.Strip().DeleteChannel(rig.Column(3));
        rig.Page().StoreToProfile(rig.Edited());
        QCOMPARE(ReadBytes(path), bytes);
    }
};

ORVANE_TEST(ProfileTabTest)
#include "ProfileTabTest.moc"
