#include "WindowRig.h"
#include "TestRegistry.h"

#include "../devices/FakeTransport.h"
#include "../model/LibraryProfileBuilder.h"
#include "ChosenFile.h"
#include "FakeMusicPlayer.h"
#include "ModalAnswer.h"
#include "PatchMatrix.h"
#include "RawChannelScene.h"
#include "SelectedFixture.h"
#include "editors/EditSceneWnd.h"
#include "layout/FixturesWnd.h"
#include "layout/view/FixturesView.h"
#include "live/PagesWnd.h"
#include "model/FixtureMatrix.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchMatrixBlock.h"
#include "setup/PatchTab.h"
#include "show/EffectScene.h"
#include "show/StepFixture.h"
#include "show/TimeLine.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <QTableWidget>
#include <QtTest>

// What the main window calls in the show: a mask into the edited scene, the
// volume, About's maintenance copies, the layout view as scenes start and
// stop, and the default effects offered for new fixtures.

namespace {

// Counts the paintings of one widget.
struct CPaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

QString LastVolume(const CFakeMusicPlayer& player)
{
    const QStringList volumes = player.calls.filter(QStringLiteral("volume "));
    return volumes.isEmpty() ? QStringLiteral("none") : volumes.last().mid(7);
}

struct CCallsRig : CWindowRigBase
{
    QList<CFakeMusicPlayer*> players; // in the order they were made
    CPatchedFixture* lit = nullptr;

    CCallsRig()
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
        window->SetMusicPlayerMaker([this](QObject* parent) {
            players << new CFakeMusicPlayer(parent);
            return players.last();
        });
    }
    CProject& Project() { return window->Project(); }

    // An RGB fixture at address 0, selected, drawn in the layout view; and
    // a scene of one step that lights it.
    CScene* LitFixtureScene()
    {
        auto* profile = new CLibraryProfile;
        ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        CPatchedFixture* fixture = lit = PatchSelected(Project(), profile);
        fixture->AddPosition(10, 10);
        window->FixturesWindow()->LoadProject();
        auto* scene = new CScene(QStringLiteral("S"), Project().UniverseCount());
        auto* step = new CSceneStep(0, 1000);
        auto* entry = new CStepFixture(fixture, scene);
        entry->SetLevel(0, 30, true, false);
        step->AddEntry(entry);
        scene->m_steps << step;
        scene->UpdateLength();
        Project().m_firstPage->m_scenes << scene;
        return scene;
    }
    QString Levels(const CSceneStep* step) const
    {
        const CStepFixture* entry = step->FindEntry(lit);
        return entry ? QStringLiteral("%1,%2,%3").arg(entry->Level(0)).arg(entry->Level(1)).arg(entry->Level(2))
                     : QStringLiteral("none");
    }
    // Runs About with a modifier held, picking `file` in the dialog it opens.
    QString About(Qt::KeyboardModifier held, const QString& file)
    {
        QString dialog;
        OnNextModal<QFileDialog>([&](QFileDialog* box) {
            dialog = box->windowTitle() + QLatin1Char('|') + box->nameFilters().join(';');
            ChooseFile(box, file);
        });
        const Qt::Key key = held == Qt::ControlModifier ? Qt::Key_Control : Qt::Key_Shift;
        QTest::keyPress(window->menuBar(), key, held);
        Action("actionAbout")->trigger();
        QTest::keyRelease(window->menuBar(), key, Qt::NoModifier);
        return dialog;
    }
    // New fixtures as the patch dialog hands them over: two RGB pars, a
    // moving head and a two-cell RGB matrix; the question answered.
    void PatchNew(QMessageBox::StandardButton answer, QString& question)
    {
        CLibraryProfile* par = Profile(QStringLiteral("Par"), true, false);
        CLibraryProfile* head = Profile(QStringLiteral("Head"), false, true);
        CLibraryProfile* cell = Profile(QStringLiteral("Cell"), true, false);
        CFixturesWnd& fixtures = *window->FixturesWindow();
        fixtures.AddFixtures();
        CPatchTab& tab = *fixtures.PatchDialog()->PatchPage();
        for (auto [profile, start] : {std::pair{par, 0}, {par, 3}, {head, 6}})
            tab.m_blocks << new CPatchBlock(profile, 0, start, -1);
        AddNewMatrix(tab, cell, 1);
        OnNextModal<QMessageBox>([&](QMessageBox* box) {
            question = box->text();
            box->button(answer)->click();
        });
        fixtures.PatchDialog()->accept();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    CLibraryProfile* Profile(const QString& name, bool color, bool panTilt)
    {
        auto* profile = new CLibraryProfile;
        profile->SetPath(name + QStringLiteral(".kvp"));
        if (color)
            ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
        if (panTilt) {
            ProfileBuilder::AddChannel(*profile, ChannelType::Pan);
            ProfileBuilder::AddChannel(*profile, ChannelType::Tilt);
        }
        profile->UpdateRoles();
        Project().m_library << profile;
        return profile;
    }
    // Each effect scene played on the fixtures it was made for: its name and
    // how many fixtures its running copy drives.
    QString PlayEffectScenes()
    {
        QStringList played;
        for (CEffectScene* scene : Project().m_effectScenes) {
            Project().SelectEffectFixtures(scene->m_effects.value(0));
            Project().ToggleEffectScene(scene, true, false);
            window->TickProject(25, 1);
            window->TickProject(25, 1);
            int driven = 0;
            for (const CEffectScene* copy : Project().m_runningCopies) {
                if (copy->m_source == scene && copy->m_steps.size() > 1)
                    driven = copy->m_drivenFixtures.size();
            }
            played << QStringLiteral("%1:%2").arg(scene->m_name).arg(driven);
        }
        return played.join(QStringLiteral(", "));
    }
};

} // namespace

class MainWindowCallsTest : public QObject
{
    Q_OBJECT

private slots:
    void commandsReachTheShow_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("result");
        QTest::newRow("mask, scene editor open")
            << "mask edit" << "offered 2, step 200,100,0, undo Apply Mask";
        QTest::newRow("mask, no editor") << "mask" << "offered 0, step 30,0,0, undo none";
        QTest::newRow("volume") << "volume" << "scene sound 30, timeline 30, shown after New 55";
        QTest::newRow("About") << "about" << QStringLiteral("Orvane version " ORVANE_VERSION);
        QTest::newRow("About with Control") << "compress" << "Open project|Projects (*.kv2 *.kv3), copy right";
        QTest::newRow("About with Shift") << "uncompress" << "Open project|Projects (*.kv2 *.kv3), copy right";
        QTest::newRow("scene starts and stops") << "marks" << "repainted on start 1, on stop 1";
        QTest::newRow("new fixtures, effects wanted")
            << "patch yes"
            << "asked 1: Par - Sequencer:2, Head - Pan / Tilt:1, Cell - Matrix:2";
        QTest::newRow("new fixtures, no effects") << "patch no" << "asked 1: ";
    }
    void commandsReachTheShow()
    {
        QFETCH(QString, command);
        CCallsRig rig;
        CProject& project = rig.Project();
        QString result;
        if (command.startsWith(QLatin1String("mask"))) {
            CScene* scene = rig.LitFixtureScene();
            project.m_masks << CMask{QStringLiteral("None"), {}}
                            << CMask{QStringLiteral("Warm"), {{0, 0, 200}, {0, 1, 100}}};
            CEditSceneWnd* editor = nullptr;
            if (command.endsWith(QLatin1String("edit"))) {
                QVERIFY(rig.window->LivePages()->EditScene(project.m_firstPage, scene));
                editor = dynamic_cast<CEditSceneWnd*>(rig.window->LivePages()->ShownEditor());
            }
            auto* menu = rig.window->findChild<QMenu*>(QStringLiteral("applyMaskMenu"));
            emit qobject_cast<QMenu*>(menu->parentWidget())->aboutToShow(); // the Live menu opens
            const QList<QAction*> offered = menu->menuAction()->isEnabled() ? menu->actions() : QList<QAction*>();
            if (offered.size() == 2)
                offered[1]->trigger();
            const int rows = editor ? editor->UndoTable()->rowCount() : 0;
            result = QStringLiteral("offered %1, step %2, undo %3")
                         .arg(offered.size())
                         .arg(rig.Levels(scene->m_steps.at(0)),
                              rows > 1 ? editor->UndoTable()->item(rows - 1, 0)->text() : QStringLiteral("none"));
        } else if (command == QLatin1String("volume")) {
            const QString sound = rig.WriteFile(QStringLiteral("bell.wav"), QByteArray());
            CScene* scene = AddRawChannelScene(project, QStringLiteral("Bell"), {{0, 0, 1}});
            scene->m_playSound = true;
            scene->m_sound = sound;
            QVERIFY(project.m_firstPage->PlayScene(scene));
            CTimeLineData& timeLine = project.m_timeLine;
            timeLine.m_lines.prepend(timeLine.m_musicLine = NewMediaLine(CTimeLine::MusicLine));
            rig.window->TimeLinePanel()->Control().SetPosition(0, false); // makes the music player
            QCOMPARE(rig.players.size(), 2);
            auto* slider = rig.window->findChild<QSlider*>(QStringLiteral("volumeSlider"));
            slider->setValue(30);
            result = QStringLiteral("scene sound %1, timeline %2")
                         .arg(LastVolume(*rig.players[0]), LastVolume(*rig.players[1]));
            project.SetVolume(55);
            rig.window->SetModified(false);
            rig.window->OnFileNew();
            result += QStringLiteral(", shown after New %1").arg(slider->value());
        } else if (command == QLatin1String("about")) {
            OnNextModal<QMessageBox>([&](QMessageBox* box) {
                result = box->text();
                box->accept();
            });
            rig.Action("actionAbout")->trigger();
        } else if (command.endsWith(QLatin1String("compress"))) {
            const bool compress = command == QLatin1String("compress");
            const QByteArray plain("<ZKFile Version=\"2.0\"/>");
            const QByteArray source = compress ? plain : qCompress(plain);
            const QString path = rig.WriteFile(QStringLiteral("show.kv3"), source);
            result = rig.About(compress ? Qt::ControlModifier : Qt::ShiftModifier, path);
            const QString copy = rig.Path(compress ? QStringLiteral("show_cp.kv3") : QStringLiteral("show_ucp.kv3"));
            const QByteArray expected = compress ? qCompress(plain, -1) : plain;
            result += ReadBytes(copy) == expected ? QStringLiteral(", copy right") : QStringLiteral(", no copy");
        } else if (command == QLatin1String("marks")) {
            CScene* scene = rig.LitFixtureScene();
            rig.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
            QCoreApplication::processEvents();
            CPaintCounter counter;
            rig.window->FixturesWindow()->View()->installEventFilter(&counter);
            QVERIFY(project.m_firstPage->PlayScene(scene));
            QCoreApplication::processEvents();
            const int started = std::exchange(counter.paints, 0);
            project.m_firstPage->StopScene(scene, false, false, false, false);
            rig.window->TickProject(25, 1);
            QCoreApplication::processEvents();
            result = QStringLiteral("repainted on start %1, on stop %2").arg(qMin(started, 1)).arg(qMin(counter.paints, 1));
        } else {
            QString question;
            rig.PatchNew(command.endsWith(QLatin1String("yes")) ? QMessageBox::Yes : QMessageBox::No, question);
            result = QStringLiteral("asked %1: %2")
                         .arg(int(question == QStringLiteral("Do you want to create default effects for the new fixtures?")))
                         .arg(rig.PlayEffectScenes());
        }
        QTEST(result, "result");
    }
};

ORVANE_TEST(MainWindowCallsTest)
#include "MainWindowCallsTest.moc"
