#include "TestRegistry.h"

#include "widgets/ZKListItemDelegate.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QtTest>

namespace {

const QRgb kFrame = qRgb(229, 121, 72);

// Paints one item at (5, 5), 30 x 20, on white.
QImage PaintItem(bool thick, bool selected)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("x")));
    CZKListItemDelegate delegate(thick);
    QStyleOptionViewItem option;
    option.rect = QRect(5, 5, 30, 20);
    option.palette = QApplication::palette();
    option.state = QStyle::State_Enabled;
    if (selected)
        option.state |= QStyle::State_Selected;
    QPainter painter(&image);
    delegate.paint(&painter, option, model.index(0, 0));
    return image;
}

bool IsFrame(const QImage& image, int x, int y)
{
    return image.pixel(x, y) == kFrame;
}

} // namespace

class ListItemDelegateTest : public QObject
{
    Q_OBJECT

private slots:
    void thickFrameStraddlesTheInsetRectangle()
    {
        // Item pixels x 5..34, y 5..24; inset 3, 1, 3, 2 gives x 8..31,
        // y 6..22, and the 2-pixel pen covers each edge and the pixel
        // outside it.
        const QImage image = PaintItem(true, true);
        for (int x : {10, 20, 30}) {
            QVERIFY(!IsFrame(image, x, 4));
            QVERIFY(IsFrame(image, x, 5));
            QVERIFY(IsFrame(image, x, 6));
            QVERIFY(!IsFrame(image, x, 7));
            QVERIFY(!IsFrame(image, x, 21));
            QVERIFY(IsFrame(image, x, 22));
            QVERIFY(IsFrame(image, x, 23));
            QVERIFY(!IsFrame(image, x, 24));
        }
        for (int y : {8, 14, 20}) {
            QVERIFY(!IsFrame(image, 6, y));
            QVERIFY(IsFrame(image, 7, y));
            QVERIFY(IsFrame(image, 8, y));
            QVERIFY(!IsFrame(image, 9, y));
            QVERIFY(!IsFrame(image, 30, y));
            QVERIFY(IsFrame(image, 31, y));
            QVERIFY(IsFrame(image, 32, y));
            QVERIFY(!IsFrame(image, 33, y));
        }
    }

    void thinFrameIsTheItemsOwnOutline()
    {
        const QImage image = PaintItem(false, true);
        for (int x = 5; x <= 34; ++x) {
            QVERIFY2(IsFrame(image, x, 5), qPrintable(QString::number(x)));
            QVERIFY2(IsFrame(image, x, 24), qPrintable(QString::number(x)));
            QVERIFY(!IsFrame(image, x, 4));
            QVERIFY(!IsFrame(image, x, 25));
        }
        for (int y = 5; y <= 24; ++y) {
            QVERIFY(IsFrame(image, 5, y));
            QVERIFY(IsFrame(image, 34, y));
            QVERIFY(!IsFrame(image, 35, y));
        }
        QVERIFY(!IsFrame(image, 6, 14));
        QVERIFY(!IsFrame(image, 33, 14));
    }

    void unselectedItemsHaveNoFrame()
    {
        for (bool thick : {false, true}) {
            const QImage image = PaintItem(thick, false);
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    QVERIFY(!IsFrame(image, x, y));
            }
        }
    }
};

ORVANE_TEST(ListItemDelegateTest)
#include "ListItemDelegateTest.moc"
