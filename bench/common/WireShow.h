#pragma once

// What the benchmarks that run the real program on a saved show and count its
// Art-Net frames on the loopback have in common: the show, the program's own
// folder, its process and the node that answers for the show's universes.

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
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

namespace WireShow {

constexpr int kUniverses = 64;
constexpr int kStepMs = 1000;
constexpr int kLateGapMs = 50;
constexpr int kStartMinutes = 3;
constexpr int kReplyEveryMs = 2000;
// The node that answers polls, and the one its replies name, which gets the frames.
constexpr char kRealNodePolled[] = "127.0.0.3";
constexpr char kRealNode[] = "127.0.0.4";

// The gaps between two frames of a universe: the longest, where it ended,
// and how many were over kLateGapMs.
struct SGaps
{
    double longest = 0;
    double longestEnd = 0; // ms since the count began
    long late = 0;

    void Add(double gap, double end)
    {
        if (gap > longest) {
            longest = gap;
            longestEnd = end;
        }
        late += gap > kLateGapMs ? 1 : 0;
    }
};

class CBenchHost : public CShowHost
{
public:
    int OutputMode() const override { return 1; } // Art-Net only
    int UniverseCountOption() const override { return kUniverses; }
};

// `scenes` scenes that all play at once, each driving every channel of the
// show's universes through two steps with fades and waits of a second. With
// a key name, every scene answers that key and the show is saved stopped.
inline bool SaveShow(const QString& path, int scenes, int universes = kUniverses, const QString& sharedKey = QString())
{
    CBenchHost host;
    SetShowHost(&host);
    bool saved = false;
    {
        CProject project;
        NewRgbShow(project, universes);
        CPage* page = project.m_firstPage;
        const QList<CPatchedFixture*> fixtures = project.m_generalGroup->m_fixtures;
        for (int s = 0; s < scenes; ++s) {
            auto* scene = new CScene(QStringLiteral("Scene %1").arg(s + 1), universes);
            scene->m_playMode = ReleaseNone; // all of them play at once
            for (int k = 0; k < 2; ++k) {
                auto* step = new CSceneStep(kStepMs, kStepMs);
                for (int f = 0; f < fixtures.size(); ++f)
                    step->AddEntry(PatternEntry(fixtures[f], scene, s, k, f));
                scene->m_steps << step;
            }
            scene->UpdateLength();
            page->m_scenes << scene;
            if (sharedKey.isEmpty())
                page->PlayScene(scene);
            else
                scene->m_triggers.ParseShortCut(sharedKey);
        }
        QString error;
        saved = project.SaveProject(path, &error);
        if (!saved)
            std::printf("cannot save the show: %s\n", qPrintable(error));
    }
    SetShowHost(nullptr);
    return saved;
}

inline bool WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush();
}

inline QString ProgramPath()
{
    const QString given = qEnvironmentVariable("ORVANE_PROGRAM");
    if (!given.isEmpty())
        return QFileInfo(given).absoluteFilePath();
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../orvane"));
}

// The program's copy, its TMPDIR and the show's path inside one folder.
struct SRunFolder
{
    QTemporaryDir dir;
    QString program;
    QString tmp;
    QString show;
};

// The options file is read beside the program: a copy of its own keeps the
// build's folder untouched. A show of more universes than the options allow
// would stop at a question nobody answers offscreen.
inline bool PrepareRunFolder(SRunFolder& run, const QString& showName)
{
    const QString built = ProgramPath();
    if (!QFileInfo(built).isExecutable()) {
        std::printf("no program at %s (set ORVANE_PROGRAM)\n", qPrintable(built));
        return false;
    }
    const QString programDir = run.dir.filePath(QStringLiteral("program"));
    run.tmp = run.dir.filePath(QStringLiteral("tmp"));
    run.program = QDir(programDir).filePath(QStringLiteral("orvane"));
    run.show = run.dir.filePath(showName);
    if (!run.dir.isValid() || !QDir().mkpath(programDir) || !QDir().mkpath(run.tmp) || !QFile::copy(built, run.program)
        || !WriteFile(QDir(programDir).filePath(QStringLiteral("Orvane.ini")),
                      QByteArray("StartScenes=1\nOpenLastProject=0\nNbUniverses=" + QByteArray::number(kUniverses) + "\n"))) {
        std::printf("cannot prepare %s\n", qPrintable(run.dir.path()));
        return false;
    }
    QFile::setPermissions(run.program, QFile::permissions(built));
    QFile::setPermissions(run.tmp, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

// Runs this benchmark again inside a namespace of its own with the run's
// program, show and TMPDIR before `arguments`; its exit code, 1 when it did
// not finish. Its own IPC namespace too: the program allows one instance a machine.
inline int MeasureInNamespace(const SRunFolder& run, const QStringList& arguments)
{
    const QStringList all = QStringList{run.program, run.show, run.tmp} + arguments;
    const int code = LoopbackNetwork::RunInPrivateNamespace(all, -1, true);
    return code < 0 ? 1 : code;
}

// Offscreen, with its own TMPDIR, and not taken for a run inside the
// namespace by anything it starts. With `debugLog`, its devices' debug log
// (and the rest of its standard error) goes to that file instead of ours.
inline bool StartProgram(QProcess& orvane, const QString& program, const QString& show, const QString& tmp,
                         const QString& debugLog = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), tmp);
    env.remove(QString::fromLatin1(LoopbackNetwork::kNamespaceVariable));
    if (debugLog.isEmpty()) {
        orvane.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    } else {
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("orvane.devices.debug=true"));
        orvane.setStandardErrorFile(debugLog);
    }
    orvane.setProcessEnvironment(env);
    orvane.setStandardOutputFile(QProcess::nullDevice());
    orvane.start(program, {show});
    if (orvane.waitForStarted(10000))
        return true;
    std::printf("cannot start %s\n", qPrintable(program));
    return false;
}

inline void StopProgram(QProcess& orvane)
{
    orvane.terminate();
    if (!orvane.waitForFinished(10000)) {
        orvane.kill();
        orvane.waitForFinished(5000);
    }
}

inline sockaddr_in SocketAddress(const char* address, quint16 port)
{
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &a.sin_addr);
    return a;
}

// Room for a late read of the bench, which must not show as a lost frame:
// root in its own namespace may pass the system's cap.
inline void WidenReceiveBuffer(int fd)
{
    const int buffer = 8 << 20;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
}

inline int UdpSocket(const char* address, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    WidenReceiveBuffer(fd);
    const sockaddr_in local = SocketAddress(address, port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The node that answers polls and the one that gets the frames, on the
// loopback of a namespace that has nothing else: false, said why, when not.
struct SRealNode
{
    int polled = -1;
    int node = -1;
};
inline bool OpenRealNode(SRealNode& real)
{
    if (!LoopbackNetwork::OnlyLoopback()) {
        std::printf("refusing to send Art-Net: this namespace has a network interface besides the loopback\n");
        return false;
    }
    real.polled = UdpSocket(kRealNodePolled, ArtNet::kUdpPort);
    real.node = UdpSocket(kRealNode, ArtNet::kUdpPort);
    if (real.polled < 0 || real.node < 0) {
        std::printf("cannot bind the node on the loopback\n");
        return false;
    }
    return true;
}

inline void SendToProgram(int fd, const QByteArray& datagram)
{
    static const sockaddr_in controller = SocketAddress("127.0.0.1", ArtNet::kUdpPort);
    ::sendto(fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<const sockaddr*>(&controller),
             sizeof controller);
}

// The node answers for every universe, four output ports per reply as a
// node with many ports does; the program takes replies it did not poll for.
inline void AnnounceNode(int fd)
{
    for (int r = 0; r < (kUniverses + 3) / 4; ++r) {
        QVector<quint8> swOut;
        for (int p = 0; p < 4 && r * 4 + p < kUniverses; ++p)
            swOut << quint8((r * 4 + p) & 0x0F);
        const QHostAddress node(QString::fromLatin1(kRealNode));
        SendToProgram(fd, LoopbackNetwork::PollReply(node, swOut, quint16(r * 4), quint8(r + 1)));
    }
}

// The Port-Address of an ArtDMX packet of `size` bytes, or -1 for any other.
inline int DmxUniverse(const char* packet, ssize_t size)
{
    if (size != ArtNet::kDmxPacketSize)
        return -1;
    return LoopbackNetwork::DmxPortAddress(QByteArray::fromRawData(packet, int(size)));
}

} // namespace WireShow
