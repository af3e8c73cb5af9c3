// Opens each project or profile file given and prints whether it opened, the time it
// took and the peak memory of the process so far. For checking by hand that
// hostile files (deep, crowded, inflating) are refused within bounds. Build
// it in Release:
//   cmake --build <dir> --target bench_openfile && <dir>/bench/bench_openfile FILE...
// With --write KIND COUNT FILE it writes instead a file of COUNT bare
// elements of one kind (the kinds of tests/common/CrowdedShow.h, e.g.
// "groups"), to be opened by a run of its own under /usr/bin/time -v.

#include "CrowdedShow.h"
#include "model/FixtureProfile.h"
#include "model/Language.h"
#include "show/Project.h"
#include "show/ShowHost.h"

#include <QCoreApplication>
#include <QFile>
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
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--write")) {
        const int count = args.value(3).toInt();
        for (const CCrowdedShow& show : CrowdedShows()) {
            if (args.value(2) != QLatin1String(show.kind))
                continue;
            QFile file(args.value(4));
            const QByteArray bytes = qCompress(show.Xml(count), 9);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return 1;
            std::printf("%s: %d %s, %lld bytes\n", qPrintable(args.value(4)), count, show.kind,
                        static_cast<long long>(bytes.size()));
            return 0;
        }
        std::fprintf(stderr, "no such kind: %s\n", qPrintable(args.value(2)));
        return 1;
    }
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);
    CPrintingHost host;
    SetShowHost(&host);
    // With --save, each file opened is saved beside it, as a show at a
    // reader's bound must still save.
    const bool save = args.value(1) == QLatin1String("--save");
    for (const QString& path : args.mid(save ? 2 : 1)) {
        CProject project;
        project.NewProject(64); // as many universes as any show here patches
        const auto start = std::chrono::steady_clock::now();
        // Profiles (".kvp", ".zkp") are opened as the library opens them.
        const QString suffix = path.section(QLatin1Char('.'), -1).toLower();
        CFixtureProfile profile;
        QString error;
        const bool opened = suffix == QLatin1String("kvp") || suffix == QLatin1String("zkp")
            ? profile.Load(path, false, &error)
            : project.OpenProject(path);
        if (!error.isEmpty())
            host.ShowSplashMessage(error);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%s: %s in %.2f s, peak %ld MB\n", qPrintable(path), opened ? "opened" : "refused", seconds,
                    usage.ru_maxrss / 1024);
        if (save && opened) {
            QString error;
            const bool saved = project.SaveProject(path + QStringLiteral(".saved.kv3"), &error);
            std::printf("  %s %s\n", saved ? "saved" : "not saved:", qPrintable(error));
        }
    }
    SetShowHost(nullptr);
    return 0;
}
