#include "FixturesWindowRig.h"
#include "TestRegistry.h"

#include "ShownDialogs.h"
#include "app/DefaultEffects.h"
#include "model/Language.h"
#include "show/EffectScene.h"
#include "Captions.h"

#include <QKeyEvent>
#include <QtTest>

// The Delete key on the fixtures of the layout view, through the main
// window: what is asked, in which order, and what goes. Nothing here starts
// Art-Net.

class FixtureRemovalTest : public QObject
{
    Q_OBJECT
private slots:
    void refusesFirstThenAsksNamingWhatGoes_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("left"); // in the current group
        const QString playing = GetLangText(Txt::SomethingPlaying) + QLatin1Char('\n')
            + GetLangText(Txt::StopScenesToProceed);
        QTest::newRow("nothing selected") << "" << 0 << QStringList() << 3;
        QTest::newRow("one head")
            << "" << 1 << QStringList{"Do you really want to remove the fixture \"Head.1\"?"} << 2;
        QTest::newRow("two heads") << "" << 2 << QStringList{"Do you really want to remove 2 fixtures?"} << 1;
        QTest::newRow("an effect plays on it") << "effect" << 1 << QStringList{playing} << 3;
        QTest::newRow("an effect plays on another") << "effect" << -1
            << QStringList{"Do you really want to remove the fixture \"Head.3\"?"} << 2;
        QTest::newRow("out of a group, effect playing") << "effect group" << 1
            << QStringList{"Do you really want to take the fixture \"Head.1\" out of the group \"Front\"?"} << 2;
        QTest::newRow("two out of a group") << "group" << 2
            << QStringList{"Do you really want to take 2 fixtures out of the group \"Front\"?"} << 1;
    }
    void refusesFirstThenAsksNamingWhatGoes()
    {
        QFETCH(QString, setup);
        QFETCH(int, selected); // the first ones; -1: the last one
        CFixturesWindowRig rig;
        CProject& project = rig.Project();
        auto* profile = new CLibraryProfile;
        profile->SetPath(QStringLiteral("Head.kvp"));
        ProfileBuilder::AddChannel(*profile, ChannelType::Pan);
        ProfileBuilder::AddChannel(*profile, ChannelType::Tilt);
        profile->UpdateRoles();
        project.m_library << profile;
        QList<CPatchedFixture*> heads;
        for (int i = 0; i < 3; ++i)
            heads << project.AddFixture(2 * i, 0, i + 1, -1, QStringLiteral("Head.%1").arg(i + 1), profile, false,
                                        false, nullptr);
        project.UpdateAfterPatch(true, false);
        if (setup.contains(QLatin1String("effect"))) {
            // A pan/tilt circle started on the first head.
            project.m_currentGroup->m_selectedFixtures = {heads[0]};
            heads[0]->BeamFlags()[0] = true;
            CEffectScene* circle = AddDefaultEffects(project, {profile}, nullptr).value(0);
            QVERIFY(circle);
            project.ToggleEffectScene(circle, true, false);
            rig.window->TickProject(25, 1);
            QVERIFY(!project.CanRemoveFixtures({heads[0]}));
        }
        if (setup.contains(QLatin1String("group"))) {
            project.m_currentGroup->m_selectedFixtures = heads;
            CGroup* front = project.AddGroup(QStringLiteral("Front"));
            QCOMPARE(front->m_fixtures.size(), 3);
            project.SetCurrentGroup(project.m_groups.indexOf(front));
        }
        rig.Fixtures().LoadProject();
        rig.Select(selected < 0 ? heads.mid(2) : heads.mid(0, selected));

        CShownDialogs dialogs(QMessageBox::Yes);
        rig.window->SetDeleteTarget(0);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(rig.window.get(), &press);
        QTEST(dialogs.shown, "shown");
        QTEST(int(project.m_currentGroup->m_fixtures.size()), "left");
    }
};

ORVANE_TEST(FixtureRemovalTest)
#include "FixtureRemovalTest.moc"
