#include "TestRegistry.h"

#include "../devices/FakeTransport.h"
#include "app/Orvane.h"

#include <QApplication>
#include <QSplashScreen>
#include <QTemporaryDir>
#include <QtTest>

// A load error on the splash: above the maximised main window, and a long
// path loses only its middle, so the message start, file name and reason show.
class SplashTest : public QObject
{
    Q_OBJECT

private slots:
    void aLoadErrorStaysOnTopAndFitsItsWidth()
    {
        QTemporaryDir dir;
        COrvaneSetup setup;
        setup.programDir = dir.path();
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        setup.loadErrorWaitMs = 0;
        Orvane window(std::move(setup));
        const QString path = QStringLiteral("/home/operator/") + QStringLiteral("shows-of-the-season/").repeated(10)
            + QStringLiteral("finale.kv3");
        window.ShowSplashMessage(QStringLiteral("Cannot open \"%1\": No such file or directory").arg(path));

        QSplashScreen* splash = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            splash = splash ? splash : qobject_cast<QSplashScreen*>(widget);
        QVERIFY(splash && splash->isVisible());
        QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        const QString message = splash->message();
        QVERIFY2(message.startsWith(QStringLiteral("Cannot open")), qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("finale.kv3")));
        QVERIFY(message.endsWith(QStringLiteral("No such file or directory")));
        for (const QString& word : message.split(QLatin1Char(' ')))
            QVERIFY2(splash->fontMetrics().horizontalAdvance(word) <= splash->width() - 10, qPrintable(word));
        window.CloseSplash();
    }
};

ORVANE_TEST(SplashTest)
#include "SplashTest.moc"
