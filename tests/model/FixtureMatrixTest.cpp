#include "TestRegistry.h"

#include "LibraryProfileBuilder.h"
#include "model/FixtureMatrix.h"
#include "model/PatchedFixture.h"

#include <QtTest>
#include <memory>
#include <vector>

using namespace ProfileBuilder;

namespace {

class TestItem : public CLayoutItem
{
public:
    QRect ItemRect() const override { return QRect(100, 200, 50, 50); }
};

// Eight beams, four across and two down: cells of 80 x 40 layout pixels.
void MakeQuad(CLibraryProfile& profile)
{
    SetBeams(profile, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}});
}

// Fixtures of one profile, owned by the test as the general group would own them.
class Fixtures
{
public:
    explicit Fixtures(CLibraryProfile* profile) : m_profile(profile) {}

    CPatchedFixture* Make()
    {
        m_owned.push_back(std::make_unique<CPatchedFixture>(
            int(m_owned.size()), 0, int(m_owned.size()) + 1, 1, QString(), m_profile, false, false, 0));
        return m_owned.back().get();
    }
    // A full grid of members added in a scrambled order; fixture n sits in cell n.
    void Fill(CFixtureMatrix& matrix, const QSize& cell)
    {
        const int count = matrix.Columns() * matrix.Rows();
        for (int n = 0; n < count; ++n)
            Make();
        for (int k = 0; k < count; ++k) {
            const int n = (k * 5 + 3) % count;
            matrix.AddMember(At(n), QRect(QPoint(n % matrix.Columns() * cell.width(),
                                                 n / matrix.Columns() * cell.height()), cell));
        }
        matrix.OrderMembers();
    }
    CPatchedFixture* At(int n) const { return m_owned.at(size_t(n)).get(); }
    void SelectAll(bool selected)
    {
        for (auto& fixture : m_owned) {
            for (bool& flag : fixture->BeamFlags())
                flag = selected;
        }
    }

private:
    CLibraryProfile* m_profile;
    std::vector<std::unique_ptr<CPatchedFixture>> m_owned;
};

} // namespace

class FixtureMatrixTest : public QObject
{
    Q_OBJECT

private slots:
    void pixelSizeFollowsTheBeamGrid()
    {
        CLibraryProfile quad;
        MakeQuad(quad);
        CFixtureMatrix matrix(&quad, 1, 4, 2, 0);
        QCOMPARE(matrix.PixelColumns(), 16);
        QCOMPARE(matrix.PixelRows(), 4);

        CLibraryProfile single;
        CFixtureMatrix plain(&single, 1, 5, 3, 0);
        QCOMPARE(plain.PixelColumns(), 5);
        QCOMPARE(plain.PixelRows(), 3);

        // Half a step further: 1.5 pixels per cell, truncated over the row.
        CLibraryProfile half;
        SetBeams(half, {{0.0f, 0.0f}, {0.5f, 0.0f}});
        plain.SetProfile(&half);
        QCOMPARE(plain.PixelColumns(), 7);
        QCOMPARE(plain.PixelRows(), 3);
    }

    void membersAreOrderedByCell()
    {
        CLibraryProfile quad;
        MakeQuad(quad);
        Fixtures fixtures(&quad);
        CFixtureMatrix matrix(&quad, 1, 4, 2, 0);
        fixtures.Fill(matrix, QSize(80, 40));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(matrix.Member(i), fixtures.At(i));
            QCOMPARE(matrix.MemberKeys().at(i), i);
            QCOMPARE(matrix.FirstPixelOfMember(i), i);
        }
        // Ordering again starts from fresh keys.
        matrix.OrderMembers();
        QCOMPARE(matrix.MemberKeys().size(), 8);

        CLibraryProfile single;
        Fixtures shared(&single);
        CFixtureMatrix row(&single, 2, 2, 1, 0);
        CPatchedFixture* a = shared.Make();
        CPatchedFixture* b = shared.Make();
        CPatchedFixture* c = shared.Make();
        row.AddMember(a, QRect(20, 0, 20, 20));
        row.AddMember(b, QRect(0, 0, 20, 20));
        row.AddMember(c, QRect(20, 0, 20, 20));
        row.OrderMembers();
        QCOMPARE(row.Members(), QList<CPatchedFixture*>({b, a, c}));
        QCOMPARE(row.MemberKeys(), QList<int>({0, 1, 1}));
        QCOMPARE(row.CellOfFixture(c), QPoint(20, 0));
        QCOMPARE(row.CellOfFixture(nullptr), QPoint(0, 0));
    }

    void removingAMemberKeepsTheListsTogether()
    {
        CLibraryProfile single;
        Fixtures fixtures(&single);
        CFixtureMatrix matrix(&single, 1, 3, 2, 0);
        fixtures.Fill(matrix, QSize(20, 20));
        QVERIFY(matrix.RemoveMember(fixtures.At(4)));
        QVERIFY(!matrix.RemoveMember(fixtures.At(4)));
        QVERIFY(!matrix.RemoveMember(-1));
        QVERIFY(!matrix.RemoveMember(5));
        QVERIFY(!matrix.AddMember(nullptr, QRect(0, 0, 20, 20)));
        QCOMPARE(matrix.Members().size(), 5);
        QCOMPARE(matrix.MemberCells().size(), 5);
        QCOMPARE(matrix.MemberKeys(), QList<int>({0, 1, 2, 3, 5}));
        QCOMPARE(matrix.MemberCell(4), QRect(40, 20, 20, 20));

        matrix.ClearMembers();
        QVERIFY(matrix.MemberKeys().isEmpty() && matrix.MemberCells().isEmpty());
        QCOMPARE(matrix.Member(0), nullptr);
    }

    void emptyCellsAndBadIndexesGiveNoPixel()
    {
        CLibraryProfile quad;
        MakeQuad(quad);
        Fixtures fixtures(&quad);
        CFixtureMatrix matrix(&quad, 1, 4, 2, 0);
        fixtures.Fill(matrix, QSize(80, 40));
        QVERIFY(matrix.SetMemberCell(3, QRect()));
        QVERIFY(!matrix.SetMemberCell(8, QRect()));
        QCOMPARE(matrix.FirstPixelOfMember(3), -1);
        QCOMPARE(matrix.PixelOfMember(3, QByteArray()), -1);
        QCOMPARE(matrix.BeamPixel(3, 0), QPoint(-1, -1));
        QCOMPARE(matrix.FirstPixelOfMember(8), -1);
        QCOMPARE(matrix.FirstPixelOfMember(-1), -1);
        QCOMPARE(matrix.PixelOfMember(-1, QByteArray()), -1);
        QCOMPARE(matrix.BeamPixel(8, 0), QPoint(-1, -1));
        QCOMPARE(matrix.BeamPixel(0, 8), QPoint(-1, -1));

        CLibraryProfile single;
        Fixtures plain(&single);
        CFixtureMatrix cells(&single, 1, 2, 1, 0);
        cells.AddMember(plain.Make(), QRect(0, 0, 20, 20));
        cells.AddMember(plain.Make(), QRect());
        QCOMPARE(cells.PixelOfMember(1, QByteArray()), -1);
        cells.OrderMembers();
        QCOMPARE(cells.MemberKeys(), QList<int>({-1, 0}));
    }

    void pixelOfABeam()
    {
        CLibraryProfile quad;
        MakeQuad(quad);
        Fixtures fixtures(&quad);
        CFixtureMatrix matrix(&quad, 1, 4, 2, 0);
        fixtures.Fill(matrix, QSize(80, 40));

        // Member 5 is cell (1, 1): its beam (1, 1) is pixel column 5, row 3.
        QCOMPARE(matrix.PixelOfMember(5, Beams({5})), 3 * 16 + 5);
        QCOMPARE(matrix.BeamPixel(5, 5), QPoint(5, 3));
        // No beam, a negative one or one beyond the profile: its first beam.
        QCOMPARE(matrix.PixelOfMember(5, QByteArray()), 2 * 16 + 4);
        QCOMPARE(matrix.PixelOfMember(5, Beams({-1, 5})), 2 * 16 + 4);
        QCOMPARE(matrix.PixelOfMember(5, Beams({8})), 2 * 16 + 4);

        // A cell beyond the grid stays on its last column and row.
        CPatchedFixture* outside = fixtures.Make();
        matrix.AddMember(outside, QRect(320, 80, 80, 40));
        QCOMPARE(matrix.PixelOfMember(8, Beams({7})), 3 * 16 + 15);

        CLibraryProfile single;
        Fixtures plain(&single);
        CFixtureMatrix cells(&single, 1, 3, 2, 0);
        plain.Fill(cells, QSize(20, 20));
        QCOMPARE(cells.PixelOfMember(4, Beams({3})), 4);
        QCOMPARE(cells.BeamPixel(4, 7), QPoint(1, 1));
    }

    void hitTestFindsEveryBeamAndNothingOutside()
    {
        CLibraryProfile quad;
        MakeQuad(quad);
        Fixtures fixtures(&quad);
        CFixtureMatrix matrix(&quad, 1, 4, 2, 0);
        fixtures.Fill(matrix, QSize(80, 40));
        for (int m = 0; m < 8; ++m) {
            for (int b = 0; b < 8; ++b) {
                const QPoint pixel = matrix.BeamPixel(m, b);
                int member = -2, beam = -2;
                matrix.HitTest(pixel.x(), pixel.y(), member, beam);
                QCOMPARE(member, m);
                QCOMPARE(beam, b);
            }
        }

        // Past the last column the pixel belongs to nobody, not to the next row.
        const QPoint outside[] = {{16, 0}, {-1, 0}, {0, -1}, {0, 4}, {100000000, 0}};
        for (const QPoint& pixel : outside) {
            int member = -2, beam = -2;
            matrix.HitTest(pixel.x(), pixel.y(), member, beam);
            QCOMPARE(member, -1);
            QCOMPARE(beam, -1);
        }

        CLibraryProfile single;
        Fixtures plain(&single);
        CFixtureMatrix cells(&single, 1, 3, 2, 0);
        plain.Fill(cells, QSize(20, 20));
        int member = -2, beam = -2;
        cells.HitTest(3, 0, member, beam);
        QCOMPARE(member, -1);
        cells.HitTest(2, 1, member, beam);
        QCOMPARE(member, 5);
        QCOMPARE(beam, 0);
        cells.RemoveMember(5);
        cells.HitTest(2, 1, member, beam);
        QCOMPARE(member, -1);
        QCOMPARE(beam, -1);
        // Once a member has gone the others no longer stand at their cell index.
        cells.RemoveMember(0);
        cells.HitTest(0, 0, member, beam);
        QCOMPARE(member, -1);
        cells.HitTest(1, 0, member, beam);
        QCOMPARE(member, 0);
        QCOMPARE(beam, 0);
    }

    void hitTestBetweenBeams()
    {
        // Two beams two steps apart leave an empty step between them.
        CLibraryProfile sparse;
        SetBeams(sparse, {{0.0f, 0.0f}, {2.0f, 0.0f}});
        Fixtures fixtures(&sparse);
        CFixtureMatrix matrix(&sparse, 1, 2, 1, 0);
        fixtures.Fill(matrix, QSize(60, 20));
        QCOMPARE(matrix.PixelColumns(), 6);
        int member = -2, beam = -2;
        matrix.HitTest(5, 0, member, beam);
        QCOMPARE(member, 1);
        QCOMPARE(beam, 1);
        matrix.HitTest(4, 0, member, beam);
        QCOMPARE(member, 1);
        QCOMPARE(beam, -1);
        matrix.HitTest(1, 0, member, beam);
        QCOMPARE(member, 0);
        QCOMPARE(beam, -1);
        matrix.RemoveMember(0);
        matrix.HitTest(5, 0, member, beam);
        QCOMPARE(member, 0);
        QCOMPARE(beam, 1);
        matrix.HitTest(0, 0, member, beam);
        QCOMPARE(member, -1);
    }

    void virtualGridOfTheSelection()
    {
        CLibraryProfile quad;
        MakeQuad(quad);
        Fixtures fixtures(&quad);
        TestItem item;
        CFixtureMatrix matrix(&quad, 9, 4, 2, &item);
        fixtures.Fill(matrix, QSize(80, 40));
        QCOMPARE(matrix.BuildVirtualGrid(), nullptr);

        fixtures.SelectAll(true);
        QCOMPARE(matrix.BuildVirtualGrid(), &matrix);
        matrix.SetLayoutItem(nullptr);
        std::unique_ptr<CFixtureMatrix> whole(matrix.BuildVirtualGrid());
        QVERIFY(whole.get() != &matrix);
        QVERIFY(whole->IsVirtual());
        QCOMPARE(whole->Columns(), 4);
        QCOMPARE(whole->MemberCount(), 8);
        matrix.SetLayoutItem(&item);

        fixtures.SelectAll(false);
        fixtures.At(2)->BeamFlags()[0] = true;
        fixtures.At(1)->BeamFlags()[7] = true;
        std::unique_ptr<CFixtureMatrix> pair(matrix.BuildVirtualGrid());
        QVERIFY(pair && pair->IsVirtual());
        QCOMPARE(pair->Id(), 9);
        QCOMPARE(pair->Columns(), 2);
        QCOMPARE(pair->Rows(), 1);
        QCOMPARE(pair->PixelColumns(), 8);
        QCOMPARE(pair->PixelRows(), 2);
        QCOMPARE(pair->LayoutItem(), nullptr);
        QCOMPARE(pair->Members(), QList<CPatchedFixture*>({fixtures.At(1), fixtures.At(2)}));
        QCOMPARE(pair->MemberCell(1), QRect(80, 0, 80, 40));

        // Corners of an L: the unselected members between them come along.
        fixtures.SelectAll(false);
        fixtures.At(0)->BeamFlags()[0] = true;
        fixtures.At(5)->BeamFlags()[0] = true;
        std::unique_ptr<CFixtureMatrix> square(matrix.BuildVirtualGrid());
        QCOMPARE(square->Columns(), 2);
        QCOMPARE(square->Rows(), 2);
        QCOMPARE(square->Members(),
                 QList<CPatchedFixture*>({fixtures.At(0), fixtures.At(1), fixtures.At(4), fixtures.At(5)}));
        QCOMPARE(square->MemberKeys(), QList<int>({0, 1, 2, 3}));
    }

    void positionsAndCopies()
    {
        CLibraryProfile single;
        Fixtures fixtures(&single);
        TestItem item;
        CFixtureMatrix matrix(&single, 3, 3, 2, &item);
        fixtures.Fill(matrix, QSize(20, 20));
        matrix.AddPosition(1, 2);
        matrix.AddPosition(QPoint(3, 4));
        QCOMPARE(matrix.Position(5), QPoint(0, 0));
        QCOMPARE(matrix.Position(-1), QPoint(0, 0));
        QVERIFY(!matrix.SetPosition(2, QPoint(9, 9)));
        QVERIFY(matrix.SetPosition(1, QPoint(9, 9)));
        QCOMPARE(matrix.Position(1), QPoint(9, 9));
        QVERIFY(!matrix.RemovePosition(-1));
        QCOMPARE(matrix.ItemPosition(), QPoint(100, 200));

        CFixtureMatrix copy(matrix);
        QCOMPARE(copy.PositionCount(), 0);
        QCOMPARE(copy.Members(), matrix.Members());
        QCOMPARE(copy.MemberCells(), matrix.MemberCells());
        QCOMPARE(copy.LayoutItem(), static_cast<CLayoutItem*>(&item));
        copy.SetMemberCell(0, QRect());
        QCOMPARE(matrix.MemberCell(0), QRect(0, 0, 20, 20));

        matrix.SetLayoutItem(nullptr);
        QCOMPARE(matrix.ItemPosition(), QPoint(0, 0));
    }
};

ORVANE_TEST(FixtureMatrixTest)
#include "FixtureMatrixTest.moc"
