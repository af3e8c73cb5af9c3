#include "FixturesWindowRig.h"
#include "TestRegistry.h"

#include "DataTable.h"
#include "ShowEdits.h"
#include "ShowReferences.h"
#include "ShownDialogs.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "live/SceneButton.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchTab.h"
#include "show/Page.h"
#include "show/SceneStep.h"

#include <QKeyEvent>
#include <QtTest>

namespace {

CLibraryProfile* Library(CProject& project, const QString& path, bool dimmerFirst)
{
    auto* profile = new CLibraryProfile;
    profile->SetPath(path);
    if (dimmerFirst)
        ProfileBuilder::AddDimmer(*profile);
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
    if (!dimmerFirst)
        ProfileBuilder::AddDimmer(*profile);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

} // namespace

// A profile or a fixture deleted through the main window while a scene
// still names it: the scene, started from its page, plays what it keeps.
class ShowReferencesWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterEffectOperations(); }

    void deletedFromThePlanThenPlayedFromThePage_data()
    {
        Columns<QString>("edit");
        // The patch dialog gives F1's block another profile; F2, the last
        // fixture of the former one, is deleted.
        QTest::newRow("re-profiled") << QStringLiteral("profile");
        // F2 is stored into the hand-made step after an effect row on F1,
        // then deleted.
        QTest::newRow("stored after an effect") << QStringLiteral("effect");
    }
    void deletedFromThePlanThenPlayedFromThePage()
    {
        const auto [edit] = Row<QString>("edit");
        CFixturesWindowRig rig;
        CProject& project = rig.Project();
        CLibraryProfile* par = Library(project, QStringLiteral("Par.kvp"), true);
        CLibraryProfile* bar = Library(project, QStringLiteral("Bar.kvp"), false);
        CPatchedFixture* f1 = project.AddFixture(0, 0, 1, -1, QStringLiteral("F1"), par, false, false, nullptr);
        CPatchedFixture* f2 = project.AddFixture(10, 0, 2, -1, QStringLiteral("F2"), par, false, false, nullptr);
        project.UpdateAfterPatch(true, false);
        rig.Fixtures().LoadProject();

        CScene* scene = project.AddScene(false);
        auto* step = new CSceneStep(0, 100000);
        for (CPatchedFixture* fixture : {f1, f2}) {
            auto* entry = new CStepFixture(fixture, scene);
            for (int c = 0; c < 4; ++c)
                entry->SetLevel(c, quint8(fixture == f1 ? 200 - 50 * c : 99), true, false);
            step->AddEntry(entry);
            if (edit == QLatin1String("effect"))
                break;
        }
        scene->m_steps << step;
        scene->UpdateLength();

        if (edit == QLatin1String("profile")) {
            rig.Fixtures().AddFixtures();
            CPatchTab* tab = rig.Fixtures().PatchDialog()->PatchPage();
            for (CPatchBlock* block : tab->m_blocks) {
                if (block->m_fixture == f1)
                    block->m_profile = bar;
            }
            rig.Fixtures().PatchDialog()->accept();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(f1->Profile(), bar);
        } else {
            ShowEdits::Select(project, {f1});
            ShowEdits::ApplyEffect(project, ShowEdits::Gradient(CRgbwColor(0, 0, 255)), scene, 0, false);
            ShowEdits::Select(project, {f2});
            ShowEdits::SetEditLevel(project, f2, 0, 90);
            step->StoreFixture(scene, f2, project);
            QVERIFY(scene->m_steps.last()->FindEntry(f2));
            scene->GoToStep(0, 0);
        }

        rig.Select({f2});
        {
            CShownDialogs dialogs(QMessageBox::Yes);
            rig.window->SetDeleteTarget(0);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
            QApplication::sendEvent(rig.window.get(), &press);
            QCOMPARE(dialogs.shown.size(), 1);
        }
        QCOMPARE(project.m_generalGroup->m_fixtures, QList<CPatchedFixture*>({f1}));
        QCOMPARE(project.m_library.contains(par), edit != QLatin1String("profile"));
        QCOMPARE(StaleReferences(project), QStringList());

        CPageWnd& view = *rig.window->LivePages()->PageView();
        view.Refresh();
        CSceneButton* button = nullptr;
        for (int i = 0; i < view.ButtonCount(); ++i) {
            if (view.Button(i)->Scene() == scene)
                button = view.Button(i);
        }
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        QVERIFY(project.m_firstPage->IsPlaying(scene));
        for (int i = 0; i < 8; ++i) {
            rig.window->TickProject(25, 1);
            rig.window->TickLivePagesOrEditor(25, 1);
            rig.window->MergeOutput();
        }
        // F1's levels, each on the channel of its function: the other
        // profile has the dimmer last.
        QList<int> out;
        for (int slot = 0; slot < 4; ++slot)
            out << project.m_output[0][slot];
        QCOMPARE(out, edit == QLatin1String("profile") ? QList<int>({150, 100, 50, 200})
                                                       : QList<int>({200, 150, 100, 50}));
    }
};

ORVANE_TEST(ShowReferencesWindowTest)
#include "ShowReferencesWindowTest.moc"
