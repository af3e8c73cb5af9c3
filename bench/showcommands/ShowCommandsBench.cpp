// A show grown to every bound of the capacity table at once, only through the
// commands the windows run when the operator clicks, in the real main window:
// the patch dialog places fixtures from the profile list (a profile copy of
// its own each, so a patch block each), pages from the page tabs' "+", steps
// by Copy and Paste of every step of a scene, entries and levels by faders
// moved into a step, generated entries by a curve row and Copy Scene, groups
// of the selection, masks, crossfade buttons, timeline lines, blocks and
// markers. A command refused at a bound says so in a box: the bench counts
// the boxes and goes to the next kind. Then the show is saved, opened again
// through the window and saved again; both saves must give the same bytes.
// Prints, per kind, what the show holds against its bound and what building
// it cost; then the save's and the open's times, the file's size and the
// peak memory.
// Build it in Release:
//   cmake --build build/release --target bench_showcommands
// Run it without a network and with a user of its own (the single-instance
// guard and the program's Art-Net):
//   mkdir -p /tmp/scb/tmp /tmp/scb/home
//   TMPDIR=/tmp/scb/tmp HOME=/tmp/scb/home QT_QPA_PLATFORM=offscreen
//     unshare -i -n build/release/bench/bench_showcommands [--universes N] [--budget S] [--keep FILE]
//     [--only STAGE ...]
// --only runs the stages named (as the bench prints them) and no other, to
// time one command on its own. --budget caps the seconds one kind may take (300 by default); a kind cut
// short prints the count it reached. --keep copies the show saved to FILE,
// to be opened again in a process of its own.

#include "../../tests/devices/FakeTransport.h"
#include "ShownDialogs.h"
#include "app/Orvane.h"
#include "editors/EditSceneWnd.h"
#include "effects/CurveEffect.h"
#include "layout/FixturesWnd.h"
#include "live/FadingWnd.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "setup/AddFixturesDlg.h"
#include "setup/PatchBlock.h"
#include "setup/PatchTab.h"
#include "setup/ProfilesList.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowBounds.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
using Kind = CShowBounds::Kind;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long ResidentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * sysconf(_SC_PAGESIZE) / (1024 * 1024) : -1;
}

// The bench drives the window itself: its master tick would play between
// the commands.
void StopMasterTick(Orvane& window)
{
    for (QTimer* timer : window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (QObject::disconnect(timer, &QTimer::timeout, &window, &Orvane::OnTimer))
            timer->stop();
    }
}

// A profile of `channels` dimmers, as its file in the library holds it.
bool WriteProfile(const QString& path, int channels)
{
    CLibraryProfile profile;
    for (int i = 0; i < channels; ++i) {
        auto* channel = new CProfileChannelDef;
        channel->m_type = ChannelType::Dimmer;
        channel->m_index = i;
        profile.CurrentMode()->m_channels << channel;
    }
    profile.UpdateRoles();
    return profile.Save(path);
}

// What building one kind cost: its commands, the refusals, its time, and the
// slowest and the last command, which tell whether a command grows with the
// show.
struct SBuilt
{
    long commands = 0;
    long refused = 0;
    double seconds = 0;
    double firstMs = 0;
    double lastMs = 0;
    double slowestMs = 0;
    bool cut = false;
};

class CBench
{
public:
    CBench(int universes, double budget, const QString& folder)
        : m_universes(universes)
        , m_budget(budget)
        , m_folder(folder)
    {
        m_operator.acceptNames = true;
        QFile ini(QDir(folder).filePath(QStringLiteral("Orvane.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QStringLiteral("NbUniverses=%1\n").arg(universes).toUtf8());
        ini.close();
        COrvaneSetup setup;
        setup.programDir = folder;
        setup.loadErrorWaitMs = 0;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        m_window = std::make_unique<Orvane>(std::move(setup));
        StopMasterTick(*m_window);
    }

    CProject& Project() { return m_window->Project(); }
    CPagesWnd& Pages() { return *m_window->LivePages(); }
    Orvane& Window() { return *m_window; }
    CTimeLineCtrl& TimeLine() { return m_window->TimeLinePanel()->Control(); }
    CEditSceneWnd* Editor() { return dynamic_cast<CEditSceneWnd*>(Pages().ShownEditor()); }
    qint64 Held(Kind kind) { return CShowBounds::Held(Project(), kind); }

    // Runs `command` until it is refused, does nothing more, `done` says so
    // or the budget is spent.
    void Repeat(const char* what, const std::function<bool()>& command, const std::function<bool()>& done = {})
    {
        SBuilt built;
        const auto start = Clock::now();
        while (!(done && done())) {
            const int before = m_operator.shown.size();
            const auto one = Clock::now();
            const bool did = command();
            // What the event loop does between two clicks: the events a
            // command posted are delivered and the windows it closed go, as
            // they would before the next.
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const double ms = SecondsSince(one) * 1000;
            ++built.commands;
            if (built.commands == 1)
                built.firstMs = ms;
            built.lastMs = ms;
            built.slowestMs = std::max(built.slowestMs, ms);
            if (m_operator.shown.size() > before) {
                ++built.refused;
                m_lastRefusal = m_operator.shown.last();
                break;
            }
            if (!did)
                break;
            if (SecondsSince(start) > m_budget) {
                built.cut = true;
                break;
            }
        }
        built.seconds = SecondsSince(start);
        std::printf("  %-34s %8ld commands %3ld refused %9.1f s   first %9.2f ms  last %9.2f ms  slowest %9.2f ms%s\n",
                    what, built.commands, built.refused, built.seconds, built.firstMs, built.lastMs, built.slowestMs,
                    built.cut ? "  (budget spent)" : "");
        if (built.refused)
            std::printf("    refused: %s\n", qPrintable(m_lastRefusal.simplified()));
        std::fflush(stdout);
    }

    // The fixtures the show needs, each patched alone from a profile of the
    // list so that it is a patch block: 32 of 32 channels for the hand-made
    // steps (a step of them all holds 1,024 levels), `generators` of 10 for
    // the curve rows, and one-channel fixtures for the rest of the patch
    // blocks and the groups.
    void Patch()
    {
        const int channels = m_universes * 512;
        m_generators = channels >= 32 * 32 + 150 * 10 + 512 ? 150 : 50;
        const int wanted = int(CShowBounds::Bound(Kind::PatchBlocks));
        QDir(m_folder).mkdir(QStringLiteral("Profiles"));
        WriteProfile(QDir(m_folder).filePath(QStringLiteral("Profiles/Dimmer 01.kvp")), 1);
        WriteProfile(QDir(m_folder).filePath(QStringLiteral("Profiles/Dimmer 10.kvp")), 10);
        WriteProfile(QDir(m_folder).filePath(QStringLiteral("Profiles/Dimmer 32.kvp")), 32);
        QDir::setCurrent(m_folder);

        CFixturesWnd& fixtures = *m_window->FixturesWindow();
        fixtures.AddFixtures();
        CAddFixturesDlg* dialog = fixtures.PatchDialog();
        CPatchTab* tab = dialog ? dialog->PatchPage() : nullptr;
        if (!tab) {
            std::printf("  the patch dialog did not open\n");
            return;
        }
        CProfilesList* list = tab->ProfileList();
        if (list->count() < 3) {
            // The list shows the library folder the dialog chose first.
            QComboBox* folders = tab->FolderCombo();
            folders->setCurrentIndex(folders->findText(QStringLiteral("..")));
        }
        if (list->count() < 3) {
            std::printf("  the profile list shows %d profiles, not the 3 written\n", list->count());
            return;
        }
        int universe = 0;
        int address = 0;
        int placed = 0;
        Repeat(
            "fixture patched (own profile)",
            [&] {
                const int row = placed < 32 ? 2 : placed < 32 + m_generators ? 1 : 0;
                const int size = row == 2 ? 32 : row == 1 ? 10 : 1;
                if (address + size > 512) {
                    ++universe;
                    address = 0;
                }
                if (universe >= m_universes)
                    return false;
                // Chosen again in the list: the next patch takes a fresh copy.
                list->setCurrentItem(nullptr);
                list->setCurrentRow(row);
                tab->UniverseCombo()->setCurrentIndex(universe);
                QComboBox* first = tab->FirstChannelCombo();
                first->setCurrentIndex(first->findText(QString::number(address + 1)));
                tab->CountSpin()->setValue(1);
                const int blocks = tab->m_blocks.size();
                tab->OnPatch();
                if (tab->m_blocks.size() != blocks + 1)
                    return false;
                address += size;
                ++placed;
                return true;
            },
            [&] { return placed >= wanted; });
        const auto start = Clock::now();
        dialog->accept();
        QCoreApplication::processEvents();
        std::printf("  %-34s %8.1f s\n", "patch dialog OK", SecondsSince(start));
        for (CPatchedFixture* fixture : Project().m_generalGroup->m_fixtures) {
            const int size = fixture->Profile() ? fixture->Profile()->ChannelCount() : 0;
            (size == 32 ? m_hand : size == 10 ? m_generating : m_single) << fixture;
        }
        std::printf("  patched: %d of 32 channels, %d of 10, %d of 1\n", int(m_hand.size()),
                    int(m_generating.size()), int(m_single.size()));
    }

    void AddPages()
    {
        Repeat("page tab +", [&] {
            emit Pages().PageView()->newPageRequested();
            return true;
        });
    }

    // A scene of the page, made with the page's "new scene" (the editor
    // before it left through its OK), in its editor; null, and said, when
    // none opened.
    CScene* NewSceneOn(int page)
    {
        Pages().EndEdit(true);
        Pages().SelectPage(page);
        CScene* scene = Pages().PageView()->NewScene();
        if (scene && Editor())
            return scene;
        std::printf("  no scene editor on page %d\n", page + 1);
        return nullptr;
    }

    // One step of every 32-channel fixture at levels of their own, then
    // every step copied and pasted after them until the entries are full.
    void HandMadeSteps()
    {
        CScene* scene = NewSceneOn(0);
        if (!scene)
            return;
        CEditSceneWnd* editor = Editor();
        // A new step and the faders take the selected fixtures: the 32 of
        // them only.
        Project().m_currentGroup->m_selectedFixtures = m_hand;
        Project().SelectionChanged();
        editor->ToolButton(CEditSceneWnd::ToolAdd)->click();
        scene->m_selection = scene->m_steps;
        int moved = 0;
        Repeat("fader moved into the step", [&] {
            const int f = moved / 32;
            const int channel = moved % 32;
            if (f >= m_hand.size())
                return false;
            Project().SetFixtureChannelLevel(m_hand[f], channel, quint8((f * 37 + channel * 11) % 256));
            ++moved;
            return true;
        });
        std::printf("    the step holds %d entries\n", scene->m_steps.value(0) ? scene->m_steps[0]->EntryCount() : 0);
        Repeat("all steps copied and pasted", [&] {
            scene->m_selection = scene->m_steps;
            const auto start = Clock::now();
            editor->ToolButton(CEditSceneWnd::ToolCopy)->click();
            const double copied = SecondsSince(start) * 1000;
            editor->ToolButton(CEditSceneWnd::ToolPaste)->click();
            std::printf("    copy %8.1f ms, paste %8.1f ms: %6d steps, %8lld entries, %9lld levels held\n", copied,
                        SecondsSince(start) * 1000 - copied, int(scene->m_steps.size()), Held(Kind::StepEntries),
                        Held(Kind::StepLevels));
            return true;
        });
        std::printf("    scene holds %d steps, history %d entries\n", int(scene->m_steps.size()), editor->UndoCount());
        const auto start = Clock::now();
        Pages().EndEdit(true);
        std::printf("  %-34s %8.1f s\n", "editor closed", SecondsSince(start));
    }

    // A curve row over the 10-channel fixtures in a scene of the second
    // page, then Copy Scene until the generated entries are full.
    void GeneratedSteps()
    {
        CScene* scene = NewSceneOn(1);
        if (!scene)
            return;
        CProject& project = Project();
        project.m_currentGroup->m_selectedFixtures = m_generating;
        project.SelectionChanged();
        Repeat("curve row applied", [&] {
            auto* effect = new CCurveEffect(8000);
            effect->SetChannelsFromProfile(m_generating.first()->Profile(), false);
            project.BindEffectToSelection(effect, false, true);
            project.m_effectEngine.SetEffect(effect);
            project.ApplyEffect(project.m_editedScene, false, -1, -1, -1);
            return false;
        });
        std::printf("    row of %d steps, %lld generated entries\n", int(scene->m_steps.size()),
                    Held(Kind::GeneratedEntries));
        Pages().EndEdit(true);
        project.m_currentGroup->m_selectedFixtures.clear();
        project.SelectionChanged();
        Repeat("scene copied (curve row)", [&] { return Pages().PageView()->CopyScene(0) != nullptr; });
    }

    // A step of no fixture in a scene of its own, copied and pasted until
    // the steps are full: the entries and levels fill first.
    void EmptySteps()
    {
        CScene* scene = NewSceneOn(0);
        if (!scene)
            return;
        CEditSceneWnd* editor = Editor();
        Project().m_currentGroup->m_selectedFixtures.clear();
        Project().SelectionChanged();
        editor->ToolButton(CEditSceneWnd::ToolAdd)->click();
        Repeat("empty steps copied and pasted", [&] {
            // As many as there is room for, then one past it.
            const qint64 room = CShowBounds::Bound(Kind::Steps) - Held(Kind::Steps);
            scene->m_selection = scene->m_steps.mid(0, int(std::clamp<qint64>(room, 1, scene->m_steps.size())));
            editor->ToolButton(CEditSceneWnd::ToolCopy)->click();
            editor->ToolButton(CEditSceneWnd::ToolPaste)->click();
            return true;
        });
        std::printf("    scene holds %d steps, %lld in the show\n", int(scene->m_steps.size()), Held(Kind::Steps));
        Pages().EndEdit(true);
    }

    // Scenes with nothing in them, a "new scene" on each page and copies of
    // it, as many on each page, until the scenes are full.
    void EmptyScenes()
    {
        // Room is kept for the scenes of hand-made, empty and generated steps.
        const qint64 rows = m_generators > 0 ? CShowBounds::Bound(Kind::GeneratedEntries) / (200 * m_generators) : 0;
        const qint64 wanted = CShowBounds::Bound(Kind::Scenes) - 2 - rows;
        const int pages = Project().m_pages.size();
        int page = 2;
        Repeat(
            "new scene on a page",
            [&] {
                NewSceneOn(page);
                Pages().EndEdit(true);
                ++page;
                return true;
            },
            [&] { return page >= pages || Held(Kind::Scenes) >= wanted; });
        int copies = 0;
        page = 2;
        Repeat("empty scene copied", [&] {
            const qint64 room = wanted - Held(Kind::Scenes);
            const int left = std::max(1, pages - page);
            if (copies >= (room + left - 1) / left) {
                if (++page >= pages)
                    page = 2;
                copies = 0;
                Pages().SelectPage(page);
            }
            ++copies;
            return Pages().PageView()->CopyScene(0) != nullptr;
        }, [&] { return Held(Kind::Scenes) >= wanted; });
    }

    void Masks()
    {
        Repeat("mask added", [&] {
            m_window->AddMask();
            return true;
        });
    }

    void CrossfadeButtons()
    {
        CFadingWnd& fading = *m_window->FadingPanel();
        fading.AddScene(CFadingWnd::FadeInList, Project().m_pages[0]->m_scenes.value(0), true);
        Repeat("crossfade stored", [&] {
            fading.StoreButton()->click();
            return true;
        });
    }

    void TimeLines()
    {
        Repeat("timeline line inserted", [&] {
            TimeLine().InsertLine(0);
            return true;
        });
    }

    void TimeBlocks()
    {
        CPage* page = Project().m_pages[0];
        CScene* scene = page->m_scenes.value(0);
        int block = 0;
        const int lines = TimeLine().SceneLineCount();
        const int perLine = lines > 0 ? int((CShowBounds::Bound(Kind::TimeBlocks) + lines - 1) / lines) : 1;
        Repeat("timeline block added", [&] {
            const bool added =
                TimeLine().AddSceneBlock(page, scene, TimeLine().SceneLine(block / perLine), 40 * (block % perLine));
            ++block;
            return added;
        });
    }

    void TimeMarkers()
    {
        int marker = 0;
        Repeat("timeline marker added", [&] {
            TimeLine().AddMarkerAt(10 * ++marker);
            return true;
        });
    }

    // 512 fixtures selected in the General group, then a new group of the
    // selection again and again: each new group is current and keeps it.
    void Groups()
    {
        CProject& project = Project();
        project.SetCurrentGroup(0);
        QList<CPatchedFixture*> selection = m_single.mid(0, 512);
        for (int i = 0; selection.size() < 512 && i < m_generating.size(); ++i)
            selection << m_generating[i];
        for (int i = 0; selection.size() < 512 && i < m_hand.size(); ++i)
            selection << m_hand[i];
        project.m_generalGroup->m_selectedFixtures = selection;
        project.SelectionChanged();
        std::printf("    %d fixtures selected\n", int(selection.size()));
        Repeat("new group of the selection", [&] {
            m_window->FixturesWindow()->OnAddToNewGroup();
            return true;
        });
    }

    int m_universes;
    double m_budget;
    QString m_folder;
    int m_generators = 0;
    QList<CPatchedFixture*> m_hand;
    QList<CPatchedFixture*> m_generating;
    QList<CPatchedFixture*> m_single;
    // Answers every modal window as an operator building a show would: a
    // name box with the name it proposes, a question with No (the default
    // effects of new profiles are not wanted), a message with its only
    // button. The messages it keeps are how a refusal at a bound shows.
    CShownDialogs m_operator;
    QString m_lastRefusal;
    std::unique_ptr<Orvane> m_window;
};

void PrintHeld(CProject& project)
{
    for (int kind = 0; kind < CShowBounds::KindCount; ++kind) {
        const qint64 held = CShowBounds::Held(project, Kind(kind));
        const qint64 bound = CShowBounds::Bound(Kind(kind));
        std::printf("  %-44s %12lld / %-12lld %6.1f %%\n", qPrintable(CShowBounds::Word(Kind(kind))),
                    static_cast<long long>(held),
                    static_cast<long long>(bound), 100.0 * double(held) / double(bound));
    }
    std::printf("  %-44s %12lld / %-12lld bytes\n", "universe buffers",
                static_cast<long long>(CShowBounds::BufferBytesHeld(project)),
                static_cast<long long>(CShowBounds::kMaxUniverseBufferBytes));
    std::fflush(stdout);
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    int universes = 4;
    double budget = 300;
    QString keep;
    QStringList only;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--universes"))
            universes = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--budget"))
            budget = std::max(1.0, args[i + 1].toDouble());
        else if (args[i] == QLatin1String("--keep"))
            keep = args[i + 1];
        else if (args[i] == QLatin1String("--only"))
            only << args[i + 1];
    }
    QTemporaryDir dir;
    std::printf("%d universes, at most %.0f s a kind\n", universes, budget);
    std::fflush(stdout);
    const auto total = Clock::now();
    CBench bench(universes, budget, dir.path());
    CProject& project = bench.Project();
    std::printf("universes in the show: %d\n", project.UniverseCount());

    struct SStage {
        const char* name;
        void (CBench::*run)();
    };
    const SStage stages[] = {
        {"patch", &CBench::Patch},
        {"pages", &CBench::AddPages},
        {"empty scenes", &CBench::EmptyScenes},
        {"hand-made steps", &CBench::HandMadeSteps},
        {"generated steps", &CBench::GeneratedSteps},
        {"empty steps", &CBench::EmptySteps},
        {"masks", &CBench::Masks},
        {"crossfade buttons", &CBench::CrossfadeButtons},
        {"timeline lines", &CBench::TimeLines},
        {"timeline blocks", &CBench::TimeBlocks},
        {"timeline markers", &CBench::TimeMarkers},
        {"groups", &CBench::Groups},
    };
    for (const SStage& stage : stages) {
        if (!only.isEmpty() && !only.contains(QLatin1String(stage.name)))
            continue;
        std::printf("%s\n", stage.name);
        std::fflush(stdout);
        const auto start = Clock::now();
        (bench.*stage.run)();
        std::printf("  = %.1f s, resident %ld MB, peak %ld MB\n", SecondsSince(start), ResidentMb(), PeakMb());
        std::fflush(stdout);
    }
    bench.Pages().EndEdit(true);
    std::printf("built in %.1f s\nheld / bound:\n", SecondsSince(total));
    PrintHeld(project);

    const QString first = dir.filePath(QStringLiteral("full.kv3"));
    const QString second = dir.filePath(QStringLiteral("again.kv3"));
    QString error;
    auto start = Clock::now();
    const bool saved = project.SaveProject(first, &error);
    std::printf("save: %s in %.2f s, %lld bytes, resident %ld MB, peak %ld MB%s%s\n", saved ? "written" : "REFUSED",
                SecondsSince(start), static_cast<long long>(QFileInfo(first).size()), ResidentMb(), PeakMb(),
                error.isEmpty() ? "" : ": ", qPrintable(error.simplified()));
    std::fflush(stdout);
    if (!saved)
        return 1;

    const int before = bench.m_operator.shown.size();
    start = Clock::now();
    const bool opened = bench.Window().OpenProject(first);
    std::printf("open (the window's, the check of the file, then the read): %s in %.2f s, resident %ld MB, peak %ld MB\n",
                opened ? "read" : "REFUSED", SecondsSince(start), ResidentMb(), PeakMb());
    for (int i = before; i < bench.m_operator.shown.size(); ++i)
        std::printf("  told: %s\n", qPrintable(bench.m_operator.shown[i].simplified()));
    std::fflush(stdout);
    if (!opened)
        return 1;
    std::printf("held / bound as opened:\n");
    PrintHeld(project);

    start = Clock::now();
    error.clear();
    const bool again = project.SaveProject(second, &error);
    std::printf("save again: %s in %.2f s, %lld bytes, peak %ld MB%s%s\n", again ? "written" : "REFUSED",
                SecondsSince(start), static_cast<long long>(QFileInfo(second).size()), PeakMb(),
                error.isEmpty() ? "" : ": ", qPrintable(error.simplified()));
    if (!again)
        return 1;
    const bool same = Bytes(first) == Bytes(second);
    if (!keep.isEmpty() && !QFile::copy(first, keep))
        std::printf("could not keep the file as %s\n", qPrintable(keep));
    std::printf("bytes of the two saves: %s\n", same ? "same" : "OTHER");
    std::printf("total %.1f s\n", SecondsSince(total));
    return same ? 0 : 1;
}
