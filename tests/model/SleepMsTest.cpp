#include "TestRegistry.h"

#include "model/SleepMs.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

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
        QElapsedTimer clock;
        clock.start();
        SleepMs(0);
        SleepMs(-60000);
        // Any wait at all would be a minute; a busy machine adds at most seconds.
        QVERIFY(clock.elapsed() < 10000);
    }
};

ORVANE_TEST(SleepMsTest)
#include "SleepMsTest.moc"
