// The frame rate the running program holds on the wire. Builds a show of
// 64 fully patched universes and 50 scenes that each drive every channel
// through two steps with fades and waits of a second, all saved as playing
// with Art-Net output; then runs the real program on it (offscreen, scenes
// started at launch) and counts the ArtDMX packets of one universe for 20 s
// on a node of its own at 127.0.0.4. Prints frames per second, the longest
// gap between two frames and the gaps over 50 ms.
//
// Everything that sends UDP runs inside a network namespace and IPC
// namespace made for it (unshare -n -i) whose only interface is the
// loopback; the program gets its own TMPDIR and program folder (with the
// options file that starts the scenes). Build in Release and run by hand:
//   cmake --build build/release --target orvane bench_wire
//   build/release/bench/bench_wire [universe] [seconds]
// The program is looked for in the build folder above this benchmark, or at
// $ORVANE_PROGRAM.

#include "BenchShow.h"
#include "LoopbackNetwork.h"

#include "Common/ArtNet/ArtNetPackets.h"
#include "model/PatchedFixture.h"
#include "show/Group.h"
#include "show/Page.h"
#include "show/Project.h"
#include "show/Scene.h"
#include "show/SceneStep.h"
#include "show/ShowHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using namespace LoopbackNetwork;
using Clock = std::chrono::steady_clock;

constexpr int kUniverses = 64;
constexpr int kScenes = 50;
constexpr int kStepMs = 1000;
constexpr int kArtNetOnly = 1;
constexpr int kLateGapMs = 50;
constexpr int kStartMinutes = 3;
constexpr int kSettleMs = 5000;
constexpr int kReplyEveryMs = 2000;

class CBenchHost : public CShowHost
{
public:
    int OutputMode() const override { return kArtNetOnly; }
    int UniverseCountOption() const override { return kUniverses; }
};

bool SaveShow(const QString& path)
{
    CBenchHost host;
    SetShowHost(&host);
    bool saved = false;
    {
        CProject project;
        NewRgbShow(project, kUniverses);

        CPage* page = project.m_firstPage;
        const QList<CPatchedFixture*> fixtures = project.m_generalGroup->m_fixtures;
        for (int s = 0; s < kScenes; ++s) {
            auto* scene = new CScene(QStringLiteral("Scene %1").arg(s + 1), kUniverses);
            scene->m_playMode = ReleaseNone; // all of them play at once
            for (int k = 0; k < 2; ++k) {
                auto* step = new CSceneStep(kStepMs, kStepMs);
                for (int f = 0; f < fixtures.size(); ++f)
                    step->AddEntry(PatternEntry(fixtures[f], scene, s, k, f));
                scene->m_steps << step;
            }
            scene->UpdateLength();
            page->m_scenes << scene;
            page->PlayScene(scene);
        }
        QString error;
        saved = project.SaveProject(path, &error);
        if (!saved)
            std::printf("cannot save the show: %s\n", qPrintable(error));
    }
    SetShowHost(nullptr);
    return saved;
}

bool WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush();
}

int UdpSocket(const char* address, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const int buffer = 8 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &local.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The node answers for every universe, four output ports per reply as a
// node with many ports does; the program takes replies it did not poll for.
void AnnounceNode(int fd)
{
    sockaddr_in controller = {};
    controller.sin_family = AF_INET;
    controller.sin_port = htons(ArtNet::kUdpPort);
    ::inet_pton(AF_INET, "127.0.0.1", &controller.sin_addr);
    for (int r = 0; r < (kUniverses + 3) / 4; ++r) {
        QVector<quint8> swOut;
        for (int p = 0; p < 4 && r * 4 + p < kUniverses; ++p)
            swOut << quint8((r * 4 + p) & 0x0F);
        QByteArray reply = PollReply(kNodeAddress, swOut);
        reply[18] = char(((r * 4) >> 8) & 0x7F);  // Net
        reply[19] = char(((r * 4) >> 4) & 0x0F);  // Sub-Net
        reply[211] = char(r + 1);                 // bind index
        ::sendto(fd, reply.constData(), size_t(reply.size()), 0, reinterpret_cast<sockaddr*>(&controller),
                 sizeof controller);
    }
}

struct Frames
{
    std::vector<double> arrivals; // ms since the count began
    long changed = 0;             // frames whose levels differ from the one before
    long lit = 0;                 // frames with a level above zero
    long otherUniverses = 0;
};

int Measure(const QString& program, const QString& show, const QString& tmp, int universe, int seconds)
{
    if (!OnlyLoopback()) {
        std::printf("refusing to send Art-Net: this namespace has a network interface besides the loopback\n");
        return 1;
    }
    const int polled = UdpSocket("127.0.0.3", ArtNet::kUdpPort);
    const int node = UdpSocket("127.0.0.4", ArtNet::kUdpPort);
    if (polled < 0 || node < 0) {
        std::printf("cannot bind the node on the loopback\n");
        return 1;
    }

    QProcess orvane;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), tmp);
    env.remove(QString::fromLatin1(kNamespaceVariable));
    orvane.setProcessEnvironment(env);
    orvane.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    orvane.setStandardOutputFile(QProcess::nullDevice());
    const Clock::time_point launched = Clock::now();
    orvane.start(program, {show});
    if (!orvane.waitForStarted(10000)) {
        std::printf("cannot start %s\n", qPrintable(program));
        return 1;
    }

    const auto stop = [&orvane] {
        orvane.terminate();
        if (!orvane.waitForFinished(10000)) {
            orvane.kill();
            orvane.waitForFinished(5000);
        }
    };
    const quint16 wanted = quint16(universe);
    Frames frames;
    std::vector<char> last(ArtNet::kDmxPacketSize, 0);
    bool haveLast = false;
    double firstFrameMs = -1;
    Clock::time_point countFrom{}, countTo{}, nextReply = Clock::now();
    bool counting = false;
    char packet[2048];
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= nextReply) {
            AnnounceNode(polled);
            nextReply = now + std::chrono::milliseconds(kReplyEveryMs);
        }
        if (counting && now >= countTo)
            break;
        if (orvane.state() != QProcess::Running || (!counting && now - launched > std::chrono::minutes(kStartMinutes))) {
            std::printf("the program %s before sending a frame of universe %d\n",
                        orvane.state() == QProcess::Running ? "took too long" : "stopped", universe);
            stop();
            return 1;
        }
        pollfd ready = {node, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0)
            continue;
        const ssize_t size = ::recv(node, packet, sizeof packet, 0);
        const Clock::time_point arrived = Clock::now();
        if (size != ArtNet::kDmxPacketSize || ArtNet::OpCodeOf(QByteArray::fromRawData(packet, int(size))) != ArtNet::kOpDmx)
            continue;
        const quint16 portAddress = quint16(quint8(packet[14]) | (quint8(packet[15]) << 8));
        if (portAddress != wanted) {
            if (counting)
                ++frames.otherUniverses;
            continue;
        }
        if (firstFrameMs < 0) {
            firstFrameMs = std::chrono::duration<double, std::milli>(arrived - launched).count();
            countFrom = arrived + std::chrono::milliseconds(kSettleMs);
        }
        if (!counting && arrived >= countFrom) {
            counting = true;
            countFrom = arrived;
            countTo = arrived + std::chrono::seconds(seconds);
        }
        if (!counting)
            continue;
        frames.arrivals.push_back(std::chrono::duration<double, std::milli>(arrived - countFrom).count());
        const char* levels = packet + ArtNet::kDmxHeaderSize;
        if (haveLast && std::memcmp(levels, last.data(), ArtNet::kDmxSlots) != 0)
            ++frames.changed;
        std::memcpy(last.data(), levels, ArtNet::kDmxSlots);
        haveLast = true;
        if (std::any_of(levels, levels + ArtNet::kDmxSlots, [](char c) { return c != 0; }))
            ++frames.lit;
    }

    stop();
    ::close(polled);
    ::close(node);

    const auto& t = frames.arrivals;
    double longest = 0;
    long late = 0;
    for (size_t i = 1; i < t.size(); ++i) {
        const double gap = t[i] - t[i - 1];
        longest = std::max(longest, gap);
        if (gap > kLateGapMs)
            ++late;
    }
    std::printf("%d universes, %d scenes full, steps %d ms fade + %d ms wait, universe %d counted for %d s"
                " (first frame %.1f s after launch, counted from %d s later)\n",
                kUniverses, kScenes, kStepMs, kStepMs, universe, seconds, firstFrameMs / 1000.0, kSettleMs / 1000);
    std::printf("frames %zu  %.2f frames/s  longest gap %.1f ms  gaps over %d ms: %ld  frames changed %ld"
                "  lit %ld  other universes %.2f frames/s each\n",
                t.size(), double(t.size()) / seconds, longest, kLateGapMs, late, frames.changed, frames.lit,
                double(frames.otherUniverses) / seconds / (kUniverses - 1));
    std::fflush(stdout);
    return t.empty() ? 1 : 0;
}

QString ProgramPath()
{
    const QString given = qEnvironmentVariable("ORVANE_PROGRAM");
    if (!given.isEmpty())
        return QFileInfo(given).absoluteFilePath();
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../orvane"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (InPrivateNamespace()) {
        // program, show, tmp, universe, seconds: handed on by the run below.
        if (args.size() != 6)
            return 1;
        return Measure(args[1], args[2], args[3], args[4].toInt(), args[5].toInt());
    }

    const int universe = args.size() > 1 ? args[1].toInt() : 0;
    const int seconds = args.size() > 2 ? args[2].toInt() : 20;
    if (universe < 0 || universe >= kUniverses || seconds < 1) {
        std::printf("usage: bench_wire [universe 0-%d] [seconds]\n", kUniverses - 1);
        return 1;
    }
    const QString built = ProgramPath();
    if (!QFileInfo(built).isExecutable()) {
        std::printf("no program at %s (set ORVANE_PROGRAM)\n", qPrintable(built));
        return 1;
    }
    QTemporaryDir dir;
    const QString programDir = dir.filePath(QStringLiteral("program"));
    const QString tmp = dir.filePath(QStringLiteral("tmp"));
    const QString program = QDir(programDir).filePath(QStringLiteral("orvane"));
    const QString show = dir.filePath(QStringLiteral("wire.kv3"));
    // The options file is read beside the program: a copy of its own keeps
    // the build's folder untouched. A show of more universes than the
    // options allow would stop at a question nobody answers offscreen.
    if (!dir.isValid() || !QDir().mkpath(programDir) || !QDir().mkpath(tmp) || !QFile::copy(built, program)
        || !WriteFile(QDir(programDir).filePath(QStringLiteral("Orvane.ini")),
                      QByteArray("StartScenes=1\nOpenLastProject=0\nNbUniverses=" + QByteArray::number(kUniverses) + "\n"))) {
        std::printf("cannot prepare %s\n", qPrintable(dir.path()));
        return 1;
    }
    QFile::setPermissions(program, QFile::permissions(built));
    QFile::setPermissions(tmp, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const Clock::time_point start = Clock::now();
    if (!SaveShow(show))
        return 1;
    std::printf("show saved in %.1f s, %.1f MB\n",
                std::chrono::duration<double>(Clock::now() - start).count(), QFileInfo(show).size() / 1e6);
    std::fflush(stdout);

    // Its own IPC namespace too: the program allows one instance a machine.
    const int code =
        RunInPrivateNamespace({program, show, tmp, QString::number(universe), QString::number(seconds)}, -1, true);
    return code < 0 ? 1 : code;
}
