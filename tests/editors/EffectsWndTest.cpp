#include "TestRegistry.h"

#include "EffectPageRig.h"

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Ends the edit the way the operator named it.
void End(CEffectsWnd& window, const QString& how)
{
    if (how == "ok")
        window.OnOk();
    else if (how == "return")
        window.HandleKey(Qt::Key_Return, Qt::NoModifier);
    else if (how == "cancel")
        window.OnCancel();
    else if (how == "escape")
        window.HandleKey(Qt::Key_Escape, Qt::NoModifier);
    else if (how == "params")
        window.OnParams();
    else if (how == "applySelected")
        window.OnApplySelected();
    else if (how == "applyAll")
        window.OnApplyAll();
    else if (how == "copyLive")
        window.CopyLive();
}

QString Closed(const QSignalSpy& spy)
{
    QStringList emitted;
    for (const QList<QVariant>& args : spy)
        emitted << QStringLiteral("%1,%2").arg(int(args[0].toBool())).arg(int(args[1].toBool()));
    return emitted.join(' ');
}

} // namespace

class EffectsWndTest : public QObject
{
    Q_OBJECT

private slots:
    void appliedNameFollowsEffect_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("takesEffectName");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("default effect name") << "Effect 3" << true;
        QTest::newRow("lower case is the operator's") << "effect x" << false;
    }
    void appliedNameFollowsEffect()
    {
        QFETCH(QString, name);
        QFETCH(bool, takesEffectName);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        CScene* scene = rig.Scene(0);
        scene->m_name = name;
        rig.window->EditEffect(scene, EffectType::Gradient, false);
        const QString effectName = rig.project.m_effectEngine.Effect()->GetName();
        rig.window->OnOk();
        QCOMPARE(scene->m_name, takesEffectName ? effectName : name);
        QCOMPARE(scene->m_steps.size(), 2);
    }

    void endings_data()
    {
        QTest::addColumn<bool>("effectScene");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("closed");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<bool>("engineKeeps");
        QTest::newRow("ok") << false << "ok" << "1,0" << true << false;
        QTest::newRow("return") << false << "return" << "1,0" << true << false;
        QTest::newRow("cancel") << false << "cancel" << "1,1" << false << false;
        QTest::newRow("escape") << false << "escape" << "1,1" << false << false;
        QTest::newRow("parameters") << true << "params" << "0,1" << false << true;
        QTest::newRow("apply selected") << true << "applySelected" << "1,0" << true << false;
        QTest::newRow("apply all") << true << "applyAll" << "1,0" << true << false;
        QTest::newRow("effect scene cancel") << true << "cancel" << "1,1" << false << false;
    }
    void endings()
    {
        QFETCH(bool, effectScene);
        QFETCH(QString, how);
        QFETCH(QString, closed);
        QFETCH(bool, applied);
        QFETCH(bool, engineKeeps);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        CScene* scene = effectScene ? rig.AddEffectScene(false) : rig.Scene(0);
        QSignalSpy spy(rig.window.get(), &CEffectsWnd::closeWnd);
        rig.window->EditEffect(scene, EffectType::Gradient, false);
        QVERIFY(rig.FakePage());
        QCOMPARE(rig.EditFlags(), QStringLiteral("ec"));
        // Only an effect scene has a running copy whose place the preview takes.
        QCOMPARE(rig.FakePage()->positions, effectScene ? QStringList({"-1/0"}) : QStringList());
        End(*rig.window, how);
        QCOMPARE(Closed(spy), closed);
        QVERIFY(!rig.window->Page());
        QCOMPARE(CFakeEffectPage::s_deleted, 1);
        // Unless applied, the page went while the engine still held its effect.
        QCOMPARE(CFakeEffectPage::s_effectAtDelete != nullptr, !applied);
        QCOMPARE(rig.EditFlags(), QString());
        QVERIFY(rig.host.calls.contains("ClearEffectMarks"));
        QCOMPARE(rig.AskCount(), 0);
        QCOMPARE(!scene->m_effects.isEmpty(), applied);
        QCOMPARE(rig.project.m_effectEngine.Effect() != nullptr, engineKeeps);
    }

    // A changed effect asks; an effect the scene already holds survives No.
    void cancelAfterChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("closed");
        QTest::newRow("effect, yes") << "effect" << int(CShowHost::Yes) << "1,0";
        QTest::newRow("effect, no") << "effect" << int(CShowHost::No) << "1,1";
        QTest::newRow("static level, no") << "static" << int(CShowHost::No) << "1,1";
    }
    void cancelAfterChange()
    {
        QFETCH(QString, change);
        QFETCH(int, answer);
        QFETCH(QString, closed);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        CEffectScene* scene = rig.AddEffectScene(true);
        CEffect* saved = scene->m_effects.first();
        scene->SetChannelStaticLevel(0, 100, 7);
        rig.host.answer = answer;
        QSignalSpy spy(rig.window.get(), &CEffectsWnd::closeWnd);
        rig.window->EditEffect(scene, EffectType::Gradient, true);
        QVERIFY(rig.project.m_effectEngine.Effect() != saved);
        if (change == "effect")
            rig.project.m_effectEngine.Effect()->m_flag = true;
        else
            scene->SetChannelStaticLevel(0, 5, 200);
        rig.window->OnCancel();
        QCOMPARE(rig.AskCount(), 1);
        QCOMPARE(Closed(spy), closed);
        QCOMPARE(rig.EditFlags(), QString());
        QVERIFY(!rig.project.m_effectEngine.Effect());
        QCOMPARE(scene->m_effects.size(), 1);
        QCOMPARE(scene->m_effects.first() == saved, answer == CShowHost::No);
        if (answer == CShowHost::No) {
            QCOMPARE(scene->m_channelStaticLevels.size(), 1);
            QVERIFY(!scene->m_staticLevelsChanged);
        }
    }

    // Nothing to edit: every way out ends as Cancel and writes nothing.
    void editOpeningNothing_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("how");
        QTest::newRow("matrix type without matrix, ok") << int(EffectType::MatrixAnim) << false << "ok";
        QTest::newRow("matrix type without matrix, cancel") << int(EffectType::MatrixAnim) << false << "cancel";
        // No effect type has code 9, so no page claims it.
        QTest::newRow("type without page, apply all") << 9 << false << "applyAll";
        QTest::newRow("no effect on the current step, return") << int(EffectType::Gradient) << true << "return";
        QTest::newRow("no page, copy live levels") << 9 << false << "copyLive";
    }
    void editOpeningNothing()
    {
        QFETCH(int, type);
        QFETCH(bool, edit);
        QFETCH(QString, how);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        rig.Build(0, "0/100");
        CScene* scene = rig.Scene(0);
        scene->m_currentStep = scene->m_steps.first();
        QSignalSpy spy(rig.window.get(), &CEffectsWnd::closeWnd);
        rig.window->EditEffect(scene, type, edit);
        QVERIFY(!rig.window->Page());
        QCOMPARE(rig.EditFlags(), QString());
        QVERIFY(!rig.host.calls.contains("SelectEffectFixtures"));
        End(*rig.window, how);
        QCOMPARE(Closed(spy), QStringLiteral("1,1"));
        QCOMPARE(scene->m_steps.size(), 1);
        QVERIFY(scene->m_effects.isEmpty());
        QVERIFY(!rig.project.m_effectEngine.Effect());
        QCOMPARE(rig.EditFlags(), QString());
    }

    // Live levels of the group's fixtures become the effect scene's static
    // levels; a plain scene has none to take them.
    void copyLiveLevels_data()
    {
        QTest::addColumn<bool>("effectScene");
        QTest::newRow("effect scene") << true;
        QTest::newRow("plain scene") << false;
    }
    void copyLiveLevels()
    {
        QFETCH(bool, effectScene);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        CScene* scene = effectScene ? rig.AddEffectScene(false) : rig.Scene(0);
        rig.project.m_live[0][1] = 99;
        rig.project.m_liveMask[0][1] = 1;
        rig.window->EditEffect(scene, EffectType::Gradient, false);
        QCOMPARE(rig.window->ToolAction(CEffectsWnd::ActCopyLive)->isEnabled(), effectScene);
        if (!effectScene)
            return;
        rig.window->CopyLive();
        auto* statics = static_cast<CEffectScene*>(scene);
        QVERIFY(statics->HasStaticLevel(rig.rgb->Profile(), 1));
        QVERIFY(!statics->HasStaticLevel(rig.rgb->Profile(), 0));
        QVERIFY(rig.window->Page());
    }

    void secondEditIsIgnored()
    {
        CEffectsRig rig;
        rig.Select({rig.rgb});
        rig.window->EditEffect(rig.Scene(0), EffectType::Gradient, false);
        CFakeEffectPage* first = rig.FakePage();
        rig.window->EditEffect(rig.Scene(1), EffectType::MatrixAnim, false);
        QCOMPARE(rig.FakePage(), first);
        rig.window->OnOk();
        QCOMPARE(rig.Scene(0)->m_steps.size(), 2);
        QVERIFY(rig.Scene(1)->m_steps.isEmpty());
    }

    void editOfPlainSceneSelectsItsFixtures()
    {
        CEffectsRig rig;
        rig.Build(0, "fx:2x100");
        CScene* scene = rig.Scene(0);
        scene->m_currentStep = scene->m_steps.first();
        rig.window->EditEffect(scene, EffectType::Gradient, true);
        QVERIFY(rig.FakePage());
        QVERIFY(rig.host.calls.contains("SelectEffectFixtures"));
    }

    void previewRunsAtSceneSpeed_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("pageMs");
        QTest::newRow("normal") << true << 50 << 25;
        QTest::newRow("fastest gains 360 ms") << true << 100 << 385;
        QTest::newRow("slowest runs at 5 %") << true << 0 << 1;
        QTest::newRow("quarter") << true << 25 << 13;
        QTest::newRow("a scene that does not play runs at normal speed") << false << 100 << 25;
    }
    void previewRunsAtSceneSpeed()
    {
        QFETCH(bool, playing);
        QFETCH(int, speed);
        QFETCH(int, pageMs);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        rig.Build(0, "0/1000");
        CScene* scene = rig.Scene(0);
        if (playing)
            QVERIFY(rig.Page()->ToggleScene(scene, true, true, false));
        scene->SetSpeed(speed);
        rig.window->EditEffect(scene, EffectType::Gradient, false);
        rig.window->Tick(25, 1);
        QCOMPARE(rig.FakePage()->ticks, QList<int>({pageMs}));
    }

    // Shape changes the page has not generated yet are generated once,
    // before the effect is applied or handed back.
    void ungeneratedChanges_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("steps");
        QTest::newRow("pending, ok") << true << "ok" << 3;
        QTest::newRow("clean, ok") << false << "ok" << 2;
        QTest::newRow("pending, parameters") << true << "params" << 3;
        QTest::newRow("clean, parameters") << false << "params" << 2;
    }
    void ungeneratedChanges()
    {
        QFETCH(bool, pending);
        QFETCH(QString, how);
        QFETCH(int, steps);
        CEffectsRig rig;
        rig.Select({rig.rgb});
        CScene* scene = how == "ok" ? rig.Scene(0) : rig.AddEffectScene(false);
        rig.window->EditEffect(scene, EffectType::Gradient, false);
        auto* gradient = static_cast<CGradientEffect*>(rig.project.m_effectEngine.Effect());
        CGradientEffect* threePegs = CFakeEffectPage::MovingGradient(3);
        gradient->m_pegColors = threePegs->m_pegColors;
        gradient->m_pegPositions = threePegs->m_pegPositions;
        delete threePegs;
        rig.FakePage()->pending = pending;
        End(*rig.window, how);
        QCOMPARE(how == "ok" ? scene->m_steps.size() : rig.project.m_effectEngine.m_stepCount, steps);
    }

    // A fixture left out of the edited effect keeps its channels active only
    // where a step beside the effect's row still holds it.
    void droppedFixtureChannels_data()
    {
        QTest::addColumn<bool>("handStep");
        QTest::newRow("held by a hand-made step") << true;
        QTest::newRow("held by nothing else") << false;
    }
    void droppedFixtureChannels()
    {
        QFETCH(bool, handStep);
        CEffectsRig rig;
        CPatchedFixture* other = rig.Patch(rig.RgbProfile(), 0, 10);
        CScene* scene = rig.Scene(0);
        rig.Select({rig.rgb, other});
        rig.window->EditEffect(scene, EffectType::Gradient, false);
        rig.window->OnOk();
        QCOMPARE(scene->m_steps.size(), 2);
        if (handStep)
            rig.AddStep(scene, 0, 100, {{other, {1, 2, 3}}});
        scene->m_currentStep = scene->m_steps.first();
        rig.window->EditEffect(scene, EffectType::Gradient, true);
        for (bool& flag : other->BeamFlags())
            flag = false;
        rig.window->OnOk();
        QVERIFY(scene->IsChannelActive(0, 0));
        QCOMPARE(scene->IsChannelActive(0, 10), handStep);
        QCOMPARE(scene->IsChannelActive(0, 12), handStep);
    }
};

ORVANE_TEST(EffectsWndTest)
#include "EffectsWndTest.moc"
