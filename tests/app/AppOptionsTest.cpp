#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "TestRegistry.h"

#include "app/OptionsFile.h"
#include "app/options/AppOptions.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

class AppOptionsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void aMissingFileGivesTheDefaults()
    {
        CAppOptions options;
        options.m_nbUniverses = 9;
        QVERIFY(COptionsFile::Load(options, Path("none.ini")));
        QCOMPARE(options.m_nbUniverses, 4);
        QVERIFY(options.m_bSendEditDmx);
        QVERIFY(!options.m_bStartScenes);
        QCOMPARE(options.m_language, -1);
        QCOMPARE(options.m_panelBackground, QColor(175, 175, 170));
        QCOMPARE(options.m_refreshChoice, 1);
        QCOMPARE(options.m_record.sampleMs, 40);
        QVERIFY(options.m_record.withFade);
        QCOMPARE(options.m_record.maxLengthS, 60);
        QCOMPARE(options.m_record.maxSteps, 100);
        QCOMPARE(options.m_savedColors[15], QColor(Qt::white));
        QCOMPARE(options.m_savedPositions[9].pan, 32768);
        QCOMPARE(options.m_liveTriggers[CAppOptions::CmdCommonMasterSpeed], QString());
    }

    void everyOptionSurvivesTheFile()
    {
        CAppOptions written;
        written.m_language = 2;
        written.m_bStartScenes = true;
        written.m_bSendEditDmx = false;
        written.m_nbUniverses = 12;
        written.m_bStayOnTop = true;
        written.m_bOpenLastProject = true;
        written.m_lastProject = QStringLiteral("/shows/été=2024.kv3");
        written.m_panelBackground = QColor(1, 2, 3);
        written.m_refreshChoice = 4;
        written.m_bWhiteAuto = true;
        written.m_savedColors[0] = QColor(255, 0, 0);
        written.m_savedColors[15] = QColor(0, 0, 255);
        written.m_ptPrecision = 10;
        written.m_savedPositions[0] = {0, 65535};
        written.m_savedPositions[9] = {1234, 4321};
        written.m_record = {1000, false, true, true, 600, false, 1000};
        written.m_liveTriggers[CAppOptions::CmdBlackOut] = QStringLiteral("F5;1|0|36|1|127;;0|0|0;1");
        written.m_liveTriggers[CAppOptions::CmdCommonMasterSpeed] = QStringLiteral(";2|3|7|1|127;;;0");
        QVERIFY(COptionsFile::Save(written, Path("roundtrip.ini")));

        CAppOptions read;
        QVERIFY(COptionsFile::Load(read, Path("roundtrip.ini")));
        QCOMPARE(read.m_language, 2);
        QVERIFY(read.m_bStartScenes);
        QVERIFY(!read.m_bSendEditDmx);
        QCOMPARE(read.m_nbUniverses, 12);
        QVERIFY(read.m_bStayOnTop);
        QVERIFY(read.m_bOpenLastProject);
        // A value may itself hold "=".
        QCOMPARE(read.m_lastProject, written.m_lastProject);
        QCOMPARE(read.m_panelBackground, QColor(1, 2, 3));
        QCOMPARE(read.m_refreshChoice, 4);
        QVERIFY(read.m_bWhiteAuto);
        QCOMPARE(read.m_savedColors[0], QColor(255, 0, 0));
        QCOMPARE(read.m_savedColors[1], QColor(Qt::white));
        QCOMPARE(read.m_savedColors[15], QColor(0, 0, 255));
        QCOMPARE(read.m_ptPrecision, 10);
        QCOMPARE(read.m_savedPositions[0].tilt, 65535);
        QCOMPARE(read.m_savedPositions[9].pan, 1234);
        QCOMPARE(read.m_savedPositions[9].tilt, 4321);
        QCOMPARE(read.m_record.sampleMs, 1000);
        QVERIFY(!read.m_record.withFade);
        QVERIFY(read.m_record.autoStart);
        QVERIFY(read.m_record.stopAfterLength);
        QCOMPARE(read.m_record.maxLengthS, 600);
        QCOMPARE(read.m_record.maxSteps, 1000);
        for (int i = 0; i < CAppOptions::kLiveCommandCount; ++i)
            QCOMPARE(read.m_liveTriggers[i], written.m_liveTriggers[i]);
        // Written again, the file is the same.
        QCOMPARE(read.Format(), written.Format());
    }

    void theFileLayoutIsKeyEqualsValue()
    {
        CAppOptions options;
        const QStringList lines = options.Format().split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("SendEditDmx=1")));
        QVERIFY(lines.contains(QStringLiteral("NbUniverses=4")));
        QVERIFY(lines.contains(QStringLiteral("RecordConfig=40|1|0|0|60|0|100")));
        // Colours are one integer: red + green x 256 + blue x 65536.
        QVERIFY(lines.contains(QStringLiteral("BackColor=%1").arg(175 + 175 * 256 + 170 * 65536)));
        // An unchosen language is not written, so the system's keeps applying.
        QVERIFY(!options.Format().contains(QLatin1String("Language=")));
    }

    void malformedLinesAndValuesKeepTheDefaults()
    {
        const QByteArray text = "\xEF\xBB\xBF"
                                "just some words\r\n"
                                "=5\n"
                                "  \n"
                                "NbUniverses=abc\n"
                                "StartScenes=1\r\n"
                                "SendEditDmx=2\n"
                                "PTPrecision=0\n"
                                "Refresh2D=5\n"
                                "Language=13\n"
                                "RecordConfig=100|1|1\n"
                                "ClrPresets=255|red|65280|-1|16777216\n"
                                "PosPresets=1;2|bad|65536;3|4;5;6|7;8\n"
                                "BackColor=99999999\n";
        CAppOptions options;
        QVERIFY(COptionsFile::Load(options, WrittenFile(Path("malformed.ini"), text)));
        QCOMPARE(options.m_nbUniverses, 4);
        QVERIFY(options.m_bStartScenes); // after a BOM and with CR LF
        QVERIFY(options.m_bSendEditDmx);
        QCOMPARE(options.m_ptPrecision, 1);
        QCOMPARE(options.m_refreshChoice, 1);
        QCOMPARE(options.m_language, -1);
        QCOMPARE(options.m_record.sampleMs, 40);
        QVERIFY(!options.m_record.autoStart);
        QCOMPARE(options.m_savedColors[0], QColor(255, 0, 0));
        QCOMPARE(options.m_savedColors[1], QColor(Qt::white));
        QCOMPARE(options.m_savedColors[2], QColor(0, 255, 0));
        QCOMPARE(options.m_savedColors[3], QColor(Qt::white));
        QCOMPARE(options.m_savedColors[4], QColor(Qt::white));
        QCOMPARE(options.m_savedPositions[0].pan, 1);
        QCOMPARE(options.m_savedPositions[0].tilt, 2);
        QCOMPARE(options.m_savedPositions[1].pan, 32768);
        QCOMPARE(options.m_savedPositions[2].pan, 32768);
        QCOMPARE(options.m_savedPositions[3].pan, 32768);
        QCOMPARE(options.m_savedPositions[4].pan, 7);
        QCOMPARE(options.m_panelBackground, QColor(175, 175, 170));
        // Lines without a key are not carried into the next file.
        QVERIFY(!options.Format().contains(QLatin1String("just some words")));
        QVERIFY(!options.Format().contains(QLatin1String("\n=5")));
    }

    void universeCountStaysWithinBounds_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("one") << "1" << 1;
        QTest::newRow("most") << "256" << 256;
        QTest::newRow("zero") << "0" << 4;
        QTest::newRow("negative") << "-3" << 4;
        QTest::newRow("huge") << "2147483647" << 4;
        QTest::newRow("beyond int") << "99999999999" << 4;
        QTest::newRow("spaces") << " 8 " << 8;
    }

    void universeCountStaysWithinBounds()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        CAppOptions options;
        options.Parse(QStringLiteral("NbUniverses=") + value);
        QCOMPARE(options.m_nbUniverses, expected);
    }

    void unknownKeysAreKeptAndTheLastOfTwoWins()
    {
        CAppOptions options;
        options.Parse(QStringLiteral("FutureOption=a=b\nNbUniverses=5\nOther=\nNbUniverses=6\n"));
        QCOMPARE(options.m_nbUniverses, 6);
        const QString written = options.Format();
        QVERIFY(written.contains(QLatin1String("\nFutureOption=a=b\nOther=\n")));
        QCOMPARE(written.count(QLatin1String("NbUniverses=")), 1);
    }

    void aPathWithALineBreakIsNotWritten()
    {
        CAppOptions options;
        options.m_lastProject = QStringLiteral("/shows/a\nNbUniverses=200");
        options.m_liveTriggers[CAppOptions::CmdPause] = QStringLiteral("A\rStartScenes=1");
        CAppOptions read;
        read.Parse(options.Format());
        QCOMPARE(read.m_nbUniverses, 4);
        QVERIFY(!read.m_bStartScenes);
        QCOMPARE(read.m_lastProject, QString());
    }

    void anOversizedFileIsNotRead()
    {
        QByteArray text("NbUniverses=7\n");
        text.append(QByteArray(CAppOptions::kMaxFileBytes, 'x'));
        CAppOptions options;
        QString error;
        QVERIFY(!COptionsFile::Load(options, WrittenFile(Path("big.ini"), text), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(options.m_nbUniverses, 4);
    }

    void aFailedSaveSaysWhy()
    {
        // A file in a folder that does not exist cannot be written.
        CAppOptions options;
        QString error;
        QVERIFY(!COptionsFile::Save(options, m_dir.filePath(QStringLiteral("missing/kept.ini")), &error));
        QVERIFY(!error.isEmpty());
        // The target being a folder fails as well, and nothing is left behind.
        QDir(m_dir.path()).mkdir(QStringLiteral("folder.ini"));
        QVERIFY(!COptionsFile::Save(options, Path("folder.ini"), &error));
        QVERIFY(QFileInfo(Path("folder.ini")).isDir());
        // On a full disk the few hundred bytes fail at the flush and the old file stays.
        options.m_nbUniverses = 3;
        QVERIFY(COptionsFile::Save(options, Path("full.ini")));
        const QByteArray before = ReadBytes(Path("full.ini"));
        options.m_nbUniverses = 5;
        {
            CFileSizeLimit limit(16);
            QVERIFY(!COptionsFile::Save(options, Path("full.ini"), &error));
        }
        QVERIFY2(error.contains(qt_error_string(EFBIG)), qPrintable(error));
        QCOMPARE(ReadBytes(Path("full.ini")), before);
    }

    // A language the operator chose is written even when it is the first
    // table: read back unwritten, the system's language would apply instead.
    void aChosenLanguageSurvivesTheFile_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("english") << 0;
        QTest::newRow("french") << 1;
        QTest::newRow("the last table") << CAppOptions::kLanguageCount - 1;
    }

    void aChosenLanguageSurvivesTheFile()
    {
        QFETCH(int, language);
        CAppOptions written;
        written.m_language = language;
        QVERIFY(COptionsFile::Save(written, Path("language.ini")));
        CAppOptions read;
        QVERIFY(COptionsFile::Load(read, Path("language.ini")));
        QCOMPARE(read.m_language, language);
        QCOMPARE(read.LanguageInUse(), language);
    }

    void theSystemLanguageChoosesTheTable_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("table");
        QTest::newRow("english") << "en_US" << 0;
        QTest::newRow("french") << "fr_CA" << 1;
        QTest::newRow("brazilian") << "pt_BR" << 6;
        QTest::newRow("simplified chinese") << "zh_CN" << 9;
        QTest::newRow("traditional chinese") << "zh_TW" << 10;
        QTest::newRow("japanese") << "ja_JP" << 12;
        QTest::newRow("no table") << "sv_SE" << 0;
    }

    void theSystemLanguageChoosesTheTable()
    {
        QFETCH(QString, locale);
        QFETCH(int, table);
        QCOMPARE(CAppOptions::LanguageForLocale(QLocale(locale)), table);
    }
};

ORVANE_TEST(AppOptionsTest)
#include "AppOptionsTest.moc"
