#include "DataTable.h"
#include "InkedRect.h"
#include "LayoutRig.h"
#include "TestRegistry.h"

#include "effects/ColorEffect.h"

#include <QtTest>

using namespace ProfileBuilder;

namespace {

// Profiles by name, each with its channels in DMX order.
CLibraryProfile* NamedProfile(CLayoutRig& rig, const QString& name)
{
    if (name == QLatin1String("rgb"))
        return rig.RgbProfile();
    if (name == QLatin1String("cmy"))
        return rig.CmyProfile();
    return rig.Profile([&name](CLibraryProfile& profile) {
        if (name == QLatin1String("colorDimmer")) {
            CProfileChannelDef* channel = AddChannel(profile, ChannelType::ColorDimmer);
            channel->m_colorMin = Qt::black;
            channel->m_colorMax = Qt::red;
            return;
        }
        if (name == QLatin1String("twoBeamsOneSet")) {
            SetBeams(profile, {{0, 0}, {1, 0}});
            AddColorSet(profile, ChannelType::Red, Beams({0}));
            return;
        }
        AddColorSet(profile, ChannelType::Red);
        CProfileChannelDef* dimmer = AddChannel(profile, ChannelType::Dimmer);
        if (name == QLatin1String("rgbDimmer"))
            AddPreset(dimmer, PresetType::Dimmer, 0, 255);
        else if (name == QLatin1String("rgbDimmerFlat"))
            AddPreset(dimmer, PresetType::Dimmer, 100, 100);
        else if (name == QLatin1String("rgbDimmerLow"))
            AddPreset(dimmer, PresetType::Dimmer, 0, 100);
        else
            AddPreset(dimmer, PresetType::Strob, 0, 255);
    });
}

} // namespace

class DrawerTest : public QObject
{
    Q_OBJECT
private slots:
    void buildShapes_data()
    {
        QTest::addColumn<QList<QPointF>>("beams");
        QTest::addColumn<QList<QRect>>("cells");
        QTest::addColumn<QRect>("bounds");
        QTest::newRow("no profile") << QList<QPointF>{QPointF(-1, -1)} << QList<QRect>{{0, 0, 20, 20}}
                                    << QRect(0, 0, 20, 20);
        QTest::newRow("no beams") << QList<QPointF>{} << QList<QRect>{{0, 0, 20, 20}} << QRect(0, 0, 20, 20);
        QTest::newRow("square") << QList<QPointF>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}
                                << QList<QRect>{{0, 0, 20, 20}, {20, 0, 20, 20}, {0, 20, 20, 20}, {20, 20, 20, 20}}
                                << QRect(0, 0, 40, 40);
        QTest::newRow("half step") << QList<QPointF>{{0, 0}, {0.5, 0}} << QList<QRect>{{0, 0, 20, 20}, {10, 0, 20, 20}}
                                   << QRect(0, 0, 30, 20);
    }
    void buildShapes()
    {
        QFETCH(QList<QPointF>, beams);
        CLayoutRig rig;
        CLibraryProfile* profile = nullptr;
        if (beams.isEmpty() || beams.first().x() >= 0) {
            profile = rig.Profile([&beams](CLibraryProfile& p) {
                for (const QPointF& beam : beams)
                    p.m_beams << CBeamPosition{float(beam.x()), float(beam.y())};
                p.UpdateBeamExtent();
            });
        }
        // A drawer never given a profile draws one plain cell.
        CFixtureDrawer fresh;
        QCOMPARE(fresh.BeamCells(), QList<QRect>{QRect(0, 0, 20, 20)});
        QImage image(30, 30, QImage::Format_RGB32);
        QPainter painter(&image);
        fresh.DrawSymbol(painter, QPoint(0, 0), 1.0f);
        fresh.DrawBeamsHighlight(painter, QPoint(0, 0), 1.0f, 3);
        painter.end();
        for (int shape : {0, 1, 2, 3}) {
            CFixtureDrawer drawer;
            drawer.SetProfile(shape, 7, profile, 20, 20);
            QTEST(drawer.BeamCells(), "cells");
            QTEST(drawer.BoundingRect(), "bounds");
            QCOMPARE(drawer.BeamColors().size(), drawer.BeamCount());
        }
    }

    // The fixtures of one profile paint one set of shapes; another shape,
    // cell size or a profile edited since gets its own.
    void fixturesOfOneProfileShareTheirShapes_data()
    {
        Columns<QString, bool>("second", "shared");
        QTest::newRow("same") << "same" << true;
        QTest::newRow("other shape") << "shape" << false;
        QTest::newRow("other cell size") << "size" << false;
        QTest::newRow("beams moved since") << "moved" << false;
        QTest::newRow("beams added since") << "added" << false;
    }
    void fixturesOfOneProfileShareTheirShapes()
    {
        const auto [second, shared] = Row<QString, bool>("second", "shared");
        CLayoutRig rig;
        CLibraryProfile* profile = rig.BeamsProfile({{0, 0}, {1, 0}, {2, 0}});
        CFixtureItem* first = rig.AddItem(profile, QPoint(0, 0));
        const QList<QRect> cells = first->Drawer().BeamCells();
        if (second == QLatin1String("moved"))
            ProfileBuilder::SetBeams(*profile, {{0, 0}, {1, 0}, {2, 1}});
        else if (second == QLatin1String("added"))
            ProfileBuilder::SetBeams(*profile, {{0, 0}, {1, 0}, {2, 0}, {3, 0}});
        CFixtureDrawer other;
        other.SetProfile(second == QLatin1String("shape") ? CFixtureDrawer::Ellipse : first->Drawer().ShapeType(), 2,
                         profile, 20, second == QLatin1String("size") ? 30 : 20);
        QCOMPARE(other.SharesShapesWith(first->Drawer()), shared);
        QCOMPARE(other.BeamCount(), profile->m_beams.size());
        QCOMPARE(first->Drawer().BeamCells(), cells);
    }

    void liveColors_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QList<int>>("levels");
        QTest::addColumn<int>("percentage");
        QTest::addColumn<int>("beam");
        QTest::addColumn<QColor>("color");
        QTest::newRow("rgb") << "rgb" << QList<int>{255, 128, 0} << -1 << 0 << QColor(255, 128, 0);
        QTest::newRow("cmy") << "cmy" << QList<int>{255, 0, 0} << -1 << 0 << QColor(0, 255, 255);
        QTest::newRow("dimmer") << "rgbDimmer" << QList<int>{255, 128, 0, 128} << -1 << 0 << QColor(128, 1, 0);
        QTest::newRow("one-value dimmer") << "rgbDimmerFlat" << QList<int>{255, 128, 0, 100} << -1 << 0
                                          << QColor(255, 128, 0);
        QTest::newRow("level in no preset") << "rgbDimmerLow" << QList<int>{255, 128, 0, 200} << -1 << 0
                                            << QColor(255, 128, 0);
        QTest::newRow("other preset type") << "rgbStrobe" << QList<int>{255, 128, 0, 0} << -1 << 0
                                           << QColor(255, 128, 0);
        QTest::newRow("colour dimmer") << "colorDimmer" << QList<int>{51} << -1 << 0 << QColor(51, 0, 0);
        QTest::newRow("unserved beam") << "twoBeamsOneSet" << QList<int>{255, 255, 255} << -1 << 1 << QColor(0, 0, 0);
        QTest::newRow("served beam") << "twoBeamsOneSet" << QList<int>{255, 255, 255} << -1 << 0
                                     << QColor(255, 255, 255);
        QTest::newRow("half intensity") << "rgb" << QList<int>{100, 50, 0} << 50 << 0 << QColor(200, 100, 0);
        QTest::newRow("clamped") << "rgb" << QList<int>{200, 0, 0} << 50 << 0 << QColor(255, 0, 0);
    }
    void liveColors()
    {
        QFETCH(QString, profile);
        QFETCH(QList<int>, levels);
        QFETCH(int, percentage);
        QFETCH(int, beam);
        CLayoutRig rig;
        CFixtureItem* item = rig.AddItem(NamedProfile(rig, profile), QPoint(0, 0), 0, 10);
        rig.SetOutput(item->Fixture(), levels);
        QImage image(100, 100, QImage::Format_RGB32);
        QPainter painter(&image);
        item->Drawer().DrawLiveColors(painter, QPoint(0, 0), 1.0f, item->Fixture()->BeamFlags(), percentage);
        painter.end();
        QTEST(image.pixelColor(item->Drawer().BeamCells().at(beam).center()), "color");
    }

    void colourGroupChangedLastWins()
    {
        CLayoutRig rig;
        CLibraryProfile* profile = rig.Profile([](CLibraryProfile& p) {
            SetBeams(p, {{0, 0}, {1, 0}});
            AddColorSet(p, ChannelType::Red, Beams({0}));
            AddColorSet(p, ChannelType::Red, Beams({1}));
            AddColorSet(p, ChannelType::Red);
        });
        CFixtureItem* item = rig.AddItem(profile, QPoint(0, 0));
        CFixtureDrawer& drawer = item->Drawer();
        rig.SetOutput(item->Fixture(), {255, 0, 0, 0, 255, 0, 0, 0, 255});
        drawer.ComputeLiveColors();
        QCOMPARE(drawer.BeamColors(), (QList<QColor>{QColor(0, 0, 255), QColor(0, 0, 255)}));
        rig.SetOutput(item->Fixture(), {255, 255, 0});
        drawer.ComputeLiveColors();
        QCOMPARE(drawer.BeamColors(), (QList<QColor>{QColor(255, 255, 0), QColor(0, 0, 255)}));
        // Flags left short by a re-patch are read as not set.
        item->Fixture()->m_beamColorFlags.clear();
        drawer.ComputeLiveColors();
        QCOMPARE(drawer.BeamColors(), (QList<QColor>{QColor(0, 0, 255), QColor(0, 0, 255)}));
    }

    void outOfRangeSlotsReadAsZero()
    {
        CLayoutRig rig;
        CFixtureItem* high = rig.AddItem(rig.RgbProfile(), QPoint(0, 0), 0, 510);
        CFixtureItem* far = rig.AddItem(rig.RgbProfile(), QPoint(0, 0), 9, 0);
        rig.project.m_output[0][510] = 200;
        rig.project.m_output[0][511] = 100;
        high->Drawer().ComputeLiveColors();
        QCOMPARE(high->Drawer().BeamColors().first(), QColor(200, 100, 0));
        far->Drawer().ComputeLiveColors();
        QCOMPARE(far->Drawer().BeamColors().first(), QColor(Qt::black));
    }

    void fullColoursUndoTheEditedIntensity()
    {
        CLayoutRig rig;
        CFixtureItem* item = rig.AddItem(rig.RgbProfile(), QPoint(0, 0));
        item->Fixture()->m_drawType = 3;
        rig.SetOutput(item->Fixture(), {100, 50, 0});
        QCOMPARE(CLayoutRig::Render(*item).pixelColor(10, 10), QColor(100, 50, 0));
        CColorEffect effect(EffectType::Gradient);
        effect.m_intensity = 50;
        rig.host.editedEffect = &effect;
        QCOMPARE(CLayoutRig::Render(*item).pixelColor(10, 10), QColor(200, 100, 0));
    }

    void rectanglesMatchTheStrokedOutline()
    {
        CFixtureDrawer drawer;
        drawer.SetProfile(CFixtureDrawer::Rectangle, 1, nullptr, 20, 20);
        QImage drawn(40, 40, QImage::Format_RGB32);
        QImage stroked = drawn;
        drawn.fill(Qt::white);
        stroked.fill(Qt::white);
        QPainter painter(&drawn);
        painter.translate(3, 2);
        drawer.DrawBeams(painter, QPoint(5, 5), 1.0f);
        painter.end();
        painter.begin(&stroked);
        painter.setPen(QColor(60, 60, 60));
        painter.setBrush(QColor(100, 100, 100));
        painter.drawRect(QRect(8, 7, 20, 20));
        painter.end();
        QCOMPARE(drawn, stroked);
    }

    void pictureAndCornerMark()
    {
        CLayoutRig rig;
        CFixtureItem* item = rig.AddItem(rig.RgbProfile(), QPoint(0, 0));
        item->Fixture()->m_drawType = 1;
        item->Fixture()->BeamFlags() = {true};
        const QImage plain = CLayoutRig::Render(*item, 2.0f);
        QCOMPARE(plain.pixelColor(20, 20), QColor(250, 232, 151));
        QCOMPARE(plain.pixelColor(0, 20), QColor(229, 121, 72));
        // The ID and address strips show only above scale 2.
        const auto inked = [](const QImage& image, int scale) {
            int count = 0;
            for (int x = 2 * scale; x < 18 * scale; ++x) {
                for (int y = scale; y < 4 * scale; ++y)
                    count += image.pixelColor(x, y) != QColor(250, 232, 151);
            }
            return count;
        };
        QCOMPARE(inked(plain, 2), 0);
        QVERIFY(inked(CLayoutRig::Render(*item, 4.0f), 4) > 0);

        // A fixture a scene drives shows its colour in the top right corner.
        item->Fixture()->m_drawType = 0;
        QCOMPARE(CLayoutRig::Render(*item).pixelColor(18, 2), QColor(247, 182, 131));
        CScene scene(QStringLiteral("S"), 4);
        item->Fixture()->AddPlayingScene(&scene);
        QCOMPARE(CLayoutRig::Render(*item).pixelColor(18, 2), item->Fixture()->DisplayColor());
        item->Fixture()->RemovePlayingScene(&scene);
    }

    // The extent a drawer keeps of its symbol follows every change of what
    // it paints: it is the one a new drawer works out, and the symbol lies
    // within its bounds and paints every pixel of its cover.
    void aKeptExtentFollowsTheSymbol_data()
    {
        Columns<QString>("change");
        QTest::newRow("nothing") << "";
        QTest::newRow("an ellipse") << "ellipse";
        QTest::newRow("larger cells") << "cells";
        QTest::newRow("the profile's shape re-patched") << "library";
        QTest::newRow("a translucent pen") << "pen";
        QTest::newRow("a finer resolution") << "dpi";
    }
    void aKeptExtentFollowsTheSymbol()
    {
        const auto [change] = Row<QString>("change");
        const QPoint at(10, 10);
        const float scale = 1.5f;
        CLayoutRig rig;
        CLibraryProfile* profile = rig.RgbProfile();
        int shape = CFixtureDrawer::Rectangle;
        int cell = 20;
        CFixtureDrawer kept;
        kept.SetProfile(shape, 7, profile, cell, cell);
        QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
        QPen pen(Qt::black);
        QRect bounds;
        QRect cover;
        const auto extentOf = [&](CFixtureDrawer& drawer) {
            QPainter painter(&image);
            painter.setPen(pen);
            drawer.SymbolExtent(painter, at, scale, CFixtureDrawer::SLabelFonts(painter), bounds, cover);
        };
        extentOf(kept);

        if (change == QLatin1String("ellipse")) {
            shape = CFixtureDrawer::Ellipse;
            kept.SetProfile(shape, 7, profile, cell, cell);
        } else if (change == QLatin1String("cells")) {
            cell = 30;
            kept.SetProfile(shape, 7, profile, cell, cell);
        } else if (change == QLatin1String("library")) {
            shape = profile->m_shapeType = CFixtureDrawer::Octagon;
            kept.SetLibraryProfile(profile);
        } else if (change == QLatin1String("pen")) {
            pen.setColor(QColor(0, 0, 0, 128));
        } else if (change == QLatin1String("dpi")) {
            image.setDotsPerMeterX(11811); // 300 dpi
            image.setDotsPerMeterY(11811);
        }
        extentOf(kept);
        const QRect keptBounds = bounds;
        const QRect keptCover = cover;

        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setPen(pen);
            kept.DrawSymbol(painter, at, scale);
        }
        QVERIFY(keptBounds.contains(InkedRect(image, qRgba(0, 0, 0, 0))));
        for (int y = keptCover.top(); y <= keptCover.bottom(); ++y) {
            for (int x = keptCover.left(); x <= keptCover.right(); ++x)
                QCOMPARE(qAlpha(image.pixel(x, y)), 255);
        }
        CFixtureDrawer fresh;
        fresh.SetProfile(shape, 7, profile, cell, cell);
        extentOf(fresh);
        QCOMPARE(keptBounds, bounds);
        QCOMPARE(keptCover, cover);
    }

    void labelsOnlyFromScaleOne()
    {
        CLayoutRig rig;
        CFixtureItem* item = rig.AddItem(rig.RgbProfile(), QPoint(0, 0));
        const auto inked = [&item](float scale) {
            const QImage image = CLayoutRig::Render(*item, scale);
            int count = 0;
            for (int y = 3; y < int(17 * scale); ++y) {
                for (int x = 3; x < int(17 * scale); ++x)
                    count += image.pixelColor(x, y) != QColor(156, 156, 164);
            }
            return count;
        };
        QCOMPARE(inked(0.99f), 0);
        QVERIFY(inked(1.0f) > 0);
    }
};

ORVANE_TEST(DrawerTest)
#include "DrawerTest.moc"
