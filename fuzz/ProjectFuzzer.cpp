// Feeds arbitrary files to one of the file readers, then saves what it read
// and checks that the saved file opens again. ORVANE_FUZZ_SUFFIX, set by the
// build, chooses the reader:
//   "kv3"          the current project format
//   "kv2", "kv1"   the older project formats (compressed, hexadecimal)
//   "import"       File Import of an older project into an open show
//   "kvp", "zkp"   fixture profiles (hexadecimal, scrambled)
// An input that starts with '<' is taken as the XML text and stored as the
// program stores that kind of file; any other input is taken as the stored
// file itself, so the storage decoding is fuzzed too.
//
// With ORVANE_FUZZ_ROUNDTRIP=1 in the environment a current-format project
// must also save, open and save again to the same document.

#include "model/FixtureProfile.h"
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

#ifndef ORVANE_FUZZ_SUFFIX
#define ORVANE_FUZZ_SUFFIX "kv3"
#endif

namespace {

const QString kKind = QStringLiteral(ORVANE_FUZZ_SUFFIX);

// Every section is read, scenes saved as playing start again, and an import
// keeps every scene it offers.
class CFuzzHost : public CShowHost
{
public:
    bool HasTimeLine() const override { return true; }
    bool StartScenesOption() const override { return true; }
    bool ChooseImportScenes(const QStringList& names, QList<bool>& keep, bool& newPage) override
    {
        keep = QVector<bool>(names.size(), true).toList();
        newPage = names.size() % 2 == 1;
        return true;
    }
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
        const QString suffix = kKind == QLatin1String("import") ? QStringLiteral("kv2") : kKind;
        input = stem + QStringLiteral("-in.") + suffix;
        const bool profile = kKind == QLatin1String("kvp") || kKind == QLatin1String("zkp");
        output = stem + (profile ? QStringLiteral("-out.") + kKind : QStringLiteral("-out.kv3"));
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
    return doc.ToBytes();
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

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void FuzzProfile(const CFuzzState& state)
{
    CFixtureProfile profile;
    if (!profile.Load(state.input, false))
        return;
    CFixtureProfile again;
    if (!profile.Save(state.output) || !again.Load(state.output, false))
        Fail("a profile read from a file does not save and open again");
}

void FuzzProject(CFuzzState& state)
{
    CProject& project = state.project;
    if (kKind == QLatin1String("import")) {
        // A small show of its own to import into, made afresh each run.
        project.Reset();
        project.AddScene(false);
        if (!project.ImportProject(state.input))
            return;
    } else if (!project.OpenProject(state.input)) {
        return;
    }
    const QByteArray first = Xml(project);
    if (!project.SaveProject(state.output) || !project.OpenProject(state.output))
        Fail("what we wrote does not open again");
    if (state.roundTrip && Xml(project) != first)
        Fail("a saved show does not save again the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CFuzzState state;
    const CRemoveFiles removeFiles{state};
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const QByteArray stored = bytes.startsWith('<')
        ? CXmlDocument::EncodeStorage(CXmlDocument::GetStorageMode(state.input), bytes)
        : bytes;
    if (!WriteAll(state.input, stored))
        return 0;
    if (kKind == QLatin1String("kvp") || kKind == QLatin1String("zkp"))
        FuzzProfile(state);
    else
        FuzzProject(state);
    return 0;
}
