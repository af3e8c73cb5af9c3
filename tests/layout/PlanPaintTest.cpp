#include "CountingPaintDevice.h"
#include "DataTable.h"
#include "InkedRect.h"
#include "LayoutRig.h"
#include "TestRegistry.h"

#include "layout/view/LabelLayout.h"

#include <QtTest>

namespace {

// How a symbol is drawn: scaled, and moved by fractions of a pixel.
QTransform SymbolTransform(float scale)
{
    QTransform transform = QTransform::fromTranslate(0.37, 1.5).scale(double(scale), double(scale));
    return transform.translate(3, 4);
}

// A label drawn once on a white picture, by the painter's own drawText or
// by a kept layout.
template <typename Draw>
QImage Drawn(const QRect& rect, float scale, const QFont& font, Qt::LayoutDirection direction, Draw draw)
{
    QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(SymbolTransform(scale));
    painter.setLayoutDirection(direction);
    painter.setFont(font);
    painter.setPen(QColor(60, 60, 60));
    draw(painter, rect);
    return image;
}

// A plan whose fixtures all stand on one spot, as a show that never placed
// them has it: IDs of every width, some selected, some driven by a scene.
struct SStack
{
    explicit SStack(CLayoutRig& rig, int count, int shape = CFixtureDrawer::Rectangle)
    {
        CLibraryProfile* profile = rig.Profile([shape](CLibraryProfile& p) {
            ProfileBuilder::AddColorSet(p, ChannelType::Red);
            p.m_shapeType = shape;
        });
        for (int i = 0; i < count; ++i) {
            CFixtureItem* item = rig.AddItem(profile, QPoint(40, 30), 0, (i * 3) % 510);
            item->Fixture()->m_id = QList<int>{7, 42, 310, 4096, 10880}.at(i % 5) + i;
            if (i % 7 == 3)
                item->Select();
            if (i % 3 == 1)
                item->Fixture()->AddPlayingScene(&scene);
        }
    }
    CScene scene{QStringLiteral("S"), 4};
};

} // namespace

class PlanPaintTest : public QObject
{
    Q_OBJECT
private slots:
    // Pixel for pixel what drawText draws, laid out afresh and from the kept
    // layout alike: labels that fit, overflow across or down (clipped),
    // lines beyond the cell, other scales and directions.
    void labelsDrawAsPainterText_data()
    {
        Columns<QString, int, QRect, float, bool>("text", "points", "rect", "scale", "rightToLeft");
        QTest::newRow("digit") << "7" << 8 << QRect(1, 0, 18, 20) << 1.0f << false;
        QTest::newRow("id too wide") << "10880" << 8 << QRect(1, 0, 18, 20) << 1.0f << false;
        QTest::newRow("negative") << "-3" << 8 << QRect(1, 8, 18, 12) << 1.25f << false;
        QTest::newRow("two lines") << "ID : 42\n@ : 511" << 3 << QRect(1, 0, 18, 20) << 2.0f << false;
        QTest::newRow("two lines zoom 3") << "ID : 99999\n@ : 1" << 3 << QRect(1, 0, 18, 20) << 3.0f << false;
        QTest::newRow("lines past the cell") << "1\n2\n3\n4" << 8 << QRect(1, 0, 18, 20) << 1.5f << false;
        QTest::newRow("odd cell") << "123" << 8 << QRect(5, 3, 27, 13) << 1.0f << false;
        QTest::newRow("right to left") << "ID : 5\n@ : 6" << 3 << QRect(1, 0, 18, 20) << 2.5f << true;
        QTest::newRow("carriage return") << "1\r2" << 8 << QRect(1, 0, 38, 20) << 1.0f << false;
    }
    void labelsDrawAsPainterText()
    {
        const auto [text, points, rect, scale, rightToLeft] = Row<QString, int, QRect, float, bool>(
            "text", "points", "rect", "scale", "rightToLeft");
        const QFont font(QStringLiteral("Arial"), points);
        const Qt::LayoutDirection direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
        QFont larger = font;
        larger.setPointSize(points + 3);
        CLabelLayout label;
        const qint64 before = CLabelLayout::LayoutsMade();
        // Laid out once, kept when drawn again and when moved, laid out
        // afresh for a cell of another size and for another font in it.
        struct SDraw
        {
            QRect cell;
            QFont font;
            int layoutsSoFar;
        };
        const QRect wider = rect.adjusted(0, 0, 9, 3);
        for (const SDraw& d : {SDraw{rect, font, 1}, SDraw{rect, font, 1}, SDraw{rect.translated(7, 5), font, 1},
                               SDraw{wider, font, 2}, SDraw{wider, larger, 3}}) {
            const QRect& cell = d.cell;
            const QImage expected = Drawn(cell, scale, d.font, direction, [text = text](QPainter& painter, const QRect& r) {
                painter.drawText(r, Qt::AlignCenter, text);
            });
            QCOMPARE(Drawn(cell, scale, d.font, direction,
                           [&, text = text](QPainter& painter, const QRect& r) { label.Draw(painter, r, text); }),
                     expected);
            QCOMPARE(CLabelLayout::LayoutsMade() - before, d.layoutsSoFar);
            // Its glyph boxes, mapped as the painter maps them, hold what it drew.
            const QTransform transform = SymbolTransform(scale);
            const QRect reach = label.Reach(cell, [&transform](const QRectF& r) { return transform.mapRect(r); });
            const QRect inked = InkedRect(expected, qRgb(255, 255, 255));
            QVERIFY(!inked.isEmpty());
            QVERIFY(reach.contains(inked));
        }
    }

    // A repaint lays out only the labels whose text, font or cell changed:
    // none when nothing did, one for a new ID, all when the zoom changes
    // what they show, each matrix member its own.
    void aRepaintLaysOutOnlyChangedLabels_data()
    {
        Columns<QString, int>("change", "layouts");
        QTest::newRow("nothing") << "" << 0;
        QTest::newRow("one id") << "id" << 1;
        QTest::newRow("two-line labels") << "zoom 2" << 10;
        QTest::newRow("same labels larger") << "zoom 1.5" << 0;
        QTest::newRow("labels hidden") << "zoom 0.5" << 0;
        QTest::newRow("fixtures deleted") << "delete" << 0;
    }
    void aRepaintLaysOutOnlyChangedLabels()
    {
        const auto [change, layouts] = Row<QString, int>("change", "layouts");
        CLayoutRig rig;
        QList<CFixtureItem*> items;
        for (int i = 0; i < 4; ++i)
            items << rig.AddItem(rig.RgbProfile(), QPoint(10 + 30 * (i % 2), 10));
        rig.AddMatrix(rig.RgbProfile(), 3, 2, QPoint(10, 60));
        rig.view.SetSceneRect(QRect(0, 0, 200, 200));
        QImage image(600, 600, QImage::Format_ARGB32_Premultiplied);
        const auto layoutsOfOnePaint = [&] {
            const qint64 before = CLabelLayout::LayoutsMade();
            rig.view.render(&image);
            return CLabelLayout::LayoutsMade() - before;
        };
        QCOMPARE(layoutsOfOnePaint(), 10);
        if (change == QLatin1String("id"))
            items.at(2)->Fixture()->m_id = 77;
        else if (change.startsWith(QLatin1String("zoom")))
            rig.view.SetZoom(change.mid(5).toFloat());
        else if (change == QLatin1String("delete"))
            rig.project.RemoveFixtures({items.at(0)->Fixture(), items.at(3)->Fixture()}, true);
        QCOMPARE(layoutsOfOnePaint(), layouts);
        QCOMPARE(layoutsOfOnePaint(), 0);
    }

    // Fixtures stacked on one spot look exactly as when each is drawn in
    // turn, though only those that show are drawn: at every zoom, cropped
    // by a fraction of a pixel, and in shapes whose symbols cover nothing.
    void aStackLooksAsDrawnOneByOne_data()
    {
        Columns<float, QRect, int, QString>("zoom", "crop", "shape", "top");
        const int rectangle = CFixtureDrawer::Rectangle;
        QTest::newRow("zoom 1") << 1.0f << QRect() << rectangle << "";
        QTest::newRow("labels hidden") << 0.5f << QRect() << rectangle << "";
        QTest::newRow("zoom 1.25 cropped") << 1.25f << QRect(3, 5, 150, 100) << rectangle << "";
        QTest::newRow("two-line labels") << 2.0f << QRect() << rectangle << "";
        QTest::newRow("zoom 2.5 cropped") << 2.5f << QRect(1, 1, 150, 100) << rectangle << "";
        QTest::newRow("zoom 3") << 3.0f << QRect() << rectangle << "";
        QTest::newRow("ellipses") << 1.5f << QRect() << int(CFixtureDrawer::Ellipse) << "";
        QTest::newRow("triangles") << 2.0f << QRect() << int(CFixtureDrawer::Triangle) << "";
        QTest::newRow("an ellipse on top") << 1.0f << QRect() << rectangle << "ellipse";
        QTest::newRow("a picture on top") << 1.0f << QRect() << rectangle << "picture";
        QTest::newRow("changed after a paint") << 1.0f << QRect() << rectangle << "after a paint";
        QTest::newRow("the top one re-patched after a paint") << 1.0f << QRect() << rectangle << "re-patched";
    }
    void aStackLooksAsDrawnOneByOne()
    {
        const auto [zoom, crop, shape, top] = Row<float, QRect, int, QString>("zoom", "crop", "shape", "top");
        CLayoutRig rig;
        SStack stack(rig, 40, shape);
        QImage drawn(rig.view.size(), QImage::Format_ARGB32_Premultiplied);
        if (top == QLatin1String("re-patched")) {
            // Into an ellipse, which hides nothing of the rectangles below.
            rig.view.render(&drawn);
            CLibraryProfile* round = rig.Profile([](CLibraryProfile& p) {
                ProfileBuilder::AddColorSet(p, ChannelType::Red);
                p.m_shapeType = CFixtureDrawer::Ellipse;
            });
            CFixtureItem* last = rig.view.FixtureItems().last();
            last->Fixture()->SetProfile(round);
            last->Drawer().SetLibraryProfile(round);
        } else if (top == QLatin1String("after a paint")) {
            // What the first paint kept must not outlive the changes below.
            rig.view.render(&drawn);
            for (CFixtureItem* item : rig.view.FixtureItems())
                item->Fixture()->AddPlayingScene(&stack.scene);
            rig.view.FixtureItems().at(35)->Fixture()->m_id = 3;
        }
        // One placed a pixel off and one selected on top: neither covers
        // the others wholly.
        rig.view.FixtureItems().at(20)->m_rect.translate(1, 0);
        rig.view.FixtureItems().at(30)->Select();
        if (top == QLatin1String("ellipse"))
            rig.AddItem(rig.BeamsProfile({}), QPoint(40, 30))->SetProfile(CFixtureDrawer::Ellipse, 1, nullptr, 0);
        else if (top == QLatin1String("picture"))
            rig.view.FixtureItems().last()->Fixture()->m_drawType = 1;
        rig.view.SetSceneRect(QRect(0, 0, 200, 160));
        rig.view.SetZoom(zoom);
        if (crop.isValid()) {
            rig.view.SetCrop(true, crop);
            rig.view.UpdateSize();
        }
        drawn = QImage(rig.view.size(), QImage::Format_ARGB32_Premultiplied);
        rig.view.render(&drawn);
        // Drawn afresh, whole: the white scene, every fixture in turn, the
        // view's frame and handles.
        QImage oneByOne(drawn.size(), drawn.format());
        oneByOne.fill(Qt::white);
        {
            QPainter painter(&oneByOne);
            painter.save();
            if (crop.isValid())
                painter.translate(-double(crop.left()) * double(zoom), -double(crop.top()) * double(zoom));
            painter.setPen(QPen(Qt::black));
            for (CFixtureItem* item : rig.view.FixtureItems())
                item->Draw(painter, zoom);
            painter.restore();
            painter.setPen(QColor(115, 115, 110));
            painter.drawRect(oneByOne.rect().adjusted(0, 0, -1, -1));
            painter.setPen(QColor(50, 50, 50));
            painter.setBrush(Qt::white);
            for (int handle = 0; handle < CFixturesView::kNoHandle; ++handle) {
                if (!rig.view.HandleRect(handle).isNull())
                    painter.drawRect(rig.view.HandleRect(handle));
            }
        }
        QCOMPARE(drawn, oneByOne);
    }

    // A stack's repaint works out again only the extents of the symbols
    // that changed: not one when the scenes' marks or a selection did.
    void aRepaintWorksOutOnlyChangedExtents_data()
    {
        Columns<QString, int>("change", "extents");
        QTest::newRow("nothing") << "" << 0;
        QTest::newRow("all scenes started") << "marks" << 0;
        QTest::newRow("one selected") << "select" << 0;
        QTest::newRow("one moved") << "move" << 1;
        QTest::newRow("one new id") << "id" << 1;
        QTest::newRow("one new address") << "address" << 1;
        QTest::newRow("zoom") << "zoom" << 40;
        QTest::newRow("a bold font") << "font" << 40;
    }
    void aRepaintWorksOutOnlyChangedExtents()
    {
        const auto [change, extents] = Row<QString, int>("change", "extents");
        CLayoutRig rig;
        SStack stack(rig, 40);
        QImage image(400, 400, QImage::Format_ARGB32_Premultiplied);
        const auto extentsOfOnePaint = [&] {
            const qint64 before = CFixtureDrawer::ExtentsWorkedOut();
            rig.view.render(&image);
            return CFixtureDrawer::ExtentsWorkedOut() - before;
        };
        QCOMPARE(extentsOfOnePaint(), 40);
        CFixtureItem* item = rig.view.FixtureItems().at(17);
        if (change == QLatin1String("marks")) {
            for (CFixtureItem* each : rig.view.FixtureItems())
                each->Fixture()->AddPlayingScene(&stack.scene);
        } else if (change == QLatin1String("select")) {
            item->Select();
        } else if (change == QLatin1String("move")) {
            item->m_rect.translate(0, 1);
        } else if (change == QLatin1String("id")) {
            item->Fixture()->m_id += 1000;
        } else if (change == QLatin1String("address")) {
            item->Fixture()->m_address += 1;
        } else if (change == QLatin1String("zoom")) {
            rig.view.SetZoom(2.0f);
        } else if (change == QLatin1String("font")) {
            QFont bold = rig.view.font();
            bold.setBold(true);
            rig.view.setFont(bold);
        }
        QCOMPARE(extentsOfOnePaint(), extents);
        QCOMPARE(extentsOfOnePaint(), 0);
    }

    // A stack's repaint writes the labels that show, not one per fixture.
    void aStackWritesOnlyTheLabelsThatShow_data()
    {
        Columns<float, int>("zoom", "textItems");
        QTest::newRow("one line") << 1.0f << 1;
        QTest::newRow("two lines") << 2.0f << 2;
    }
    void aStackWritesOnlyTheLabelsThatShow()
    {
        const auto [zoom, textItems] = Row<float, int>("zoom", "textItems");
        CLayoutRig rig;
        SStack stack(rig, 200);
        rig.view.SetZoom(zoom);
        CCountingPaintDevice device(rig.view.size());
        rig.view.render(&device);
        QCOMPARE(device.textItems(), textItems);
    }
};

ORVANE_TEST(PlanPaintTest)
#include "PlanPaintTest.moc"
