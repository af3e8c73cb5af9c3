#include "TestRegistry.h"
#include "MatrixRig.h"
#include "SetupRig.h"
#include "DataTable.h"

#include <QtTest>

namespace {

// "id:universe:start:left,top,width,height" entries joined by ";".
struct CLoadedMatrix
{
    std::unique_ptr<CLibraryProfile> profile{MakeProfile(QStringLiteral("Bar.kvp"), 3)};
    std::vector<std::unique_ptr<CPatchBlock>> blocks;
    CPatchMatrixBlock matrix{profile.get(), 3, 2};

    explicit CLoadedMatrix(const QString& members)
    {
        for (const QString& entry : members.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QStringList f = entry.split(QLatin1Char(':'));
            const QList<int> r = IntList(QString(f[3]).replace(QLatin1Char(','), QLatin1Char(' ')));
            blocks.push_back(std::make_unique<CPatchBlock>(profile.get(), f[1].toInt(), 0, 1));
            blocks.back()->m_start = f[2].toInt();
            blocks.back()->m_id = f[0].toInt();
            matrix.m_members << blocks.back().get();
            matrix.m_cells << QRect(r[0], r[1], r[2], r[3]);
        }
    }
    // Square by square, the member index bound there, "-" for none.
    QString Members(const CMatrixCells& cells) const
    {
        QStringList out;
        for (int r = 0; r < cells.Rows(); ++r) {
            for (int c = 0; c < cells.Columns(); ++c) {
                const int i = cells.FindCell(cells.Square(c, r));
                const int k = i < 0 ? -1 : matrix.IndexOf(cells.CellAt(i).block);
                out << (k < 0 ? QStringLiteral("-") : QString::number(k));
            }
        }
        return out.join(QLatin1Char(' '));
    }
};

} // namespace

class MatrixRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void chainStarts_data()
    {
        Columns<int, int, int, int, int, QString>("channels", "first", "start", "perUniverse", "index", "expected");
        QTest::newRow("3ch x170: last of the universe") << 3 << 0 << 0 << 170 << 169 << "0:507";
        QTest::newRow("3ch x170: then the next universe") << 3 << 0 << 0 << 170 << 170 << "1:0";
        QTest::newRow("5ch x102 from 3: fixture 101") << 5 << 0 << 3 << 102 << 100 << "0:503";
        QTest::newRow("5ch x102 from 3: fixture 102 never crosses 511") << 5 << 0 << 3 << 102 << 101 << "1:0";
        QTest::newRow("one a universe, start on first") << 8 << 10 << 10 << 1 << 0 << "1:10";
        QTest::newRow("one a universe, second") << 8 << 10 << 10 << 1 << 1 << "2:10";
        QTest::newRow("first after start") << 4 << 100 << 20 << 0 << 0 << "0:100";
        QTest::newRow("start after first") << 4 << 100 << 200 << 0 << 0 << "0:200";
    }
    void chainStarts()
    {
        const auto [channels, first, start, perUniverse, index] =
            Row<int, int, int, int, int>("channels", "first", "start", "perUniverse", "index");
        QTEST(ChainStarts(*MakeCells(channels, first, start, perUniverse, 1, 1, 4), index + 1).last(), "expected");
    }

    void chainNeverRunsPastSlot511()
    {
        for (int ch : {1, 3, 5, 7, 16, 100, 170, 256, 511, 512}) {
            for (int first : {0, 1, 7, 300, 512 - ch}) {
                for (int start : {0, 3, 13, 250, 512 - ch}) {
                    CMatrixCells probe(ch, 0, start, 3 * 512, 3);
                    probe.SetFirstAddress(first);
                    const int most = probe.MaxFixturesPerUniverse();
                    for (int n : {1, std::max(1, most / 2), most}) {
                        const auto cells = MakeCells(ch, first, start, n, 1, 1, 3);
                        int placed = 0;
                        for (int p = cells->ChainStart(); p < 3 * 512; p = cells->NextAddress(p)) {
                            const QString at = QStringLiteral("ch %1 F %2 S %3 N %4 p %5").arg(ch).arg(first).arg(start).arg(n).arg(p);
                            QVERIFY2(p % 512 + ch <= 512, qPrintable(at));
                            placed += cells->IsFreePosition(p);
                        }
                        QCOMPARE(cells->Capacity(), placed);
                    }
                }
            }
        }
    }

    void capacity_data()
    {
        Columns<int, int, int, int, int, int, int>("channels", "first", "start", "perUniverse", "universes", "limit",
                                                   "expected");
        QTest::newRow("two universes of 170") << 3 << 0 << 0 << 170 << 2 << -1 << 340;
        QTest::newRow("limit inside the start universe") << 3 << 0 << 0 << 170 << 2 << 30 << 10;
        QTest::newRow("limit just after a start") << 3 << 0 << 0 << 170 << 1 << 4 << 2;
        QTest::newRow("5ch from 3 on one universe") << 5 << 0 << 3 << 102 << 1 << -1 << 101;
        QTest::newRow("one a universe from the next") << 8 << 10 << 10 << 1 << 3 << -1 << 2;
        QTest::newRow("no room at all") << 8 << 10 << 10 << 1 << 1 << -1 << 0;
    }
    void capacity()
    {
        const auto [channels, first, start, perUniverse, universes, limit] =
            Row<int, int, int, int, int, int>("channels", "first", "start", "perUniverse", "universes", "limit");
        QTEST(MakeCells(channels, first, start, perUniverse, 1, 1, universes, limit)->Capacity(), "expected");
    }

    void typedValuesAreClamped()
    {
        CMatrixCells cells(3, 0, 600, 1 << 30, 2);
        QCOMPARE(cells.Start(), 509);
        QCOMPARE(cells.Limit(), 1024);
        cells.SetFirstAddress(-4);
        QCOMPARE(cells.FirstAddress(), 0);
        cells.SetFixturesPerUniverse(1000);
        QCOMPARE(cells.FixturesPerUniverse(), 170);
        cells.SetFixturesPerUniverse(0);
        QCOMPARE(cells.FixturesPerUniverse(), 1);
        cells.RebuildGrid(0, -3, false);
        QCOMPARE(cells.CellCount(), 1);
        cells.RebuildGrid(1 << 20, 1 << 20, false);
        QVERIFY(cells.CellCount() <= 256 * 512);
    }

    void largestGridOrdersAllAtOnce()
    {
        const auto cells = MakeCells(1, 0, 0, 0, 512, 256, 256);
        QCOMPARE(cells->PlacedCellCount(), 512 * 256);
        for (int i = cells->CellCount() - 1; i >= 0; i -= 2)
            cells->m_selection << i;
        const QList<int> selected = cells->m_selection;
        cells->SetOrder(12, true);
        QSet<int> positions;
        for (int i : selected)
            positions.insert(cells->CellAt(i).universe * 512 + cells->CellAt(i).address);
        QCOMPARE(positions.size(), int(selected.size()));
        QVERIFY(positions.contains(1) && positions.contains(int(selected.size())));
    }

    void orders_data()
    {
        Columns<int, QString>("order", "expected");
        QTest::newRow("H1") << 0 << "1 2 3 4|5 6 7 8|9 10 11 12";
        QTest::newRow("H4") << 3 << "12 11 10 9|8 7 6 5|4 3 2 1";
        QTest::newRow("H5") << 4 << "1 2 3 4|8 7 6 5|9 10 11 12";
        QTest::newRow("H6") << 5 << "12 11 10 9|5 6 7 8|4 3 2 1";
        QTest::newRow("V1") << 8 << "1 4 7 10|2 5 8 11|3 6 9 12";
        QTest::newRow("V8") << 15 << "10 9 4 3|11 8 5 2|12 7 6 1";
        QTest::newRow("unknown sorts as H1") << 99 << "1 2 3 4|5 6 7 8|9 10 11 12";
    }
    void orders()
    {
        const auto cells = MakeCells(1, 0, 0, 0, 4, 3);
        cells->SetOrder(8, false); // renumbered from a different order first
        cells->SetOrder(std::get<0>(Row<int>("order")), true);
        QTEST(Squares(*cells), "expected");
        for (int i = 0; i < cells->CellCount(); ++i)
            QCOMPARE(cells->CellAt(i).address, cells->CellAt(i).number - 1);
    }

    void ordersOfASelection_data()
    {
        Columns<int, int, QString, QString, int, bool, QString>("columns", "channels", "removed", "selected", "order",
                                                               "following", "expected");
        QTest::newRow("following closes gaps") << 3 << 3 << "1 3" << "0 2 4" << 8 << true << "1@0 . 5@6|. 3@3 6@15";
        QTest::newRow("addresses kept without following")
            << 3 << 3 << "1 3" << "0 2 4" << 8 << false << "1@0 . 5@12|. 3@6 6@15";
        QTest::newRow("following swaps with the holder") << 3 << 1 << "" << "0 2" << 0 << true << "1@0 3@2 2@1|4@3 5@4 6@5";
        QTest::newRow("H3 reverses a row") << 3 << 1 << "" << "0 1 2" << 2 << false << "3@2 2@1 1@0|4@3 5@4 6@5";
        // Two 200-channel fixtures a universe: addresses 0 and 200 of universes 0 and 1.
        QTest::newRow("V1 across two universes") << 2 << 200 << "" << "3 0 2 1" << 8 << false << "1@0 3@0|2@200 4@200";
        QTest::newRow("following into the next universe")
            << 3 << 200 << "1" << "0 2 3" << 8 << true << "1@0 . 4@0|3@200 . .";
    }
    void ordersOfASelection()
    {
        const auto [columns, channels, removed, selected, order, following] = Row<int, int, QString, QString, int, bool>(
            "columns", "channels", "removed", "selected", "order", "following");
        const auto cells = MakeCells(channels, 0, 0, 0, columns, 2);
        cells->m_selection = IntList(removed);
        cells->RemoveSelected();
        cells->m_selection = IntList(selected);
        cells->SetOrder(order, following);
        QTEST(Squares(*cells, true), "expected");
    }

    void addingACell_data()
    {
        Columns<int, int, int, QString, bool, QString>("channels", "universes", "limit", "removed", "added", "expected");
        QTest::newRow("a removed cell comes back") << 3 << 2 << -1 << "1" << true << "1@0 2@3 3@6|4@9 5@12 6@15";
        QTest::newRow("the smallest free number and address") << 3 << 2 << -1 << "0 4" << true << "1@0 2@3 3@6|4@9 . 6@15";
        QTest::newRow("limit reached warns") << 3 << 2 << 10 << "" << false << "1@0 2@3 3@6|4@9 . .";
        QTest::newRow("last universe full warns") << 100 << 1 << -1 << "" << false << "1@0 2@100 3@200|4@300 5@400 .";
    }
    void addingACell()
    {
        const auto [channels, universes, limit, removed] =
            Row<int, int, int, QString>("channels", "universes", "limit", "removed");
        const auto cells = MakeCells(channels, 0, 0, 0, 3, 2, universes, limit);
        cells->m_selection = IntList(removed);
        cells->RemoveSelected();
        QRect square;
        for (int i = 0; i < 6 && !square.isValid(); ++i) {
            if (cells->FindCell(cells->Square(i % 3, i / 3)) < 0)
                square = cells->Square(i % 3, i / 3);
        }
        QTEST(cells->AddCellAt(square), "added");
        QTEST(Squares(*cells, true), "expected");
    }

    void removingAndRebuilding()
    {
        const auto cells = MakeCells(3, 0, 0, 0, 3, 2);
        cells->m_selection = {1, 4};
        cells->RemoveSelected();
        cells->RebuildGrid(4, 2, true);
        QCOMPARE(Squares(*cells), QStringLiteral("1 . 2 3|4 . 5 6"));
        cells->SetFixturesPerUniverse(100);
        cells->RebuildGrid(4, 2, false);
        QCOMPARE(Squares(*cells, true), QStringLiteral("1@0 2@3 3@6 4@9|5@12 6@15 7@18 8@21"));
        for (int i = 0; i < cells->CellCount(); ++i)
            cells->m_selection << i;
        cells->RemoveSelected();
        QCOMPARE(Squares(*cells), QStringLiteral("1 . . .|. . . ."));
    }

    // A resize keeps the squares emptied before it empty and numbers the
    // rest in grid order; squares the old grid did not have are filled.
    void resizingAfterRemoving_data()
    {
        Columns<QSize, QString, QSize, QString>("grid", "removed", "size", "expected");
        QTest::newRow("one more row") << QSize(3, 2) << "1 4" << QSize(3, 3) << "1@0 . 2@3|3@6 . 4@9|5@12 6@15 7@18";
        QTest::newRow("one column less") << QSize(3, 2) << "2 4" << QSize(2, 2) << "1@0 2@3|3@6 .";
        QTest::newRow("one row less") << QSize(3, 3) << "4" << QSize(3, 2) << "1@0 2@3 3@6|4@9 . 5@12";
        QTest::newRow("smaller and wider") << QSize(2, 3) << "0 3" << QSize(4, 1) << ". 1@0 2@3 3@6";
    }
    void resizingAfterRemoving()
    {
        const auto [grid, removed, size] = Row<QSize, QString, QSize>("grid", "removed", "size");
        const auto cells = MakeCells(3, 0, 0, 0, grid.width(), grid.height());
        cells->m_selection = IntList(removed);
        cells->RemoveSelected();
        cells->RebuildGrid(size.width(), size.height(), true);
        QTEST(Squares(*cells, true), "expected");
        QCOMPARE(cells->CellCount(), size.width() * size.height());
    }

    void loadingAMatrix_data()
    {
        Columns<QString, int, QString, QString>("members", "leftOut", "expected", "bound");
        QTest::newRow("members on their cells")
            << "5:0:0:0,0,20,20;6:0:3:20,0,20,20;7:1:0:0,20,20,20" << 0 << "1@0 2@3 .|3@0 . ." << "0 1 - 2 - -";
        QTest::newRow("bad cells and starts left out")
            << "5:0:0:0,0,0,0;6:0:3:100,0,20,20;7:0:510:20,0,20,20;8:0:9:-20,0,20,20;9:0:12:40,20,20,20" << 4
            << ". . .|. . 5@12" << "- - - - - 4";
        QTest::newRow("a taken cell gives the first free square")
            << "5:0:0:0,0,20,20;6:0:3:0,0,20,20;7:0:6:20,0,20,20" << 0 << "1@0 3@6 2@3|. . ." << "0 2 1 - - -";
    }
    void loadingAMatrix()
    {
        CLoadedMatrix loaded(std::get<0>(Row<QString>("members")));
        const auto cells = MakeCells(3, 0, 0, 0, 3, 2);
        QTEST(cells->LoadMatrix(loaded.matrix), "leftOut");
        QTEST(Squares(*cells, true), "expected");
        QTEST(loaded.Members(*cells), "bound");
    }

    void droppingACell_data()
    {
        Columns<int, bool, QString, QString>("column", "moved", "expected", "bound");
        QTest::newRow("occupied square swaps") << 1 << true << "2@3 1@0 .|. . ." << "1 0 - - - -";
        QTest::newRow("empty square takes the fixture and member") << 2 << true << ". 2@3 1@0|. . ." << "- 1 0 - - -";
        QTest::newRow("own square does nothing") << 0 << false << "1@0 2@3 .|. . ." << "0 1 - - - -";
    }
    void droppingACell()
    {
        QFETCH(int, column);
        CLoadedMatrix loaded(QStringLiteral("1:0:0:0,0,20,20;2:0:3:20,0,20,20"));
        const auto cells = MakeCells(3, 0, 0, 0, 3, 2);
        cells->LoadMatrix(loaded.matrix);
        QTEST(cells->DropCell(cells->FindCell(cells->Square(0, 0)), cells->Square(column, 0)), "moved");
        QTEST(Squares(*cells, true), "expected");
        QTEST(loaded.Members(*cells), "bound");
        QCOMPARE(cells->PlacedCellCount(), 2);
    }
};

ORVANE_TEST(MatrixRulesTest)
#include "MatrixRulesTest.moc"
