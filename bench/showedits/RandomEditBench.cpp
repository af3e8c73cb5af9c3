// Runs the random edit-and-play show of the tests over many more seeds:
//   bench_showedits [first seed] [seeds] [operations per seed] [-v]
// A stale reference prints its seed and the edits before it; a sanitizer
// build stops at the first bad read with its report. -v prints what each
// seed built and which edits it made.

#include "RandomShowEdits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int Entries(const CProject& project)
{
    int entries = 0;
    for (const CPage* page : project.m_pages) {
        for (const CScene* scene : page->m_scenes) {
            for (const CSceneStep* step : scene->m_steps)
                entries += step->EntryCount();
        }
    }
    return entries;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool verbose = args.removeAll(QStringLiteral("-v")) > 0;
    const quint32 first = args.value(0, QStringLiteral("1")).toUInt();
    const int seeds = args.value(1, QStringLiteral("1000")).toInt();
    const int operations = args.value(2, QStringLiteral("250")).toInt();
    RegisterEffectOperations();
    QTemporaryDir folder;
    QElapsedTimer timer;
    timer.start();
    int failures = 0;
    QMap<QString, int> made;
    for (quint32 seed = first; seed < first + quint32(seeds); ++seed) {
        CRandomShow show(seed, folder.path());
        for (int n = 0; n < operations; ++n) {
            const QStringList stale = show.Step();
            made[show.log.last().remove(QRegularExpression(QStringLiteral(" F\\d+| \\d+| Rnd.*")))]++;
            if (!stale.isEmpty()) {
                std::printf("seed %u, edit %d: %s\n  after: %s\n", seed, n, qPrintable(stale.join(QLatin1String("; "))),
                            qPrintable(show.log.join(QLatin1String(" | "))));
                ++failures;
                break;
            }
        }
        if (verbose)
            std::printf("seed %u: %d fixtures, %d pages, %d entries, %d effect scenes\n", seed,
                        int(show.project.m_generalGroup->m_fixtures.size()), int(show.project.m_pages.size()),
                        Entries(show.project), int(show.project.m_effectScenes.size()));
    }
    if (verbose) {
        for (auto it = made.constBegin(); it != made.constEnd(); ++it)
            std::printf("%6d %s\n", it.value(), qPrintable(it.key()));
    }
    std::printf("%d seeds x %d edits from seed %u: %d failed, %lld ms\n", seeds, operations, first, failures,
                timer.elapsed());
    return failures == 0 ? 0 : 1;
}
