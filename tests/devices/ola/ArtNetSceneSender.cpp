// Plays a fixed scene through CArtNetManager for the OLA receipt test: polls,
// waits for the named node, then sends the scene's universes at the master
// tick's rate for a given number of ticks. It refuses to send anything where
// the network has an interface besides the loopback.
//
//   artnet_scene_sender <bind address> <poll address> <node address> <universes> <ticks>
//
// Universe u, slot i holds (37 i + 101 u + 11) mod 256: every level from 0 to
// 255 appears, and no two universes are alike.

#include "Common/ArtNet/ArtNetManager.h"
#include "LoopbackNetwork.h"

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

    std::vector<std::vector<quint8>> scene(size_t(universes), std::vector<quint8>(512));
    for (int u = 0; u < universes; ++u) {
        for (int i = 0; i < 512; ++i)
            scene[size_t(u)][size_t(i)] = quint8((37 * i + 101 * u + 11) % 256);
    }
    const CArtNetManager::OutputBuffer outputOf = [&scene](int u) -> const quint8* {
        return u >= 0 && u < int(scene.size()) ? scene[size_t(u)].data() : nullptr;
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
