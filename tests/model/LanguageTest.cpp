#include "TestRegistry.h"

#include "Captions.h"
#include "model/Language.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Writes a table as the program ships them: UTF-16 LE, BOM, CR LF, and no
// ending after the last line.
void WriteTable(const QString& path, const QStringList& lines)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray bytes("\xFF\xFE", 2);
    const QString text = lines.join(QStringLiteral("\r\n"));
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    file.write(bytes);
}

QStringList NumberedLines(const QString& prefix, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("%1 %2").arg(prefix).arg(i);
    return lines;
}

} // namespace

class LanguageTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Folder() const { return m_dir.path() + QLatin1Char('/'); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        WriteTable(Folder() + QStringLiteral("english.trad"), NumberedLines(QStringLiteral("en"), 474));
        QStringList french = NumberedLines(QStringLiteral("fr"), 474);
        french[10].clear();
        WriteTable(Folder() + QStringLiteral("french.trad"), french);
        WriteTable(Folder() + QStringLiteral("german.trad"), NumberedLines(QStringLiteral("de"), 466));
        WriteTable(Folder() + QStringLiteral("languages.trad"),
                   {QStringLiteral("English"), QStringLiteral("Français"), QStringLiteral("Deutsch")});
    }

    void init() { ResetLanguageTables(); }
    void cleanupTestCase()
    {
        // The other tests of the program read the shipped captions.
        ResetLanguageTables();
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(0);
    }

    void nothingIsLoadedBeforeALanguageIsChosen()
    {
        SetLangFolder(Folder());
        QCOMPARE(GetLangText(0), QString());
        QCOMPARE(GetLangText(100), QString());
        QCOMPARE(GetLanguage(), 0);
    }

    void englishTextsAndTheirEnd()
    {
        SetLangFolder(Folder());
        SetLanguage(0);
        QCOMPARE(GetLangText(0), QStringLiteral("en 0"));
        QCOMPARE(GetLangText(473), QStringLiteral("en 473"));
        QCOMPARE(GetLangText(474), QString());
        QCOMPARE(GetLangText(-1), QString());
    }

    void translationsFallBackToEnglish()
    {
        SetLangFolder(Folder());
        SetLanguage(1);
        QCOMPARE(GetLanguage(), 1);
        QCOMPARE(GetLangText(9), QStringLiteral("fr 9"));
        QCOMPARE(GetLangText(10), QStringLiteral("en 10")); // empty French line
        QCOMPARE(GetLangText(474), QString());

        SetLanguage(2);
        QCOMPARE(GetLangText(465), QStringLiteral("de 465"));
        QCOMPARE(GetLangText(470), QStringLiteral("en 470")); // beyond the German table
        QCOMPARE(GetLangText(-3), QString());
    }

    void unknownLanguageIndexShowsEnglish()
    {
        SetLangFolder(Folder());
        SetLanguage(13);
        QCOMPARE(GetLanguage(), 13);
        QCOMPARE(GetLangText(5), QStringLiteral("en 5"));
        SetLanguage(-1);
        QCOMPARE(GetLangText(6), QStringLiteral("en 6"));
    }

    void languageWithoutTableShowsEnglish()
    {
        SetLangFolder(Folder());
        SetLanguage(4); // no spanish.trad in the folder
        QCOMPARE(GetLangText(7), QStringLiteral("en 7"));
    }

    void languageNames()
    {
        SetLangFolder(Folder());
        QCOMPARE(GetLanguageName(1), QStringLiteral("Français"));
        QCOMPARE(GetLanguageName(3), QString());
        QCOMPARE(GetLanguageName(-1), QString());
    }

    void tradFileEndingsAndEncodings()
    {
        const QString path = Folder() + QStringLiteral("endings.trad");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const QString text = QStringLiteral("one\r\n\r\nthree é\r\nlast without ending");
            QByteArray bytes("\xFF\xFE", 2);
            bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            file.write(bytes);
        }
        QStringList lines{QStringLiteral("kept")};
        LoadTradFile(path, lines);
        QCOMPARE(lines, QStringList({QStringLiteral("kept"), QStringLiteral("one"), QString(),
                                     QStringLiteral("three é"), QStringLiteral("last without ending")}));

        QStringList none;
        LoadTradFile(Folder() + QStringLiteral("missing.trad"), none);
        QVERIFY(none.isEmpty());
    }

    void shippedTablesComeFromTheResources()
    {
        SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
        SetLanguage(3);
        QCOMPARE(GetLangText(Txt::Error), QStringLiteral("Error"));
        QCOMPARE(GetLangText(Txt::Warning), QStringLiteral("Warning"));
        QCOMPARE(GetLangText(Txt::ChooseProfileTypeShape),
                 QStringLiteral("Choose a type of profile and its shape in the 2D view"));
        QCOMPARE(GetLangText(474), QString());
        QCOMPARE(GetLanguageName(0), QStringLiteral("English"));
        QCOMPARE(GetLanguageName(7), QStringLiteral("Čeština"));
        QCOMPARE(GetLanguageName(12), QStringLiteral("日本語"));
        QCOMPARE(GetLanguageName(13), QString());

        QStringList english;
        LoadTradFile(QStringLiteral(":/Orvane/Resources/english.trad"), english);
        QCOMPARE(english.size(), 474);
    }
};

ORVANE_TEST(LanguageTest)
#include "LanguageTest.moc"
