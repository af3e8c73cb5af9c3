#pragma once

#include "FileBytes.h"
#include "app/Orvane.h"

#include <QAction>
#include <QTemporaryDir>

#include <memory>

// What every main-window rig shares: a window started in a folder of its
// own, which holds its options file and whatever files a test writes.
struct CWindowRigBase
{
    QTemporaryDir dir;
    std::unique_ptr<Orvane> window;

    // An options file written before Start is the one the window reads.
    void Start(COrvaneSetup setup, const QByteArray& ini = QByteArray(), int loadErrorWaitMs = 0)
    {
        if (!ini.isEmpty())
            WriteFile(QStringLiteral("Orvane.ini"), ini);
        setup.programDir = dir.path();
        setup.loadErrorWaitMs = loadErrorWaitMs;
        window = std::make_unique<Orvane>(std::move(setup));
    }

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString WriteFile(const QString& name, const QByteArray& bytes) const { return WrittenFile(Path(name), bytes); }
    QAction* Action(const char* name) const { return window->findChild<QAction*>(QLatin1String(name)); }
};
