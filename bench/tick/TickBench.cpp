// One master tick (scene pass and output merge) under growing shows: fully
// patched universes, more and more playing scenes, steady and in constant
// crossfade, with the live masters and with inverted 16-bit moving heads.
// Prints the median time per tick, its share of the 25 ms tick and the heap
// allocations of the measured ticks, which must be none. Build it in
// Release for meaningful times:
//   cmake --build <dir> --target bench_tick && <dir>/bench/bench_tick

#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

std::atomic<long> g_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr int kTickMs = 25;
constexpr int kWarmUpTicks = 20;
constexpr int kMeasuredTicks = 200;

enum class Fixtures { Rgb, MovingHead };
enum class Motion { Steady, Crossfade };

struct Case
{
    int universes;
    int scenes;
    Fixtures fixtures;
    Motion motion;
    bool masters; // dimmer 75 and colour override
};

CLibraryProfile* MakeProfile(Fixtures kind)
{
    auto* profile = new CLibraryProfile;
    auto add = [profile](int type) {
        auto* channel = new CProfileChannelDef;
        channel->m_type = type;
        profile->CurrentMode()->m_channels << channel;
        return channel;
    };
    auto addFine = [profile, &add](CProfileChannelDef* coarse) {
        const int coarseIndex = profile->CurrentMode()->m_channels.indexOf(coarse);
        CProfileChannelDef* fine = add(coarse->m_type);
        fine->m_lsb = true;
        fine->m_partner16Index = coarseIndex;
        coarse->m_msb = true;
        coarse->m_partner16Index = profile->CurrentMode()->m_channels.size() - 1;
    };
    if (kind == Fixtures::Rgb) {
        add(ChannelType::Red);
        add(ChannelType::Green);
        add(ChannelType::Blue);
    } else {
        add(ChannelType::Dimmer);
        addFine(add(ChannelType::Pan));
        addFine(add(ChannelType::Tilt));
    }
    profile->UpdateRoles();
    return profile;
}

// Every universe filled with fixtures; every scene drives all of them.
void BuildShow(CProject& project, const Case& c)
{
    project.NewProject(c.universes);
    CLibraryProfile* profile = MakeProfile(c.fixtures);
    project.m_library << profile;
    const int width = profile->ChannelCount();
    int id = 0;
    for (int u = 0; u < c.universes; ++u) {
        for (int address = 0; address + width <= 512; address += width) {
            auto* fixture = new CPatchedFixture(address, u, ++id, -1, QStringLiteral("F"), profile,
                                                c.fixtures == Fixtures::MovingHead,
                                                c.fixtures == Fixtures::MovingHead, 0);
            project.m_generalGroup->AddFixture(fixture);
            if (c.fixtures == Fixtures::MovingHead)
                project.m_invertedFixtures << fixture;
        }
    }
    project.m_hasInvertedFixtures = !project.m_invertedFixtures.isEmpty();
    project.UpdateAfterPatch(false, false);

    CPage* page = project.m_firstPage;
    const QList<CPatchedFixture*> fixtures = project.m_generalGroup->m_fixtures;
    for (int s = 0; s < c.scenes; ++s) {
        auto* scene = new CScene(QStringLiteral("Scene %1").arg(s + 1), c.universes);
        scene->m_playMode = ReleaseNone; // all of them play at once
        const int stepCount = c.motion == Motion::Steady ? 1 : 2;
        for (int k = 0; k < stepCount; ++k) {
            // A crossfade step fades for far longer than the measured ticks.
            auto* step = c.motion == Motion::Steady ? new CSceneStep(0, 3600000) : new CSceneStep(600000, 0);
            for (CPatchedFixture* fixture : fixtures) {
                auto* entry = new CStepFixture(fixture, scene);
                for (int ch = 0; ch < width; ++ch)
                    entry->SetLevel(ch, quint8((s * 37 + k * 101 + ch * 53 + fixture->m_address) & 0xFF), true, true);
                step->AddEntry(entry);
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
        page->m_scenes << scene;
        // Start in the middle of the second step so the crossfade runs.
        page->PlayScene(scene, stepCount - 1, c.motion == Motion::Crossfade ? 1000 : -1);
    }
    if (c.masters) {
        project.SetDimmer(75);
        project.SetLiveColor(255, 128, 0);
    }
}

void Run(const Case& c)
{
    CProject project;
    BuildShow(project, c);
    for (int i = 0; i < kWarmUpTicks; ++i) {
        project.Tick(kTickMs);
        project.MergeOutput();
    }

    std::vector<double> times;
    times.reserve(kMeasuredTicks);
    const long allocationsBefore = g_allocations.load();
    for (int i = 0; i < kMeasuredTicks; ++i) {
        const auto start = std::chrono::steady_clock::now();
        project.Tick(kTickMs);
        project.MergeOutput();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    const long allocations = g_allocations.load() - allocationsBefore;

    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    const double median = times[times.size() / 2];
    std::printf("%3d universes  %2d scenes  %-11s %-9s %-8s  median %9.1f us  %6.2f %% of 25 ms  allocations %ld\n",
                c.universes, c.scenes, c.fixtures == Fixtures::Rgb ? "RGB" : "moving head",
                c.motion == Motion::Steady ? "steady" : "crossfade", c.masters ? "masters" : "", median,
                median / 250.0, allocations);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<Case> cases;
    for (int universes : {4, 16, 64}) {
        for (int scenes : {1, 10, 50}) {
            cases.push_back({universes, scenes, Fixtures::Rgb, Motion::Steady, false});
            cases.push_back({universes, scenes, Fixtures::Rgb, Motion::Crossfade, false});
        }
        cases.push_back({universes, 10, Fixtures::Rgb, Motion::Steady, true});
        cases.push_back({universes, 10, Fixtures::MovingHead, Motion::Crossfade, false});
    }
    for (const Case& c : cases)
        Run(c);
    return 0;
}
