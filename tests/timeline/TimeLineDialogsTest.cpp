#include "TestRegistry.h"

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
    SFilter filter;
    filter.on = on;
    filter.cutOff = cutOff;
    filter.secondFrequency = second;
    return filter;
}

QString Describe(const SFilter& filter)
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
    // An operator's action: a mode clicked (-1 none), then the shown
    // frequency and the band's minimum typed (-1 none).
    void filterModes_data()
    {
        QTest::addColumn<SFilter>("stored");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("typedMinimum");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("shownMinimum"); // -1: the minimum is hidden
        QTest::addColumn<SFilter>("result");

        const int none = -1;
        const QString cutOff = QStringLiteral("Cut Off frequency :");
        const QString maximum = QStringLiteral("Max frequency :");
        QTest::newRow("band-pass") << Filter(true, 6000, 10000) << none << none << none
                                   << int(CFilterDlg::BandPass) << maximum << 16000 << 4000 << Filter(true, 6000, 10000);
        QTest::newRow("high-pass") << Filter(true, 4000, 20000) << none << none << none
                                   << int(CFilterDlg::HighPass) << cutOff << 16000 << none << Filter(true, 4000, 20000);
        QTest::newRow("low-pass") << Filter(true, 3000, 0) << none << none << none
                                  << int(CFilterDlg::LowPass) << cutOff << 3000 << none << Filter(true, 3000, 0);
        QTest::newRow("off keeps the shown values") << Filter(false, 6000, 10000) << int(CFilterDlg::LowPass) << 9000
                                                    << none << int(CFilterDlg::BandPass) << maximum << 16000 << 4000
                                                    << Filter(false, 6000, 10000);
        QTest::newRow("to high-pass") << Filter(true, 3000, 0) << int(CFilterDlg::HighPass) << none << none
                                      << int(CFilterDlg::HighPass) << cutOff << 16000 << none << Filter(true, 4000, 20000);
        QTest::newRow("to band-pass") << Filter(true, 3000, 0) << int(CFilterDlg::BandPass) << 12000 << 2000
                                      << int(CFilterDlg::BandPass) << maximum << 12000 << 2000 << Filter(true, 5000, 7000);
        QTest::newRow("to low-pass") << Filter(true, 4000, 20000) << int(CFilterDlg::LowPass) << 8000 << none
                                     << int(CFilterDlg::LowPass) << cutOff << 8000 << none << Filter(true, 8000, 0);
        // Typed beyond a mode's range, or read so from a file: brought inside.
        QTest::newRow("high-pass typed too low") << Filter(true, 4000, 20000) << none << 500 << none
                                                 << int(CFilterDlg::HighPass) << cutOff << 10000 << none
                                                 << Filter(true, 10000, 20000);
        QTest::newRow("file values out of range") << Filter(true, 90000, -5) << none << none << none
                                                  << int(CFilterDlg::LowPass) << cutOff << 10000 << none
                                                  << Filter(true, 10000, 0);
        QTest::newRow("file band past the top") << Filter(true, 15000, 10000) << none << none << none
                                                << int(CFilterDlg::BandPass) << maximum << 20000 << 0
                                                << Filter(true, 10000, 10000);
    }
    void filterModes()
    {
        QFETCH(SFilter, stored);
        QFETCH(int, click);
        QFETCH(int, typed);
        QFETCH(int, typedMinimum);
        CRecordingHost host;
        CFilterDlg dialog(stored);
        // What is shown while the filter is off cannot be changed.
        for (int mode = 0; mode < CFilterDlg::kModeCount; ++mode)
            QCOMPARE(dialog.ModeButton(mode)->isEnabled(), stored.on);
        QCOMPARE(dialog.FrequencyBox()->isEnabled(), stored.on);
        QCOMPARE(dialog.SecondBox()->isEnabled(), stored.on);
        if (click >= 0)
            dialog.ModeButton(click)->click();
        if (typed >= 0 && dialog.FrequencyBox()->isEnabled())
            dialog.FrequencyBox()->setValue(typed);
        if (typedMinimum >= 0 && dialog.SecondBox()->isEnabled())
            dialog.SecondBox()->setValue(typedMinimum);

        QTEST(dialog.Mode(), "mode");
        QVERIFY(dialog.ModeButton(dialog.Mode())->isChecked());
        QTEST(dialog.FrequencyLabel()->text(), "label");
        QTEST(dialog.FrequencyBox()->value(), "shown");
        QFETCH(int, shownMinimum);
        QCOMPARE(!dialog.SecondBox()->isHidden(), shownMinimum >= 0);
        if (shownMinimum >= 0)
            QCOMPARE(dialog.SecondBox()->value(), shownMinimum);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QFETCH(SFilter, result);
        QCOMPARE(Describe(dialog.Filter()), Describe(result));
    }

    void applyEnablesTheFrequencies()
    {
        CFilterDlg dialog(Filter(false, 3000, 0));
        dialog.ApplyBox()->setChecked(true);
        QVERIFY(dialog.ModeButton(CFilterDlg::HighPass)->isEnabled() && dialog.FrequencyBox()->isEnabled());
        dialog.ApplyBox()->setChecked(false);
        QVERIFY(!dialog.ModeButton(CFilterDlg::HighPass)->isEnabled() && !dialog.FrequencyBox()->isEnabled());
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
            QCOMPARE(Describe(dialog.Filter()), Describe(Filter(on, 6000, 10000)));
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
        const QStringList aroundTheRun = {QStringLiteral("SuspendVideoWindow"), QStringLiteral("ResumeVideoWindow")};

        CScriptedDialog<CColorDlg> colorScript([result](CColorDlg& dialog) {
            emit dialog.List()->itemClicked(dialog.List()->item(4));
            return result;
        });
        int color = 2;
        QCOMPARE(CColorDlg::Run(color, nullptr), ok);
        QCOMPARE(color, ok ? 4 : 2);
        QCOMPARE(host.calls, aroundTheRun);

        host.calls.clear();
        CScriptedDialog<CTimeDlg> timeScript([result](CTimeDlg& dialog) {
            dialog.Editor()->Seconds()->setValue(9);
            return result;
        });
        int time = 3000;
        QCOMPARE(CTimeDlg::Run(time, 1000, 8000, nullptr), ok);
        QCOMPARE(time, ok ? 8000 : 3000);
        QCOMPARE(host.calls, aroundTheRun);

        host.calls.clear();
        CScriptedDialog<CFilterDlg> filterScript([result](CFilterDlg& dialog) {
            dialog.ModeButton(CFilterDlg::HighPass)->click();
            return result;
        });
        SFilter filter = Filter(true, 6000, 10000);
        QCOMPARE(CFilterDlg::Run(filter, nullptr), ok);
        QCOMPARE(Describe(filter), Describe(ok ? Filter(true, 4000, 20000) : Filter(true, 6000, 10000)));
        QCOMPARE(host.calls, aroundTheRun);
    }

    // A colour the palette lacks opens on the first one, so OK never hands
    // it back.
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

    void timeStaysInsideItsBounds()
    {
        CTimeDlg dialog(50000, 1000, 20000);
        QCOMPARE(dialog.Time(), 20000);
        dialog.Editor()->Milliseconds()->setValue(0);
        dialog.Editor()->Seconds()->setValue(0);
        QCOMPARE(dialog.Time(), 1000);
    }
};

ORVANE_TEST(TimeLineDialogsTest)
#include "TimeLineDialogsTest.moc"
