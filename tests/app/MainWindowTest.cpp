#include "TestRegistry.h"

#include "app/AppOptions.h"
#include "app/Globals.h"
#include "app/Orvane.h"

#include <QtTest>

namespace {

QStringList g_messages;

void CollectMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    // The offscreen platform says it cannot pass size hints to a window
    // system it does not have; that is not the program's warning.
    if (type != QtDebugMsg && type != QtInfoMsg && !text.contains(QLatin1String("propagateSizeHints")))
        g_messages << text;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startsAndClosesWithoutWarnings()
    {
        g_messages.clear();
        QtMessageHandler previous = qInstallMessageHandler(CollectMessages);
        {
            Orvane window;
            QCOMPARE(g_pMainWnd, &window);
            QCOMPARE(g_pOptions, &window.Options());
            QCOMPARE(&ShowHost(), static_cast<CShowHost*>(&window));
            window.showMaximized();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.windowTitle().contains(QStringLiteral("Untitled")));
            QVERIFY(window.close());
        }
        qInstallMessageHandler(previous);
        QCOMPARE(g_messages, QStringList());
        QVERIFY(g_pMainWnd == nullptr);
        QVERIFY(g_pOptions == nullptr);
    }

    void modifiedMarkFollowsTheFlag()
    {
        Orvane window;
        window.SetModified(true);
        QVERIFY(window.windowTitle().endsWith(QStringLiteral(" *")));
        window.SetModified(false);
        QVERIFY(!window.windowTitle().endsWith(QStringLiteral(" *")));
    }

    void hostAnswersFromTheOptions()
    {
        Orvane window;
        window.Options().m_bStartScenes = true;
        window.SetUniverseCountOption(7);
        QVERIFY(ShowHost().StartScenesOption());
        QCOMPARE(window.Options().m_nbUniverses, 7);
    }
};

ORVANE_TEST(MainWindowTest)
#include "MainWindowTest.moc"
