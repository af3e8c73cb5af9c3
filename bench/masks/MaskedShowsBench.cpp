// Shows of many scenes at many universes, for measuring by hand (Release,
// under /usr/bin/time -v) what opening them takes at each universe count:
//   bench_masks write SCENES STEPS UNIVERSES FILE
//       a show as an earlier build saved it at UNIVERSES universes: SCENES
//       scenes of STEPS steps over 32 RGB fixtures of the first four
//       universes, each scene driving the eight of one, with a mask of
//       every universe in use, cleared or not;
//   bench_masks new UNIVERSES FILE
//       New Scene until the show says no, each scene marking four
//       universes, then saved;
//   bench_masks open UNIVERSES FILE
//       opens the file, saves it, opens that and saves it again, and says
//       whether the two saves are the same bytes.

#include "PlaybackRig.h"
#include "model/Language.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <cstdio>

namespace {

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every scene's element of masks gets a cleared mask of each of the first
// four universes it lacks, as the earlier writer wrote them.
QByteArray WithClearMasks(QByteArray xml)
{
    const QByteArray clear = "<ZKActivUniverse ZKUniverse=\"%1\" ZKActivBuffer=\"" + QByteArray(512, '0') + "\"/>";
    const QByteArray tag = "<ZKActivUniverses";
    for (int at = xml.indexOf(tag); at >= 0; at = xml.indexOf(tag, at + 1)) {
        const int open = xml.indexOf('>', at);
        const bool empty = xml.at(open - 1) == '/';
        const int end = empty ? open + 1 : xml.indexOf("</ZKActivUniverses>", open);
        const QByteArray held = xml.mid(open, end - open);
        QByteArray masks;
        for (int u = 0; u < 4; ++u) {
            if (!held.contains("ZKUniverse=\"" + QByteArray::number(u) + "\""))
                masks += QByteArray(clear).replace("%1", QByteArray::number(u));
        }
        if (empty)
            xml.replace(open - 1, 2, ">" + masks + "</ZKActivUniverses>");
        else
            xml.insert(end, masks);
    }
    return xml;
}

int WriteEarlier(int scenes, int steps, int universes, const QString& path)
{
    CPlaybackRig rig(universes);
    CLibraryProfile* rgb = rig.RgbProfile();
    QList<CPatchedFixture*> fixtures;
    for (int f = 0; f < 32; ++f)
        fixtures << rig.AddFixture(rgb, f / 8, 3 * (f % 8));
    rig.project.UpdateAfterPatch(false, false);
    for (int s = 0; s < scenes; ++s) {
        CScene* scene = rig.AddScene(QStringLiteral("S%1").arg(s));
        for (int t = 0; t < steps; ++t) {
            auto* step = new CSceneStep(0, 1000);
            for (int f = 8 * (s % 4); f < 8 * (s % 4) + 8; ++f) {
                auto* entry = new CStepFixture(fixtures[f], scene);
                for (int c = 0; c < 3; ++c)
                    entry->SetLevel(c, quint8(s + t + c), true, false);
                step->AddEntry(entry);
            }
            scene->m_steps << step;
        }
        scene->UpdateLength();
    }
    QString error;
    if (!rig.project.SaveProject(path, &error)) {
        std::printf("not saved: %s\n", qPrintable(error));
        return 1;
    }
    const QByteArray bytes = qCompress(WithClearMasks(qUncompress(Read(path))), 9);
    std::printf("%s: %lld bytes\n", qPrintable(path), static_cast<long long>(bytes.size()));
    return Write(path, bytes) ? 0 : 1;
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
            scene->ActiveMask((4 * made + u) % universes)[made % 512] = 1;
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
    std::printf("  save, open, save: %s\n", Read(first) == Read(second) ? "same bytes" : "DIFFERENT BYTES");
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
    if (mode == QLatin1String("write") && args.size() == 6)
        return WriteEarlier(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5]);
    if (mode == QLatin1String("new") && args.size() == 4)
        return NewScenes(args[2].toInt(), args[3]);
    if (mode == QLatin1String("open") && args.size() == 4)
        return Open(args[2].toInt(), args[3]);
    std::fprintf(stderr, "usage: see the comment at the top of MaskedShowsBench.cpp\n");
    return 2;
}
