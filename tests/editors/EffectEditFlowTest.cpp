#include "TestRegistry.h"

#include "EffectPageRig.h"
#include "editors/EditEffectWnd.h"
#include "editors/EditorFactory.h"
#include "live/PageWnd.h"
#include "live/PagesWnd.h"

#include <QListWidget>
#include <QtTest>

namespace {

// The live pages window with the real editors, the RGB fixture selected.
struct CFlowRig : CEffectsRig
{
    CEditorFactory factory{project};
    CPagesWnd pages{project};

    CFlowRig()
    {
        Select({rgb});
        pages.SetEditorFactory(&factory);
    }
};

} // namespace

// The effect scene editor and the effects window as the live pages window
// makes and chains them.
class EffectEditFlowTest : public QObject
{
    Q_OBJECT

private slots:
    void effectSceneEdit_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("effects");
        QTest::newRow("ok in the effects window") << "ok" << 1;
        QTest::newRow("cancel in the effects window") << "cancel" << 0;
        QTest::newRow("parameters, then ok") << "params ok" << 1;
        QTest::newRow("parameters, then cancel") << "params cancel" << 0;
    }
    void effectSceneEdit()
    {
        QFETCH(QString, steps);
        QFETCH(int, effects);
        CFlowRig rig;
        CPagesWnd& pages = rig.pages;
        CEffectScene* scene = rig.AddEffectScene(false);
        QVERIFY(pages.EditEffectScene(scene));
        auto* editor = dynamic_cast<CEditEffectWnd*>(pages.ShownEditor());
        QVERIFY(editor);
        // Open, the effect scene is what level changes are made to.
        QCOMPARE(rig.project.m_editedScene, static_cast<CScene*>(scene));
        QCOMPARE(rig.project.EditTarget(), 0);
        editor->OnSelEffectChanged(editor->KindItem(EffectType::Gradient));
        QCOMPARE(pages.Mode(), int(CPagesWnd::EffectsMode));
        auto* window = dynamic_cast<CEffectsWnd*>(pages.ShownEditor());
        QVERIFY(window && window->Page());
        QCOMPARE(pages.EditedEffect(), rig.project.m_effectEngine.Effect());
        for (const QString& step : steps.split(' ')) {
            if (step == "params") {
                window->OnParams();
                QCOMPARE(pages.ShownEditor(), static_cast<CLiveEditor*>(editor));
                QVERIFY(rig.project.m_effectEngine.Effect());
            } else if (pages.Mode() == CPagesWnd::EffectsMode) {
                step == "ok" ? window->OnOk() : window->OnCancel();
            } else {
                step == "ok" ? editor->OnOk() : editor->OnCancel();
            }
        }
        // The edit ends with the last step, not when the editor is deleted.
        QVERIFY(!rig.project.m_editedScene);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(pages.Mode(), int(CPagesWnd::PagesMode));
        QCOMPARE(scene->m_effects.size(), effects);
        QVERIFY(!rig.project.m_effectEngine.Effect());
        QCOMPARE(rig.EditFlags(), QString());
    }

    // New on the effects tab makes an effect scene and opens it; cancelled
    // before it holds an effect, its button goes again. One the operator
    // kept, or that was there before, stays.
    void newEffectSceneCancelled_data()
    {
        QTest::addColumn<bool>("made");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("buttons");
        QTest::newRow("gradient, cancel") << true << "gradient cancel" << 1;
        QTest::newRow("cancel in the editor") << true << "cancel" << 1;
        QTest::newRow("gradient, parameters, cancel") << true << "gradient params cancel" << 1;
        QTest::newRow("gradient, ok") << true << "gradient ok" << 2;
        QTest::newRow("ok in the editor") << true << "ok" << 2;
        QTest::newRow("an empty one edited, gradient, cancel") << false << "gradient cancel" << 2;
    }
    void newEffectSceneCancelled()
    {
        QFETCH(bool, made);
        QFETCH(QString, steps);
        QFETCH(int, buttons);
        CFlowRig rig;
        CPagesWnd& pages = rig.pages;
        rig.AddEffectScene(true);
        if (!made)
            rig.AddEffectScene(false);
        pages.ShowEffectsTab();
        CPageWnd& view = *pages.PageView();
        if (made)
            QVERIFY(view.NewScene());
        else
            view.EditScene(1);
        QCOMPARE(view.ButtonCount(), 2);
        auto* editor = dynamic_cast<CEditEffectWnd*>(pages.ShownEditor());
        QVERIFY(editor);
        for (const QString& step : steps.split(' ')) {
            auto* window = dynamic_cast<CEffectsWnd*>(pages.ShownEditor());
            if (step == "gradient")
                editor->OnSelEffectChanged(editor->KindItem(EffectType::Gradient));
            else if (step == "params")
                window->OnParams();
            else if (window)
                step == "ok" ? window->OnOk() : window->OnCancel();
            else
                step == "ok" ? editor->OnOk() : editor->OnCancel();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(pages.Mode(), int(CPagesWnd::PagesMode));
        QCOMPARE(rig.project.m_effectScenes.size(), buttons);
        QCOMPARE(view.ButtonCount(), buttons);
        QVERIFY(!rig.project.m_editedScene);
    }
};

ORVANE_TEST(EffectEditFlowTest)
#include "EffectEditFlowTest.moc"
