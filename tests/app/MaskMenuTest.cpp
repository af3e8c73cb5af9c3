#include "TestRegistry.h"
#include "WindowRig.h"

#include "DataTable.h"
#include "EditedShowRig.h"
#include "show/StepFixture.h"

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

namespace {

// The levels of the fixtures the step holds, one list: "200,60,10,20,120,240".
QString StepLevels(const CSceneStep* step, const QList<CPatchedFixture*>& fixtures)
{
    QStringList levels;
    for (const CPatchedFixture* fixture : fixtures) {
        if (const CStepFixture* entry = step->FindEntry(fixture))
            for (int c = 0; c < 3; ++c)
                levels << QString::number(entry->Level(c));
    }
    return levels.join(QLatin1Char(','));
}

} // namespace

class ApplyMaskTest : public QObject
{
    Q_OBJECT
private slots:
    // Two RGB fixtures in the one step of T, a mask of RGB.1's red: the
    // mask's levels go into the step as Copy Live's would, the fixtures it
    // does not hold keep theirs.
    void theMaskChangesOnlyWhatItHolds_data()
    {
        Columns<QString, QString, QString>("selected", "mask", "step");
        QTest::newRow("RGB.1 selected") << "1" << "0:255 1:0 2:0" << "255,0,0,20,120,240";
        QTest::newRow("RGB.2 selected") << "2" << "0:255 1:0 2:0" << "255,0,0,20,120,240";
        QTest::newRow("both selected") << "1 2" << "0:255 1:0 2:0" << "255,0,0,20,120,240";
        QTest::newRow("nothing selected") << "" << "0:255 1:0 2:0" << "255,0,0,20,120,240";
        QTest::newRow("a mask of both") << "1" << "0:1 1:2 2:3 3:4 4:5 5:6" << "1,2,3,4,5,6";
        QTest::newRow("a mask of RGB.2's blue") << "1" << "5:7" << "200,60,10,20,120,7";
        QTest::newRow("an empty mask") << "1" << "" << "200,60,10,20,120,240";
        QTest::newRow("a mask of RGB.3, not in the step") << "1" << "6:5 7:6 8:7" << "200,60,10,20,120,240,5,6,7";
        QTest::newRow("a slot of no fixture") << "1" << "9:5" << "200,60,10,20,120,240";
    }
    void theMaskChangesOnlyWhatItHolds()
    {
        const auto [selected, maskText, expected] = Row<QString, QString, QString>("selected", "mask", "step");
        CEditedShowRig rig;
        CProject& project = rig.Project();
        const QList<CPatchedFixture*> rgb = {rig.Patch(0), rig.Patch(3), rig.Patch(6)};
        rig.Fixtures().LoadProject();
        CScene* scene = rig.AddScene(QStringLiteral("T"), rgb.mid(0, 2));
        const quint8 levels[] = {200, 60, 10, 20, 120, 240};
        for (int i = 0; i < 6; ++i)
            scene->m_steps.first()->FindEntry(rgb[i / 3])->SetLevel(i % 3, levels[i], true, false);
        CMask mask{QStringLiteral("A"), {}};
        for (const QString& slot : maskText.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            mask.m_levels.append({0, slot.section(QLatin1Char(':'), 0, 0).toInt(),
                                  quint8(slot.section(QLatin1Char(':'), 1).toInt())});
        project.m_masks << mask;
        QList<CPatchedFixture*> chosen;
        for (const QString& n : selected.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            chosen << rgb[n.toInt() - 1];
        rig.Select(chosen);

        QVERIFY(rig.Edit(scene));
        auto* menu = rig.window->findChild<QMenu*>(QStringLiteral("applyMaskMenu"));
        emit qobject_cast<QMenu*>(menu->parentWidget())->aboutToShow(); // the Live menu opens
        QCOMPARE(menu->actions().size(), 1);
        menu->actions().first()->trigger();
        rig.Editor()->OnOk();
        QCOMPARE(StepLevels(scene->m_steps.first(), rgb), QString(expected));
    }
};

ORVANE_TEST(ApplyMaskTest)
ORVANE_TEST(MaskMenuTest)
#include "MaskMenuTest.moc"
