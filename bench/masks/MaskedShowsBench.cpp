// Shows of many scenes at many universes, for measuring by hand (Release,
// under /usr/bin/time -v) what opening them takes at each universe count:
//   bench_masks write SCENES STEPS UNIVERSES FILE [IN_USE]
//       a show as an earlier build saved it at UNIVERSES universes: SCENES
//       scenes of STEPS steps over 32 RGB fixtures of the first four
//       universes, each scene driving the eight of one, with a mask of
//       each of the first IN_USE universes (4), cleared or not;
//   bench_masks new UNIVERSES FILE
//       New Scene until the show says no, each scene marking four
//       universes, then saved;
//   bench_masks open UNIVERSES FILE
//       opens the file, saves it, opens that and saves it again, and says
//       whether the two saves are the same bytes.

#include "EarlierShow.h"
#include "model/Language.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

namespace {

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int WriteEarlier(int scenes, int steps, int universes, const QString& path, int inUse)
{
    CPlaybackRig rig(universes);
    if (EarlierShow(rig, scenes, steps, path).isEmpty()) {
        std::printf("not saved\n");
        return 1;
    }
    const QByteArray bytes = qCompress(WithClearMasks(qUncompress(ReadBytes(path)), inUse), 9);
    std::printf("%s: %lld bytes\n", qPrintable(path), static_cast<long long>(bytes.size()));
    return WriteBytes(path, bytes) ? 0 : 1;
}

int NewScenes(int universes, const QString& path)
{
    const auto start = std::chrono::steady_clock::now();
    CPlaybackRig rig(universes);
    CLibraryProfile* dimmer = rig.AddProfile([](CLibraryProfile& built) { ProfileBuilder::AddDimmer(built); });
    for (int u = 0; u < universes; ++u)
        rig.AddFixture(dimmer, u, 0);
    rig.project.UpdateAfterPatch(false, false);
    int made = 0;
    for (; CScene* scene = rig.project.AddScene(false); ++made) {
        for (int u = 0; u < 4; ++u)
            scene->ActiveMask((4 * made + u) % universes)->Set(made % 512);
    }
    const double building = Seconds(start);
    const auto saving = std::chrono::steady_clock::now();
    QString error;
    const bool saved = rig.project.SaveProject(path, &error);
    std::printf("%d scenes made in %.2f s, %s in %.2f s %s\n", made, building, saved ? "saved" : "not saved",
                Seconds(saving), qPrintable(error));
    return saved ? 0 : 1;
}

int Open(int universes, const QString& path)
{
    const QString first = path + QStringLiteral(".first.kv3");
    const QString second = path + QStringLiteral(".second.kv3");
    {
        CPlaybackRig rig(universes);
        const auto start = std::chrono::steady_clock::now();
        const bool opened = rig.project.OpenProject(path);
        std::printf("%s at %d universes: %s in %.2f s\n", qPrintable(path), universes,
                    opened ? "opened" : qPrintable(rig.host.calls.filter(QStringLiteral("Splash")).join(' ')),
                    Seconds(start));
        if (!opened)
            return 1;
        const auto saving = std::chrono::steady_clock::now();
        if (!rig.project.SaveProject(first))
            return 1;
        std::printf("  saved in %.2f s\n", Seconds(saving));
    }
    CPlaybackRig again(universes);
    if (!again.project.OpenProject(first) || !again.project.SaveProject(second))
        return 1;
    std::printf("  save, open, save: %s\n", ReadBytes(first) == ReadBytes(second) ? "same bytes" : "DIFFERENT BYTES");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);
    const QString mode = args.value(1);
    if (mode == QLatin1String("write") && (args.size() == 6 || args.size() == 7))
        return WriteEarlier(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5], args.value(6, "4").toInt());
    if (mode == QLatin1String("new") && args.size() == 4)
        return NewScenes(args[2].toInt(), args[3]);
    if (mode == QLatin1String("open") && args.size() == 4)
        return Open(args[2].toInt(), args[3]);
    std::fprintf(stderr, "usage: see the comment at the top of MaskedShowsBench.cpp\n");
    return 2;
}
