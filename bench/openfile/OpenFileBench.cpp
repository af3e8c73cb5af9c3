// Opens each project file given and prints whether it opened, the time it
// took and the peak memory of the process so far. For checking by hand that
// hostile files (deep, crowded, inflating) are refused within bounds. Build
// it in Release:
//   cmake --build <dir> --target bench_openfile && <dir>/bench/bench_openfile FILE...

#include "show/Project.h"
#include "show/ShowHost.h"

#include <QCoreApplication>
#include <QStringList>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    CShowHost host;
    SetShowHost(&host);
    for (const QString& path : app.arguments().mid(1)) {
        CProject project;
        project.NewProject(4);
        const auto start = std::chrono::steady_clock::now();
        const bool opened = project.OpenProject(path);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%s: %s in %.2f s, peak %ld MB\n", qPrintable(path), opened ? "opened" : "refused", seconds,
                    usage.ru_maxrss / 1024);
    }
    SetShowHost(nullptr);
    return 0;
}
