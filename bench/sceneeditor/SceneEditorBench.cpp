// The scene editor on a large scene: 500 hand-made steps over 200 RGB
// fixtures. Times filling the steps table, one undo and one redo (each a
// whole copy of the scene swapped in), as the median of several runs; then
// selecting every row of a scene of 65,536 steps of one fixture, once.
// Build it in Release for meaningful times:
//   cmake --build <dir> --target bench_sceneeditor && QT_QPA_PLATFORM=offscreen <dir>/bench/bench_sceneeditor

#include "BenchShow.h"
#include "editors/EditSceneWnd.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"

#include <QApplication>
#include <QTableWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kFixtures = 200;
constexpr int kSteps = 500;
constexpr int kRuns = 7;
constexpr int kManySteps = 65536;

double MedianMs(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CProject project;
    project.NewProject(4);
    CLibraryProfile* profile = RgbProfile(project);
    QList<CPatchedFixture*> fixtures;
    for (int i = 0; i < kFixtures; ++i) {
        auto* fixture = new CPatchedFixture((i % 170) * 3, i / 170, i + 1, -1, QStringLiteral("F%1").arg(i), profile,
                                            false, false, 0);
        project.m_generalGroup->AddFixture(fixture);
        fixtures << fixture;
    }
    project.UpdateAfterPatch(false, false);
    auto* scene = new CScene(QStringLiteral("Big"), project.UniverseCount());
    project.m_firstPage->m_scenes << scene;
    for (int s = 0; s < kSteps; ++s) {
        auto* step = new CSceneStep(40, 1000);
        for (CPatchedFixture* fixture : fixtures) {
            auto* entry = new CStepFixture(fixture, scene);
            for (int c = 0; c < 3; ++c)
                entry->SetLevel(c, quint8(s + c), true, false);
            step->AddEntry(entry);
        }
        scene->m_steps << step;
    }
    scene->UpdateLength();

    CEditSceneWnd editor(project);
    editor.SetScene(project.m_firstPage, scene, false);
    editor.AddStep();
    editor.AddStep();
    const double fill = MedianMs([&] { editor.FillStepsTable(0); });
    const double undo = MedianMs([&] {
        editor.Undo();
        editor.Redo();
    }) / 2;
    std::printf("steps %d, fixtures %d\nfill the steps table: %.2f ms\none undo or redo: %.2f ms\n",
                int(editor.Scene()->m_steps.size()), kFixtures, fill, undo);

    auto* many = new CScene(QStringLiteral("Many"), project.UniverseCount());
    project.m_firstPage->m_scenes << many;
    for (int s = 0; s < kManySteps; ++s) {
        auto* step = new CSceneStep(0, 25);
        step->AddEntry(new CStepFixture(fixtures.first(), many));
        many->m_steps << step;
    }
    many->UpdateLength();
    editor.SetScene(project.m_firstPage, many, false);
    auto* table = editor.findChild<QTableWidget*>();
    const auto start = std::chrono::steady_clock::now();
    table->selectAll();
    const double selectAll = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("select every row of %d steps: %.0f ms (%d selected)\n", kManySteps, selectAll,
                int(many->m_selection.size()));
    return 0;
}
