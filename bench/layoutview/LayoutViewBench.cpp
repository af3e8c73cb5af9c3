// Repainting the 2-D plan of a large show with live colours: 2,720 RGB
// fixtures (sixteen fully patched universes) drawn from the output levels,
// which change before every repaint. Prints the median repaint time and its
// share of the 25 ms tick, then checks that a tick with unchanged levels
// repaints nothing. Then the plan of a show whose fixtures were never
// placed: 10,880 labelled symbols (64 universes) stacked on one spot, each
// marked as driven by a scene, repainted as a start or stop of every scene
// repaints it, at zoom 1 and 2. Build it in Release for meaningful times:
//   cmake --build <dir> --target bench_layoutview && <dir>/bench/bench_layoutview

#include "../../tests/model/LibraryProfileBuilder.h"
#include "layout/view/FixtureItem.h"
#include "layout/view/FixturesView.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileTypes.h"
#include "show/Group.h"
#include "show/Project.h"
#include "show/Scene.h"

#include <QApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <time.h>

namespace {

constexpr int kFixtures = 2720;
constexpr int kPerUniverse = 170; // three channels each
constexpr int kColumns = 68;
constexpr int kRuns = 60;
constexpr int kStackedFixtures = 10880;

// The machine may be shared: the thread's own processor time is reported
// beside the wall time, as it leaves out the waits for a processor.
double ThreadMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

CLibraryProfile* RgbProfile(CProject& project)
{
    auto* profile = new CLibraryProfile;
    ProfileBuilder::AddColorSet(*profile, ChannelType::Red);
    profile->UpdateRoles();
    project.m_library << profile;
    return profile;
}

// A fixture numbered from `i`, its item at `at`.
CPatchedFixture* AddFixture(CProject& project, CFixturesView& view, CLibraryProfile* profile, int i, int drawType,
                            const QPoint& at)
{
    auto* fixture = new CPatchedFixture((i % kPerUniverse) * 3, i / kPerUniverse, i + 1, -1,
                                        QStringLiteral("F%1").arg(i + 1), profile, false, false, drawType);
    project.m_generalGroup->AddFixture(fixture);
    auto* item = new CFixtureItem(fixture, CFixtureItem::FixtureType);
    item->m_rect.moveTopLeft(at);
    view.AddFixtureItem(item);
    return fixture;
}

struct STimes
{
    double wall;
    double cpu;
};

// Each run is set up by `prepare` out of the time, then painted.
template <typename Prepare, typename Paint>
STimes MedianTimes(int runs, Prepare prepare, Paint paint)
{
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int run = 0; run < runs; ++run) {
        prepare(run);
        const double cpuStart = ThreadMs();
        const auto start = std::chrono::steady_clock::now();
        paint();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        cpuTimes.push_back(ThreadMs() - cpuStart);
    }
    return {Median(times), Median(cpuTimes)};
}

// Every fixture on the spot a show that never placed them gives, with the
// mark of a playing scene, as the plan shows them while all scenes play.
void StackedPlan(CLibraryProfile* profile)
{
    CProject project;
    project.NewProject(kStackedFixtures / kPerUniverse);
    CScene scene(QStringLiteral("S"), 4);
    CFixturesView view(project);
    for (int i = 0; i < kStackedFixtures; ++i)
        AddFixture(project, view, profile, i, 0, QPoint(10, 10))->AddPlayingScene(&scene);
    for (float zoom : {1.0f, 2.0f}) {
        view.SetZoom(zoom);
        QImage target(view.size(), QImage::Format_ARGB32_Premultiplied);
        const STimes t = MedianTimes(kRuns / 4, [](int) {}, [&] { view.render(&target); });
        std::printf("repaint of %d stacked labelled fixtures at zoom %.0f: median %.3f ms wall, %.3f ms processor\n",
                    kStackedFixtures, double(zoom), t.wall, t.cpu);
    }
    // Live colours repaint at the view's interval while the scenes play.
    view.SetZoom(1.0f);
    QImage target(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (CFixtureItem* item : view.FixtureItems())
        item->Fixture()->m_drawType = 2;
    CDmxLayer& output = project.m_output;
    const STimes live = MedianTimes(
        kRuns / 4,
        [&](int run) {
            std::fill(output[0], output[0] + output.UniverseCount() * CDmxLayer::kSlots, quint8(run * 37));
        },
        [&] { view.render(&target); });
    std::printf("repaint of %d stacked fixtures in live colours: median %.3f ms wall, %.3f ms processor\n",
                kStackedFixtures, live.wall, live.cpu);
    for (int i = 0; i < kStackedFixtures; ++i)
        view.FixtureItems().at(i)->Fixture()->RemovePlayingScene(&scene);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CProject project;
    project.NewProject(kFixtures / kPerUniverse);
    CLibraryProfile* profile = RgbProfile(project);

    CFixturesView view(project);
    for (int i = 0; i < kFixtures; ++i)
        AddFixture(project, view, profile, i, 2, QPoint(10 + (i % kColumns) * 22, 10 + (i / kColumns) * 22));
    view.SetSceneRect(view.ItemsExtent());
    QImage target(view.size(), QImage::Format_ARGB32_Premultiplied);

    CDmxLayer& output = project.m_output;
    const STimes t = MedianTimes(
        kRuns,
        [&](int run) {
            for (int u = 0; u < output.UniverseCount(); ++u) {
                for (int s = 0; s < CDmxLayer::kSlots; ++s)
                    output[u][s] = quint8((s * 7 + u * 13 + run * 29) & 0xFF);
            }
        },
        [&] { view.render(&target); });
    std::printf("repaint of %d fixtures with live colours (%dx%d px): median %.3f ms wall, %.3f ms processor "
                "(%.1f%% of a 25 ms tick)\n",
                kFixtures, view.width(), view.height(), t.wall, t.cpu, t.wall * 100.0 / 25.0);

    // The output as last painted: a tick that changes no level repaints nothing.
    view.RefreshLiveColors();
    int repaints = 0;
    for (int tick = 0; tick < 100; ++tick)
        repaints += view.RefreshLiveColors() ? 1 : 0;
    output[3][100] ^= 0xFF;
    const bool changedRepaints = view.RefreshLiveColors();
    std::printf("unchanged ticks that repainted: %d of 100; a changed level repaints: %s\n", repaints,
                changedRepaints ? "yes" : "no");
    StackedPlan(profile);
    return repaints == 0 && changedRepaints ? 0 : 1;
}
