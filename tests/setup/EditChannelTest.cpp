#include "TestRegistry.h"
#include "PresetRig.h"

#include "setup/ColorTab.h"
#include "setup/EditChannelDlg.h"
#include "setup/HalfColorAutoCtrl.h"
#include "setup/HalfColorAutoList.h"
#include "setup/MultiColorCtrl.h"
#include "setup/MultiColorList.h"
#include "setup/OtherTab.h"
#include "setup/PresetsList.h"
#include "setup/PresetsListWnd.h"

#include <QAction>
#include <QTabWidget>
#include <QtTest>

namespace {

// The editor on a channel of `type` holding `ranges`, in a program
// directory without pictures. The test owns the working copy.
struct CEditorRig
{
    CRecordingHost host;
    CPictureDir dir;
    CProfileChannelDef channel;
    std::unique_ptr<CProfileChannelDef> copy;
    std::unique_ptr<CEditChannelDlg> dialog;

    explicit CEditorRig(int type, const QString& ranges = QString())
    {
        channel.m_type = type;
        channel.m_name = QStringLiteral("Channel");
        SetRanges(channel, ranges);
        dialog = std::make_unique<CEditChannelDlg>(channel);
        copy.reset(dialog->WorkingCopy());
    }
    CProfileChannelDef& Copy() const { return *copy; }
    void Select(const QList<int>& indices) const
    {
        for (int i = 0; i < indices.size(); ++i)
            dialog->Presets()->Select(indices[i], i > 0);
    }
    QList<int> ClipboardStarts() const
    {
        QList<int> starts;
        for (const CProfilePresetDef* preset : dialog->Clipboard())
            starts << preset->m_dmxStart;
        return starts;
    }
    void PickOther(int subTab, int row) const
    {
        dialog->OtherPage()->SubTabs()->setCurrentIndex(subTab);
        CPresetsList* list = dialog->OtherPage()->Window(subTab)->List();
        list->setCurrentRow(row);
        emit list->itemClicked(list->item(row));
    }
};

} // namespace

class EditChannelTest : public QObject
{
    Q_OBJECT

private slots:
    void startingTabFollowsTheChannelType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("subTab");
        QTest::newRow("Pan") << 1 << int(CEditChannelDlg::OtherTab) << int(COtherTab::Other);
        QTest::newRow("Color wheel") << 5 << int(CEditChannelDlg::ColorsTab) << int(COtherTab::Beam);
        QTest::newRow("Gobo wheel") << 8 << int(CEditChannelDlg::GobosTab) << int(COtherTab::Beam);
        QTest::newRow("Gobo Rot") << 9 << int(CEditChannelDlg::OtherTab) << int(COtherTab::Rotation);
        QTest::newRow("Prism") << 19 << int(CEditChannelDlg::OtherTab) << int(COtherTab::Prism);
        QTest::newRow("Dimmer") << 7 << int(CEditChannelDlg::OtherTab) << int(COtherTab::Beam);
    }
    void startingTabFollowsTheChannelType()
    {
        QFETCH(int, type);
        QFETCH(int, tab);
        QFETCH(int, subTab);
        CEditorRig rig(type);
        QCOMPARE(rig.dialog->Tabs()->currentIndex(), tab);
        QCOMPARE(rig.dialog->OtherPage()->SubTabs()->currentIndex(), subTab);
        if (tab == CEditChannelDlg::OtherTab)
            QCOMPARE(rig.dialog->CurrentList(), rig.dialog->OtherPage()->Window(subTab)->List());
        QVERIFY(!rig.dialog->AddAction()->isEnabled());
    }

    void colourTabEnablesAddOnAHalfColourOnly()
    {
        CEditorRig rig(5, QStringLiteral("0-255"));
        rig.Select({0});
        QVERIFY(!rig.dialog->RemoveAction()->isEnabled());
        QVERIFY(rig.dialog->CopyAction()->isEnabled());
        CMultiColorList* half = rig.dialog->ColorPage()->HalfColor()->List();
        half->setCurrentRow(0);
        emit half->itemClicked(half->item(0));
        QVERIFY(rig.dialog->AddAction()->isEnabled());
        QVERIFY(rig.dialog->UpdateAction()->isEnabled());
        CHalfColorAutoList* automatic = rig.dialog->ColorPage()->HalfColorAuto()->List();
        emit automatic->itemClicked(automatic->item(0));
        QVERIFY(!rig.dialog->AddAction()->isEnabled());
        QVERIFY(!rig.dialog->RemoveAction()->isEnabled());
    }

    void addTakesTheParameter_data()
    {
        QTest::addColumn<int>("subTab");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("effect");
        QTest::newRow("Prism 5FCL") << int(COtherTab::Prism) << 9 << 31 << 10;
        QTest::newRow("Roller Index") << int(COtherTab::Rotation) << 18 << 36 << 3;
        QTest::newRow("Pan") << int(COtherTab::Other) << 0 << 42 << 0;
    }
    void addTakesTheParameter()
    {
        QFETCH(int, subTab);
        QFETCH(int, row);
        QFETCH(int, type);
        QFETCH(int, effect);
        CEditorRig rig(19, QStringLiteral("0-99 100-255"));
        rig.PickOther(subTab, row);
        rig.Select({0});
        QVERIFY(rig.dialog->AddAction()->isEnabled());
        rig.dialog->AddAction()->trigger();
        QCOMPARE(Ranges(rig.Copy()), QStringLiteral("0-99 100-176 177-255"));
        QCOMPARE(rig.Copy().m_presets[1]->m_type, type);
        QCOMPARE(rig.Copy().m_presets[1]->m_effectType, effect);
        QCOMPARE(rig.channel.m_presets.size(), 2); // the opener's channel is untouched
        rig.dialog->UpdateAction()->trigger();
        rig.dialog->RemoveAction()->trigger();
        QCOMPARE(Ranges(rig.Copy()), QStringLiteral("0-99 177-255"));
    }

    void copyOrdersByStartAndHoldsEachOnce()
    {
        CEditorRig rig(7, QStringLiteral("0-49 50-99 100-199 200-255"));
        rig.dialog->PasteAction()->trigger();
        QVERIFY(!rig.dialog->PasteAction()->isEnabled());
        rig.Select({3, 1, 2});
        rig.Copy().m_presets[3]->m_dmxStart = 0;
        rig.Copy().m_presets[1]->m_dmxStart = 100;
        rig.Copy().m_presets[2]->m_dmxStart = 50;
        rig.dialog->CopyAction()->trigger();
        QCOMPARE(rig.ClipboardStarts(), (QList<int>{0, 50, 100}));
        QCOMPARE(rig.dialog->Clipboard()[0]->m_name, QStringLiteral("p3"));
        QVERIFY(rig.dialog->ReversePasteAction()->isEnabled());
        rig.Select({1, 1});
        rig.dialog->CopyAction()->trigger();
        QCOMPARE(rig.dialog->Clipboard().size(), 1);
        QVERIFY(rig.dialog->PasteAction()->isEnabled());
        QVERIFY(!rig.dialog->ReversePasteAction()->isEnabled());
    }

    void pasteKeepsOrReversesTheOrder_data()
    {
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<QList<int>>("selection");
        QTest::addColumn<QString>("names");
        QTest::newRow("paste at the end") << false << QList<int>{} << "p0 p1 p2 p0 p1";
        QTest::newRow("reverse at the end") << true << QList<int>{} << "p0 p1 p2 p1 p0";
        QTest::newRow("paste behind a preset") << false << QList<int>{0} << "p0 p0 p1 p1 p2";
        QTest::newRow("reverse behind a preset") << true << QList<int>{0} << "p0 p1 p0 p1 p2";
    }
    void pasteKeepsOrReversesTheOrder()
    {
        QFETCH(bool, reverse);
        QFETCH(QList<int>, selection);
        QFETCH(QString, names);
        CEditorRig rig(7, QStringLiteral("0-49 50-99 100-255"));
        rig.Copy().m_presets[0]->m_type = 4;
        rig.Copy().m_presets[0]->m_defaultPreset = true;
        rig.Select({1, 0});
        rig.dialog->CopyAction()->trigger();
        rig.Select(selection);
        if (selection.isEmpty())
            rig.dialog->Presets()->Select(-1, false);
        (reverse ? rig.dialog->ReversePasteAction() : rig.dialog->PasteAction())->trigger();
        QCOMPARE(Names(rig.Copy()), names);
        int defaults = 0;
        for (const CProfilePresetDef* preset : rig.Copy().m_presets)
            defaults += preset->m_defaultPreset;
        QCOMPARE(defaults, 1);
        QCOMPARE(rig.dialog->Presets()->Rows().size(), 5);
    }

    void pasteStopsAtTheFirstRefusal()
    {
        CEditorRig rig(7, QStringLiteral("0-253 254-254 255-255"));
        rig.Select({1, 2});
        rig.dialog->CopyAction()->trigger();
        rig.dialog->Presets()->Select(-1, false);
        rig.dialog->PasteAction()->trigger();
        QCOMPARE(Ranges(rig.Copy()), QStringLiteral("0-253 254-254 255-255"));
        QCOMPARE(rig.host.calls.count(QStringLiteral("ShowInformation:Error:Cannot insert preset")), 1);
    }

    void addedRowIsScrolledIntoView()
    {
        QString ranges;
        for (int i = 0; i < 30; ++i)
            ranges += QStringLiteral("%1-%2 ").arg(i * 8).arg(i * 8 + 7);
        CEditorRig rig(19, ranges);
        rig.dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.dialog.get()));
        rig.PickOther(COtherTab::Prism, 0);
        rig.Select({0});
        rig.dialog->AddAction()->trigger();
        QTRY_VERIFY(!rig.dialog->Presets()->Rows()[1]->visibleRegion().isEmpty());
        QVERIFY(rig.dialog->Presets()->Rows()[30]->visibleRegion().isEmpty());
    }

    void returnClosesNothing()
    {
        CEditorRig rig(7);
        rig.dialog->show();
        QTest::keyClick(rig.dialog.get(), Qt::Key_Return);
        QTest::keyClick(rig.dialog.get(), Qt::Key_Enter);
        QVERIFY(rig.dialog->isVisible());
        QCOMPARE(rig.dialog->result(), 0);
    }
};

ORVANE_TEST(EditChannelTest)
#include "EditChannelTest.moc"
