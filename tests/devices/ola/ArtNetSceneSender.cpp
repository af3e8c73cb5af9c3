// Plays a known scene in a project and sends the project's output through
// CArtNetManager for the OLA receipt test: polls, waits for the named node,
// then ticks the show and sends its universes at the master tick's rate for
// a given number of ticks. It refuses to send anything where
// the network has an interface besides the loopback.
//
//   artnet_scene_sender <bind address> <poll address> <node address> <universes> <ticks>
//
// Universe u, slot i holds (37 i + 101 u + 11) mod 256: every level from 0 to
// 255 appears, and no two universes are alike.

#include "Common/ArtNet/ArtNetManager.h"
#include "LoopbackNetwork.h"
#include "RawChannelScene.h"

#include <QCoreApplication>
#include <QNetworkInterface>
#include <QTimer>
#include <cstdio>
#include <vector>

namespace {

bool HasNode(const CArtNetManager& manager, quint32 address)
{
    for (const SArtNetNode& node : manager.NodeList().Nodes()) {
        if (node.address == address)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: artnet_scene_sender <bind> <poll> <node> <universes> <ticks>\n");
        return 2;
    }
    if (!LoopbackNetwork::OnlyLoopback()) {
        std::fprintf(stderr, "refusing to send Art-Net: a network interface besides the loopback is present\n");
        return 2;
    }
    const QHostAddress bind(args[1]);
    const QHostAddress poll(args[2]);
    const quint32 node = QHostAddress(args[3]).toIPv4Address();
    const int universes = args[4].toInt();
    const int ticks = args[5].toInt();
    if (bind.isNull() || poll.isNull() || node == 0 || universes < 1 || universes > 64 || ticks < 1) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }

    // The show plays one scene whose single step holds a raw-channel level
    // on every slot of every universe; the project's merged output is what
    // goes out, as at every master tick of the program.
    CProject project;
    project.NewProject(universes);
    QVector<std::array<int, 3>> levels;
    for (int u = 0; u < universes; ++u) {
        for (int i = 0; i < 512; ++i)
            levels.append({u, i, (37 * i + 101 * u + 11) % 256});
    }
    CScene* scene = AddRawChannelScene(project, QStringLiteral("Known levels"), levels);
    project.UpdateAfterPatch(false, false);
    if (!project.m_firstPage->PlayScene(scene)) {
        std::fprintf(stderr, "the scene does not play\n");
        return 1;
    }
    const auto showTick = [&project] {
        project.Tick(25);
        project.MergeOutput();
    };
    showTick();
    const CArtNetManager::OutputBuffer outputOf = [&project](int u) -> const quint8* {
        return project.IsUniverse(u) ? project.m_output[u] : nullptr;
    };

    CArtNetManager manager;
    manager.SetPollTargets({poll});
    if (!manager.Start(bind)) {
        std::fprintf(stderr, "cannot open the Art-Net port on %s\n", qPrintable(args[1]));
        return 1;
    }

    int sentTicks = 0;
    int packets = 0;
    QTimer tick;
    tick.setInterval(25);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        showTick();
        packets += manager.SendUniverses(universes, outputOf);
        if (++sentTicks == ticks)
            app.quit();
    });
    QObject::connect(&manager, &CArtNetManager::nodeDetected, [&] {
        if (!tick.isActive() && HasNode(manager, node))
            tick.start();
    });
    QTimer::singleShot(10000, &app, [&] {
        if (!tick.isActive()) {
            std::fprintf(stderr, "no poll reply from %s\n", qPrintable(args[3]));
            app.exit(1);
        }
    });
    const int result = app.exec();
    std::printf("sent %d ArtDmx packets in %d ticks\n", packets, sentTicks);
    return result;
}
