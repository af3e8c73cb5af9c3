#include "TestRegistry.h"

#include "EffectPageRig.h"
#include "editors/EditEffectWnd.h"
#include "widgets/ZKTimeEdit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// An effect scene open in its editor, with the effect the effects window
// would have left in the engine when `withEffect`.
class CEffectSceneRig : public CEffectsRig
{
public:
    CEffectSceneRig(bool withEffect)
    {
        Select({rgb});
        scene = AddEffectScene(false);
        if (withEffect) {
            CEffect* effect = CFakeEffectPage::MovingGradient(2);
            project.BindEffectToSelection(effect, true, false);
            project.m_effectEngine.SetEffect(effect);
        }
        editor = std::make_unique<CEditEffectWnd>(project);
        editor->SetEffectScene(scene);
    }

    QString ShownKinds() const
    {
        QStringList shown;
        for (int i = 0; i < editor->KindList()->count(); ++i) {
            if (!editor->KindList()->item(i)->isHidden())
                shown << editor->KindList()->item(i)->data(Qt::UserRole).toString();
        }
        return shown.join(' ');
    }

    CEffectScene* scene = nullptr;
    std::unique_ptr<CEditEffectWnd> editor;
};

} // namespace

class EditEffectWndTest : public QObject
{
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("effects");
        QTest::newRow("keypad enter does nothing") << int(Qt::Key_Enter) << false << 0;
        QTest::newRow("return applies") << int(Qt::Key_Return) << true << 1;
        QTest::newRow("escape discards") << int(Qt::Key_Escape) << true << 0;
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(bool, closes);
        QFETCH(int, effects);
        CEffectSceneRig rig(true);
        QSignalSpy spy(rig.editor.get(), &CEditEffectWnd::closeWnd);
        QCOMPARE(rig.editor->HandleKey(key, Qt::NoModifier), closes);
        QCOMPARE(spy.size(), int(closes));
        QCOMPARE(rig.scene->m_effects.size(), effects);
        // Return writes only: no copy starts on the selection.
        QVERIFY(rig.project.m_runningCopies.isEmpty());
        QCOMPARE(rig.project.m_effectEngine.Effect() != nullptr, !closes);
        QCOMPARE(rig.AskCount(), 0);
    }

    void kindsFollowSelection_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<bool>("applySelected");
        QTest::newRow("nothing selected") << "" << "" << false;
        QTest::newRow("colour fixture") << "rgb" << "1 2 3 5" << true;
        QTest::newRow("moving head") << "head" << "3 4 5" << true;
    }
    void kindsFollowSelection()
    {
        QFETCH(QString, selection);
        QFETCH(QString, kinds);
        QFETCH(bool, applySelected);
        CEffectSceneRig rig(false);
        CPatchedFixture* head = rig.Patch(rig.MovingHeadProfile(), 0, 20);
        if (selection.isEmpty())
            rig.Select({});
        else
            rig.Select({selection == "rgb" ? rig.rgb : head});
        rig.editor->UpdateEffectList();
        QCOMPARE(rig.ShownKinds(), kinds);
        QCOMPARE(rig.editor->EndButton(CEditEffectWnd::BtnApplySelected)->isEnabled(), applySelected);
        QVERIFY(!rig.editor->EndButton(CEditEffectWnd::BtnApplyAll)->isEnabled());
    }

    void loopsChangeAsksOnEscape_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("loops");
        QTest::addColumn<int>("effects");
        QTest::newRow("no keeps the loop count") << int(CShowHost::No) << 2 << 0;
        QTest::newRow("yes stores and applies") << int(CShowHost::Yes) << 5 << 1;
    }
    void loopsChangeAsksOnEscape()
    {
        QFETCH(int, answer);
        QFETCH(int, loops);
        QFETCH(int, effects);
        CEffectSceneRig rig(true);
        rig.scene->m_loopCount = 2;
        rig.editor->SetEffectScene(rig.scene);
        rig.host.answer = answer;
        rig.editor->LoopsCombo()->setCurrentIndex(5);
        rig.editor->HandleKey(Qt::Key_Escape, Qt::NoModifier);
        QCOMPARE(rig.AskCount(), 1);
        QCOMPARE(int(rig.scene->m_loopCount), loops);
        QCOMPARE(rig.scene->m_effects.size(), effects);
        QVERIFY(!rig.project.m_effectEngine.Effect());
    }

    // Values a damaged file left that no field can show stay as they were.
    void unshownValuesAreKept_data()
    {
        QTest::addColumn<int>("loops");
        QTest::addColumn<int>("fadeIn");
        QTest::newRow("loop count past the list") << 300 << 1000;
        QTest::newRow("negative loop count") << -4 << 1000;
        QTest::newRow("fade past the field") << 3 << 50 * 60 * 1000;
        QTest::newRow("negative fade") << 3 << -500;
    }
    void unshownValuesAreKept()
    {
        QFETCH(int, loops);
        QFETCH(int, fadeIn);
        CEffectSceneRig rig(false);
        rig.scene->m_loopCount = qint16(loops);
        rig.scene->m_fadeIn = fadeIn;
        rig.editor->SetEffectScene(rig.scene);
        rig.editor->OnCancel();
        QCOMPARE(rig.AskCount(), 0);
        rig.editor->OnOk();
        QCOMPARE(int(rig.scene->m_loopCount), loops);
        QCOMPARE(rig.scene->m_fadeIn, fadeIn);
    }

    void kindChoiceStoresFieldsAndAsksForTheEdit_data()
    {
        QTest::addColumn<bool>("holdsEffect");
        QTest::newRow("new effect") << false;
        QTest::newRow("scene's effect") << true;
    }
    void kindChoiceStoresFieldsAndAsksForTheEdit()
    {
        QFETCH(bool, holdsEffect);
        CEffectSceneRig rig(false);
        if (holdsEffect)
            rig.scene->m_effects << CFakeEffectPage::MovingGradient(2);
        rig.editor->SetEffectScene(rig.scene);
        QStringList asked;
        QObject::connect(rig.editor.get(), &CEditEffectWnd::editEffect,
                         [&asked](eEffect type, bool edit) { asked << QStringLiteral("%1:%2").arg(type).arg(edit); });
        rig.editor->NameEdit()->setText(QStringLiteral("Waves"));
        rig.editor->OnSelEffectChanged(rig.editor->KindItem(EffectType::Trichro));
        QCOMPARE(asked, QStringList({QStringLiteral("2:%1").arg(holdsEffect)}));
        QCOMPARE(rig.scene->m_name, QStringLiteral("Waves"));
        // A kind the selection does not offer is not clickable.
        rig.editor->OnSelEffectChanged(rig.editor->KindItem(EffectType::PanTilt));
        QCOMPARE(asked.size(), 1);
    }

    void sceneWithoutStepsOpens()
    {
        CEffectSceneRig rig(false);
        QVERIFY(!rig.scene->m_currentStep);
        QCOMPARE(rig.editor->NameEdit()->text(), rig.scene->m_name);
        QCOMPARE(rig.editor->LoopsCombo()->count(), 256);
        QCOMPARE(rig.editor->LoopsCombo()->itemText(255), QStringLiteral("255 Loops"));
    }
};

ORVANE_TEST(EditEffectWndTest)
#include "EditEffectWndTest.moc"
