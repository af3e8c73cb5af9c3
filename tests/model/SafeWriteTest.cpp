#include "DataTable.h"
#include "FileBytes.h"
#include "TestRegistry.h"

#include "model/SafeWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

// What this program synced, in order, as the paths the descriptors named.
QStringList& SyncedPaths()
{
    static QStringList paths;
    return paths;
}

} // namespace

// Every fsync of this test program, the library's and Qt's, passes here.
extern "C" int fsync(int fd)
{
    char target[4096];
    const ssize_t size = readlink(QByteArray("/proc/self/fd/" + QByteArray::number(fd)).constData(), target,
                                  sizeof target);
    if (size > 0)
        SyncedPaths() << QFile::decodeName(QByteArray(target, int(size)));
    return int(syscall(SYS_fsync, fd));
}

class SafeWriteTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void renamedFileHasItsFolderSynced_data()
    {
        Columns<bool>("throughLink");
        QTest::newRow("plain file") << false;
        QTest::newRow("link to another folder") << true;
    }

    void renamedFileHasItsFolderSynced()
    {
        const auto [throughLink] = Row<bool>("throughLink");
        QVERIFY(m_dir.isValid());
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        QDir root(m_dir.path());
        QVERIFY(root.mkpath(tag + QStringLiteral("/written")) && root.mkpath(tag + QStringLiteral("/named")));
        const QString written = root.filePath(tag + QStringLiteral("/written/show.kv3"));
        const QString named = throughLink ? root.filePath(tag + QStringLiteral("/named/show.kv3")) : written;
        QVERIFY(WriteBytes(written, "old"));
        if (throughLink)
            QVERIFY(QFile::link(written, named));

        SyncedPaths().clear();
        QVERIFY(SafeWriteFile(named, "new"));
        QCOMPARE(ReadBytes(written), QByteArray("new"));
        QVERIFY(QFileInfo(named).isSymLink() == throughLink);
        // The folder is synced after the rename that put the new file there.
        const QString folder = QFileInfo(written).canonicalPath();
        QVERIFY2(!SyncedPaths().isEmpty() && SyncedPaths().last() == folder, qPrintable(SyncedPaths().join(", ")));
    }
};

ORVANE_TEST(SafeWriteTest)
#include "SafeWriteTest.moc"
