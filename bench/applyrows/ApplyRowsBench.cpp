// Apply Effect as the operator does it, in the real main window: five curve
// rows of 200 steps over 1,024 one-channel dimmers, each made in the effects
// window opened from the scene editor and applied with OK into one scene.
// Each row makes as many entries, so each apply should take about as long
// whatever the scene already holds. Prints, per row, the ms of the whole
// command (opening the effects window, the apply, the editor's history
// entry), the ms of the apply with its history entry, the history's entries,
// the step entries the command made (the row's and the history's), and what
// a whole copy of the scene (what a history entry used to cost) takes;
// with --no-copy that copy is not made, so that its memory never shapes the
// next row's time.
// Build it in Release for meaningful times:
//   cmake --build build/release --target bench_applyrows
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_applyrows [--no-copy]

#include "../../tests/devices/FakeTransport.h"
#include "app/Orvane.h"
#include "editors/CurveEffectWnd.h"
#include "editors/EditSceneWnd.h"
#include "editors/EffectsWnd.h"
#include "effects/CurveEffect.h"
#include "live/PagesWnd.h"
#include "model/LibraryProfile.h"
#include "model/PatchedFixture.h"
#include "model/ProfileChannelDef.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/StepFixture.h"
#include "widgets/ZKTimeEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

constexpr int kDimmers = 1024;
constexpr int kRows = 5;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The bench drives the window itself: its master tick would run inside the
// apply's event processing.
void StopMasterTick(Orvane& window)
{
    for (QTimer* timer : window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (QObject::disconnect(timer, &QTimer::timeout, &window, &Orvane::OnTimer))
            timer->stop();
    }
}

long EntriesOf(const CScene& scene)
{
    long entries = 0;
    for (const CSceneStep* step : scene.m_steps)
        entries += step->EntryCount();
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool noCopy = app.arguments().contains(QStringLiteral("--no-copy"));
    QTemporaryDir dir;
    COrvaneSetup setup;
    setup.programDir = dir.path();
    setup.loadErrorWaitMs = 0;
    setup.deviceTransport = std::make_unique<CFakeTransport>();
    Orvane window(std::move(setup));
    StopMasterTick(window);
    CProject& project = window.Project();
    CPagesWnd& pages = *window.LivePages();

    auto* profile = new CLibraryProfile;
    auto* dimmer = new CProfileChannelDef;
    dimmer->m_type = ChannelType::Dimmer;
    profile->CurrentMode()->m_channels << dimmer;
    profile->UpdateRoles();
    project.m_library << profile;
    QList<CPatchedFixture*> fixtures;
    for (int i = 0; i < kDimmers; ++i) {
        auto* fixture = new CPatchedFixture(i % 512, i / 512, i + 1, -1, QStringLiteral("D%1").arg(i + 1), profile,
                                            false, false, 0);
        for (bool& flag : fixture->BeamFlags())
            flag = true;
        project.m_generalGroup->AddFixture(fixture);
        fixtures << fixture;
    }
    project.UpdateAfterPatch(true, false);
    project.m_currentGroup->m_selectedFixtures = fixtures;
    project.SelectionChanged();

    auto* scene = new CScene(QStringLiteral("Rows"), project.UniverseCount());
    project.m_firstPage->m_scenes << scene;
    pages.ReloadPages();
    if (!pages.EditScene(project.m_firstPage, scene)) {
        std::fprintf(stderr, "the scene editor did not open\n");
        return 1;
    }
    auto* editor = dynamic_cast<CEditSceneWnd*>(pages.ShownEditor());

    std::printf("%d dimmers, curve rows of 200 steps\n", kDimmers);
    std::printf("%4s %10s %10s %10s %8s %14s %14s %14s\n", "row", "command ms", "apply ms", "open ms", "history",
                "scene entries", "entries made", "full copy ms");
    for (int row = 0; row < kRows; ++row) {
        const quint64 madeBefore = CStepFixture::EntriesMade();
        const auto start = Clock::now();
        pages.OnEditEffect(eEffectCurve, false);
        auto* effects = dynamic_cast<CEffectsWnd*>(pages.ShownEditor());
        auto* page = effects ? qobject_cast<CCurveEffectWnd*>(effects->Page()) : nullptr;
        auto* check = page ? qobject_cast<QCheckBox*>(page->Table()->cellWidget(0, 1)) : nullptr;
        if (!check) {
            std::fprintf(stderr, "no curve page with a dimmer row\n");
            return 1;
        }
        // 200 points of 40 ms: a step each.
        page->TimeEdit()->Seconds()->setValue(8);
        check->setChecked(true);
        const double open = MsSince(start);
        effects->OnOk();
        const double command = MsSince(start);
        const quint64 made = CStepFixture::EntriesMade() - madeBefore;
        if (pages.ShownEditor() != editor) {
            std::fprintf(stderr, "the scene editor did not come back\n");
            return 1;
        }
        editor = dynamic_cast<CEditSceneWnd*>(pages.ShownEditor());
        double fullCopy = 0;
        if (!noCopy) {
            const auto copyStart = Clock::now();
            std::unique_ptr<CScene> copy(new CScene(*editor->Scene(), true, true, true));
            fullCopy = MsSince(copyStart);
        }
        std::printf("%4d %10.1f %10.1f %10.1f %8d %14ld %14llu %14.1f\n", row + 1, command, command - open, open,
                    editor->UndoCount(), EntriesOf(*editor->Scene()), static_cast<unsigned long long>(made),
                    fullCopy);
        std::fflush(stdout);
    }
    return 0;
}
