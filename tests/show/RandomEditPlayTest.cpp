#include "RandomShowEdits.h"
#include "TestRegistry.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// A sanitizer report ends the process: it names the seed and the edits that
// led to it, so that the seed can be replayed (bench_showedits does).
const CRandomShow* g_running = nullptr;
quint32 g_seed = 0;

void ReportRunning()
{
    if (!g_running)
        return;
    std::fprintf(stderr, "random edits: seed %u after:\n%s\n", g_seed,
                 qPrintable(g_running->log.join(QLatin1Char('\n'))));
}

int EnvironmentCount(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value >= 0 ? value : fallback;
}

} // namespace

// A show edited at random through the show library's own edits, played
// between them, keeps every reference valid, and reopens with every scene
// as it was saved, step by step. ORVANE_RANDOM_SEEDS and
// ORVANE_RANDOM_OPERATIONS raise the work (bench_showedits runs far more).
class RandomEditPlayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        RegisterEffectOperations();
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback(ReportRunning);
#endif
    }

    void editsAndPlaybackKeepReferencesValid()
    {
        const int seeds = EnvironmentCount("ORVANE_RANDOM_SEEDS", 300);
        const int operations = EnvironmentCount("ORVANE_RANDOM_OPERATIONS", 300);
        if (seeds == 0)
            QSKIP("no seeds asked for");
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        int saves = 0;
        for (int seed = 1; seed <= seeds; ++seed) {
            CRandomShow show(quint32(seed), folder.path());
            g_running = &show;
            g_seed = quint32(seed);
            for (int n = 0; n < operations; ++n) {
                const QStringList stale = show.Step();
                if (!stale.isEmpty()) {
                    ReportRunning();
                    QFAIL(qPrintable(QStringLiteral("seed %1, edit %2: %3").arg(seed).arg(n).arg(stale.join(QLatin1String("; ")))));
                }
                if (show.log.last().startsWith(QLatin1String("save"))) {
                    QVERIFY2(show.saved, qPrintable(QStringLiteral("seed %1: the show did not save and open").arg(seed)));
                    if (!show.reopenedOtherwise.isEmpty()) {
                        ReportRunning();
                        QFAIL(qPrintable(QStringLiteral("seed %1, edit %2: the show reopened otherwise:\n%3")
                                             .arg(seed)
                                             .arg(n)
                                             .arg(show.reopenedOtherwise)));
                    }
                    ++saves;
                }
            }
            g_running = nullptr;
        }
        // The file code ran, not only the edits.
        QVERIFY(saves > 0 || seeds * operations < 1000);
    }
};

ORVANE_TEST(RandomEditPlayTest)
#include "RandomEditPlayTest.moc"
