#include "DataTable.h"
#include "SyntheticMouse.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"

#include <QtTest>

using namespace SyntheticMouse;

namespace {

// A shown timeline of two scene lines whose dialogs answer at once.
struct SRules
{
    CTimeLineRig rig;
    CScene* scene = rig.Scene(QStringLiteral("S"));
    int chosenMs = 2000;

    SRules()
    {
        rig.Control().InsertLine(1);
        rig.ShowLines();
        rig.Control().Dialogs().chooseColor = [](int& color) { return (color = 3), true; };
        rig.Control().Dialogs().chooseTime = [this](int& ms, int, int) { return (ms = chosenMs), true; };
    }
    CTimeBlock* Add(int line, int start, int length) { return rig.Block(rig.Line(line), scene, start, length); }
    QPoint At(int line, int ms) { return rig.At(rig.Line(line), ms); }
    void Click(const QPoint& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Drag(&rig.Control(), pos, pos, modifiers);
    }
    // Drags the block's start or stop edge to a time.
    void DragEdge(const CTimeBlock* block, bool stop, int ms)
    {
        const QRect rect = rig.Control().BlockRect(block);
        const QPoint from(stop ? rect.right() - 2 : rect.left() + 2, rect.center().y());
        Drag(&rig.Control(), from, QPoint(ms < 0 ? rig.Control().width() - 1 : rig.Ruler().TimeToX(ms), from.y()));
    }
    void PasteAt(int line, int ms)
    {
        rig.AnswerMenus(QStringLiteral("Paste"));
        rig.RightClick(ms < 0 ? QPoint(rig.Control().width() - 1, At(line, 0).y()) : At(line, ms));
    }
    static QString Times(const CTimeBlock* block)
    {
        return QStringLiteral("%1-%2/%3").arg(block->m_start).arg(block->m_stop).arg(block->m_length);
    }
};

} // namespace

// What every edit of the timeline's blocks keeps: the show marked modified,
// the places and lengths of pasted and resized blocks.
class TimeLineEditRulesTest : public QObject
{
    Q_OBJECT

private slots:
    // A (1000-3000) selected and copied first.
    void everyEditMarksTheShowModified_data()
    {
        Columns<QString, bool>("edit", "modified");
        for (const char* edit : {"move", "resize start", "resize stop", "remove", "paste", "colour", "time start",
                                 "time stop"})
            QTest::newRow(edit) << edit << true;
        QTest::newRow("a click") << "click" << false;
    }
    void everyEditMarksTheShowModified()
    {
        const auto [edit, modified] = Row<QString, bool>("edit", "modified");
        SRules rules;
        CTimeBlock* a = rules.Add(0, 1000, 2000);
        rules.Click(rules.At(0, 2000));
        rules.rig.Control().OnCopy();
        rules.rig.host.modified = false;
        CTimeLineCtrl& control = rules.rig.Control();
        const QHash<QString, std::function<void()>> edits{
            {"move", [&] { Drag(&control, rules.At(0, 2000), rules.At(0, 2500)); }},
            {"resize start", [&] { rules.DragEdge(a, false, 500); }},
            {"resize stop", [&] { rules.DragEdge(a, true, 4000); }},
            {"remove", [&] { control.OnRemoveSelected(); }},
            {"paste", [&] { rules.PasteAt(0, 10000); }},
            {"colour", [&] { control.OnColorSelected(); }},
            {"time start", [&] { control.OnTimeStart(); }},
            {"time stop", [&] { rules.chosenMs = 5000, control.OnTimeStop(); }},
            {"click", [&] { rules.Click(rules.At(0, 2000)); }}};
        edits[edit]();
        QCOMPARE(rules.rig.host.modified, modified);
    }

    // A (1000, 1000 ms) on the first line and B (3000, open-ended) on the
    // second, copied together and pasted at a time: "line:start" of each
    // pasted block; -1 pastes at the very end.
    void pastingSeveralKeepsTheirOffsets_data()
    {
        Columns<int, QString>("at", "pasted");
        QTest::newRow("both") << 8000 << "0:8000 1:10000";
        QTest::newRow("the second at the end") << 18000 << "0:18000";
        QTest::newRow("at the end") << -1 << "";
    }
    void pastingSeveralKeepsTheirOffsets()
    {
        const auto [at, pasted] = Row<int, QString>("at", "pasted");
        SRules rules;
        CTimeBlock* a = rules.Add(0, 1000, 1000);
        CTimeBlock* b = rules.Add(1, 3000, -1);
        rules.Click(rules.At(0, 1500));
        rules.Click(rules.At(1, 3500), Qt::ControlModifier);
        rules.rig.Control().OnCopy();
        rules.PasteAt(0, at);
        QStringList found;
        for (int line = 0; line < 2; ++line) {
            for (const CTimeBlock* block : rules.rig.Line(line)->m_blocks) {
                if (block != a && block != b)
                    found << QStringLiteral("%1:%2").arg(line).arg(block->m_start);
            }
        }
        QCOMPARE(found.join(QLatin1Char(' ')), pasted);
    }

    // A (1000, 2000 ms), B (5000, 1000 ms) and C (17000, 1000 ms) on one
    // line of a 20000-ms timeline; the block edited, as start-stop/length.
    void lengthsStayWithinTheNextBlockAndTheEnd_data()
    {
        Columns<QString, int, QString>("edit", "ms", "times");
        QTest::newRow("stop past the next block") << "stop A" << 8000 << "1000-5000/4000";
        QTest::newRow("stop past the end") << "stop C" << -1 << "17000-20000/3000";
        QTest::newRow("start before the earlier block") << "start B" << 1500 << "2000-6000/4000";
        QTest::newRow("paste before the next block") << "paste A" << 4000 << "4000-5000/1000";
        QTest::newRow("paste near the end") << "paste A" << 19000 << "19000-20000/1000";
    }
    void lengthsStayWithinTheNextBlockAndTheEnd()
    {
        const auto [edit, ms, times] = Row<QString, int, QString>("edit", "ms", "times");
        SRules rules;
        const QHash<QString, CTimeBlock*> blocks{
            {"A", rules.Add(0, 1000, 2000)}, {"B", rules.Add(0, 5000, 1000)}, {"C", rules.Add(0, 17000, 1000)}};
        CTimeBlock* block = blocks[edit.section(' ', 1)];
        rules.rig.Control().SelectBlock(block);
        if (edit.startsWith("paste")) {
            rules.rig.Control().OnCopy();
            rules.PasteAt(0, ms);
        } else {
            rules.DragEdge(block, edit.startsWith("stop"), ms);
        }
        QVERIFY(rules.rig.Control().CurrentBlock());
        QCOMPARE(SRules::Times(rules.rig.Control().CurrentBlock()), times);
    }

    // A (3000, 2000 ms) after a block at 0 on the first line, B (3000,
    // 2000 ms) alone on the second; both given one start, each within its line.
    void aTimeDialogStartIsHeldPerLine_data()
    {
        Columns<QString, int, QString>("current", "ms", "times");
        QTest::newRow("B current") << "B" << 500 << "1000-3000/2000 500-2500/2000";
        QTest::newRow("A current") << "A" << 500 << "1000-3000/2000 500-2500/2000";
        QTest::newRow("past their stops") << "B" << 4500 << "4000-6000/2000 4000-6000/2000";
    }
    void aTimeDialogStartIsHeldPerLine()
    {
        const auto [current, ms, times] = Row<QString, int, QString>("current", "ms", "times");
        SRules rules;
        rules.Add(0, 0, 500);
        CTimeBlock* a = rules.Add(0, 3000, 2000);
        CTimeBlock* b = rules.Add(1, 3000, 2000);
        const QPoint atA = rules.At(0, 4000);
        const QPoint atB = rules.At(1, 4000);
        rules.Click(current == "A" ? atB : atA);
        rules.Click(current == "A" ? atA : atB, Qt::ControlModifier);
        rules.chosenMs = ms;
        rules.rig.Control().OnTimeStart();
        QCOMPARE(SRules::Times(a) + ' ' + SRules::Times(b), times);
    }
};

ORVANE_TEST(TimeLineEditRulesTest)
#include "TimeLineEditRulesTest.moc"
