#include "DataTable.h"
#include "TestRegistry.h"
#include "TypedKeys.h"

#include "widgets/SplitTime.h"
#include "widgets/TimeBoxDelegate.h"
#include "widgets/TimeWidget.h"
#include "widgets/ZKFullTimeEdit.h"
#include "widgets/ZKTimeEdit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

class TimeEditTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldsWrapWithoutCarrying()
    {
        CZKTimeEdit edit;
        edit.SetTime(QTime(0, 3, 59, 920));
        QSignalSpy spy(&edit, &CZKTimeEdit::timeChanged);
        QTest::keyClick(edit.Seconds(), Qt::Key_Up);
        QCOMPARE(edit.GetTime(), QTime(0, 3, 0, 920));
        QTest::keyClick(edit.Milliseconds(), Qt::Key_Up);
        QCOMPARE(edit.GetTime(), QTime(0, 3, 0, 960));
        QTest::keyClick(edit.Milliseconds(), Qt::Key_Up);
        QCOMPARE(edit.GetTime(), QTime(0, 3, 0, 0));
        QTest::keyClick(edit.Milliseconds(), Qt::Key_Down);
        QCOMPARE(edit.GetTime(), QTime(0, 3, 0, 960));
        QCOMPARE(spy.count(), 4);
        QCOMPARE(spy.last().at(0).toTime(), QTime(0, 3, 0, 960));

        edit.SetTime(QTime(0, 59, 0));
        QTest::keyClick(edit.Minutes(), Qt::Key_Up);
        QCOMPARE(edit.GetTime(), QTime(0, 0, 0));
    }

    void shortRangeStopsAt43Minutes()
    {
        CZKTimeEdit edit(nullptr, true);
        edit.SetTime(QTime(0, 43, 10));
        QTest::keyClick(edit.Minutes(), Qt::Key_Up);
        QCOMPARE(edit.GetTime(), QTime(0, 0, 10));
        QTest::keyClick(edit.Minutes(), Qt::Key_Down);
        QCOMPARE(edit.GetTime(), QTime(0, 43, 10));
        edit.SetTime(QTime(0, 50, 0, 999));
        QCOMPARE(edit.GetTime(), QTime(0, 43, 0, 960));
    }

    void settingFromCodeIsSilent()
    {
        CZKTimeEdit edit;
        QSignalSpy spy(&edit, &CZKTimeEdit::timeChanged);
        edit.SetTime(QTime(0, 1, 5, 120));
        QCOMPARE(edit.GetTime(), QTime(0, 1, 5, 120));
        edit.SetTime(QTime());
        QCOMPARE(edit.GetTime(), QTime(0, 0));
        QVERIFY(spy.isEmpty());
    }

    void delegateEditsTheCellText()
    {
        QStandardItemModel model;
        model.appendRow(new QStandardItem(QStringLiteral("01m 05s 120")));
        const QModelIndex index = model.index(0, 0);
        CTimeBoxDelegate delegate;
        QWidget parent;
        std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), index));
        auto* edit = qobject_cast<CZKTimeEdit*>(editor.get());
        QVERIFY(edit);
        QSignalSpy spy(&delegate, &CTimeBoxDelegate::timeChanged);

        delegate.setEditorData(edit, index);
        QCOMPARE(edit->GetTime(), QTime(0, 1, 5, 120));
        QVERIFY(spy.isEmpty());

        QTest::keyClick(edit->Milliseconds(), Qt::Key_Up);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toTime(), QTime(0, 1, 5, 160));
        delegate.setModelData(edit, &model, index);
        QCOMPARE(index.data().toString(), QStringLiteral("01m 05s 160"));

        // Short range: minutes wrap from 43 to 0.
        edit->SetTime(QTime(0, 43, 0));
        QTest::keyClick(edit->Minutes(), Qt::Key_Up);
        QCOMPARE(edit->GetTime(), QTime(0, 0, 0));
    }

    void delegateReadsForeignCellTextAsZero()
    {
        QStandardItemModel model;
        for (const char* text : {"", "garbage", "99m 05s 120", "01m 75s 000", "1:05.120", "01m 05s"})
            model.appendRow(new QStandardItem(QString::fromLatin1(text)));
        CTimeBoxDelegate delegate;
        QWidget parent;
        std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, 0)));
        auto* edit = qobject_cast<CZKTimeEdit*>(editor.get());
        for (int row = 0; row < model.rowCount(); ++row) {
            edit->SetTime(QTime(0, 7, 7, 40));
            delegate.setEditorData(edit, model.index(row, 0));
            QVERIFY2(edit->GetTime() == QTime(0, 0), qPrintable(model.index(row, 0).data().toString()));
            delegate.setModelData(edit, &model, model.index(row, 0));
            QCOMPARE(model.index(row, 0).data().toString(), QStringLiteral("00m 00s 000"));
        }
    }

    void fullTimeEditCountsEveryField()
    {
        CZKFullTimeEdit edit;
        QSignalSpy spy(&edit, &CZKFullTimeEdit::timeChanged);
        edit.Hours()->setValue(1);
        edit.Minutes()->setValue(2);
        edit.Seconds()->setValue(3);
        edit.Milliseconds()->setValue(40);
        QCOMPARE(edit.GetTime(), 3723040);
        QCOMPARE(spy.count(), 4);
        QCOMPARE(spy.last().at(0).toInt(), 3723040);

        edit.SetTime(65120);
        QCOMPARE(edit.Hours()->value(), 0);
        QCOMPARE(edit.Minutes()->value(), 1);
        QCOMPARE(edit.Seconds()->value(), 5);
        QCOMPARE(edit.Milliseconds()->value(), 120);
        QCOMPARE(spy.count(), 4);
    }

    void fullTimeEditKeepsTheUserInsideTheRange()
    {
        CZKFullTimeEdit edit;
        edit.SetRange(1000, 90000);
        QCOMPARE(edit.GetTime(), 1000);
        QSignalSpy spy(&edit, &CZKFullTimeEdit::timeChanged);

        edit.Minutes()->setValue(2);
        QCOMPARE(edit.GetTime(), 90000);
        QCOMPARE(edit.Minutes()->value(), 1);
        QCOMPARE(edit.Seconds()->value(), 30);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 90000);

        // Already at the top: nothing changed, nothing reported.
        QTest::keyClick(edit.Seconds(), Qt::Key_Up);
        QCOMPARE(edit.GetTime(), 90000);
        QCOMPARE(spy.count(), 1);

        edit.Minutes()->setValue(0);
        QCOMPARE(edit.GetTime(), 30000);
        edit.Seconds()->setValue(0);
        QCOMPARE(edit.GetTime(), 1000);
        QCOMPARE(edit.Seconds()->value(), 1);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.last().at(0).toInt(), 1000);

        edit.SetTime(500000);
        QCOMPARE(edit.GetTime(), 90000);
        edit.SetRange(50000, 20000);
        QCOMPARE(edit.Minimum(), 20000);
        QCOMPARE(edit.Maximum(), 50000);
        QCOMPARE(edit.GetTime(), 50000);
        edit.SetTime(-5);
        QCOMPARE(edit.GetTime(), 20000);
        QCOMPARE(spy.count(), 3);
    }

    // A range of 9 s to 20 s, a time of 12 s; keys typed into one field over
    // its selected text, then Return, a click into the next field ("focus")
    // or nothing. "+" is the up arrow, which counts at once.
    void aTypedTimeCountsWhenFinished_data()
    {
        Columns<QString, QString, QString, int, int>("field", "keys", "finish", "time", "signals");
        QTest::newRow("two digits, Return") << "seconds" << "14" << "Return" << 14000 << 1;
        QTest::newRow("two digits, focus out") << "seconds" << "14" << "focus" << 14000 << 1;
        QTest::newRow("unfinished") << "seconds" << "14" << "" << 12000 << 0;
        QTest::newRow("past the end") << "seconds" << "59" << "Return" << 20000 << 1;
        QTest::newRow("before the start") << "seconds" << "3" << "Return" << 9000 << 1;
        QTest::newRow("three digits") << "milliseconds" << "500" << "Return" << 12500 << 1;
        QTest::newRow("minutes past the end") << "minutes" << "5" << "Return" << 20000 << 1;
        QTest::newRow("arrow") << "seconds" << "+" << "" << 13000 << 1;
    }
    void aTypedTimeCountsWhenFinished()
    {
        const auto [field, keys, finish, time, signalCount] =
            Row<QString, QString, QString, int, int>("field", "keys", "finish", "time", "signals");
        QWidget window;
        auto* edit = new CZKFullTimeEdit(&window);
        edit->SetRange(9000, 20000);
        edit->SetTime(12000);
        window.show();
        QApplication::setActiveWindow(&window);
        QSignalSpy spy(edit, &CZKFullTimeEdit::timeChanged);
        auto* box = edit->findChild<QSpinBox*>(field);
        box->setFocus();
        QVERIFY(box->hasFocus());
        TypeInto(box, keys, finish == "Return");
        if (finish == "focus")
            QTest::mouseClick(edit->Milliseconds()->findChild<QLineEdit*>(), Qt::LeftButton);
        QCOMPARE(edit->GetTime(), time);
        QCOMPARE(int(spy.count()), signalCount);
        if (signalCount > 0)
            QCOMPARE(spy.last().at(0).toInt(), time);
        // The fields show what counts, held to the range.
        QCOMPARE(((edit->Hours()->value() * 60 + edit->Minutes()->value()) * 60 + edit->Seconds()->value()) * 1000
                     + edit->Milliseconds()->value(),
                 time);
    }

    void splitTime()
    {
        const STimeParts marker = SplitTime(65120);
        QCOMPARE(marker.hours, 0);
        QCOMPARE(marker.minutes, 1);
        QCOMPARE(marker.seconds, 5);
        QCOMPARE(marker.milliseconds, 120);

        const STimeParts longShow = SplitTime(((27 * 60 + 59) * 60 + 59) * 1000 + 999);
        QCOMPARE(longShow.hours, 27);
        QCOMPARE(longShow.minutes, 59);
        QCOMPARE(longShow.seconds, 59);
        QCOMPARE(longShow.milliseconds, 999);

        const STimeParts before = SplitTime(-3000);
        QCOMPARE(before.hours + before.minutes + before.seconds + before.milliseconds, 0);
    }

    void clockShowsHundredths()
    {
        CTimeWidget clock(65120);
        QCOMPARE(clock.Text(), QStringLiteral("01:05.12"));
        clock.SetTime(59999);
        QCOMPARE(clock.Text(), QStringLiteral("00:59.99"));
        clock.SetTime(125 * 60000 + 7);
        QCOMPARE(clock.Text(), QStringLiteral("125:00.00"));
        clock.SetTime(-40);
        QCOMPARE(clock.Text(), QStringLiteral("00:00.00"));
    }
};

ORVANE_TEST(TimeEditTest)
#include "TimeEditTest.moc"
