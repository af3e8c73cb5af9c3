#include "TestRegistry.h"

#include "widgets/FitMessage.h"

#include <QFont>
#include <QtTest>

// Load errors on the splash: whatever the path, the start of the message,
// the file name and the reason stay visible within the width.
class FitMessageTest : public QObject
{
    Q_OBJECT

private slots:
    void longPathsLoseOnlyTheirMiddle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("unchanged");
        const QString deep = QStringLiteral("/home/operator/") + QStringLiteral("very-long-folder-name/").repeated(12);
        QTest::newRow("short") << QStringLiteral("Cannot open \"/tmp/show.kv3\": No such file") << true;
        QTest::newRow("long path") << QStringLiteral("Cannot open \"%1show.kv3\": Permission denied").arg(deep) << false;
        QTest::newRow("two lines") << QStringLiteral("Parse error at line 3, column 9:\nunexpected end of %1show.kv3")
                                          .arg(deep)
                                   << false;
    }

    void longPathsLoseOnlyTheirMiddle()
    {
        QFETCH(QString, text);
        QFETCH(bool, unchanged);
        const QFontMetrics metrics{QFont()};
        const int width = 410;
        const QString fitted = FitMessage(text, metrics, width);
        if (unchanged) {
            QCOMPARE(fitted, text);
            return;
        }
        QVERIFY(fitted != text);
        QCOMPARE(fitted.count(QLatin1Char('\n')), text.count(QLatin1Char('\n')));
        for (const QString& word : fitted.split(QRegularExpression(QStringLiteral("[ \n]"))))
            QVERIFY2(metrics.horizontalAdvance(word) <= width, qPrintable(word));
        QVERIFY(fitted.startsWith(text.section(QLatin1Char(' '), 0, 0)));
        QVERIFY(fitted.endsWith(text.right(8)));
        QVERIFY(fitted.contains(QStringLiteral("show.kv3")));
    }
};

ORVANE_TEST(FitMessageTest)
#include "FitMessageTest.moc"
