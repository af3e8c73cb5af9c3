#include "TestRegistry.h"
#include "BeamRig.h"
#include "DataTable.h"
#include "ScriptedDialog.h"
#include "SyntheticMouse.h"

#include "setup/AssignBeamDlg.h"
#include "setup/AssignBeamWnd.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

// The cell of a channel row: column 0 is "All", column c is beam c - 1.
QPoint Cell(int row, int column)
{
    return QPoint(325 + 20 * column, 25 + 20 * row);
}

} // namespace

class AssignBeamTest : public QObject
{
    Q_OBJECT

private slots:
    void tableAndDialogAreSizedByBeamsAndChannels_data()
    {
        Columns<int, int, QSize, QSize>("positions", "channels", "table", "dialog");
        QTest::newRow("no positions: one beam column") << 0 << 3 << QSize(361, 81) << QSize(381, 132);
        QTest::newRow("four beams") << 4 << 2 << QSize(421, 61) << QSize(441, 112);
        QTest::newRow("no channels") << 2 << 0 << QSize(381, 21) << QSize(401, 72);
        QTest::newRow("40 channels, 30 beams scroll") << 30 << 40 << QSize(941, 821) << QSize(600, 400);
        QTest::newRow("more beams than a list can name") << 1000 << 1 << QSize(5461, 41)
                                                         << QSize(600, 92);
    }
    void tableAndDialogAreSizedByBeamsAndChannels()
    {
        const auto [positions, channels, table] = Row<int, int, QSize>("positions", "channels", "table");
        std::unique_ptr<CFixtureProfile> profile(MakeBeamProfile(QString(channels, QLatin1Char('D')), positions));
        CAssignBeamDlg dlg(profile.get());
        QCOMPARE(dlg.Table()->size(), table);
        QTEST(dlg.size(), "dialog");
        const QImage image = Rendered(*dlg.Table());
        QCOMPARE(image.pixelColor(5, 5), QColor(219, 219, 232));
        QCOMPARE(image.pixelColor(table.width() - 1, table.height() - 1), QColor(115, 115, 110));
    }

    void clicksToggleBeams_data()
    {
        Columns<int, QStringList, QPoint, QStringList>("positions", "before", "click", "after");
        QTest::newRow("check a beam") << 4 << QStringList{"all", "all"} << Cell(1, 3) << QStringList{"all", "2"};
        QTest::newRow("add a second beam") << 4 << QStringList{"3", "all"} << Cell(0, 1) << QStringList{"3.0", "all"};
        QTest::newRow("uncheck the last beam: all") << 4 << QStringList{"2", "1"} << Cell(0, 3)
                                                    << QStringList{"all", "1"};
        QTest::newRow("All empties beams 1 and 3") << 4 << QStringList{"0.2", "1"} << Cell(0, 0)
                                                   << QStringList{"all", "1"};
        QTest::newRow("one beam column") << 0 << QStringList{"all"} << Cell(0, 1) << QStringList{"0"};
        QTest::newRow("beyond the last column") << 2 << QStringList{"0"} << Cell(0, 3) << QStringList{"0"};
        QTest::newRow("header") << 4 << QStringList{"0"} << QPoint(345, 5) << QStringList{"0"};
        QTest::newRow("channel name") << 4 << QStringList{"0"} << QPoint(100, 25) << QStringList{"0"};
        QTest::newRow("below the rows") << 4 << QStringList{"0"} << Cell(1, 1) << QStringList{"0"};
        // Opening the table drops what the beams do not reach.
        QTest::newRow("sixth beam of four") << 4 << QStringList{"5", "0.5.2.7"} << QPoint(5, 5)
                                            << QStringList{"all", "0.2"};
        QTest::newRow("no positions keep beam 0 only") << 0 << QStringList{"0.1", "3"} << QPoint(5, 5)
                                                       << QStringList{"0", "all"};
        QTest::newRow("last pixel of the first beam") << 4 << QStringList{"all"} << QPoint(359, 39) << QStringList{"0"};
    }
    void clicksToggleBeams()
    {
        const auto [positions, before, click] = Row<int, QStringList, QPoint>("positions", "before", "click");
        std::unique_ptr<CFixtureProfile> profile(MakeBeamProfile(QString(before.size(), QLatin1Char('R')), positions));
        SetBeamLists(*profile->CurrentMode(), before);
        CAssignBeamWnd table(profile.get());
        SyntheticMouse::Press(&table, click);
        QTEST(BeamLists(*profile->CurrentMode()), "after");
    }

    void checkMarksFollowTheBeamLists()
    {
        std::unique_ptr<CFixtureProfile> profile(MakeBeamProfile(QStringLiteral("RR"), 3));
        SetBeamLists(*profile->CurrentMode(), {"all", "2"});
        CAssignBeamWnd table(profile.get());
        const QImage image = Rendered(table);
        QImage blank(18, 18, image.format());
        blank.fill(QColor(240, 240, 240));
        QString marks;
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 4; ++column)
                marks += image.copy(QRect(Cell(row, column) - QPoint(4, 4), QSize(18, 18))) == blank ? '.' : 'v';
        QCOMPARE(marks, QStringLiteral("v......v"));
    }

    void cancelPutsTheBeamsBack_data()
    {
        Columns<bool, QStringList>("accept", "after");
        QTest::newRow("OK keeps the clicks") << true << QStringList{"all", "0.1"};
        QTest::newRow("Cancel restores, dropped beams too") << false << QStringList{"1", "0.9"};
    }
    void cancelPutsTheBeamsBack()
    {
        QFETCH(bool, accept);
        std::unique_ptr<CFixtureProfile> profile(MakeBeamProfile(QStringLiteral("RR"), 2));
        SetBeamLists(*profile->CurrentMode(), {"1", "0.9"});
        const CScriptedDialog<CAssignBeamDlg> script([accept](CAssignBeamDlg& dialog) {
            SyntheticMouse::Press(dialog.Table(), Cell(0, 0));
            SyntheticMouse::Press(dialog.Table(), Cell(1, 2));
            dialog.Buttons()->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            return dialog.result();
        });
        QCOMPARE(CAssignBeamDlg::Run(profile.get(), nullptr), accept);
        QTEST(BeamLists(*profile->CurrentMode()), "after");
        QVERIFY(!CAssignBeamDlg::Run(nullptr, nullptr));
    }

    void beamsAreAssignedByChannelType_data()
    {
        Columns<QString, int, QStringList>("types", "beams", "lists");
        QTest::newRow("empty mode") << "" << 0 << QStringList{};
        QTest::newRow("three reds") << "RRR" << 3 << QStringList{"0", "1", "2"};
        QTest::newRow("then one dimmer serves all") << "RRRD" << 3 << QStringList{"0", "1", "2", "all"};
        QTest::newRow("fine pan follows its coarse pan") << "PpPp" << 2 << QStringList{"0", "0", "1", "1"};
        QTest::newRow("single pan and its fine byte") << "Pp" << 1 << QStringList{"all", "all"};
        QTest::newRow("types interleaved") << "DSDSD" << 3 << QStringList{"0", "0", "1", "1", "2"};
        QTest::newRow("extra channels share the last beam") << "GGGDD" << 2
                                                            << QStringList{"0", "1", "1", "0", "1"};
        QTest::newRow("colour dimmers count as dimmers") << "CCD" << 3 << QStringList{"0", "1", "all"};
        QTest::newRow("types not counted give one beam") << "GG" << 0 << QStringList{"0", "0"};
        QTest::newRow("colours interleaved") << "RgbRgbRgb" << 3
                                             << QStringList{"0", "0", "0", "1", "1", "1", "2", "2", "2"};
        QTest::newRow("and a dimmer") << "RgbRgbRgbD" << 3
                                      << QStringList{"0", "0", "0", "1", "1", "1", "2", "2", "2", "all"};
        QTest::newRow("fine pan follows between tilts") << "PpTPpT" << 2
                                                        << QStringList{"0", "0", "0", "1", "1", "1"};
        QTest::newRow("uncounted extras share the last") << "DDGGG" << 2 << QStringList{"0", "1", "0", "1", "1"};
        QTest::newRow("one shutter with its fine") << "SsDD" << 2 << QStringList{"all", "all", "0", "1"};
        // Beams past 255 cannot be stored: the extra channels share the last.
        QStringList many;
        for (int i = 0; i < 300; ++i)
            many << QString::number(std::min(i, 255));
        QTest::newRow("300 reds") << QString(300, QLatin1Char('R')) << 300 << many;
    }
    void beamsAreAssignedByChannelType()
    {
        QFETCH(QString, types);
        std::unique_ptr<CFixtureProfile> profile(MakeBeamProfile(types));
        SetBeamLists(*profile->CurrentMode(), QVector<QString>(types.size(), QStringLiteral("7")).toList());
        QTEST(CAssignBeamDlg::AutoAssign(*profile->CurrentMode()), "beams");
        QTEST(BeamLists(*profile->CurrentMode()), "lists");
    }
};

ORVANE_TEST(AssignBeamTest)
#include "AssignBeamTest.moc"
