#include "TestRegistry.h"

#include "model/SleepMs.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

class SleepMsTest : public QObject
{
    Q_OBJECT

private slots:
    void blocksWithoutDeliveringEvents()
    {
        bool delivered = false;
        QTimer::singleShot(0, this, [&delivered] { delivered = true; });
        QElapsedTimer clock;
        clock.start();
        SleepMs(60);
        QVERIFY(clock.elapsed() >= 60);
        QVERIFY(!delivered);
        QTRY_VERIFY(delivered);
    }

    void noTimeMeansNoWait()
    {
        // A wait at all would be an hour: the calls return while the test
        // waits for them, on a machine however busy.
        std::atomic<bool> returned{false};
        std::thread sleeper([&returned] {
            SleepMs(0);
            SleepMs(-3600 * 1000);
            returned = true;
        });
        const bool done = QTest::qWaitFor([&returned] { return returned.load(); }, 120 * 1000);
        if (done)
            sleeper.join();
        else
            sleeper.detach();
        QVERIFY(done);
    }
};

ORVANE_TEST(SleepMsTest)
#include "SleepMsTest.moc"
