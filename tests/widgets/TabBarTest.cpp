#include "TestRegistry.h"
#include "WidgetTestUtil.h"

#include "widgets/HTabsWnd.h"
#include "widgets/RIRIdidIre.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

struct Bar {
    std::unique_ptr<CHTabsWnd> tabs = std::make_unique<CHTabsWnd>();
    QSignalSpy added{tabs.get(), &CHTabsWnd::addRequested};
    QSignalSpy closed{tabs.get(), &CHTabsWnd::tabClosed};
    QSignalSpy changed{tabs.get(), &CHTabsWnd::tabChanged};
    QSignalSpy doubled{tabs.get(), &CHTabsWnd::doubleClicked};

    explicit Bar(const QStringList& names, int width = 600)
    {
        tabs->resize(width, CHTabsWnd::kHeight);
        tabs->show();
        tabs->SetTabs(names);
    }
    int Signals() const { return added.count() + closed.count() + changed.count() + doubled.count(); }
    QPoint Body(int n) const { return tabs->m_tabRects[n].center() - QPoint(8, 0); }
    void Press(const QPoint& pos) { QTest::mouseClick(tabs.get(), Qt::LeftButton, Qt::NoModifier, pos); }
};

const QStringList kThree = {QStringLiteral("General"), QStringLiteral("Front"), QStringLiteral("Back")};

QStringList Numbered(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("Group %1").arg(i);
    return names;
}

} // namespace

class TabBarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { WidgetTest::LoadCaptions(); }

    void pressOnAnotherTabMakesItCurrentOnce()
    {
        Bar bar(kThree);
        QCOMPARE(bar.tabs->m_current, 0);
        bar.Press(bar.Body(2));
        QCOMPARE(bar.tabs->m_current, 2);
        QCOMPARE(bar.changed.count(), 1);
        QCOMPARE(bar.changed.at(0).at(0).toInt(), 2);
        bar.Press(bar.Body(2));
        QCOMPARE(bar.changed.count(), 1);
        QCOMPARE(bar.Signals(), 1);
    }

    void closingTheCurrentTabLeavesTheOneBeforeCurrent()
    {
        Bar bar(kThree);
        bar.tabs->m_current = 1;
        // The owner reads the current tab when it hears of the close.
        int currentSeen = -2;
        connect(bar.tabs.get(), &CHTabsWnd::tabClosed, this, [&] { currentSeen = bar.tabs->m_current; });
        bar.Press(bar.tabs->CloseButtonRect(1).center());
        QCOMPARE(bar.tabs->m_tabNames, QStringList({QStringLiteral("General"), QStringLiteral("Back")}));
        QCOMPARE(bar.tabs->m_current, 0);
        QCOMPARE(currentSeen, 0);
        QCOMPARE(bar.closed.count(), 1);
        QCOMPARE(bar.closed.at(0).at(0).toInt(), 1);
        QCOMPARE(bar.changed.count(), 0);
        QCOMPARE(bar.tabs->m_tabRects.size(), 2);
    }

    void closingAnotherTabKeepsTheCurrentTab()
    {
        Bar bar({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
        bar.tabs->m_current = 3;
        bar.Press(bar.tabs->CloseButtonRect(1).center());
        QCOMPARE(bar.tabs->m_current, 2);
        QCOMPARE(bar.tabs->m_tabNames.at(bar.tabs->m_current), QStringLiteral("D"));
        bar.Press(bar.tabs->CloseButtonRect(2).center());
        QCOMPARE(bar.tabs->m_current, 1);
        bar.tabs->m_current = 0;
        bar.Press(bar.tabs->CloseButtonRect(1).center());
        QCOMPARE(bar.tabs->m_current, 0);
        QCOMPARE(bar.tabs->m_tabNames, QStringList({QStringLiteral("A")}));
        QCOMPARE(bar.closed.count(), 3);
        QCOMPARE(bar.changed.count(), 0);
    }

    void theFirstTabCannotBeClosed()
    {
        Bar bar(kThree);
        QVERIFY(bar.tabs->CloseButtonRect(0).isNull());
        bar.tabs->m_current = 1;
        const QRect first = bar.tabs->m_tabRects[0];
        bar.Press(QPoint(first.right() - 6, first.center().y()));
        QCOMPARE(bar.tabs->TabCount(), 3);
        QCOMPARE(bar.closed.count(), 0);
        QCOMPARE(bar.tabs->m_current, 0);

        RIRIdidIre strip(QStringLiteral("General"));
        QCOMPARE(strip.Tabs()->m_tabNames, QStringList({QStringLiteral("General")}));
        QCOMPARE(strip.Tabs()->m_current, 0);
        QVERIFY(strip.Tabs()->CloseButtonRect(0).isNull());
    }

    // The add button asks; the owner adds the tab once it has what the tab
    // stands for, so a refusal leaves the bar as it was.
    void theAddButtonAsksAndTheOwnerAppendsANewCurrentTab()
    {
        Bar bar(kThree);
        connect(bar.tabs.get(), &CHTabsWnd::addRequested, this, [&] { bar.tabs->AddTab(QStringLiteral("New")); });
        bar.Press(bar.tabs->AddButtonRect().center());
        QCOMPARE(bar.tabs->TabCount(), 4);
        QCOMPARE(bar.tabs->m_tabNames.last(), QStringLiteral("New"));
        QCOMPARE(bar.tabs->m_current, 3);
        QCOMPARE(bar.added.count(), 1);
        QCOMPARE(bar.changed.count(), 0);
        QCOMPARE(bar.tabs->m_tabRects.size(), 4);
        QVERIFY(bar.tabs->m_tabRects[3].left() > bar.tabs->m_tabRects[2].left());
    }

    void callsFromCodeEmitNothing()
    {
        Bar bar(kThree);
        bar.tabs->AddTab(QStringLiteral("Side"));
        QCOMPARE(bar.tabs->m_current, 3);
        const int sideWidth = bar.tabs->m_tabRects[3].width();
        bar.tabs->SetTabText(3, QStringLiteral("A much longer group name"));
        QVERIFY(bar.tabs->m_tabRects[3].width() > sideWidth);
        bar.tabs->SetTabText(5, QStringLiteral("nowhere"));
        bar.tabs->SetTabText(-1, QStringLiteral("nowhere"));
        QCOMPARE(bar.tabs->TabCount(), 4);
        QVERIFY(!bar.tabs->m_tabNames.contains(QStringLiteral("nowhere")));
        bar.tabs->SetTabs({QStringLiteral("One"), QStringLiteral("Two")});
        QCOMPARE(bar.tabs->m_current, 0);
        QCOMPARE(bar.tabs->m_tabRects.size(), 2);
        bar.tabs->UpdateLayout();
        QCOMPARE(bar.Signals(), 0);
    }

    void doubleClickOpensTheTabTheFirstClickMadeCurrent()
    {
        Bar bar(kThree);
        const QPoint body = bar.Body(1);
        bar.Press(body);
        QTest::mouseDClick(bar.tabs.get(), Qt::LeftButton, Qt::NoModifier, body);
        QCOMPARE(bar.changed.count(), 1);
        QCOMPARE(bar.doubled.count(), 1);
        QCOMPARE(bar.doubled.at(0).at(0).toInt(), 1);

        // A quick second click on a close cross closes again instead.
        Bar other({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
        other.Press(other.tabs->CloseButtonRect(3).center());
        const QPoint cross = other.tabs->CloseButtonRect(2).center();
        QTest::mouseDClick(other.tabs.get(), Qt::LeftButton, Qt::NoModifier, cross);
        QCOMPARE(other.doubled.count(), 0);
        QCOMPARE(other.closed.count(), 2);
        QCOMPARE(other.tabs->TabCount(), 2);
    }

    void overflowingTabsScroll()
    {
        Bar few(kThree, 300);
        QVERIFY(few.tabs->ScrollLeftRect().isNull());
        QVERIFY(few.tabs->ScrollRightRect().isNull());

        Bar bar(Numbered(20), 300);
        const QRect left = bar.tabs->ScrollLeftRect();
        const QRect right = bar.tabs->ScrollRightRect();
        QVERIFY(!left.isNull());
        QVERIFY(!right.isNull());
        QVERIFY(right.right() <= 299);
        QVERIFY(bar.tabs->AddButtonRect().right() < left.left());

        const int firstX = bar.tabs->m_tabRects[1].left();
        bar.Press(right.center());
        QCOMPARE(bar.tabs->FirstVisibleTab(), 1);
        QVERIFY(bar.tabs->m_tabRects[1].left() < firstX);
        bar.Press(left.center());
        bar.Press(left.center());
        QCOMPARE(bar.tabs->FirstVisibleTab(), 0);
        for (int i = 0; i < 40; ++i)
            bar.Press(right.center());
        // Never further than needed to show the last tab whole.
        QVERIFY(bar.tabs->m_tabRects.last().right() < bar.tabs->AddButtonRect().left());
        QVERIFY(bar.tabs->m_tabRects.last().left() >= 0);
        QCOMPARE(bar.Signals(), 0);

        // The add button lies over tabs scrolled beneath it: a press asks.
        bar.tabs->SetTabs(Numbered(20));
        bar.Press(bar.tabs->AddButtonRect().center());
        QCOMPARE(bar.added.count(), 1);
        QCOMPARE(bar.changed.count(), 0);
        QCOMPARE(bar.tabs->TabCount(), 20);
    }

    // A tab added is scrolled into sight at once, right after the last tab
    // that still shows it whole, in work in proportion to the tabs.
    void anAddedTabIsScrolledIntoSightInOneLayout_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::newRow("20") << 20;
        QTest::newRow("2,000") << 2000;
    }
    void anAddedTabIsScrolledIntoSightInOneLayout()
    {
        QFETCH(int, tabs);
        Bar bar(Numbered(tabs), 300);
        const qint64 measured = bar.tabs->WidthsMeasured();
        bar.tabs->AddTab(QStringLiteral("New"));
        QVERIFY(bar.tabs->WidthsMeasured() - measured <= 8 * qint64(tabs));
        QCOMPARE(bar.tabs->m_current, tabs);
        const QRect shown = bar.tabs->m_tabRects[tabs];
        QVERIFY(shown.left() >= 0);
        QVERIFY(shown.right() < bar.tabs->AddButtonRect().left());
        // With the tab before the first shown, it would not fit.
        const QRect before = bar.tabs->m_tabRects[bar.tabs->FirstVisibleTab() - 1];
        QVERIFY(before.width() + shown.right() + 1 > bar.tabs->AddButtonRect().left() - 2);
    }

    void anEmptyBarStillTakesPresses()
    {
        Bar bar({});
        QCOMPARE(bar.tabs->m_current, -1);
        bar.Press(QPoint(100, 12));
        QCOMPARE(bar.Signals(), 0);
        bar.Press(bar.tabs->AddButtonRect().center());
        QCOMPARE(bar.added.count(), 1);
        QVERIFY(bar.tabs->m_tabNames.isEmpty());
        bar.tabs->AddTab(QStringLiteral("New"));
        QCOMPARE(bar.tabs->m_current, 0);
        // Owners may set any index; painting copes.
        bar.tabs->m_current = 7;
        bar.tabs->repaint();
    }
};

ORVANE_TEST(TabBarTest)
#include "TabBarTest.moc"
