// Opens each project file given and prints whether it opened, the time it
// took and the peak memory of the process so far. For checking by hand that
// hostile files (deep, crowded, inflating) are refused within bounds. Build
// it in Release:
//   cmake --build <dir> --target bench_openfile && <dir>/bench/bench_openfile FILE...

#include "model/Language.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QCoreApplication>
#include <QStringList>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

// Prints the reason a file is refused.
class CPrintingHost : public CShowHost
{
public:
    void ShowSplashMessage(const QString& text) override { std::printf("  %s\n", qPrintable(text)); }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);
    CPrintingHost host;
    SetShowHost(&host);
    for (const QString& path : app.arguments().mid(1)) {
        CProject project;
        project.NewProject(64); // as many universes as any show here patches
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
