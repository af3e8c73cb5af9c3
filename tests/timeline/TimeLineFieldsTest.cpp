#include "DataTable.h"
#include "SyntheticMouse.h"
#include "TestRegistry.h"
#include "TimeLineRig.h"
#include "TypedKeys.h"

#include "widgets/ZKFullTimeEdit.h"

#include <QSpinBox>
#include <QtTest>

using namespace SyntheticMouse;

namespace {

// A shown timeline of 20 s whose first scene line holds A (2000-3000) and
// B (8000, `length` ms), B selected; a second scene line is empty.
struct SFields
{
    CTimeLineRig rig;
    CScene* scene = rig.Scene(QStringLiteral("S"));
    CScene* other = rig.Scene(QStringLiteral("T"));
    CTimeBlock* b;

    explicit SFields(int length)
    {
        rig.Control().InsertLine(1);
        rig.Block(rig.Line(0), other, 2000, 1000);
        b = rig.Block(rig.Line(0), scene, 8000, length);
        rig.ShowLines();
        Drag(&rig.Control(), At(0, 8500), At(0, 8500));
    }
    QPoint At(int line, int ms) { return rig.At(rig.Line(line), ms); }
    CZKFullTimeEdit* Field(const QString& name) { return rig.window->findChild<CZKFullTimeEdit*>(name); }
    // Keys into one part of a field: "Stop:14" types 14 into the End
    // field's seconds; "Length/minutes:5" into the Duration's minutes.
    void Type(const QString& what)
    {
        const QString field = what.section(':', 0, 0).section('/', 0, 0);
        const QString part = what.section(':', 0, 0).section('/', 1);
        TypeInto(Field("timeLineBlock" + field)->findChild<QSpinBox*>(part.isEmpty() ? "seconds" : part),
                 what.section(':', 1));
    }
    static QString Times(const CTimeBlock* block)
    {
        return QStringLiteral("%1-%2").arg(block->m_start).arg(block->m_stop);
    }
    // What the fields show and the bounds they keep, and what they should.
    QString Shown()
    {
        QStringList shown;
        for (const char* name : {"timeLineBlockStart", "timeLineBlockStop", "timeLineBlockLength"}) {
            const CZKFullTimeEdit* field = Field(name);
            shown << QStringLiteral("%1 [%2, %3]").arg(field->GetTime()).arg(field->Minimum()).arg(field->Maximum());
        }
        return shown.join(QStringLiteral(", "));
    }
    QString Expected()
    {
        const CTimeLineCtrl& control = rig.Control();
        const CTimeBlock* block = control.CurrentBlock();
        const int stop = block->m_stop > 0 ? block->m_stop : rig.Ruler().Length();
        const int longest = std::max(control.MaxBlockLength(), int(CTimeLineCtrl::kMinBlockLength));
        return QStringLiteral("%1 [%2, %3], %4 [%5, %6], %7 [%8, %9]")
            .arg(block->m_start).arg(control.MinBlockStart()).arg(control.MaxBlockStart())
            .arg(stop).arg(control.MinBlockStop()).arg(control.MaxBlockStop())
            .arg(stop - block->m_start).arg(CTimeLineCtrl::kMinBlockLength).arg(longest);
    }
};

} // namespace

// The Start, End and Duration fields of the timeline window: what a typed
// time does to the selected block, and how the fields follow the block.
class TimeLineFieldsTest : public QObject
{
    Q_OBJECT

private slots:
    // B (8000-9000); typings, finished with Return, one after the other.
    void typedTimesMoveTheBlock_data()
    {
        Columns<QString, QString>("typed", "times");
        QTest::newRow("end") << "Stop:14" << "8000-14000";
        QTest::newRow("end past the timeline") << "Stop:59" << "8000-20000";
        QTest::newRow("end before the start") << "Stop:5" << "8000-9000";
        QTest::newRow("duration") << "Length:6" << "8000-14000";
        QTest::newRow("duration in minutes") << "Length/minutes:5" << "8000-20000";
        QTest::newRow("start before the earlier block") << "Start:1" << "3000-4000";
        QTest::newRow("end, then start") << "Stop:14 Start:12" << "12000-18000";
        QTest::newRow("start, then end") << "Start:4 Stop:6" << "4000-6000";
        QTest::newRow("milliseconds") << "Stop/milliseconds:500" << "8000-9500";
    }
    void typedTimesMoveTheBlock()
    {
        const auto [typed, times] = Row<QString, QString>("typed", "times");
        SFields fields(1000);
        for (const QString& typing : typed.split(' '))
            fields.Type(typing);
        QCOMPARE(SFields::Times(fields.b), times);
        QCOMPARE(fields.Shown(), fields.Expected());
        QVERIFY(fields.rig.host.modified);
    }

    // B (8000-12000) linked to a marker at 8000, then an edit by the mouse
    // or the document; what B became.
    void theFieldsFollowTheBlock_data()
    {
        Columns<QString, QString>("edit", "times");
        QTest::newRow("block dragged") << "drag" << "14000-18000";
        QTest::newRow("end dragged") << "end" << "8000-15000";
        QTest::newRow("marker dragged near the end") << "marker" << "16000-20000";
        QTest::newRow("neighbour gone") << "scene" << "8000-12000";
        QTest::newRow("timeline shortened") << "length" << "8000-12000";
    }
    void theFieldsFollowTheBlock()
    {
        const auto [edit, times] = Row<QString, QString>("edit", "times");
        SFields fields(4000);
        CTimeLineRig& rig = fields.rig;
        rig.Control().AddMarkerAt(8000);
        rig.Control().AttachMarkers();
        const QHash<QString, std::function<void()>> edits{
            {"drag", [&] { Drag(&rig.Control(), fields.At(0, 10000), fields.At(0, 16000)); }},
            {"end",
             [&] {
                 const QRect block = rig.Control().BlockRect(fields.b);
                 Drag(&rig.Control(), QPoint(block.right() - 2, block.center().y()), fields.At(0, 15000));
             }},
            {"marker",
             [&] {
                 const QPoint grip = rig.Ruler().MarkerRect(rig.Ruler().Markers().first()).center();
                 Drag(&rig.Ruler(), grip, QPoint(rig.Ruler().TimeToX(19920), grip.y()));
             }},
            {"scene", [&] { rig.Control().RemoveSceneBlocks(fields.other); }},
            {"length",
             [&] { TypeInto(rig.window->findChild<CZKFullTimeEdit*>("timeLineLength")->Seconds(), "15"); }}};
        edits[edit]();
        QCOMPARE(SFields::Times(fields.b), times);
        QCOMPARE(rig.Control().CurrentBlock(), fields.b);
        QCOMPARE(fields.Shown(), fields.Expected());
    }

    // Fields without a block to show, B (8000-12000) shown before.
    void idleFieldsShowZero_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("playing") << "play";
        QTest::newRow("nothing selected") << "click";
    }
    void idleFieldsShowZero()
    {
        QFETCH(QString, how);
        SFields fields(4000);
        if (how == "play")
            fields.rig.window->Play();
        else
            Drag(&fields.rig.Control(), fields.At(1, 500), fields.At(1, 500));
        for (const char* name : {"timeLineBlockStart", "timeLineBlockStop", "timeLineBlockLength"}) {
            QVERIFY(!fields.Field(name)->isEnabled());
            QCOMPARE(fields.Field(name)->GetTime(), 0);
        }
    }

    // B (8000-9000) between A and C (12000-13000) on its line, then a
    // Ctrl-press on the empty second line: B stays selected, and its own
    // neighbours still hold it. "default" is the block menu's "Set default
    // size" for a music block M (5000, 2000 ms of a 4000-ms file) before
    // another at 8000, pressed and held the same way.
    void theBlockIsHeldOnItsOwnLine_data()
    {
        Columns<QString, QString>("edit", "times");
        QTest::newRow("end past the next block") << "Stop:15" << "8000-12000";
        QTest::newRow("start before the earlier block") << "Start:1" << "3000-4000";
        QTest::newRow("duration past the next block") << "Length:9" << "8000-12000";
        QTest::newRow("default size") << "default" << "5000-8000";
    }
    void theBlockIsHeldOnItsOwnLine()
    {
        const auto [edit, times] = Row<QString, QString>("edit", "times");
        SFields fields(1000);
        CTimeLineRig& rig = fields.rig;
        rig.Block(rig.Line(0), fields.other, 12000, 1000);
        CTimeBlock* held = fields.b;
        if (edit == "default") {
            held = rig.Music(QStringLiteral("a.wav"), 5000, 2000, 4000);
            rig.Music(QStringLiteral("a.wav"), 8000, 1000, 1000);
        }
        rig.ShowLines();
        Drag(&rig.Control(), rig.At(rig.Control().LineOf(held), held->m_start + 500),
             rig.At(rig.Control().LineOf(held), held->m_start + 500));
        const QPoint empty = rig.At(rig.Control().SceneLine(1), 17000);
        Drag(&rig.Control(), empty, empty, Qt::ControlModifier);
        QCOMPARE(rig.Control().CurrentLine(), rig.Control().SceneLine(1));
        QCOMPARE(rig.Control().CurrentBlock(), held);
        if (edit == "default")
            rig.Control().OnMediaDefaultSize();
        else
            fields.Type(edit);
        QCOMPARE(SFields::Times(held), times);
    }
};

ORVANE_TEST(TimeLineFieldsTest)
#include "TimeLineFieldsTest.moc"
