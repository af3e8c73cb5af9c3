// Feeds arbitrary files to the project reader, then saves what it read.
// An input that starts with '<' is taken as the XML text of a project and
// stored compressed, as the program stores it; any other input is taken as
// the stored file itself, so the storage decoding is fuzzed too.
//
// With ORVANE_FUZZ_ROUNDTRIP=1 in the environment it also checks that a
// show read from any file saves, opens and saves again to the same document.

#include "model/XmlDocument.h"
#include "show/Project.h"
#include "show/ProjectFileV3.h"
#include "show/ShowHost.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Every section is read: the timeline exists and scenes saved as playing start again.
class CFuzzHost : public CShowHost
{
public:
    bool HasTimeLine() const override { return true; }
    bool StartScenesOption() const override { return true; }
};

struct CFuzzState
{
    CFuzzState()
    {
        // Load errors format captions that no language table fills here.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        SetShowHost(&host);
        project.NewProject(4);
        const QString dir = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        const QString stem = dir + QStringLiteral("/orvane-fuzz-%1").arg(QCoreApplication::applicationPid());
        input = stem + QStringLiteral("-in.kv3");
        output = stem + QStringLiteral("-out.kv3");
        roundTrip = qEnvironmentVariableIntValue("ORVANE_FUZZ_ROUNDTRIP") != 0;
    }
    CFuzzHost host;
    CProject project;
    QString input;
    QString output;
    bool roundTrip = false;
};

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray Xml(CProject& project)
{
    CProjectFileV3 doc;
    doc.WriteProject(project);
    return doc.m_document.toByteArray(1);
}

// libFuzzer ends without running destructors: each run removes its files.
struct CRemoveFiles
{
    ~CRemoveFiles()
    {
        QFile::remove(state.input);
        QFile::remove(state.output);
    }
    const CFuzzState& state;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CFuzzState state;
    const CRemoveFiles removeFiles{state};
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QByteArray stored = bytes.startsWith('<')
        ? CXmlDocument::EncodeStorage(CXmlDocument::CompressedStorage, bytes)
        : bytes;
    if (!WriteAll(state.input, stored))
        return 0;
    if (!state.project.OpenProject(state.input))
        return 0;

    const QByteArray first = Xml(state.project);
    if (!state.project.SaveProject(state.output) || !state.project.OpenProject(state.output))
        std::abort(); // what we wrote must open again
    if (state.roundTrip && Xml(state.project) != first) {
        std::fprintf(stderr, "a saved show does not save again the same\n");
        std::abort();
    }
    return 0;
}
