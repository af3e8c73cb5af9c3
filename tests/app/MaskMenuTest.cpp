#include "TestRegistry.h"
#include "WindowRig.h"

#include "../devices/FakeTransport.h"
#include "RawChannelScene.h"
#include "app/Orvane.h"
#include "live/PagesWnd.h"
#include "show/Page.h"
#include "show/Project.h"

#include <QMenu>
#include <QtTest>

// The Live menu's masks, offered while a scene is edited. Nothing here
// starts Art-Net.

class MaskMenuTest : public QObject
{
    Q_OBJECT
private slots:
    void masksShowTheirNamesAsWritten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Warm";
        QTest::newRow("ampersand") << "Red & Blue";
        QTest::newRow("leading ampersand") << "&Front";
        QTest::newRow("two ampersands") << "A&&B";
        QTest::newRow("trailing ampersand") << "Back&";
    }
    void masksShowTheirNamesAsWritten()
    {
        QFETCH(QString, name);
        CWindowRigBase rig;
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        rig.Start(std::move(setup));
        CProject& project = rig.window->Project();
        CScene* scene = AddRawChannelScene(project, QStringLiteral("S"), {{0, 0, 10}});
        project.m_masks << CMask{name, {{0, 0, 200}}};
        QVERIFY(rig.window->LivePages()->EditScene(project.m_firstPage, scene));
        auto* menu = rig.window->findChild<QMenu*>(QStringLiteral("applyMaskMenu"));
        emit qobject_cast<QMenu*>(menu->parentWidget())->aboutToShow(); // the Live menu opens
        QCOMPARE(menu->actions().size(), 1);
        // What the menu draws: its text without the shortcut marks.
        QCOMPARE(menu->actions().first()->iconText(), name);
    }
};

ORVANE_TEST(MaskMenuTest)
#include "MaskMenuTest.moc"
