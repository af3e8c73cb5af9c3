#include "TestRegistry.h"

#include "../model/FileBytes.h"
#include "Captions.h"
#include "PlaybackRig.h"
#include "model/Language.h"
#include "show/EffectScene.h"
#include "show/ProjectFileV3.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <new>

// Whole opens of files built to hurt: each is refused with a message that
// says what is wrong, ends in the empty show and switches no output on.

namespace {

const QString kHead = QStringLiteral("<ZKFile Version=\"2.0\"><ZKParams ZKDmxMode=\"2\"/><ZKGroups ZKNumber=\"1\">"
                                     "<ZKGlobalGroup ZKName=\"General\"/></ZKGroups>");

// 512 raw channels listed once, then repeated by steps that list nothing.
QByteArray StepEntryBomb(int steps)
{
    QStringList records;
    for (int slot = 0; slot < 512; ++slot)
        records << QStringLiteral("-1|0|%1").arg(slot);
    QString xml = kHead + QStringLiteral("<ZKPages><ZKPage ZKName=\"P\"><ZKScenes><ZKScene ZKName=\"S\"><ZKSteps>");
    xml += QStringLiteral("<ZKStep><SData SIds=\"%1\" SLvl=\"\"/></ZKStep>").arg(records.join(QLatin1Char('|')));
    xml += QStringLiteral("<ZKStep><SData SLvl=\"\"/></ZKStep>").repeated(steps);
    return (xml + QStringLiteral("</ZKSteps></ZKScene></ZKScenes></ZKPage></ZKPages></ZKFile>")).toUtf8();
}

// Runs out of memory where the patch asks about the universes.
class COutOfMemoryHost : public CRecordingHost
{
public:
    int AskQuestion(const QString& title, const QString& text) override
    {
        CRecordingHost::AskQuestion(title, text);
        if (failing)
            throw std::bad_alloc();
        return No;
    }
    bool failing = true;
};

} // namespace

class HostileFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Store(const QString& name, const QByteArray& xml)
    {
        const QString path = m_dir.filePath(name);
        WriteBytes(path, CXmlDocument::EncodeStorage(CXmlDocument::GetStorageMode(path), xml));
        return path;
    }

private slots:
    void refusedFilesSayWhyAndLeaveAnEmptyShow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("message");
        QTest::newRow("step entries") << "bomb.kv3" << StepEntryBomb(4200)
                                      << GetLangText(Txt::TooManyStepEntries).arg(1 << 21);
        QTest::newRow("deep") << "deep.kv3" << QByteArray("<a>").repeated(100000)
                              << GetLangText(Txt::DocumentTooDeep).arg(CXmlDocument::kMaxDepth);
        QTest::newRow("picture") << "photo.kv3" << QByteArray() << GetLangText(Txt::NotAProjectFile);
    }

    void refusedFilesSayWhyAndLeaveAnEmptyShow()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, xml);
        QFETCH(QString, message);
        CPlaybackRig rig;
        const QString path = xml.isEmpty() ? m_dir.filePath(name) : Store(name, xml);
        if (xml.isEmpty())
            QVERIFY(WriteBytes(path, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
        QVERIFY(!rig.project.OpenProject(path));
        QCOMPARE(rig.host.calls.filter(QStringLiteral("ShowSplashMessage:")),
                 QStringList({QStringLiteral("ShowSplashMessage:") + message}));
        QVERIFY(rig.host.calls.contains(QStringLiteral("WaitAfterLoadError")));
        // The mode the refused file named is forgotten: the empty show sends nothing.
        QCOMPARE(rig.project.m_loadedDmxMode, 0);
        QCOMPARE(rig.project.m_pages.size(), 1);
        QVERIFY(rig.project.m_firstPage->m_scenes.isEmpty());
        QVERIFY(rig.project.m_rawChannels.isEmpty());
    }

    // An allocation that fails while reading ends in the empty show with a
    // message; a patch the user refused ends there without one.
    void runningOutOfMemoryEndsInTheEmptyShow()
    {
        CPlaybackRig rig;
        rig.Patch(rig.RgbProfile(), 6, 0);
        const QString path = m_dir.filePath(QStringLiteral("wide.kv3"));
        QVERIFY(rig.project.SaveProject(path));
        COutOfMemoryHost host;
        for (bool failing : {true, false}) {
            host.failing = failing;
            host.calls.clear();
            QVERIFY(!rig.project.OpenProject(path));
            QVERIFY(rig.project.PatchedFixtures().isEmpty());
            QCOMPARE(rig.project.m_pages.size(), 1);
            const QStringList expected = {QStringLiteral("ShowSplashMessage:") + GetLangText(Txt::NotEnoughMemoryToOpen)};
            QCOMPARE(host.calls.filter(QStringLiteral("ShowSplashMessage:")), failing ? expected : QStringList());
        }
    }

    void fixturesLeftOutAreToldOnce()
    {
        CPlaybackRig rig;
        CLibraryProfile* rgb = rig.RgbProfile();
        for (int address : {0, 10, 20, 30})
            rig.Patch(rgb, 0, address);
        const QString saved = m_dir.filePath(QStringLiteral("patch.kv3"));
        QVERIFY(rig.project.SaveProject(saved));
        QString xml = QString::fromUtf8(qUncompress(ReadBytes(saved)));
        // Channels that run past slot 512, and a universe past the last.
        for (const auto& change : {qMakePair(QStringLiteral("2"), QStringLiteral("ZKAddress=\"510\"")),
                                   qMakePair(QStringLiteral("4"), QStringLiteral("ZKUniverse=\"256\""))}) {
            const QRegularExpressionMatch match =
                QRegularExpression(QStringLiteral("<ZKFixture [^>]*ZKId=\"%1\"[^>]*>").arg(change.first)).match(xml);
            QVERIFY(match.hasMatch());
            QString element = match.captured();
            element.replace(QRegularExpression(change.second.section(QLatin1Char('='), 0, 0) + QStringLiteral("=\"\\d+\"")),
                            change.second);
            xml.replace(match.capturedStart(), match.capturedLength(), element);
        }
        const QString path = Store(QStringLiteral("dropped.kv3"), xml.toUtf8());

        rig.host.calls.clear();
        QVERIFY(rig.project.OpenProject(path));
        QCOMPARE(rig.project.PatchedFixtures().size(), 2);
        QCOMPARE(rig.host.calls.filter(QStringLiteral("ShowInformation:")),
                 QStringList({QStringLiteral("ShowInformation:%1:%2")
                                  .arg(GetLangText(Txt::Warning), GetLangText(Txt::FixturesLeftOut).arg(2))}));
        // Saved without them, the show opens without a word.
        QVERIFY(rig.project.SaveProject(saved));
        rig.host.calls.clear();
        QVERIFY(rig.project.OpenProject(saved));
        QVERIFY(rig.host.calls.filter(QStringLiteral("ShowInformation:")).isEmpty());
    }

    void stepTimesAreClampedOnRead()
    {
        CPlaybackRig rig;
        const QString path = Store(
            QStringLiteral("times.kv3"),
            (kHead + QStringLiteral(
                 "<ZKPages><ZKPage ZKName=\"P\"><ZKScenes>"
                 "<ZKScene ZKName=\"S\" ZKFadeIn=\"2147483647\" ZKFadeOutDelay=\"-5\" ZKCustomFadeOut=\"99\">"
                 "<ZKSteps><ZKStep ZKFade=\"2147483647\" ZKWait=\"-1\"/><ZKStep ZKFade=\"7\" ZKWait=\"2147483647\"/>"
                 "</ZKSteps></ZKScene></ZKScenes></ZKPage></ZKPages>"
                 "<ZKEffScenes><ZKEffScene ZKName=\"E\" ZKFadeIn=\"-3\" ZKFadeOut=\"2147483647\"/></ZKEffScenes>"
                 "</ZKFile>"))
                .toUtf8());
        QVERIFY(rig.project.OpenProject(path));
        const int longest = CXmlDocument::kMaxTimeMs;
        const CScene* scene = rig.project.m_firstPage->m_scenes.value(0);
        QVERIFY(scene);
        QCOMPARE(QList<int>({scene->m_fadeIn, scene->m_fadeOutDelay, scene->m_customFadeOut}),
                 QList<int>({longest, 0, 99}));
        QCOMPARE(scene->m_steps.size(), 2);
        QCOMPARE(QList<int>({scene->m_steps[0]->m_fade, scene->m_steps[0]->m_wait, scene->m_steps[1]->m_wait}),
                 QList<int>({longest, 0, longest}));
        const CEffectScene* effects = rig.project.m_effectScenes.value(0);
        QVERIFY(effects);
        QCOMPARE(QList<int>({effects->m_fadeIn, effects->m_fadeOut}), QList<int>({0, longest}));
    }

    // Steps as long as an int holds: the cycle position saturates instead
    // of overflowing (the sanitizer build stops on an overflow).
    void theLongestStepsCannotOverflowTheTick()
    {
        CPlaybackRig rig;
        CPatchedFixture* rgb = rig.Patch(rig.RgbProfile(), 0, 0);
        CScene* scene = rig.AddScene(QStringLiteral("Long"));
        rig.AddStep(scene, 0, INT_MAX, {{rgb, {90, 0, 0}}});
        rig.AddStep(scene, INT_MAX, INT_MAX, {{rgb, {0, 0, 0}}});
        scene->SetSpeed(100);
        QVERIFY(rig.Page()->PlayScene(scene));
        rig.Tick();
        scene->SeekTo(INT_MAX - 10);
        rig.Tick(3);
        QCOMPARE(scene->m_cyclePosition, INT_MAX);
        QVERIFY(rig.Page()->IsPlaying(scene));
        QCOMPARE(rig.Out(0, 0), 90);
    }
};

ORVANE_TEST(HostileFileTest)
#include "HostileFileTest.moc"
