#include "ComboItems.h"
#include "LayoutRig.h"
#include "TestRegistry.h"
#include "../widgets/WidgetTestUtil.h"

#include "layout/view/FixtViewScrollArea.h"
#include "layout/view/MatrixDimDlg.h"
#include "show/Group.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {

// The pictures a background may name: a blue 4 x 4 PNG, a PNG of 16000 x
// 16000 (30 KB on disk, 1 GB decoded), a one-pixel GIF frame on a logical
// screen of 16000 x 16000, text, or nothing.
void WritePicture(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (name == QLatin1String("small.png")) {
        QImage small(4, 4, QImage::Format_RGB32);
        small.fill(Qt::blue);
        small.save(path);
    } else if (name == QLatin1String("huge.png")) {
        QImage huge(16000, 16000, QImage::Format_Mono);
        huge.fill(0);
        huge.save(path);
    } else if (name != QLatin1String("missing.png")) {
        QByteArray bytes("not a picture");
        if (name == QLatin1String("screen.gif"))
            bytes = QByteArray::fromHex("474946383961803e803e800000000000ffffff2c00000000010001000002024401003b");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
}

} // namespace

class PlanTest : public QObject
{
    Q_OBJECT
private slots:
    void geometry()
    {
        CLayoutRig rig;
        QCOMPARE(rig.view.FreePosition(40, 40), QPoint(10, 10));
        rig.view.SetZoom(2.0f);
        rig.view.SetCrop(true, QRect(100, 50, 200, 100));
        QCOMPARE(rig.view.ToModel(QPoint(35, 21)), QPoint(118, 61));

        // A crop that leaves an item out grows to take it in.
        rig.view.SetZoom(1.0f);
        rig.AddItem(rig.RgbProfile(), QPoint(100, 100));
        rig.view.SetCrop(true, QRect(0, 0, 50, 50));
        rig.view.ClampCrop();
        QCOMPARE(rig.view.CropRect(), QRect(0, 0, 120, 120));
    }

    void zoomFromFile_data()
    {
        QTest::addColumn<float>("stored");
        QTest::addColumn<float>("zoom");
        QTest::newRow("zero") << 0.0f << 0.1f;
        QTest::newRow("negative") << -2.0f << 0.1f;
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << 0.1f;
        QTest::newRow("huge") << 1e30f << 3.0f;
        QTest::newRow("fine") << 1.5f << 1.5f;
    }
    void zoomFromFile()
    {
        QFETCH(float, stored);
        CLayoutRig rig;
        CGroup group(QStringLiteral("G"));
        group.m_zoom = stored;
        group.m_layoutRect = QRect(0, 0, 300, 200);
        rig.view.ApplyViewSettings(group, true);
        QTEST(rig.view.Zoom(), "zoom");
        QCOMPARE(rig.view.ToModel(QPoint(30, 30)).x() >= 0, true);
        QVERIFY(rig.view.width() > 0);
    }

    void hugeBackgroundIsNotCached()
    {
        CLayoutRig rig;
        CGroup group(QStringLiteral("G"));
        group.m_backColor = Qt::red;
        group.m_drawGrid = true;
        group.m_layoutRect = QRect(0, 0, 600, 400);
        rig.view.ApplyViewSettings(group, true);
        QVERIFY(rig.view.HasBackgroundCache());
        group.m_layoutRect = QRect(0, 0, 9000, 9000);
        rig.view.ApplyViewSettings(group, true);
        QVERIFY(!rig.view.HasBackgroundCache());
        QImage corner(40, 40, QImage::Format_RGB32);
        rig.view.render(&corner, QPoint(), QRegion(0, 0, 40, 40));
        QCOMPARE(corner.pixelColor(15, 15), QColor(Qt::red));
        QCOMPARE(corner.pixelColor(10, 15), QColor(200, 200, 200));
    }

    // A picture is decoded only once its file declared a size a picture may
    // have, never to find out its size; the operator is told of one refused
    // once, not at every group.
    void backgroundPicture_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("told");
        QTest::newRow("small PNG") << "small.png" << true << 0;
        QTest::newRow("16000 x 16000 PNG") << "huge.png" << false << 1;
        QTest::newRow("GIF on a 16000 x 16000 screen") << "screen.gif" << false << 1;
        QTest::newRow("missing") << "missing.png" << false << 0;
        QTest::newRow("not a picture") << "junk.png" << false << 0;
    }
    void backgroundPicture()
    {
        QFETCH(QString, file);
        QFETCH(bool, shown);
        QTemporaryDir dir;
        WritePicture(dir.filePath(file));
        CLayoutRig rig;
        CGroup group(QStringLiteral("G"));
        group.m_backColor = Qt::red;
        group.m_backImage = dir.filePath(file);
        group.m_drawBackImage = true;
        group.m_imageMode = 0;
        group.m_layoutRect = QRect(0, 0, 100, 100);
        const qint64 decoded = CFixturesView::DecodedPictures();
        rig.view.ApplyViewSettings(group, true);
        rig.view.ApplyViewSettings(group, true);
        QCOMPARE(CFixturesView::DecodedPictures() > decoded, shown);
        QTEST(rig.host.Count(QStringLiteral("ShowInformation")), "told");
        QCOMPARE(rig.view.grab().toImage().pixelColor(50, 50), shown ? QColor(Qt::blue) : QColor(Qt::red));
    }

    void snapToGrid_data()
    {
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("along x") << QPoint(42, 5) << QPoint(30, 0);
        QTest::newRow("along y") << QPoint(5, 63) << QPoint(0, 50);
        QTest::newRow("both") << QPoint(29, 44) << QPoint(20, 30);
    }
    void snapToGrid()
    {
        QFETCH(QPoint, to);
        CLayoutRig rig;
        CFixtureItem* item = rig.AddItem(rig.RgbProfile(), QPoint(0, 0));
        rig.view.SetGridVisible(true);
        rig.view.SetSnapToGrid(true);
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        WidgetTest::MoveHeld(&rig.view, to);
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, to);
        QTEST(item->m_rect.topLeft(), "at");
        // Pushed back inside the scene at its right edge.
        item->m_moveOrigin = item->m_rect;
        rig.view.MoveItem(item, 1000, 0);
        QCOMPARE(item->m_rect.right(), rig.view.SceneRect().right());
    }

    void shrinkingHandleKeepsItems()
    {
        CLayoutRig rig;
        rig.AddItem(rig.RgbProfile(), QPoint(100, 100));
        const QPoint handle = rig.view.HandleRect(7).center();
        WidgetTest::MoveHeld(&rig.view, handle, Qt::NoButton);
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, handle);
        WidgetTest::MoveHeld(&rig.view, QPoint(50, 50));
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        QCOMPARE(rig.view.SceneRect(), QRect(0, 0, 130, 130));
        QCOMPARE(rig.view.size(), QSize(130, 130));
    }

    // The item at (100, 100) on the 600 x 400 scene stays inside the crop.
    void cropByHandle_data()
    {
        QTest::addColumn<int>("handle");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QRect>("crop");
        QTest::newRow("top-left, grown to the item") << 0 << QPoint(150, 150) << QRect(100, 100, 500, 300);
        QTest::newRow("bottom-left") << 5 << QPoint(50, 200) << QRect(50, 0, 550, 200);
    }
    void cropByHandle()
    {
        QFETCH(int, handle);
        QFETCH(QPoint, to);
        QFETCH(QRect, crop);
        CLayoutRig rig;
        CFixtViewScrollArea area;
        area.setWidget(&rig.view);
        // The rig owns the view: the area gives it back, whatever happens.
        struct CGiveBack
        {
            QScrollArea& area;
            ~CGiveBack() { area.takeWidget(); }
        } giveBack{area};
        rig.view.SetScrollArea(&area);
        rig.AddItem(rig.RgbProfile(), QPoint(100, 100));
        rig.view.SetCrop(true, QRect());
        rig.view.UpdateSize();
        QVERIFY(!rig.view.HandleRect(handle).isNull());
        const QPoint from = rig.view.HandleRect(handle).center();
        WidgetTest::MoveHeld(&rig.view, from, Qt::NoButton);
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, from);
        WidgetTest::MoveHeld(&rig.view, to);
        QVERIFY(area.IsOutlineVisible());
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, to);
        QVERIFY(!area.IsOutlineVisible());
        QVERIFY(rig.view.IsCropped());
        QCOMPARE(rig.view.CropRect(), crop);
        QCOMPARE(rig.view.size(), crop.size());
        QVERIFY(rig.host.modified);
    }

    void partialRepaintMatchesTheWhole_data()
    {
        QTest::addColumn<float>("zoom");
        QTest::addColumn<QRect>("part");
        QTest::newRow("zoom 1") << 1.0f << QRect(35, 35, 40, 30);
        QTest::newRow("zoom 0.3") << 0.3f << QRect(9, 9, 14, 14);
        QTest::newRow("zoom 2.5") << 2.5f << QRect(95, 95, 60, 50);
    }
    void partialRepaintMatchesTheWhole()
    {
        QFETCH(float, zoom);
        QFETCH(QRect, part);
        CLayoutRig rig;
        for (int i = 0; i < 12; ++i) {
            CFixtureItem* item = rig.AddItem(rig.RgbProfile(), QPoint(10 + (i % 4) * 21, 10 + (i / 4) * 21), 0, i * 3);
            item->Fixture()->m_drawType = 2;
            item->SetSelected(i % 3 == 0);
            rig.SetOutput(item->Fixture(), {i * 20, 255 - i * 20, 90});
        }
        rig.view.SetZoom(zoom);
        const QImage whole = rig.view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage piece(part.size(), QImage::Format_RGB32);
        rig.view.render(&piece, QPoint(), QRegion(part));
        QCOMPARE(piece, whole.copy(part));
    }

    void rubberBandShowsTheSelectPicture()
    {
        CLayoutRig rig;
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
        WidgetTest::MoveHeld(&rig.view, QPoint(400, 380));
        const QImage shown = rig.view.grab().toImage();
        QCOMPARE(shown.pixelColor(300, 340), QColor(229, 121, 72));
        const QColor inside = shown.pixelColor(350, 340);
        QVERIFY(inside != QColor(Qt::white) && inside.red() > inside.blue());
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 380));
    }

    void tooltipsOnCroppedView()
    {
        CLayoutRig rig;
        CFixtureItem* item = rig.AddItem(rig.RgbProfile(), QPoint(110, 60), 1, 20);
        rig.view.SetCrop(true, QRect(100, 50, 100, 100));
        rig.view.UpdateSize();
        QCOMPARE(rig.view.ToolTipAt(QPoint(15, 15)),
                 QStringLiteral("%1 - #%2\n@ : 21 - 23 [U2]").arg(item->Fixture()->m_name).arg(item->Fixture()->m_id));
        QCOMPARE(rig.view.ToolTipAt(QPoint(90, 90)), QStringLiteral(""));
    }

    void deletedItemsLeaveNoPointerBehind()
    {
        CLayoutRig rig;
        CFixtureItem* item = rig.AddItem(rig.RgbProfile(), QPoint(30, 40));
        CMatrixItem* matrixItem = rig.AddMatrix(rig.RgbProfile(), 2, 1, QPoint(60, 40));
        CPatchedFixture* fixture = item->Fixture();
        CFixtureMatrix* matrix = matrixItem->Matrix();
        fixture->SetLayoutItem(item);
        matrix->SetLayoutItem(matrixItem);
        QCOMPARE(fixture->ItemPosition(), QPoint(30, 40));
        rig.view.Reset();
        QVERIFY(!fixture->LayoutItem());
        QVERIFY(!matrix->LayoutItem());
        QCOMPARE(fixture->ItemPosition(), QPoint(0, 0));
    }

    // Items go before the fixtures and matrices they show are deleted; a
    // matrix item drawn with a member that goes takes the next one.
    void itemsGoBeforeTheirFixtures_data()
    {
        QTest::addColumn<QString>("removal");
        QTest::addColumn<int>("fixtureItems");
        QTest::addColumn<int>("matrixItems");
        QTest::addColumn<int>("drawnMember"); // index in the matrix's original members, -1 none
        QTest::newRow("show cleared") << "clear" << 0 << 0 << -1;
        QTest::newRow("fixture removed") << "fixture" << 1 << 1 << 0;
        QTest::newRow("first member removed") << "member 0" << 2 << 1 << 1;
        QTest::newRow("first two members removed") << "members 0 1" << 2 << 1 << 2;
        QTest::newRow("every member removed") << "members 0 1 2" << 2 << 0 << -1;
    }
    void itemsGoBeforeTheirFixtures()
    {
        QFETCH(QString, removal);
        QFETCH(int, drawnMember);
        CLayoutRig rig;
        CFixtureItem* first = rig.AddItem(rig.RgbProfile(), QPoint(0, 0), 1, 0);
        rig.AddItem(rig.RgbProfile(), QPoint(30, 0), 1, 3);
        CMatrixItem* matrixItem = rig.AddMatrix(rig.RgbProfile(), 3, 1, QPoint(0, 40));
        const QList<CPatchedFixture*> members = matrixItem->Matrix()->Members();
        if (removal == QLatin1String("clear")) {
            rig.project.Clear();
        } else if (removal == QLatin1String("fixture")) {
            rig.project.RemoveFixtures({first->Fixture()}, true);
        } else {
            QList<CPatchedFixture*> removed;
            for (const QString& m : removal.split(QLatin1Char(' ')).mid(1))
                removed << members.at(m.toInt());
            rig.project.RemoveFixtures(removed, true);
        }
        QTEST(int(rig.view.FixtureItems().size()), "fixtureItems");
        QTEST(int(rig.view.MatrixItems().size()), "matrixItems");
        if (drawnMember >= 0)
            QCOMPARE(rig.view.MatrixItems().at(0)->Fixture(), members.at(drawnMember));
        rig.view.grab();
        rig.view.Reset();
    }

    void matrixItems()
    {
        CLayoutRig rig;
        CMatrixItem* item = rig.AddMatrix(rig.RgbProfile(), 3, 2, QPoint(0, 0));
        QCOMPARE(item->m_rect.size(), QSize(60, 40));
        QCOMPARE(rig.view.FreePosition(20, 20), QPoint(10, 62));
        // A matrix without members shows as its profile; the item points at
        // the matrix's first member, or at none once it has none.
        CFixtureMatrix* matrix = item->Matrix();
        CFixtureMatrix empty(rig.RgbProfile(), 2, 0, 0, 0);
        CMatrixItem emptyItem(&empty);
        QCOMPARE(emptyItem.m_rect.size(), QSize(20, 20));
        QVERIFY(!emptyItem.Fixture());
        matrix->RemoveMember(0);
        item->SetMatrix(matrix);
        QCOMPARE(item->Fixture(), matrix->Member(0));
        QCOMPARE(item->Drawer().Fixture(), matrix->Member(0));
        matrix->ClearMembers();
        item->SetMatrix(matrix);
        QVERIFY(!item->Drawer().Fixture());
        QImage image(100, 100, QImage::Format_RGB32);
        QPainter painter(&image);
        item->DrawMatrix(painter, 1.0f, false, Qt::red);
    }

    void arrange_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<QPoint>>("before");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("rowsIndex");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QList<QPoint>>("after");
        QTest::addColumn<bool>("modified");
        const QList<QPoint> square{{100, 100}, {200, 100}, {100, 200}, {200, 200}};
        QTest::newRow("line") << "line" << QList<QPoint>{{100, 40}, {50, 80}, {300, 60}} << "111" << -1 << false
                              << QList<QPoint>{{50, 40}, {70, 40}, {90, 40}} << true;
        QTest::newRow("line to the edge") << "line" << QList<QPoint>{{550, 0}, {560, 0}, {570, 0}} << "111" << -1
                                          << false << QList<QPoint>{{550, 0}, {570, 0}, {580, 0}} << true;
        QTest::newRow("circle") << "circle" << QList<QPoint>{{100, 100}, {200, 100}, {400, 300}, {100, 200}, {200, 200}}
                                << "11011" << -1 << false
                                << QList<QPoint>{{176, 150}, {150, 176}, {400, 300}, {124, 150}, {150, 124}} << true;
        QTest::newRow("grid 2 x 2") << "matrix" << square << "1111" << -1 << false
                                    << QList<QPoint>{{100, 100}, {120, 100}, {100, 120}, {120, 120}} << true;
        QTest::newRow("prime in a row") << "matrix" << QList<QPoint>{{0, 0}, {0, 50}, {0, 100}, {0, 150}, {0, 200}}
                                        << "11111" << 0 << false
                                        << QList<QPoint>{{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}} << true;
        QTest::newRow("prime default") << "matrix" << QList<QPoint>{{0, 0}, {0, 50}, {0, 100}, {30, 150}, {0, 200}}
                                       << "11111" << -1 << false
                                       << QList<QPoint>{{0, 0}, {0, 20}, {0, 40}, {0, 60}, {0, 80}} << true;
        for (const QString& command : {QStringLiteral("line"), QStringLiteral("circle"), QStringLiteral("matrix")})
            QTest::newRow(qPrintable(QStringLiteral("locked ") + command)) << command << square << "1111" << -1 << true
                                                                          << square << false;
    }
    void arrange()
    {
        QFETCH(QString, command);
        QFETCH(QList<QPoint>, before);
        QFETCH(QString, selected);
        QFETCH(int, rowsIndex);
        QFETCH(bool, locked);
        CLayoutRig rig;
        rig.view.SetLocked(locked);
        for (int i = 0; i < before.size(); ++i) {
            CFixtureItem* item = rig.AddItem(rig.RgbProfile(), before.at(i), 0, i * 3);
            if (selected.at(i) == QLatin1Char('1'))
                item->Select();
        }
        rig.view.SetDialogRunner([rowsIndex](CMatrixDimDlg& dialog) {
            if (rowsIndex >= 0)
                dialog.RowsBox()->setCurrentIndex(rowsIndex);
            return int(QDialog::Accepted);
        });
        if (command == QLatin1String("line"))
            rig.view.ArrangeInLine();
        else if (command == QLatin1String("circle"))
            rig.view.ArrangeInCircle();
        else
            rig.view.ArrangeAsMatrix();
        QList<QPoint> positions;
        for (const CFixtureItem* item : rig.view.FixtureItems())
            positions << item->m_rect.topLeft();
        QTEST(positions, "after");
        QTEST(rig.host.modified, "modified");
    }

    void matrixDimensions_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::newRow("12") << 12 << QString("1 2 3 4 6 12").split(' ') << 4 << 3;
        QTest::newRow("5") << 5 << QString("1 5").split(' ') << 5 << 1;
        QTest::newRow("1") << 1 << QStringList{"1"} << 1 << 1;
        QTest::newRow("0") << 0 << QStringList() << 0 << 0;
    }
    void matrixDimensions()
    {
        QFETCH(int, count);
        CMatrixDimDlg dialog(count);
        QTEST(ComboItems(*dialog.RowsBox()), "offered");
        QTEST(dialog.Rows(), "rows");
        QTEST(dialog.Columns(), "columns");
        if (count == 12) {
            dialog.ColumnsBox()->setCurrentIndex(5);
            QCOMPARE(dialog.Rows(), 1);
            QCOMPARE(dialog.RowsBox()->currentText(), QStringLiteral("1"));
        }
    }
};

ORVANE_TEST(PlanTest)
#include "PlanTest.moc"
