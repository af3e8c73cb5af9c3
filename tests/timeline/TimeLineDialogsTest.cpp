#include "TestRegistry.h"
#include "TypedKeys.h"

#include "RecordingHost.h"
#include "ScriptedDialog.h"
#include "timeline/ColorDlg.h"
#include "timeline/FilterDlg.h"
#include "timeline/TimeDlg.h"
#include "widgets/ZKFullTimeEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using SFilter = CFilterDlg::SFilter;
Q_DECLARE_METATYPE(SFilter)

namespace {

SFilter Filter(bool on, int cutOff, int second)
{
    return SFilter{on, cutOff, second};
}

QString Text(const SFilter& filter)
{
    return QStringLiteral("on %1, cut-off %2, second %3").arg(filter.on).arg(filter.cutOff).arg(filter.secondFrequency);
}

} // namespace

// The block dialogs of the timeline: what they open with, what an operator
// can enter and what they give back.
class TimeLineDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    // The operator clicks a mode (-1 none), then types the shown frequency
    // and the band's minimum (-1 none); a shown minimum of -1 is hidden.
    void filterModes_data()
    {
        QTest::addColumn<SFilter>("stored");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("typedMinimum");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("shownMinimum");
        QTest::addColumn<SFilter>("result");
        const int high = CFilterDlg::HighPass, band = CFilterDlg::BandPass, low = CFilterDlg::LowPass, none = -1;
        QTest::newRow("band-pass") << Filter(true, 6000, 10000) << none << none << none << band << 16000 << 4000
                                   << Filter(true, 6000, 10000);
        QTest::newRow("high-pass") << Filter(true, 4000, 20000) << none << none << none << high << 16000 << none
                                   << Filter(true, 4000, 20000);
        QTest::newRow("low-pass") << Filter(true, 3000, 0) << none << none << none << low << 3000 << none
                                  << Filter(true, 3000, 0);
        // Off, nothing can be changed, and OK still gives what is shown.
        QTest::newRow("off") << Filter(false, 6000, 10000) << low << 9000 << none << band << 16000 << 4000
                             << Filter(false, 6000, 10000);
        QTest::newRow("to high-pass") << Filter(true, 3000, 0) << high << none << none << high << 16000 << none
                                      << Filter(true, 4000, 20000);
        QTest::newRow("to band-pass") << Filter(true, 3000, 0) << band << 12000 << 2000 << band << 12000 << 2000
                                      << Filter(true, 5000, 7000);
        QTest::newRow("to low-pass") << Filter(true, 4000, 20000) << low << 8000 << none << low << 8000 << none
                                     << Filter(true, 8000, 0);
        // Typed beyond a mode's range, or read so from a file: brought inside.
        QTest::newRow("high-pass typed too low") << Filter(true, 4000, 20000) << none << 500 << none << high << 10000
                                                 << none << Filter(true, 10000, 20000);
        QTest::newRow("file values out of range") << Filter(true, 90000, -5) << none << none << none << low << 10000
                                                  << none << Filter(true, 10000, 0);
        QTest::newRow("file band past the top") << Filter(true, 15000, 10000) << none << none << none << band << 20000
                                                << 0 << Filter(true, 10000, 10000);
    }
    void filterModes()
    {
        QFETCH(SFilter, stored);
        QFETCH(int, click);
        QFETCH(int, typed);
        QFETCH(int, typedMinimum);
        QFETCH(int, shownMinimum);
        CRecordingHost host;
        CFilterDlg dialog(stored);
        const QList<QWidget*> controls = {dialog.ModeButton(CFilterDlg::HighPass), dialog.FrequencyBox(),
                                          dialog.SecondBox()};
        for (const QWidget* control : controls)
            QCOMPARE(control->isEnabled(), stored.on);
        if (click >= 0)
            dialog.ModeButton(click)->click();
        if (typed >= 0 && stored.on)
            dialog.FrequencyBox()->setValue(typed);
        if (typedMinimum >= 0 && stored.on)
            dialog.SecondBox()->setValue(typedMinimum);

        QTEST(dialog.Mode(), "mode");
        QVERIFY(dialog.ModeButton(dialog.Mode())->isChecked());
        QCOMPARE(dialog.FrequencyLabel()->text(), dialog.Mode() == CFilterDlg::BandPass
                                                      ? QStringLiteral("Max frequency :")
                                                      : QStringLiteral("Cut Off frequency :"));
        QTEST(dialog.FrequencyBox()->value(), "shown");
        QCOMPARE(dialog.SecondBox()->isHidden() ? -1 : dialog.SecondBox()->value(), shownMinimum);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QFETCH(SFilter, result);
        QCOMPARE(Text(dialog.Filter()), Text(result));
    }

    // A band that passes nothing is refused with a message while applied;
    // off, its frequencies are only kept, in order.
    void anEmptyBandIsRefusedWhileApplied_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<bool>("refused");
        QTest::newRow("equal") << true << 8000 << 8000 << true;
        QTest::newRow("reversed") << true << 4000 << 16000 << true;
        QTest::newRow("reversed, off") << false << 4000 << 16000 << false;
        QTest::newRow("ordered") << true << 16000 << 4000 << false;
    }
    void anEmptyBandIsRefusedWhileApplied()
    {
        QFETCH(bool, on);
        QFETCH(int, maximum);
        QFETCH(int, minimum);
        QFETCH(bool, refused);
        CRecordingHost host;
        CFilterDlg dialog(Filter(true, 6000, 10000));
        dialog.FrequencyBox()->setValue(maximum);
        dialog.SecondBox()->setValue(minimum);
        dialog.ApplyBox()->setChecked(on);
        dialog.accept();
        QCOMPARE(dialog.result() != QDialog::Accepted, refused);
        QCOMPARE(host.calls.filter(QStringLiteral("ShowInformation:")).size(), refused ? 1 : 0);
        if (!refused)
            QCOMPARE(Text(dialog.Filter()), Text(Filter(on, 6000, 10000)));
    }

    // Each dialog runs with the video window out of the way and changes the
    // caller's value on OK only.
    void runGivesTheValueOnOkOnly_data()
    {
        QTest::addColumn<int>("result");
        QTest::newRow("OK") << int(QDialog::Accepted);
        QTest::newRow("Cancel") << int(QDialog::Rejected);
    }
    void runGivesTheValueOnOkOnly()
    {
        QFETCH(int, result);
        const bool ok = result == QDialog::Accepted;
        CRecordingHost host;
        CScriptedDialog<CColorDlg> colorScript([result](CColorDlg& dialog) {
            emit dialog.List()->itemClicked(dialog.List()->item(4));
            return result;
        });
        CScriptedDialog<CTimeDlg> timeScript([result](CTimeDlg& dialog) {
            dialog.Editor()->Seconds()->setValue(9); // past the maximum
            return result;
        });
        CScriptedDialog<CFilterDlg> filterScript([result](CFilterDlg& dialog) {
            dialog.ModeButton(CFilterDlg::HighPass)->click();
            return result;
        });
        int color = 2;
        int time = 3000;
        SFilter filter = Filter(true, 6000, 10000);
        QCOMPARE(CColorDlg::Run(color, nullptr), ok);
        QCOMPARE(CTimeDlg::Run(time, 1000, 8000, nullptr), ok);
        QCOMPARE(CFilterDlg::Run(filter, nullptr), ok);
        QCOMPARE(color, ok ? 4 : 2);
        QCOMPARE(time, ok ? 8000 : 3000);
        QCOMPARE(Text(filter), Text(ok ? Filter(true, 4000, 20000) : Filter(true, 6000, 10000)));
        const QString aroundEach = QStringLiteral("SuspendVideoWindow ResumeVideoWindow ");
        QCOMPARE(host.calls.join(QLatin1Char(' ')), aroundEach.repeated(3).trimmed());
    }

    // The time dialog of a block's start, bounded to 9 s to 20 s and opened
    // on 12 s: the seconds typed and Return, which is also the dialog's OK.
    void aTypedTimeIsTakenByReturn_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("time");
        QTest::newRow("two digits") << "14" << 14000;
        QTest::newRow("past the end") << "45" << 20000;
        QTest::newRow("before the start") << "2" << 9000;
    }
    void aTypedTimeIsTakenByReturn()
    {
        QFETCH(QString, typed);
        CScriptedDialog<CTimeDlg> timeScript([typed](CTimeDlg& dialog) {
            dialog.show();
            TypeInto(dialog.Editor()->Seconds(), typed);
            return dialog.result();
        });
        int time = 12000;
        QVERIFY(CTimeDlg::Run(time, 9000, 20000, nullptr));
        QTEST(time, "time");
    }

    // A colour the palette lacks opens on the first one, so OK never hands it back.
    void colorOpensOnAColourItHas_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("shown");
        QTest::newRow("last") << 6 << 6;
        QTest::newRow("none yet") << -1 << 0;
        QTest::newRow("past the palette") << 7 << 0;
    }
    void colorOpensOnAColourItHas()
    {
        QFETCH(int, stored);
        CColorDlg dialog(stored);
        QCOMPARE(dialog.List()->count(), 7);
        QTEST(dialog.Color(), "shown");
        QTEST(dialog.List()->currentRow(), "shown");
    }
};

ORVANE_TEST(TimeLineDialogsTest)
#include "TimeLineDialogsTest.moc"
