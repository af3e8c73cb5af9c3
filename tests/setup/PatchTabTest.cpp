#include "DataTable.h"
#include "TestRegistry.h"
#include "SetupRig.h"
#include "ShowAtBound.h"
#include "PatchMatrix.h"

#include "Fetched.h"
#include "model/FixtureMatrix.h"
#include "show/ShowBounds.h"
#include "model/PatchedFixture.h"
#include "setup/DipSwitchCtrl.h"
#include "setup/ProfileTab.h"
#include "setup/ZKTabWidget.h"

#include <QFileInfo>

class PatchTabTest : public QObject
{
    Q_OBJECT

private slots:
    void startIsPulledBackIntoTheUniverse_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::newRow("past the end") << 10 << 0 << 505 << 502 << 511;
        QTest::newRow("ends on the last") << 10 << 0 << 502 << 502 << 511;
        QTest::newRow("fits") << 10 << 0 << 0 << 0 << 9;
        QTest::newRow("one channel last") << 1 << 0 << 511 << 511 << 511;
        QTest::newRow("invalid mode") << 10 << 3 << 7 << 7 << 6;
    }
    void startIsPulledBackIntoTheUniverse()
    {
        QFETCH(int, channels);
        QFETCH(int, mode);
        QFETCH(int, address);
        std::unique_ptr<CLibraryProfile> profile(MakeProfile(QStringLiteral("P.kvp"), channels));
        profile->m_currentMode = mode;
        QFETCH(int, start);
        QFETCH(int, end);
        CPatchBlock block(profile.get(), 0, address, -1);
        QCOMPARE(block.m_start, start);
        QCOMPARE(block.m_end, end);
    }

    void pastedCopyIsNewButKeepsItsSourceFixture()
    {
        std::unique_ptr<CLibraryProfile> profile(MakeProfile(QStringLiteral("P.kvp"), 4));
        CPatchedFixture fixture(20, 1, 7, -1, QStringLiteral("Spot.7"), profile.get(), true, false, 0);
        CPatchBlock loaded(profile.get(), 1, 20, -1);
        loaded.SetFixture(&fixture);
        QVERIFY(!loaded.m_new);
        const CPatchBlock copy(loaded, 0, 100);
        QVERIFY(copy.m_new);
        QCOMPARE(copy.m_fixture, &fixture);
        QCOMPARE(copy.m_id, -1);
        QVERIFY(copy.m_invertPan);
        QCOMPARE(copy.m_end, 103);
    }

    void matrixAddressesAndRemovalListOnlyLoadedMembers()
    {
        std::unique_ptr<CLibraryProfile> profile(MakeProfile(QStringLiteral("P.kvp"), 3));
        CPatchedFixture fixture(0, 0, 5, 1, QStringLiteral("P.5"), profile.get(), false, false, 0);
        CPatchMatrixBlock matrix(profile.get(), 3, 1);
        QList<CPatchBlock*> blocks;
        for (const auto& place : {qMakePair(1, 10), qMakePair(0, 50), qMakePair(0, 5)}) {
            blocks << new CPatchBlock(profile.get(), place.first, place.second, 1);
            matrix.m_members << blocks.last();
            matrix.m_cells << QRect();
        }
        blocks[0]->SetFixture(&fixture);
        blocks[1]->m_id = 2;
        blocks[2]->m_id = 9;
        int start = -1, universe = -1;
        matrix.FirstAddress(start, universe);
        QCOMPARE(QPoint(start, universe), QPoint(5, 0));
        matrix.LastAddress(start, universe);
        QCOMPARE(QPoint(start, universe), QPoint(10, 1));
        QCOMPARE(matrix.LowestId(), 2);

        QList<CPatchedFixture*> removed;
        QList<CPatchBlock*> forgotten;
        CPatchBlock* kept = blocks[2];
        matrix.RemoveMembersNotIn({kept}, blocks, removed, [&](CPatchBlock* b) { forgotten << b; });
        QCOMPARE(removed, QList<CPatchedFixture*>{&fixture});
        QCOMPARE(forgotten.size(), 2);
        QCOMPARE(blocks, QList<CPatchBlock*>{kept});
        QCOMPARE(matrix.m_members, QList<CPatchBlock*>{kept});
        QCOMPARE(matrix.m_cells.size(), 1);
        delete kept;
    }

    void patchPlacesFixturesAcrossUniverses_data()
    {
        QTest::addColumn<int>("universe");
        QTest::addColumn<int>("first");
        QTest::addColumn<QStringList>("places");
        QTest::addColumn<int>("warnings");
        QTest::newRow("runs into the next universe") << 0 << 491 << QStringList{"0:490", "0:500", "1:0"} << 0;
        QTest::newRow("stops on the last universe") << 1 << 491 << QStringList{"1:490", "1:500"} << 1;
        QTest::newRow("second one ends on channel 512") << 0 << 493 << QStringList{"0:492", "0:502", "1:0"} << 0;
    }
    void patchPlacesFixturesAcrossUniverses()
    {
        QFETCH(int, universe);
        QFETCH(int, first);
        CSetupRig rig(2);
        rig.Edit(QStringLiteral("Par.kvp"), 10);
        rig.Patch(universe, first, 3);
        QFETCH(QStringList, places);
        QFETCH(int, warnings);
        QCOMPARE(rig.Places(), places);
        QCOMPARE(rig.Messages(QStringLiteral("Not enough space to insert all fixtures")), warnings);
        QCOMPARE(rig.Tab().m_blocks.first()->m_name, QStringLiteral("Par.1"));
    }

    void emptyUniversesOfferEveryFittingStart()
    {
        CSetupRig rig(2);
        rig.Edit(QStringLiteral("Par.kvp"), 10);
        QComboBox* starts = rig.Tab().FirstChannelCombo();
        QCOMPARE(starts->count(), 503);
        QCOMPARE(starts->itemText(502), QStringLiteral("503"));
        QCOMPARE(rig.Tab().CountSpin()->maximum(), 101);
        rig.AddBlock(rig.dialog->EditedProfile(), 0, 100);
        rig.Tab().Refresh();
        QCOMPARE(starts->findText(QStringLiteral("101")), -1);
        QCOMPARE(starts->findText(QStringLiteral("111")) >= 0, true);
    }

    // Five-channel fixtures against blocks on 0-based channels 10 to 19.
    void rangeTouchingABlockIsTaken_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("free");
        QTest::newRow("ends just before it") << 5 << true;
        QTest::newRow("ends on its first channel") << 6 << false;
        QTest::newRow("starts on its last channel") << 19 << false;
        QTest::newRow("starts just after it") << 20 << true;
    }
    void rangeTouchingABlockIsTaken()
    {
        CSetupRig rig(2);
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Par.kvp"), 5);
        rig.AddBlock(profile, 0, 10);
        rig.AddBlock(profile, 0, 15);
        rig.Tab().Refresh();
        const QString offered = QString::number(FETCHED(int, start) + 1);
        QTEST(rig.Tab().FirstChannelCombo()->findText(offered) >= 0, "free");
    }

    // A block at 0-based channel 95: ten-channel fixtures from `first` up to it.
    void countStopsAtTheFirstBlock_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("fitting");
        QTest::newRow("nine in 95 channels") << 1 << 9;
        QTest::newRow("one in 15 channels") << 81 << 1;
    }
    void countStopsAtTheFirstBlock()
    {
        CSetupRig rig(2);
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Par.kvp"), 10);
        rig.AddBlock(profile, 0, 95);
        rig.Tab().Refresh();
        QComboBox* starts = rig.Tab().FirstChannelCombo();
        starts->setCurrentIndex(starts->findText(QString::number(FETCHED(int, first))));
        rig.Tab().UpdateCountRange();
        QTEST(rig.Tab().CountSpin()->maximum(), "fitting");
    }

    // Blocks at 0-based 0 and 20, selected in the order given.
    void dipSwitchShowsTheLastSelectedAddress_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("address");
        QTest::newRow("nothing") << QList<int>{} << 0;
        QTest::newRow("one") << QList<int>{1} << 21;
        QTest::newRow("the last of two") << QList<int>{1, 0} << 1;
    }
    void dipSwitchShowsTheLastSelectedAddress()
    {
        QFETCH(QList<int>, selected);
        CSetupRig rig(2);
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Par.kvp"), 10);
        const QList<CPatchBlock*> blocks{rig.AddBlock(profile, 0, 0), rig.AddBlock(profile, 0, 20)};
        QList<CPatchBlock*> selection;
        for (int i : selected)
            selection << blocks.at(i);
        rig.Select(selection);
        rig.Tab().UpdateActions();
        QTEST(rig.Tab().DipSwitch()->Address(), "address");
    }

    void removingALoadedMatrixListsItOnce()
    {
        CSetupRig rig;
        CLibraryProfile* profile = MakeProfile(QStringLiteral("Led.kvp"), 3);
        rig.project.m_library << profile;
        CFixtureMatrix* matrix = rig.project.AddMatrix(profile, 1, 2, 1, nullptr);
        QList<CPatchedFixture*> fixtures;
        for (int i = 0; i < 2; ++i) {
            fixtures << rig.project.AddFixture(i * 3, 0, i + 1, 1, QStringLiteral("Led.%1").arg(i + 1), profile,
                                               false, false, nullptr);
            matrix->AddMember(fixtures.last(), QRect(i * 10, 0, 10, 10));
        }
        rig.Tab().AddPatchedMatrix(matrix);
        rig.Select(rig.Tab().m_blocks);
        rig.Tab().Copy();
        rig.Tab().Remove();
        QCOMPARE(rig.Tab().m_removedMatrices, QList<CFixtureMatrix*>{matrix});
        QCOMPARE(rig.Tab().m_removedFixtures.size(), 2);
        QVERIFY(rig.Tab().m_removedFixtures.contains(fixtures[0]) && rig.Tab().m_removedFixtures.contains(fixtures[1]));
        QVERIFY(rig.Tab().m_matrixBlocks.isEmpty() && rig.Tab().m_clipboard.isEmpty());
    }

    void pasteAndRenameNumberEachBlock()
    {
        CSetupRig rig;
        CLibraryProfile* profile = MakeProfile(QStringLiteral("Spot.kvp"), 5);
        rig.project.m_library << profile;
        CPatchedFixture* spot =
            rig.project.AddFixture(0, 0, 12, -1, QStringLiteral("Spot.12"), profile, false, true, nullptr);
        rig.Tab().AddPatchedFixture(spot);
        rig.Select(rig.Tab().m_blocks);
        rig.Tab().Copy();
        rig.Tab().Paste();
        QCOMPARE(rig.Tab().m_blocks.size(), 2);
        const CPatchBlock* copy = rig.Tab().m_blocks.last();
        QCOMPARE(copy->m_name, QStringLiteral("Spot.1"));
        QCOMPARE(copy->m_start, 5);
        QVERIFY(copy->m_new && copy->m_invertTilt);

        rig.AddBlock(profile, 0, 40);
        rig.Select(rig.Tab().m_blocks);
        rig.prompts->text = QStringLiteral("Wash");
        rig.Tab().Rename();
        QStringList names;
        for (const CPatchBlock* block : rig.Tab().m_blocks)
            names << block->m_name;
        QCOMPARE(names, (QStringList{"Wash.12", "Wash.1", "Wash.2"}));
    }

    void matrixCommandsNumberAndDropMembers()
    {
        CSetupRig rig;
        rig.UseBuilder();
        CLibraryProfile* profile = rig.Edit(QStringLiteral("Led.kvp"), 3);
        rig.builder->columns = 2;
        rig.builder->rows = 1;
        rig.builder->cells = {{0, 0, 1}, {0, 3, 2}};
        rig.Tab().FirstChannelCombo()->setCurrentIndex(0);
        rig.Tab().OnMatrix();
        QCOMPARE(rig.builder->requests.last().capacity, 340);
        QCOMPARE(rig.builder->requests.last().columns, 10);
        CPatchBlock* after = rig.AddBlock(profile, 0, 100); // ID 3, right after the matrix
        QCOMPARE(after->m_id, 3);
        QCOMPARE(rig.Tab().m_matrixBlocks.size(), 1);
        CPatchMatrixBlock* matrix = rig.Tab().m_matrixBlocks.first();
        CPatchBlock* first = matrix->m_members[0];
        CPatchBlock* second = matrix->m_members[1];

        // Enlarged to three cells, the second member dropped after it was copied.
        rig.Select({second});
        rig.Tab().Copy();
        rig.Select({first, second});
        rig.builder->columns = 3;
        rig.builder->cells = {{0, 0, 1, first}, {0, 6, 2}, {0, 9, 3}};
        rig.Tab().EditMatrix();
        QVERIFY(matrix->m_edited);
        QCOMPARE(matrix->m_members.size(), 3);
        QVERIFY(!rig.Tab().m_blocks.contains(second));
        QVERIFY(rig.Tab().m_clipboard.isEmpty() && rig.Tab().Selection().isEmpty());
        QSet<int> ids;
        for (const CPatchBlock* block : rig.Tab().m_blocks)
            ids.insert(block->m_id);
        QCOMPARE(ids.size(), rig.Tab().m_blocks.size());
        QCOMPARE(after->m_id, 3);
        const int count = rig.Tab().m_blocks.size();
        rig.Tab().Paste();
        QCOMPARE(rig.Tab().m_blocks.size(), count);
    }

    void listModePatchesOnlyProjectCopies()
    {
        CSetupRig rig(2, {{QStringLiteral("Par.kvp"), 4}, {QStringLiteral("Wash.kvp"), 2}});
        rig.Tab().ProfileList()->setCurrentRow(0);
        QVERIFY(rig.Tab().IsListMode());
        rig.Patch(0, 1, 1);
        rig.Tab().OnRadioCurrent();
        rig.Tab().OnRadioList();
        rig.Patch(0, 5, 1);
        QCOMPARE(rig.Tab().m_blocks.size(), 2);
        for (const CPatchBlock* block : rig.Tab().m_blocks) {
            QVERIFY(rig.project.m_library.contains(block->m_profile));
            QVERIFY(block->m_profile != rig.Tab().SelectedLibraryProfile());
            QCOMPARE(block->m_name.section(QLatin1Char('.'), 0, 0), QStringLiteral("Par"));
        }
        QCOMPARE(rig.project.m_addedProfiles.size(), 1);
        // The next selection deletes the tab's own profile; the blocks keep theirs.
        rig.Tab().ProfileList()->setCurrentRow(1);
        QCOMPARE(rig.Tab().m_blocks.first()->ChannelCount(), 4);
        QCOMPARE(rig.Tab().m_blocks.last()->ChannelCount(), 4);
    }

    void patchingKeepsTheModeOfALibraryProfile()
    {
        const auto patchedChannels = [](CProject& project) {
            CAddFixturesDlg dialog(project, 512);
            for (CPatchedFixture* fixture : project.m_generalGroup->m_fixtures)
                dialog.PatchPage()->AddPatchedFixture(fixture);
            const CPatchBlock* block = dialog.PatchPage()->m_blocks.value(0);
            return block ? block->m_end - block->m_start + 1 : -1;
        };
        CSetupRig rig;
        CLibraryProfile* profile = MakeProfile(QStringLiteral("Wash.kvp"), 3);
        auto* second = new CProfileMode;
        for (int i = 0; i < 5; ++i)
            second->m_channels << new CProfileChannelDef;
        profile->m_modes << second;
        profile->m_currentMode = 1;
        rig.project.m_library << profile;
        rig.dialog->OpenProfileForEditing(profile);
        rig.Patch(0, 1, 2);
        for (const CPatchBlock* block : rig.Tab().m_blocks) {
            QCOMPARE(block->m_profile->m_currentMode, 1);
            rig.project.AddFixture(block->m_start, block->m_universe, block->m_id, -1, block->m_name,
                                   block->m_profile, false, false, nullptr);
        }
        QCOMPARE(rig.Places(), (QStringList{"0:0", "0:5"}));
        QCOMPARE(patchedChannels(rig.project), 5);
        const QString file = rig.dir.filePath(QStringLiteral("modes.kvs"));
        QVERIFY(rig.project.SaveProject(file));
        QVERIFY(rig.project.OpenProject(file));
        QCOMPARE(patchedChannels(rig.project), 5);
    }

    void shippedProfilesPatch_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("channels");
        QTest::newRow("dimmer") << "Dimmer.kvp" << 1;
        QTest::newRow("rgb") << "RGB.kvp" << 3;
        QTest::newRow("rgbw") << "RGBW.kvp" << 4;
        QTest::newRow("rgba") << "RGBA.kvp" << 4;
        QTest::newRow("cmy") << "CMY.kvp" << 3;
        QTest::newRow("rgb dimmer") << "RGB Dimmer.kvp" << 4;
        QTest::newRow("pixel bar") << "RGB Bar 8x1.kvp" << 24;
        QTest::newRow("scanner") << "Scanner.kvp" << 6;
        QTest::newRow("moving head") << "Moving Head.kvp" << 10;
    }
    void shippedProfilesPatch()
    {
        QFETCH(QString, file);
        QFETCH(int, channels);
        const QString shipped = QStringLiteral(ORVANE_PROGRAM_DIR "/Profiles/") + file;
        CSetupRig rig;
        QVERIFY(QFile::copy(shipped, rig.dir.filePath(QStringLiteral("Profiles/")) + file));
        rig.Tab().OnManufacturerChanged(0);
        rig.Tab().ProfileList()->setCurrentRow(0);
        rig.Patch(1, 1, 2);
        QCOMPARE(rig.Tab().m_blocks.size(), 2);
        CLibraryProfile* profile = rig.Tab().m_blocks.first()->m_profile;
        QCOMPARE(profile->ChannelCount(), channels);
        profile->AnalyseChannels();
        QCOMPARE(profile->HasFinePanTilt(), file.startsWith(QLatin1String("Moving")));
        QCOMPARE(profile->HasColor(), file.contains(QLatin1String("RGB")) || file.startsWith(QLatin1String("CMY")));
        QCOMPARE(profile->BeamCount(), file.contains(QLatin1String("Bar")) ? 8 : 1);
    }

    // At the bound of fixture profiles and matrices in the patch, the
    // commands that would add a block say so and change nothing; those
    // that add fixtures to a block the patch has go on.
    void blockCommandsAskForRoom_data()
    {
        Columns<QString, bool>("command", "adds");
        QTest::newRow("fixtures of a new profile") << "patch new" << false;
        QTest::newRow("fixtures of a profile patched") << "patch held" << true;
        QTest::newRow("a matrix") << "matrix" << false;
        QTest::newRow("copies pasted") << "paste" << true;
    }
    void blockCommandsAskForRoom()
    {
        const auto [command, adds] = Row<QString, bool>("command", "adds");
        using B = CShowBounds;
        CSetupRig rig(9);
        rig.UseBuilder();
        CLibraryProfile* edited = rig.Edit(QStringLiteral("Edited.kvp"), 1);
        std::vector<std::unique_ptr<CLibraryProfile>> profiles;
        // The edited profile's block, a matrix and profiles of their own.
        CPatchBlock* held = rig.AddBlock(edited, 8, 200);
        AddNewMatrix(rig.Tab(), edited, 8);
        for (int b = 2; b < B::Bound(B::PatchBlocks); ++b) {
            profiles.emplace_back(MakeProfile(QStringLiteral("P%1.kvp").arg(b), 1));
            rig.AddBlock(profiles.back().get(), (b - 2) / 512, (b - 2) % 512);
        }
        if (command == QLatin1String("patch new"))
            rig.Edit(QStringLiteral("New.kvp"), 1);
        const int blocks = rig.Tab().m_blocks.size();

        if (command.startsWith(QLatin1String("patch")))
            rig.Patch(8, 10, 1);
        else if (command == QLatin1String("matrix"))
            rig.Tab().OnMatrix();
        else {
            rig.Select({held});
            rig.Tab().Copy();
            rig.Tab().GridTabs()->setCurrentIndex(8);
            rig.Tab().Paste();
        }
        QCOMPARE(rig.Tab().m_blocks.size(), blocks + (adds ? 1 : 0));
        QCOMPARE(rig.Messages(B::ShowHoldsTooMany(B::PatchBlocks)), adds ? 0 : 1);
        QCOMPARE(rig.Tab().m_matrixBlocks.size(), 1);
        QVERIFY(rig.builder->requests.isEmpty());
    }

    // New fixtures and matrices join the group shown too: with that group
    // at the bound of group members the commands say so and change nothing.
    void commandsIntoAFullGroupAskForRoom_data()
    {
        Columns<QString, bool, int, bool>("command", "general", "room", "refused");
        QTest::newRow("fixtures patched into the group") << "patch" << false << 0 << true;
        QTest::newRow("fixtures patched into the group, room for one") << "patch" << false << 1 << false;
        // The matrix is a member as well as its fixture.
        QTest::newRow("a matrix of one into the group, room for one") << "matrix" << false << 1 << true;
        QTest::newRow("fixtures patched into the general group") << "patch" << true << 0 << false;
        // What the dialog holds unapplied counts too.
        QTest::newRow("patched twice into the group, room for one") << "patch twice" << false << 1 << true;
        QTest::newRow("patched and pasted into the group, room for one") << "paste" << false << 1 << true;
    }
    void commandsIntoAFullGroupAskForRoom()
    {
        const auto [command, general, room, refused] =
            Row<QString, bool, int, bool>("command", "general", "room", "refused");
        using B = CShowBounds;
        CSetupRig rig(9);
        rig.UseBuilder();
        rig.builder->columns = 1;
        rig.builder->rows = 1;
        rig.builder->cells = {{8, 100, 1}};
        CLibraryProfile* edited = rig.Edit(QStringLiteral("Edited.kvp"), 1);
        rig.project.AddFixture(0, 8, 1, -1, QStringLiteral("F"), edited, false, false, nullptr);
        FillToBound(rig.project, B::GroupMembers, room);
        rig.project.m_currentGroup = general ? rig.project.m_generalGroup : rig.project.m_groups.last();
        const bool twice = command == QLatin1String("patch twice") || command == QLatin1String("paste");
        if (twice)
            rig.Patch(8, 20, 1);
        if (command == QLatin1String("paste")) {
            rig.Select({rig.Tab().m_blocks.first()});
            rig.Tab().Copy();
            rig.Tab().GridTabs()->setCurrentIndex(8);
            rig.Tab().Paste();
        } else if (command.startsWith(QLatin1String("patch"))) {
            rig.Patch(8, 10, 1);
        } else {
            rig.Tab().OnMatrix();
        }
        QCOMPARE(rig.Tab().m_blocks.size(), (refused ? 0 : 1) + (twice ? 1 : 0));
        QCOMPARE(rig.Messages(B::ShowHoldsTooMany(B::GroupMembers)), refused ? 1 : 0);
    }
};

ORVANE_TEST(PatchTabTest)
#include "PatchTabTest.moc"
