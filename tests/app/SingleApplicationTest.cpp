#include "TestRegistry.h"

#include "Common/SingleApp/InstanceMessage.h"
#include "Common/SingleApp/SingleApplication.h"
#include "app/StartPath.h"

#include <QDir>
#include <QLocalSocket>
#include <QSharedMemory>
#include <QSignalSpy>
#include <QtTest>

using namespace InstanceMessage;

namespace {

// Each test keys its guards apart from the program and from other runs.
QString UniqueName()
{
    static int count = 0;
    return QStringLiteral("OrvaneTest%1x%2").arg(QCoreApplication::applicationPid()).arg(++count);
}

} // namespace

class SingleApplicationTest : public QObject
{
    Q_OBJECT

private slots:
    void theSecondInstanceForwardsItsMessage()
    {
        const QString name = UniqueName();
        SingleApplication first(name);
        QVERIFY(!first.isRunning());
        QSignalSpy received(&first, &SingleApplication::messageReceived);

        SingleApplication second(name);
        QVERIFY(second.isRunning());
        const QString path = QStringLiteral("/shows/Théâtre d'été/main show.kv3");
        QVERIFY(second.sendMessage(path, 30000));
        QVERIFY(received.wait(30000));
        QCOMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), path);

        // An empty argument arrives as it is; the window decides to ignore it.
        QVERIFY(second.sendMessage(QString(), 30000));
        QVERIFY(received.wait(30000));
        QCOMPARE(received.at(1).at(0).toString(), QString());
    }

    // What the program opens, and what a second instance hands on.
    void commandLinePathsAreResolvedAgainstTheStartFolder_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << "" << "/home/op" << "";
        QTest::newRow("relative") << "shows/x.kv3" << "/home/op" << "/home/op/shows/x.kv3";
        QTest::newRow("dot") << "./x.kv3" << "/home/op/" << "/home/op/x.kv3";
        QTest::newRow("parent") << "../x y.kv3" << "/home/op/shows" << "/home/op/x y.kv3";
        QTest::newRow("absolute") << "/srv/x.kv3" << "/home/op" << "/srv/x.kv3";
    }
    void commandLinePathsAreResolvedAgainstTheStartFolder()
    {
        QFETCH(QString, argument);
        QFETCH(QString, start);
        QFETCH(QString, expected);
        QCOMPARE(AbsoluteStartPath(argument, start), expected);
    }

    void aStaleSegmentDoesNotLockTheProgramOut()
    {
        const QString name = UniqueName();
        // What a crashed instance leaves: its segment, and a socket file
        // nobody listens on.
        QSharedMemory leftOver(SingleApplication::SegmentKey(name));
        QVERIFY(leftOver.create(1));
        const QString socketPath = QDir(QDir::tempPath()).filePath(SingleApplication::ServerName(name));
        {
            QFile stale(socketPath);
            QVERIFY(stale.open(QIODevice::WriteOnly));
        }

        SingleApplication guard(name);
        QVERIFY(!guard.isRunning());
        QSignalSpy received(&guard, &SingleApplication::messageReceived);

        // And it is now the instance the next one finds.
        SingleApplication next(name);
        QVERIFY(next.isRunning());
        QVERIFY(next.sendMessage(QStringLiteral("show.kv3"), 30000));
        QVERIFY(received.wait(30000));
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("show.kv3"));
    }

    void aGuardThatEndedLeavesNothingBehind()
    {
        const QString name = UniqueName();
        {
            SingleApplication first(name);
            QVERIFY(!first.isRunning());
        }
        SingleApplication again(name);
        QVERIFY(!again.isRunning());
        QSharedMemory probe(SingleApplication::SegmentKey(name));
        QVERIFY(!probe.create(1)); // held by `again`
    }

    // A sender waits only as long as its caller allows, never the socket's
    // own 30 s: given no time at all, it does not wait for an answer the
    // running instance would give.
    void aMessageNotAnsweredInTimeFails_data()
    {
        QTest::addColumn<bool>("ended");
        QTest::addColumn<int>("timeoutMs");
        QTest::newRow("to an instance that ended") << true << 500;
        QTest::newRow("with no time left") << false << 0;
    }
    void aMessageNotAnsweredInTimeFails()
    {
        QFETCH(bool, ended);
        QFETCH(int, timeoutMs);
        const QString name = UniqueName();
        auto first = std::make_unique<SingleApplication>(name);
        SingleApplication second(name);
        QVERIFY(second.isRunning());
        if (ended)
            first.reset();
        QVERIFY(!second.sendMessage(QStringLiteral("late.kv3"), timeoutMs));
    }

    void strangersAreNotHeard()
    {
        const QString name = UniqueName();
        SingleApplication guard(name);
        QSignalSpy received(&guard, &SingleApplication::messageReceived);

        // Wrong greeting: no message, no acknowledgement.
        QLocalSocket wrong;
        wrong.connectToServer(SingleApplication::ServerName(name));
        QVERIFY(wrong.waitForConnected(30000));
        wrong.write(EncodeFrame(QStringLiteral("hello someone else")) + EncodeFrame(QStringLiteral("x.kv3")));
        wrong.flush();
        QVERIFY(wrong.state() == QLocalSocket::UnconnectedState || wrong.waitForDisconnected(30000));
        QVERIFY(wrong.readAll().isEmpty());

        // A frame announcing four gigabytes is dropped at once.
        QLocalSocket huge;
        huge.connectToServer(SingleApplication::ServerName(name));
        QVERIFY(huge.waitForConnected(30000));
        huge.write(QByteArray("\xFF\xFF\xFF\xFF", 4));
        huge.flush();
        QVERIFY(huge.state() == QLocalSocket::UnconnectedState || huge.waitForDisconnected(30000));

        // Connecting and saying nothing only costs the time-out.
        QLocalSocket silent;
        silent.connectToServer(SingleApplication::ServerName(name));
        QVERIFY(silent.waitForConnected(30000));

        QTest::qWait(100);
        QCOMPARE(received.count(), 0);

        // The instance still hears its own kind meanwhile.
        SingleApplication second(name);
        QVERIFY(second.sendMessage(QStringLiteral("ok.kv3"), 30000));
        QVERIFY(received.wait(30000));
        QCOMPARE(received.count(), 1);
    }

    void framesArriveInAnyPieces()
    {
        const QByteArray bytes = EncodeFrame(QStringLiteral("hello")) + EncodeFrame(QString())
                                 + EncodeFrame(QStringLiteral("ünïcode"));
        CFrameReader reader;
        QStringList frames;
        for (char byte : bytes) {
            reader.Append(QByteArray(1, byte));
            QString text;
            while (reader.Next(text))
                frames << text;
        }
        QCOMPARE(frames, QStringList({"hello", "", "ünïcode"}));
        QVERIFY(!reader.IsBroken());
    }

    void aFrameTooLongBreaksTheReader()
    {
        CFrameReader reader;
        QByteArray header(4, '\0');
        qToBigEndian<quint32>(quint32(kMaxFrameBytes + 1), header.data());
        reader.Append(header + QByteArray(16, 'x'));
        QString text;
        QVERIFY(!reader.Next(text));
        QVERIFY(reader.IsBroken());
        // Whatever follows is ignored.
        reader.Append(EncodeFrame(QStringLiteral("late")));
        QVERIFY(!reader.Next(text));

        // The longest allowed frame is read.
        CFrameReader longest;
        longest.Append(EncodeFrame(QString(kMaxFrameBytes, QLatin1Char('a'))));
        QVERIFY(longest.Next(text));
        QCOMPARE(text.size(), kMaxFrameBytes);
    }
};

ORVANE_TEST(SingleApplicationTest)
#include "SingleApplicationTest.moc"
