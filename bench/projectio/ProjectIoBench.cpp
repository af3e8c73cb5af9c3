// Saving and opening a large synthetic show: 16 universes patched full of
// RGB fixtures, 1024 of them in a 32 x 32 matrix; 20 pages of 50 scenes of
// 50 steps, every fifth scene with a generated gradient or curve row; 100
// effect scenes with static levels; 500 timeline blocks. Prints the median
// save and open times, the file size and the peak memory, then opens shows
// of 5 to 40 pages and of 4 to 32 universes: opening must grow linearly with
// each (the time per step stays flat as pages grow). Build it in Release:
//   cmake --build <dir> --target bench_projectio && <dir>/bench/bench_projectio [--keep FILE] [--universes N] [--pages N]
// Last, files of a few long lists (a group naming 3000 matrices 300,000
// times, 20,000 effect rows over 20,000 fixtures, a release list of 500,000
// scenes) and the hostile document of long names, timed as they open: the
// tests bound their work, not their time.
// --show fixtures|page|every|recording times one show alone, for its peak memory:
// 990,000 one-channel fixtures in 4 universes (whose save is refused for its
// nodes, and must stop there), 131,072 steps in 64 scenes of 2,048 on one
// page over 2 one-channel fixtures, or every kind of the capacity table at
// its bound at once but the levels, the patch blocks and the generated
// entries (FillToBound; its generated entries are not an effect row the
// reader takes as written), or a recording made by the recorder to where it
// stops, pasted into a scene as the editor pastes it (16 fixtures of 32
// channels, every level changing every 40 ms, 131,072 steps: the step,
// entry and level bounds at once, some 140 MB of text); it prints the
// save's and the open's time and the peak memory before and after each,
// and whether a save of the show opened gives the same bytes.
// --keep leaves the full-size file behind. --universes N patches N universes
// full in the timed show and leaves out the table by size, so that the
// process's peak memory (/usr/bin/time -v) is that show's; --pages N does
// the same with N pages (2,500 steps each). No language is loaded: a save
// refused for its size must fail without the message's wording.

#include "BenchShow.h"
#include "HostileXml.h"
#include "ShowAtBound.h"
#include "app/DmxRecorder.h"
#include "effects/CurveEffect.h"
#include "effects/Effect.h"
#include "effects/GradientEffect.h"
#include "model/FixtureMatrix.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "model/SafeWrite.h"
#include "show/EffectScene.h"
#include "show/FadingButton.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"
#include "show/StepFixture.h"
#include "show/TimeLine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFixturesPerUniverse = 170; // RGB: 510 of 512 slots
constexpr int kStepsPerScene = 50;
constexpr int kEntriesPerStep = 16;
constexpr int kRowFixtures = 32;

class CBenchHost : public CShowHost
{
public:
    bool HasTimeLine() const override { return true; }
    int UniverseCountOption() const override { return m_universes; }

    int m_universes = 16;
};

// Stands in for the effect engine, which the show library does not link:
// a row of 50 steps of 40 ms with an entry per enabled fixture.
void GenerateRow(CScene& scene, CEffect* effect, int position, const CScene::EffectRowAdmit&)
{
    CEffect* clone = CloneEffect(effect);
    if (!clone)
        return;
    scene.m_effects << clone;
    for (int s = 0; s < kStepsPerScene; ++s) {
        auto* step = new CSceneStep(0, 40);
        step->m_effect = clone;
        for (int i = 0; i < clone->m_fixtures.size(); ++i) {
            if (clone->m_fixtures[i] && clone->m_fixtureSel.value(i))
                step->AddEntry(new CStepFixture(clone->m_fixtures[i], &scene));
        }
        scene.m_steps.insert(position + s, step);
    }
}

struct CShowSize
{
    int universes = 16;  // patched full; the matrix takes the first 1024 fixtures
    int pages = 20;      // of 50 scenes of 50 steps
};

void BuildShow(CProject& project, const CShowSize& size)
{
    project.NewProject(std::max(16, size.universes));
    CGroup* general = project.m_generalGroup;
    CLibraryProfile* rgb = RgbProfile(project);

    // The matrix takes the first fixtures of the first universes, 32 per row.
    const int matrixRows = std::min(32, size.universes * kFixturesPerUniverse / 32);
    auto* matrix = new CFixtureMatrix(rgb, 1, 32, matrixRows, 0);
    general->m_matrices << matrix;
    const int matrixCells = 32 * matrixRows;
    int id = 0;
    for (int u = 0; u < size.universes; ++u) {
        for (int f = 0; f < kFixturesPerUniverse; ++f) {
            const bool member = id < matrixCells;
            auto* fixture = new CPatchedFixture(3 * f, u, id + 1, member ? 1 : -1, QStringLiteral("RGB %1").arg(id + 1),
                                                rgb, false, false, 0);
            fixture->AddPosition(20 * (id % 32), 20 * (id / 32));
            general->AddFixture(fixture);
            if (member)
                matrix->AddMember(fixture, QRect(20 * (id % 32), 20 * (id / 32), 20, 20));
            ++id;
        }
    }
    matrix->OrderMembers();
    const QList<CPatchedFixture*> fixtures = general->m_fixtures;

    // Pages of scenes: plain steps on 16 fixtures spread over the universes,
    // and every fifth scene a gradient or curve row on 32 fixtures.
    for (int p = 0; p < size.pages; ++p) {
        CPage* page = p == 0 ? project.m_firstPage : project.AddPage(QStringLiteral("Page %1").arg(p + 1));
        for (int s = 0; s < 50; ++s) {
            auto* scene = new CScene(QStringLiteral("Scene %1").arg(s + 1), project.UniverseCount());
            page->m_scenes << scene;
            CEffect* effect = nullptr;
            if (s % 5 == 0) {
                effect = (s / 5) % 2 ? static_cast<CEffect*>(new CCurveEffect) : new CGradientEffect;
                for (int i = 0; i < kRowFixtures; ++i) {
                    effect->m_fixtures << fixtures[(p * 50 + s + i * 7) % fixtures.size()];
                    effect->m_fixtureSel << true;
                }
                scene->m_effects << effect;
            }
            for (int t = 0; t < kStepsPerScene; ++t) {
                auto* step = new CSceneStep(40 * (t % 3), 1000);
                step->m_effect = effect;
                const int count = effect ? kRowFixtures : kEntriesPerStep;
                for (int e = 0; e < count; ++e) {
                    CPatchedFixture* fixture =
                        effect ? effect->m_fixtures[e] : fixtures[(e * kFixturesPerUniverse + p * 50 + s) % fixtures.size()];
                    auto* entry = new CStepFixture(fixture, scene);
                    for (int c = 0; c < 3; ++c)
                        entry->SetLevel(c, quint8((t * 5 + e + c) & 0xFF), true, false);
                    step->AddEntry(entry);
                }
                scene->m_steps << step;
            }
            scene->UpdateLength();
        }
    }

    for (int n = 0; n < 100; ++n) {
        CEffectScene* scene = project.AddEffectScene();
        scene->m_effects << new CGradientEffect;
        scene->SetStaticLevel(rgb, n % 3, quint8(n));
        scene->SetChannelStaticLevel(n % size.universes, n, 255);
    }

    for (int n = 0; n < 10; ++n) {
        auto* button = new CFadingButton(QStringLiteral("Fade %1").arg(n + 1));
        button->m_fadeOutPages << project.m_pages[0];
        button->m_fadeOutScenes << project.m_pages[0]->m_scenes[n];
        button->m_fadeInPages << project.m_pages.last();
        button->m_fadeInScenes << project.m_pages.last()->m_scenes[n];
        project.m_fadingButtons << button;
    }

    CTimeLineData& timeLine = project.m_timeLine;
    for (int l = 0; l < 5; ++l) {
        auto* line = new CTimeLine(QStringLiteral("Line %1").arg(l + 1));
        for (int b = 0; b < 100; ++b) {
            CPage* page = project.m_pages[b % project.m_pages.size()];
            auto* block = new CTimeBlock(page, page->m_scenes[(b + l) % 50]);
            block->m_start = 2000 * b;
            block->m_length = 1500;
            block->m_color = b % CTimeBlock::kColorCount;
            line->AddBlock(block);
        }
        timeLine.AddLine(line);
    }
    auto* music = new CMediaTimeLine(QStringLiteral("Music"), CTimeLine::MusicLine);
    music->AddBlock(new CMediaTimeBlock(QStringLiteral("show.mp3")));
    timeLine.AddLine(music);
    for (int m = 0; m < 20; ++m)
        timeLine.AddMarker(new CTimeMarker(10000 * m));

    for (int m = 0; m < 5; ++m) {
        CMask mask{QStringLiteral("Mask %1").arg(m + 1), {}};
        for (int c = 0; c < 512; c += 4)
            mask.m_levels << CChannelLevel{m % size.universes, c, 200};
        project.m_masks << mask;
    }
    project.UpdateAfterPatch(false, false);
}

qint64 StepCount(const CProject& project)
{
    qint64 steps = 0;
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes)
            steps += scene->m_steps.size();
    }
    return steps;
}

double ClockMs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return 1000.0 * double(now.tv_sec) + double(now.tv_nsec) / 1e6;
}

template <typename F>
double Ms(F f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// On a busy machine the wall time includes waiting for a core: the CPU time
// of the calling thread, and of the whole process (workers included), is
// what the code itself costs.
struct STimes
{
    std::vector<double> wall;
    std::vector<double> thread;
    std::vector<double> process;

    template <typename F>
    void Measure(F f)
    {
        const double thread0 = ClockMs(CLOCK_THREAD_CPUTIME_ID);
        const double process0 = ClockMs(CLOCK_PROCESS_CPUTIME_ID);
        wall.push_back(Ms(f));
        thread.push_back(ClockMs(CLOCK_THREAD_CPUTIME_ID) - thread0);
        process.push_back(ClockMs(CLOCK_PROCESS_CPUTIME_ID) - process0);
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A ".kv3" file of `body` below the root, as the program stores it.
bool StoreFile(const QString& path, const QByteArray& body)
{
    return SafeWriteFile(path, CXmlDocument::EncodeStorage(CXmlDocument::CompressedStorage,
                                                           "<ZKFile Version=\"2.0\"><ZKParams/>" + body + "</ZKFile>"));
}

QList<std::pair<const char*, QByteArray>> LongListFiles()
{
    QByteArray patch;
    QByteArray ids;
    for (int i = 0; i < 3000; ++i) {
        patch += "<ZKFixtures><ZKLibrary ZKMatrixId=\"" + QByteArray::number(i)
            + "\"><ZKProfile><ZKProperties/><ZKModes><ZKMode><ZKChannel/></ZKMode></ZKModes></ZKProfile>"
              "<ZKMatrix ZKMatrixSizeX=\"1\" ZKMatrixSizeY=\"1\"/></ZKLibrary><ZKFixture ZKId=\""
            + QByteArray::number(i) + "\"/></ZKFixtures>";
        ids += (i ? "|" : "") + QByteArray::number(i);
    }
    QByteArray fixtures;
    for (int i = 0; i < 20000; ++i)
        fixtures += "<ZKFixture ZKId=\"" + QByteArray::number(i) + "\"/>";
    QByteArray released;
    for (int i = 1; i < 6000; ++i)
        released += (i > 1 ? "|" : "") + QByteArray::number(i);
    return {
        {"matrices of a group",
         "<ZKPatch>" + patch + "</ZKPatch><ZKGroups><ZKGlobalGroup/><ZKGroup ZKFixtures=\"2999\" ZKMatrix=\"" + ids
             + QByteArray("|2999").repeated(300000) + "\" ZKGrpSel=\"" + QByteArray("2999;1|").repeated(300000)
             + "\"/></ZKGroups>"},
        {"effect rows over a large patch",
         "<ZKPatch><ZKFixtures><ZKLibrary ZKMatrixId=\"-1\"><ZKProfile><ZKProperties/><ZKModes><ZKMode><ZKChannel/>"
         "</ZKMode></ZKModes></ZKProfile></ZKLibrary>"
             + fixtures
             + "</ZKFixtures></ZKPatch><ZKPages><ZKPage><ZKScenes><ZKScene><ZKSteps>"
             + QByteArray("<ZKStep><ZKEffect ZKEType=\"1\"/></ZKStep>").repeated(20000)
             + "</ZKSteps></ZKScene></ZKScenes></ZKPage></ZKPages>"},
        {"release list",
         "<ZKPages><ZKPage><ZKScenes><ZKScene ZKReleaseList=\"" + released + QByteArray("|5999").repeated(500000)
             + "\"/>" + QByteArray("<ZKScene/>").repeated(5999) + "</ZKScenes></ZKPage></ZKPages>"},
    };
}

// Opens each file of long lists, and the hostile document of long names, a
// few times, and prints the median time it took to open or refuse.
void TimeLongListsAndRefusals(const QTemporaryDir& dir)
{
    std::printf("\nopening files of long lists, refusing a hostile document:\n");
    QList<std::pair<const char*, QByteArray>> files = LongListFiles();
    for (const CHostileXml& document : HostileXmlDocuments()) {
        if (qstrcmp(document.name, "long names") == 0)
            files.append({"hostile: long names", document.xml.mid(int(std::strlen("<ZKFile Version=\"2.0\">")))});
    }
    const QString path = dir.filePath(QStringLiteral("lists.kv3"));
    for (const auto& [name, body] : files) {
        if (!StoreFile(path, body)) {
            std::printf("%-32s cannot write %s\n", name, qPrintable(path));
            continue;
        }
        std::vector<double> times;
        bool opened = false;
        for (int run = 0; run < 3; ++run) {
            CProject project;
            project.NewProject(16);
            times.push_back(Ms([&] { opened = project.OpenProject(path); }));
        }
        std::printf("%-32s %s in %.0f ms (median of 3)\n", name, opened ? "opened" : "refused", Median(times));
    }
}

long PeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The show of --show, saved and opened once, with the peak memory after
// each step.
int TimeOneShow(const QString& which, const QString& path)
{
    CProject project;
    project.NewProject(4);
    auto* profile = RgbProfile(project);
    profile->CurrentMode()->m_channels.erase(profile->CurrentMode()->m_channels.begin() + 1,
                                             profile->CurrentMode()->m_channels.end());
    profile->UpdateRoles();
    const bool fixtures = which == QLatin1String("fixtures");
    const bool recording = which == QLatin1String("recording");
    if (recording) {
        for (int c = 1; c < 32; ++c) {
            auto* channel = new CProfileChannelDef;
            channel->m_type = ChannelType::Red;
            profile->CurrentMode()->m_channels << channel;
        }
        profile->UpdateRoles();
    }
    const int patched = fixtures ? 990000 : recording ? 16 : 2;
    // Straight into the lists: AddFixture looks for each one first.
    CGroup* general = project.m_generalGroup;
    for (int f = 0; f < patched; ++f) {
        auto* fixture = new CPatchedFixture(recording ? 32 * f : f % 512, (f / 512) % 4, f + 1, -1,
                                            QStringLiteral("D"), profile, false, false, 0);
        general->m_fixtures << fixture;
        general->m_beamFlags << fixture->BeamFlags();
    }
    project.UpdateAfterPatch(false, false);
    if (which == QLatin1String("every")) {
        using B = CShowBounds;
        for (B::Kind kind : {B::StepEntries, B::GroupMembers, B::Groups, B::TimeLines,
                             B::TimeMarkers, B::Masks, B::FadingButtons, B::Steps, B::Scenes, B::Pages})
            FillToBound(project, kind);
        FillToBound(project, B::TimeBlocks, 0, project.m_firstPage->m_scenes.value(0));
    } else if (recording) {
        // Through the recorder, as the scene editor records: every level
        // new at every sample, until it stops at a bound; then pasted into
        // the edited scene as the editor pastes it.
        auto* edited = new CScene(QStringLiteral("Recording"), project.UniverseCount());
        project.m_firstPage->m_scenes << edited;
        project.m_recordScene = new CScene(QStringLiteral("DMX Record"), project.UniverseCount());
        CDmxRecorder recorder;
        recorder.Start(project, CRecordConfig{}, {0}, edited);
        quint32 noise = 1;
        long ticks = 0;
        do {
            for (int slot = 0; slot < 32 * patched; ++slot) {
                noise = noise * 1664525u + 1013904223u;
                project.m_dmxInput[0][slot] = quint8(noise >> 24);
            }
            ++ticks;
        } while (recorder.Tick(project, 25));
        CShowBounds::Kind full = CShowBounds::KindCount;
        recorder.StoppedAtBound(&full);
        CScene* recorded = project.m_recordScene;
        project.m_recordScene = nullptr;
        std::printf("recorder: stopped after %ld ticks (%.1f min) at %d steps, at the bound of kind %d\n", ticks,
                    ticks * 25 / 60000.0, recorded->m_steps.size(), int(full));
        edited->PasteSteps(0, recorded->m_steps);
        edited->MarkActiveChannelsOf(*recorded);
        delete recorded;
        std::printf("pasted: the show %s within its bounds\n", CShowBounds::HoldsWithin(project) ? "holds" : "is not");
    } else if (!fixtures) {
        for (int s = 0; s < 64; ++s) {
            auto* scene = new CScene(QStringLiteral("S"), project.UniverseCount());
            project.m_firstPage->m_scenes << scene;
            for (int i = 0; i < 2048; ++i) {
                auto* step = new CSceneStep(0, 40);
                for (int f = 0; f < patched; ++f) {
                    auto* entry = new CStepFixture(project.m_generalGroup->m_fixtures[f], scene);
                    entry->SetLevel(0, quint8(i + f), true, true);
                    step->AddEntry(entry);
                }
                scene->m_steps << step;
            }
        }
    }
    std::printf("show: %d fixtures, %lld steps; peak memory after building: %ld MiB\n",
                project.m_generalGroup->m_fixtures.size(), StepCount(project), PeakKb() / 1024);
    QString error;
    bool saved = false;
    const double saveMs = Ms([&] { saved = project.SaveProject(path, &error); });
    std::printf("save: %s in %.0f ms; peak memory %ld MiB\n", saved ? "saved" : qPrintable(error), saveMs,
                PeakKb() / 1024);
    if (!saved)
        return 0;
    project.Clear();
    bool opened = false;
    const double openMs = Ms([&] { opened = project.OpenProject(path); });
    std::printf("open: %s in %.0f ms, file %.1f MiB; peak memory %ld MiB\n", opened ? "opened" : "refused", openMs,
                double(QFileInfo(path).size()) / (1024.0 * 1024.0), PeakKb() / 1024);
    if (!opened)
        return 0;
    const QString again = path + QStringLiteral(".again.kv3");
    const double againMs = Ms([&] { saved = project.SaveProject(again, &error); });
    QFile first(path), second(again);
    const bool same = saved && first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly)
        && first.readAll() == second.readAll();
    std::printf("saved again: %s in %.0f ms, %s bytes; peak memory %ld MiB\n", saved ? "saved" : qPrintable(error),
                againMs, same ? "the same" : "other", PeakKb() / 1024);
    QFile::remove(again);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString keep;
    QString show;
    int universes = 0;
    int pages = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--keep"))
            keep = QString::fromLocal8Bit(argv[i + 1]);
        else if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--universes"))
            universes = std::clamp(QString::fromLocal8Bit(argv[i + 1]).toInt(), 1, 256);
        else if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--show"))
            show = QString::fromLocal8Bit(argv[i + 1]);
        else if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--pages"))
            pages = std::clamp(QString::fromLocal8Bit(argv[i + 1]).toInt(), 1, 400);
    }
    CBenchHost host;
    SetShowHost(&host);
    CScene::SetEffectRowGenerator(&GenerateRow);
    QTemporaryDir dir;
    const QString path = keep.isEmpty() ? dir.filePath(QStringLiteral("bench.kv3")) : keep;
    if (!show.isEmpty()) {
        host.m_universes = 16;
        const int result = TimeOneShow(show, path);
        CScene::SetEffectRowGenerator(nullptr);
        SetShowHost(nullptr);
        return result;
    }

    CShowSize timed;
    if (universes > 0)
        timed.universes = universes;
    if (pages > 0)
        timed.pages = pages;
    host.m_universes = std::max(16, timed.universes);
    CProject project;
    BuildShow(project, timed);
    std::printf("show: %d universes, %d fixtures, %d pages, %lld steps, %d effect scenes, %d timeline lines\n",
                timed.universes, project.m_generalGroup->m_fixtures.size(), project.m_pages.size(), StepCount(project),
                project.m_effectScenes.size(), project.m_timeLine.m_lines.size());
    std::printf("peak memory after building: %ld MiB\n", PeakKb() / 1024);

    constexpr int kRuns = 5;
    STimes saves;
    STimes opens;
    for (int run = 0; run < kRuns; ++run) {
        bool saved = false;
        bool opened = false;
        QString error;
        saves.Measure([&] { saved = project.SaveProject(path, &error); });
        if (!saved) {
            std::printf("run %d: save FAILED (%s), file: %.1f MiB\n", run, qPrintable(error),
                        double(QFileInfo(path).size()) / (1024.0 * 1024.0));
            return 1;
        }
        opens.Measure([&] { opened = project.OpenProject(path); });
        if (!opened) {
            std::printf("run %d: saved, open FAILED\n", run);
            return 1;
        }
    }
    std::printf("opened: %d fixtures, %lld steps, %d effect scenes, %d timeline blocks in line 1\n",
                project.m_generalGroup->m_fixtures.size(), StepCount(project), project.m_effectScenes.size(),
                project.m_timeLine.m_lines.value(0) ? project.m_timeLine.m_lines[0]->m_blocks.size() : 0);
    std::printf("save: median %.0f ms of %d (CPU: calling thread %.0f ms, process %.0f ms)\n", Median(saves.wall),
                kRuns, Median(saves.thread), Median(saves.process));
    std::printf("open: median %.0f ms of %d (CPU: calling thread %.0f ms, process %.0f ms)\n", Median(opens.wall),
                kRuns, Median(opens.thread), Median(opens.process));
    std::printf("file: %.1f MiB\n", double(QFileInfo(path).size()) / (1024.0 * 1024.0));
    std::printf("peak memory: %ld MiB\n", PeakKb() / 1024);

    // The full show would otherwise share the heap with the others.
    project.Clear();
    if (universes > 0 || pages > 0) {
        CScene::SetEffectRowGenerator(nullptr);
        SetShowHost(nullptr);
        return 0;
    }
    host.m_universes = 16;
    std::printf("\nopening by size (each scene also stores the masks of every patched universe):\n");
    std::printf("%10s %8s %10s %10s %10s %14s\n", "universes", "pages", "fixtures", "steps", "open ms", "us per step");
    const QString scaledPath = dir.filePath(QStringLiteral("scaled.kv3"));
    for (const CShowSize& size : {CShowSize{16, 5}, CShowSize{16, 10}, CShowSize{16, 20}, CShowSize{16, 40},
                                  CShowSize{4, 20}, CShowSize{8, 20}, CShowSize{32, 20}}) {
        qint64 steps = 0;
        int fixtures = 0;
        {
            CProject built;
            BuildShow(built, size);
            built.SaveProject(scaledPath);
            steps = StepCount(built);
            fixtures = built.m_generalGroup->m_fixtures.size();
        }
        std::vector<double> times;
        for (int run = 0; run < 3; ++run) {
            CProject opened;
            opened.NewProject(std::max(16, size.universes));
            times.push_back(Ms([&] { opened.OpenProject(scaledPath); }));
        }
        const double ms = Median(times);
        std::printf("%10d %8d %10d %10lld %10.0f %14.2f\n", size.universes, size.pages, fixtures, steps, ms,
                    1000.0 * ms / double(steps));
    }
    TimeLongListsAndRefusals(dir);
    CScene::SetEffectRowGenerator(nullptr);
    SetShowHost(nullptr);
    return 0;
}
