#include "TestRegistry.h"
#include "PresetRig.h"

#include "setup/ColorTab.h"
#include "setup/GoboTab.h"
#include "setup/HalfColorAutoCtrl.h"
#include "setup/HalfColorAutoList.h"
#include "setup/MultiColorCtrl.h"
#include "setup/MultiColorList.h"
#include "setup/MultiColorSelect.h"
#include "setup/OtherTab.h"
#include "setup/PatternTab.h"
#include "setup/PictureFolderCache.h"
#include "setup/PresetsList.h"
#include "setup/PresetsListWnd.h"
#include "widgets/ColorPicker.h"

#include <QComboBox>
#include <QTabWidget>
#include <QtTest>

namespace {

// What a list's drag carried: the drag picture's size and the payload.
struct SDragged
{
    int drags = 0;
    QSize picture;
    SPresetPayload payload;
};

void RecordDrags(CPresetsList& list, SDragged& dragged)
{
    list.SetDragRunner([&dragged](QDrag* drag) {
        ++dragged.drags;
        dragged.picture = drag->pixmap().size();
        DecodePresetPayload(drag->mimeData()->data(QLatin1String(kPresetMimeType)), dragged.payload);
        return Qt::MoveAction;
    });
}

// A list whose drag a test starts.
template <typename List>
struct CDraggable : List
{
    using List::List;
    void Drag() { this->startDrag(Qt::MoveAction); }
};

QStringList ItemNames(const CPresetsList* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->data(CPresetsList::NameRole).toString();
    return names;
}

} // namespace

class PresetPicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void payloadsAreCheckedWhenRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        SPresetPayload good = PicturePreset(7, 0);
        good.iconPath = QStringLiteral("System/Gobos/Star.png");
        const auto with = [&](auto change) {
            SPresetPayload changed = good;
            change(changed);
            return EncodePresetPayload(changed);
        };
        QTest::newRow("sound") << EncodePresetPayload(good) << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("truncated") << EncodePresetPayload(good).chopped(3) << false;
        QTest::newRow("type beyond 43") << with([](SPresetPayload& p) { p.type = 44; }) << false;
        QTest::newRow("count below -2") << with([](SPresetPayload& p) { p.count = -3; }) << false;
        QTest::newRow("icon outside System") << with([](SPresetPayload& p) { p.iconPath = QStringLiteral("/etc/x.png"); }) << false;
        QTest::newRow("icon climbing out") << with([](SPresetPayload& p) { p.iconPath = QStringLiteral("System/../x.png"); }) << false;
    }
    void payloadsAreCheckedWhenRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        SPresetPayload read;
        read.name = QStringLiteral("untouched");
        QCOMPARE(DecodePresetPayload(bytes, read), valid);
        QCOMPARE(read.name, valid ? QStringLiteral("new") : QStringLiteral("untouched"));
    }

    void pickerColourDecodesAsAColourPreset()
    {
        SPresetPayload read;
        QVERIFY(DecodePresetPayload(EncodeColorPreset(QColor(10, 20, 30)), read));
        QCOMPARE(read.type, 1);
        QCOMPARE(read.count, 1);
        QCOMPARE(QColor::fromRgba(QRgb(read.colors[0])), QColor(10, 20, 30));
    }

    void folderScanIsReadOnce()
    {
        CPictureDir dir;
        for (const char* file : {"System/Gobos/b.png", "System/Gobos/A.PNG", "System/Gobos/x.png.png",
                                 "System/Gobos/Sub/c.png", "System/Gobos/notes.txt"})
            CPictureDir::Write(QLatin1String(file));
        QFile broken(QStringLiteral("System/Gobos/broken.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
        broken.close();
        QFile::link(dir.dir.filePath(QStringLiteral("System/Gobos/b.png")), QStringLiteral("System/Gobos/link.png"));
        CPresetsList first(48);
        first.ScanFolder(7, QStringLiteral("System/Gobos"), PictureFolderCache(QStringLiteral("System/Gobos")));
        QCOMPARE(ItemNames(&first), (QStringList{"A.PNG", "b", "broken", "x"}));
        QCOMPARE(first.item(1)->data(CPresetsList::IconPathRole).toString(), QStringLiteral("System/Gobos/b.png"));
        QVERIFY(first.item(2)->data(CPresetsList::PictureRole).value<QPixmap>().isNull());
        CPictureDir::Write(QStringLiteral("System/Gobos/new.png"));
        CPresetsList second(48);
        second.ScanFolder(7, QStringLiteral("System/Gobos"), PictureFolderCache(QStringLiteral("System/Gobos")));
        QCOMPARE(ItemNames(&second), ItemNames(&first));
        // A folder that gave nothing is read again.
        CPresetsList empty(48);
        empty.ScanFolder(41, QStringLiteral("System/Patterns"), PictureFolderCache(QStringLiteral("System/Patterns")));
        CPictureDir::Write(QStringLiteral("System/Patterns/p.png"));
        empty.ScanFolder(41, QStringLiteral("System/Patterns"), PictureFolderCache(QStringLiteral("System/Patterns")));
        QCOMPARE(ItemNames(&empty), QStringList{"p"});
    }

    void dragsCarryTheWholePreset()
    {
        CPictureDir dir;
        CPictureDir::Write(QStringLiteral("System/Gobos/big.png"), 64);
        CDraggable<CPresetsList> list(48);
        SDragged dragged;
        RecordDrags(list, dragged);
        list.Drag();
        QCOMPARE(dragged.drags, 0);
        SPresetPayload none;
        QVERIFY(!list.GetCurrentPreset(none));
        list.AddPresetFromFile(7, QStringLiteral("Big"), QStringLiteral("System/Gobos/big.png"), 3);
        list.setCurrentRow(0);
        list.Drag();
        QCOMPARE(dragged.picture, QSize(48, 48));
        QCOMPARE(dragged.payload.picture.size(), QSize(64, 64));
        QCOMPARE(dragged.payload.count, 3);
        QCOMPARE(dragged.payload.iconPath, QStringLiteral("System/Gobos/big.png"));
        QCOMPARE(list.count(), 1);
    }

    void automaticHalfColourPayload()
    {
        CRecordingHost host;
        CDraggable<CHalfColorAutoList> list;
        SDragged dragged;
        RecordDrags(list, dragged);
        list.setCurrentRow(0);
        list.Drag();
        QCOMPARE(dragged.payload.type, 2);
        QCOMPARE(dragged.payload.count, -2);
        for (qint32 color : dragged.payload.colors)
            QCOMPARE(color, -1);
        QVERIFY(!dragged.payload.picture.isNull());
    }

    void pickedColourReachesTheCurrentSquare()
    {
        CRecordingHost host;
        CMultiColorCtrl ctrl;
        ctrl.CountCombo()->setCurrentIndex(2);
        QTest::mouseClick(ctrl.Select(), Qt::LeftButton, {}, ctrl.Select()->Square(3).center());
        QCOMPARE(ctrl.Select()->Current(), 3);
        emit ctrl.List()->currentColorChanged(QColor(1, 2, 3));
        SPresetPayload payload;
        ctrl.List()->setCurrentRow(0);
        QVERIFY(ctrl.List()->GetCurrentPreset(payload));
        QCOMPARE(payload.count, 4);
        QCOMPARE(QColor::fromRgba(QRgb(payload.colors[3])), QColor(1, 2, 3));
        // Three colours keep the fourth as it was.
        ctrl.CountCombo()->setCurrentIndex(1);
        QVERIFY(ctrl.List()->GetCurrentPreset(payload));
        QCOMPARE(payload.count, 3);
        QCOMPARE(QColor::fromRgba(QRgb(payload.colors[3])), QColor(1, 2, 3));
        QCOMPARE(QColor::fromRgba(QRgb(payload.colors[0])), QColor(255, 0, 0));
    }

    void squaresFollowTheColourCount()
    {
        CRecordingHost host;
        CMultiColorCtrl ctrl;
        CMultiColorSelect* select = ctrl.Select();
        QCOMPARE(select->Square(3), QRect(QPoint(33, 33), QPoint(56, 56)));
        QTest::mouseClick(select, Qt::LeftButton, {}, select->Square(3).center());
        QCOMPARE(select->Current(), 0);
        ctrl.CountCombo()->setCurrentIndex(1);
        QTest::mouseClick(select, Qt::LeftButton, {}, select->Square(2).center());
        QCOMPARE(select->Current(), 2);
        ctrl.CountCombo()->setCurrentIndex(0);
        QCOMPARE(select->Current(), 0);
    }

    void zoomSteps_data()
    {
        QTest::addColumn<bool>("large");
        QTest::addColumn<QString>("presses"); // + in, - out
        QTest::addColumn<int>("edge");
        QTest::newRow("normal stops at 48") << false << "++" << 48;
        QTest::newRow("large reaches 128") << true << "+++" << 128;
        QTest::newRow("large down a step") << true << "++-" << 96;
        QTest::newRow("stops at 24") << false << "----" << 24;
        QTest::newRow("up from 24") << true << "---+" << 32;
    }
    void zoomSteps()
    {
        QFETCH(bool, large);
        QFETCH(QString, presses);
        QFETCH(int, edge);
        CPresetsListWnd window(QStringLiteral("t"), large);
        for (QChar press : presses)
            press == QLatin1Char('+') ? window.OnZoomIn() : window.OnZoomOut();
        QCOMPARE(window.List()->iconSize(), QSize(edge, edge));
    }

    void colourTabPicksHalfColours()
    {
        CRecordingHost host;
        CColorTab tab;
        QSignalSpy sel(&tab, &CPresetTab::selChanged);
        emit tab.Picker()->colorChanged(9, 9, 9);
        QCOMPARE(tab.HalfColor()->Select()->Color(0), QColor(255, 0, 0));
        CMultiColorList* half = tab.HalfColor()->List();
        half->setCurrentRow(0);
        emit half->itemClicked(half->item(0));
        QCOMPARE(tab.CurrentList(), static_cast<CPresetsList*>(half));
        emit tab.Picker()->colorChanged(9, 9, 9);
        QCOMPARE(half->Color(0), QColor(9, 9, 9));
        CHalfColorAutoList* automatic = tab.HalfColorAuto()->List();
        emit automatic->itemClicked(automatic->item(0));
        QVERIFY(!tab.CurrentList());
        QVERIFY(half->selectedItems().isEmpty());
        QCOMPARE(sel.count(), 2);
    }

    void goboAndPatternTabsListTheirFolders()
    {
        CRecordingHost host;
        CPictureDir dir;
        const QStringList folders{"System/Gobos", "System/Gobos/Classic", "System/Gobos/Color", "System/Gobos/Filter",
                                  "System/Gobos/Glass"};
        for (int i = 0; i < folders.size(); ++i) {
            for (int k = 0; k <= i; ++k)
                CPictureDir::Write(folders[i] + QStringLiteral("/g%1.png").arg(k));
        }
        CPictureDir::Write(QStringLiteral("System/Patterns/p.png"));
        CGoboTab gobos;
        CPictureDir::Write(QStringLiteral("System/Gobos/late.png"));
        CGoboTab again;
        for (int i = 0; i < folders.size(); ++i) {
            QCOMPARE(again.Window(i)->List()->count(), i + 1);
            QCOMPARE(again.Window(i)->List()->item(0)->data(CPresetsList::TypeRole).toInt(), 7);
        }
        QSignalSpy sel(&again, &CPresetTab::selChanged);
        again.SubTabs()->setCurrentIndex(3);
        QCOMPARE(again.CurrentList(), again.Window(3)->List());
        QCOMPARE(sel.count(), 1);
        CPatternTab patterns;
        QCOMPARE(patterns.CurrentList()->count(), 1);
        QCOMPARE(patterns.CurrentList()->item(0)->data(CPresetsList::TypeRole).toInt(), 41);
    }

    void catalogueLists_data()
    {
        QTest::addColumn<int>("subTab");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("parameter");
        QTest::newRow("beam") << 0 << 23 << 8 << "Dimmer pulse close" << "Dimmer/DimClose.png" << 6 << 1;
        QTest::newRow("rotation") << 1 << 24 << 18 << "Roller Index" << "Rotation/RollerIndex.png" << 36 << 3;
        QTest::newRow("prism") << 2 << 11 << 9 << "Prism 5FCL" << "Prism/Prism5FCL.png" << 31 << 10;
        QTest::newRow("colors") << 3 << 20 << 19 << "Undef Color #20" << "Colors/Color20.png" << 0 << 0;
        QTest::newRow("other") << 4 << 45 << 43 << "Auto #20" << "Auto/Auto20.png" << 0 << 0;
        QTest::newRow("other last") << 4 << 45 << 44 << "Undef" << "Undef.png" << 0 << 0;
        QTest::newRow("tilt") << 4 << 45 << 1 << "Tilt" << "Tilt.png" << 43 << 0;
    }
    void catalogueLists()
    {
        QFETCH(int, subTab);
        QFETCH(int, count);
        QFETCH(int, row);
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(int, type);
        QFETCH(int, parameter);
        CRecordingHost host;
        CPictureDir dir; // no picture file at all: every entry is still there
        COtherTab tab;
        const CPresetsList* list = tab.Window(subTab)->List();
        QCOMPARE(list->count(), count);
        const SPresetPayload preset = CPresetsList::ItemPreset(list->item(row));
        QCOMPARE(preset.name, name);
        QCOMPARE(list->item(row)->toolTip(), name);
        QCOMPARE(preset.iconPath, QStringLiteral("System/Presets/") + path);
        QCOMPARE(preset.type, type);
        QCOMPARE(preset.count, parameter);
        QVERIFY(preset.picture.isNull());
    }

    // Every picture the catalogue and the tabs ask for is drawn beside the program.
    void shippedPicturesAreFound()
    {
        CRecordingHost host;
        const QString old = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(ORVANE_PROGRAM_DIR));
        {
            COtherTab other;
            for (int w = 0; w < 5; ++w) {
                const CPresetsList* list = other.Window(w)->List();
                for (int i = 0; i < list->count(); ++i)
                    QVERIFY2(!CPresetsList::ItemPreset(list->item(i)).picture.isNull(),
                             qPrintable(list->item(i)->data(CPresetsList::IconPathRole).toString()));
            }
            CGoboTab gobos;
            CPatternTab patterns;
            for (int w = 0; w < 5; ++w)
                QVERIFY(gobos.Window(w)->List()->count() >= 2);
            QVERIFY(patterns.CurrentList()->count() >= 2);
        }
        QDir::setCurrent(old);
        for (const char* picture : {"HalfColor", "ZoomInList", "ZoomOutList", "Add", "Remove", "Update", "Copy", "Paste",
                                    "ReversePaste", "VArrowTop", "VArrowMid", "VArrowBot"})
            QVERIFY2(!QPixmap(QStringLiteral(":/Orvane/Images/Patch/%1.png").arg(QLatin1String(picture))).isNull(), picture);
        for (const char* picture : {"Rotary", "Shake"})
            QVERIFY(!QPixmap(QStringLiteral(":/Orvane/Images/Channels/%1.png").arg(QLatin1String(picture))).isNull());
    }
};

ORVANE_TEST(PresetPicturesTest)
#include "PresetPicturesTest.moc"
