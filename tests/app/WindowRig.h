#pragma once

#include "FileBytes.h"
#include "ManualClock.h"
#include "app/Orvane.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

// Tests drive the master tick by hand, so the window's own timer is stopped:
// on a busy machine it would fire between a test's steps. The timer is the
// one whose timeout runs OnTimer. The tick's clock is the rig's, which moves
// only when a test moves it.
inline void StopMasterTick(Orvane& window)
{
    bool stopped = false;
    for (QTimer* timer : window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (QObject::disconnect(timer, &QTimer::timeout, &window, &Orvane::OnTimer)) {
            timer->stop();
            stopped = true;
        }
    }
    QTest::qVerify(stopped, "StopMasterTick", "the window's master tick timer was not found", __FILE__, __LINE__);
}

// What every main-window rig shares: a window started in a folder of its
// own, which holds its options file and whatever files a test writes.
struct CWindowRigBase
{
    QTemporaryDir dir;
    CManualClock clock;
    std::unique_ptr<Orvane> window;

    // An options file written before Start is the one the window reads.
    void Start(COrvaneSetup setup, const QByteArray& ini = QByteArray(), int loadErrorWaitMs = 0)
    {
        if (!ini.isEmpty())
            WriteFile(QStringLiteral("Orvane.ini"), ini);
        setup.programDir = dir.path();
        setup.loadErrorWaitMs = loadErrorWaitMs;
        if (!setup.tickClock)
            setup.tickClock = clock.Get();
        window = std::make_unique<Orvane>(std::move(setup));
        StopMasterTick(*window);
    }

    // The next slot of the tick's grid comes and the timer's timeout runs it.
    void NextTick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.now += Orvane::kTickMs;
            window->OnTimer();
        }
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString WriteFile(const QString& name, const QByteArray& bytes) const { return WrittenFile(Path(name), bytes); }
    QAction* Action(const char* name) const { return window->findChild<QAction*>(QLatin1String(name)); }
};
