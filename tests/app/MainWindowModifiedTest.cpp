#include "TestRegistry.h"
#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "RawChannelScene.h"
#include "ShownDialogs.h"
#include "app/Orvane.h"
#include "layout/FixturesWnd.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "live/SceneButton.h"
#include "model/Language.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "Captions.h"

#include <QToolButton>
#include <QtTest>

// The title's mark and the save question of New, Open and closing read one
// state: what the operator does to an opened show either marks it and is
// asked about, or neither. Nothing here starts Art-Net.

namespace {

// A show of one fixture and one scene, saved and opened again: unmarked.
struct COpenedShowRig : CWindowRigBase
{
    QString show;

    COpenedShowRig()
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
        CProject& project = window->Project();
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        profile->UpdateRoles();
        project.m_library << profile;
        project.AddFixture(0, 0, 1, -1, QStringLiteral("Par"), profile, false, false, nullptr);
        project.UpdateAfterPatch(true, false);
        AddRawChannelScene(project, QStringLiteral("Warm"), {{0, 100, 200}});
        show = Path(QStringLiteral("show.kv3"));
        QVERIFY(window->SaveProject(show));
        QVERIFY(window->OpenProject(show));
    }

    void Tick(int count) { NextTick(count); }
    void PlayScene()
    {
        QTest::mouseClick(window->LivePages()->PageView()->Button(0), Qt::LeftButton);
        Tick(3);
        CPage* page = window->Project().m_firstPage;
        QVERIFY(page->IsPlaying(page->m_scenes.value(0)));
    }
};

} // namespace

class MainWindowModifiedTest : public QObject
{
    Q_OBJECT
private slots:
    void theMarkAndTheSaveQuestionAgree_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("marked");
        QTest::newRow("nothing") << "none" << false;
        QTest::newRow("play a scene") << "play" << false;
        QTest::newRow("play and release a scene") << "release" << false;
        // The file keeps each group's selection.
        QTest::newRow("select fixtures") << "select" << true;
        QTest::newRow("lock the layout") << "lock" << true;
    }
    void theMarkAndTheSaveQuestionAgree()
    {
        QFETCH(QString, action);
        QFETCH(bool, marked);
        COpenedShowRig rig;
        CFixturesWnd& fixtures = *rig.window->FixturesWindow();
        if (action == QLatin1String("play")) {
            rig.PlayScene();
        } else if (action == QLatin1String("release")) {
            rig.PlayScene();
            rig.Action("actionReleaseScenes")->trigger();
            rig.Tick(3);
        } else if (action == QLatin1String("select")) {
            fixtures.ToolButton(CFixturesWnd::SelectAllButton)->click();
            QCOMPARE(rig.window->Project().m_currentGroup->m_selectedFixtures.size(), 1);
        } else if (action == QLatin1String("lock")) {
            fixtures.ToolButton(CFixturesWnd::LockButton)->click();
        }
        rig.Tick(3);
        QCOMPARE(rig.window->windowTitle().endsWith(QLatin1String(" *")), marked);
        QCOMPARE(rig.window->IsModified(), marked);

        // Each command is cancelled at its question; unasked, Open shows its
        // file dialog (cancelled) and New and closing go through.
        const QString question = GetLangText(Txt::SaveChanges);
        CShownDialogs dialogs(QMessageBox::Cancel);
        rig.Action("actionFileOpen")->trigger();
        QCOMPARE(dialogs.shown.value(0) == question, marked);
        dialogs.shown.clear();
        rig.Action("actionFileNew")->trigger();
        QCOMPARE(dialogs.shown, marked ? QStringList{question} : QStringList());
        QCOMPARE(rig.window->ProjectPath().isEmpty(), !marked);
        dialogs.shown.clear();
        QCOMPARE(rig.window->close(), !marked);
        QCOMPARE(dialogs.shown, marked ? QStringList{question} : QStringList());
    }
};

ORVANE_TEST(MainWindowModifiedTest)
#include "MainWindowModifiedTest.moc"
