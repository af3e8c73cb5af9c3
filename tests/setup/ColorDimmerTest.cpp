#include "TestRegistry.h"
#include "BeamRig.h"
#include "DataTable.h"
#include "ScriptedDialog.h"
#include "SyntheticMouse.h"

#include "model/ProfileChannelDef.h"
#include "setup/ColorDimmerDlg.h"
#include "setup/GradientColorCtrl.h"
#include "widgets/ColorCircle.h"
#include "widgets/ColorPicker.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The bar at its top-left and bottom-right corners, where the gradient
// starts and ends: "same" when each is within a few steps of the colour.
QString BarEnds(CGradientColorCtrl& gradient, const QColor& top, const QColor& bottom)
{
    const QImage image = Rendered(gradient);
    const QRect bar = gradient.BarRect();
    const auto near = [](const QColor& a, const QColor& b) {
        const int red = std::abs(a.red() - b.red());
        return std::max({red, std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())}) <= 4;
    };
    const QColor shownTop = image.pixelColor(bar.topLeft() + QPoint(1, 1));
    const QColor shownBottom = image.pixelColor(bar.bottomRight() - QPoint(1, 1));
    if (near(shownTop, top) && near(shownBottom, bottom))
        return QStringLiteral("same");
    return shownTop.name() + QLatin1Char(' ') + shownBottom.name();
}

} // namespace

class ColorDimmerTest : public QObject
{
    Q_OBJECT

private slots:
    void onlyAnotherSwatchIsPicked_data()
    {
        Columns<QPoint, int, int>("click", "selected", "emitted");
        QTest::newRow("start swatch") << QPoint(50, 270) << int(CGradientColorCtrl::Start) << 1;
        QTest::newRow("end swatch, already selected") << QPoint(50, 20) << int(CGradientColorCtrl::End) << 0;
        QTest::newRow("bar") << QPoint(50, 150) << int(CGradientColorCtrl::End) << 0;
        QTest::newRow("beside the swatch") << QPoint(37, 270) << int(CGradientColorCtrl::End) << 0;
        QTest::newRow("below the swatch") << QPoint(50, 290) << int(CGradientColorCtrl::End) << 0;
    }
    void onlyAnotherSwatchIsPicked()
    {
        const auto [click, emitted] = Row<QPoint, int>("click", "emitted");
        CGradientColorCtrl gradient(QColor(1, 2, 3), QColor(4, 5, 6));
        gradient.resize(100, 300);
        gradient.show();
        QSignalSpy picked(&gradient, &CGradientColorCtrl::selChanged);
        SyntheticMouse::Press(&gradient, click);
        QTEST(gradient.Selected(), "selected");
        QCOMPARE(picked.count(), emitted);
        if (emitted)
            QCOMPARE(picked.first().first().value<QColor>(), QColor(1, 2, 3));
    }

    void dialogOpensOnTheEndColour_data()
    {
        Columns<QColor, QColor, QColor, QColor>("start", "end", "shownStart", "shownEnd");
        QTest::newRow("new channel: white to black") << QColor(Qt::black) << QColor(Qt::white) << QColor(Qt::black)
                                                     << QColor(Qt::white);
        QTest::newRow("stored colours") << QColor(10, 20, 30) << QColor(200, 100, 0) << QColor(10, 20, 30)
                                        << QColor(200, 100, 0);
        QTest::newRow("no colours: the defaults") << QColor() << QColor() << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("translucent made opaque") << QColor(255, 0, 0, 10) << QColor(0, 0, 255, 0)
                                                 << QColor(255, 0, 0) << QColor(0, 0, 255);
    }
    void dialogOpensOnTheEndColour()
    {
        const auto [start, end, shownStart, shownEnd] =
            Row<QColor, QColor, QColor, QColor>("start", "end", "shownStart", "shownEnd");
        CColorDimmerDlg dialog(start, end);
        QCOMPARE(dialog.Gradient()->Selected(), int(CGradientColorCtrl::End));
        QCOMPARE(dialog.Picker()->Color(), shownEnd);
        QCOMPARE(dialog.GetStartColor(), shownStart);
        QCOMPARE(dialog.GetEndColor(), shownEnd);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(BarEnds(*dialog.Gradient(), shownEnd, shownStart), QStringLiteral("same"));
    }

    void pickedColourGoesToTheChannelOnOk_data()
    {
        Columns<bool, QColor, QColor>("accept", "first", "second");
        QTest::newRow("OK stores red as the start") << true << QColor(Qt::red) << QColor(Qt::white);
        QTest::newRow("Cancel changes nothing") << false << QColor(Qt::black) << QColor(Qt::white);
    }
    void pickedColourGoesToTheChannelOnOk()
    {
        QFETCH(bool, accept);
        CProfileChannelDef channel;
        channel.m_type = ChannelType::ColorDimmer;
        QColor pickerAfterSwitch;
        QString bar;
        const CScriptedDialog<CColorDimmerDlg> script([&](CColorDimmerDlg& dialog) {
            dialog.show();
            CGradientColorCtrl& gradient = *dialog.Gradient();
            SyntheticMouse::Press(&gradient, gradient.SwatchRect(CGradientColorCtrl::Start).center());
            pickerAfterSwitch = dialog.Picker()->Color();
            dialog.Picker()->m_pCircle->SetColor(Qt::red, 1);
            bar = BarEnds(gradient, Qt::white, Qt::red);
            dialog.Buttons()->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            return dialog.result();
        });
        QCOMPARE(CColorDimmerDlg::Run(channel.m_colorMin, channel.m_colorMax, nullptr), accept);
        QCOMPARE(pickerAfterSwitch, QColor(Qt::black));
        QCOMPARE(bar, QStringLiteral("same"));
        QTEST(channel.m_colorMin, "first");
        QTEST(channel.m_colorMax, "second");
    }
};

ORVANE_TEST(ColorDimmerTest)
#include "ColorDimmerTest.moc"
