#include "TestRegistry.h"
#include "PresetRig.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class PresetListTest : public QObject
{
    Q_OBJECT

private slots:
    void insertionGivesRanges_data()
    {
        QTest::addColumn<QString>("ranges");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::newRow("first covers all") << "" << -1 << -1 << "0-255";
        QTest::newRow("second halves the first") << "0-255" << -1 << -1 << "0-127 128-255";
        QTest::newRow("width 9 after 127") << "0-127" << 9 << -1 << "0-127 128-137";
        QTest::newRow("width 9 after a full end") << "0-255" << 9 << -1 << "0-245 246-255";
        QTest::newRow("nothing after 255-255") << "0-254 255-255" << -1 << -1 << "";
        QTest::newRow("front of 0-0") << "0-0" << -1 << 0 << "";
        QTest::newRow("front of a two-value first") << "0-1" << -1 << 0 << "0-0 1-1";
        QTest::newRow("front of a later first") << "10-20" << -1 << 0 << "0-9 10-20";
        QTest::newRow("into a gap") << "0-9 20-30" << -1 << 1 << "0-9 10-19 20-30";
        QTest::newRow("before a single value") << "0-9 10-10" << -1 << 1 << "0-4 5-9 10-10";
        QTest::newRow("two single values") << "0-0 1-1" << -1 << 1 << "";
        QTest::newRow("before a wider preset") << "0-9 10-20" << -1 << 1 << "0-9 10-14 15-20";
        QTest::newRow("before a two-value preset") << "0-9 10-11" << -1 << 1 << "0-9 10-10 11-11";
        QTest::newRow("width 3 before a wider preset") << "0-9 10-20" << 3 << 1 << "0-9 10-13 14-20";
    }
    void insertionGivesRanges()
    {
        QFETCH(QString, ranges);
        QFETCH(int, width);
        QFETCH(int, index);
        QFETCH(QString, expected);
        CPresetListRig rig(ranges);
        // The width comes from the last edit; set it as an edit would.
        if (width >= 0) {
            CProfilePresetDef probe;
            probe.m_dmxEnd = quint8(width);
            rig.list->RefreshRows(&probe, true);
        }
        QSignalSpy changed(rig.list.get(), &CProfilePresetsWnd::selChanged);
        const int at = rig.list->AddPresetAt(index, PicturePreset(0));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(Ranges(rig.channel), expected.isEmpty() ? ranges : expected);
        QCOMPARE(rig.Warnings(), expected.isEmpty() ? 1 : 0);
        QCOMPARE(at >= 0, !expected.isEmpty());
        QCOMPARE(rig.list->Rows().size(), rig.channel.m_presets.size());
    }

    void typedValuesKeepRangesApart_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("end 255 in the first") << 0 << "end" << "255" << "0-253 254-254 255-255";
        QTest::newRow("start 0 in the third") << 2 << "start" << "0" << "0-0 1-1 2-255";
        QTest::newRow("start on the end before") << 1 << "start" << "85" << "0-84 85-170 171-255";
        QTest::newRow("end beyond 255") << 1 << "end" << "999" << "0-85 86-254 255-255";
        QTest::newRow("start above its end") << 0 << "start" << "200" << "85-85 86-170 171-255";
        QTest::newRow("not a number") << 2 << "start" << "x" << "0-0 1-1 2-255";
    }
    void typedValuesKeepRangesApart()
    {
        QFETCH(int, row);
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        CPresetListRig rig(QStringLiteral("0-85 86-170 171-255"));
        CProfilePresetCtrl* ctrl = rig.list->Rows()[row];
        QLineEdit* edit = field == QLatin1String("end") ? ctrl->EndEdit() : ctrl->StartEdit();
        edit->setText(text);
        field == QLatin1String("end") ? ctrl->OnEndChanged() : ctrl->OnStartChanged();
        QCOMPARE(Ranges(rig.channel), expected);
        QCOMPARE(ctrl->StartEdit()->text().toInt(), int(rig.channel.m_presets[row]->m_dmxStart));
    }

    void defaultValueStaysInItsRange()
    {
        CPresetListRig rig(QStringLiteral("10-20"));
        CProfilePresetCtrl* row = rig.list->Rows()[0];
        row->DefaultEdit()->setText(QStringLiteral("3"));
        row->OnDefaultChanged();
        QCOMPARE(row->DefaultEdit()->text(), QStringLiteral("10"));
        QCOMPARE(int(rig.channel.m_presets[0]->m_dmxDefault), 10);
    }

    void onePresetIsTheDefault()
    {
        CPresetListRig rig;
        rig.list->AddPresetAt(-1, PicturePreset(4));
        rig.list->AddPresetAt(-1, PicturePreset(4));
        QCOMPARE(rig.channel.m_presets[0]->m_defaultPreset, true);
        QCOMPARE(rig.channel.m_presets[1]->m_defaultPreset, false);
        rig.list->Rows()[1]->DefaultBox()->setChecked(true);
        QCOMPARE(rig.channel.m_presets[0]->m_defaultPreset, false);
        QCOMPARE(rig.list->Rows()[0]->DefaultBox()->isChecked(), false);
        QCOMPARE(rig.channel.m_presets[1]->m_defaultPreset, true);
    }

    void presetsReadFromAProfileAreMadeSound()
    {
        CProfileChannelDef channel;
        SetRanges(channel, QStringLiteral("40-30"));
        channel.m_presets[0]->m_dmxDefault = 99;
        CRecordingHost host;
        CProfilePresetsWnd list(&channel);
        QCOMPARE(Ranges(channel), QStringLiteral("30-40"));
        QCOMPARE(int(channel.m_presets[0]->m_dmxDefault), 40);
    }

    void goboMarksFollowTheGoboBefore()
    {
        CPresetListRig rig;
        rig.list->AddPresetAt(-1, PicturePreset(7));
        QCOMPARE(rig.list->Rows()[0]->height(), 65);
        rig.list->Rows()[0]->RotaryBox()->setChecked(true);
        rig.list->AddPresetAt(-1, PicturePreset(7));
        QVERIFY(rig.channel.m_presets[1]->m_rotary);
        QVERIFY(rig.list->Rows()[1]->RotaryBox()->isChecked());
        QVERIFY(!rig.channel.m_presets[1]->m_shake);
    }

    void automaticHalfColourTakesItsNeighbours()
    {
        CPresetListRig rig;
        rig.list->AddPresetAt(-1, PicturePreset(1, 1, qRgb(255, 0, 0)));
        rig.list->AddPresetAt(-1, PicturePreset(1, 1, qRgb(0, 255, 0)));
        rig.list->AddPresetAt(1, PicturePreset(2, -2, qRgb(255, 255, 255)));
        const CProfilePresetDef* half = rig.channel.m_presets[1];
        QCOMPARE(half->m_effectType, -2);
        QCOMPARE(half->m_colors[0], QColor(255, 0, 0));
        QCOMPARE(half->m_colors[1], QColor(0, 255, 0));
    }

    void dropsAddOrRecolour()
    {
        CPresetListRig rig(QStringLiteral("0-127 128-255"), 1);
        std::unique_ptr<QMimeData> red(PresetMime(EncodeColorPreset(Qt::red)));
        Drop(rig.list.get(), rig.Centre(0), red.get(), Qt::ControlModifier);
        QCOMPARE(rig.channel.m_presets[0]->m_colors[0], QColor(Qt::red));
        QCOMPARE(Ranges(rig.channel), QStringLiteral("0-127 128-255"));
        std::unique_ptr<QMimeData> blue(PresetMime(EncodeColorPreset(Qt::blue)));
        Drop(rig.list.get(), rig.BelowBottom(), blue.get(), Qt::ControlModifier);
        QCOMPARE(rig.channel.m_presets[0]->m_colors[0], QColor(Qt::red));
        QCOMPARE(rig.channel.m_presets[1]->m_colors[0], QColor(Qt::white));
        QSignalSpy added(rig.list.get(), &CProfilePresetsWnd::presetAdded);
        rig.Place();
        Drop(rig.list.get(), rig.Centre(0), red.get());
        QCOMPARE(Ranges(rig.channel), QStringLiteral("0-127 128-190 191-255"));
        QCOMPARE(added.count(), 1);
        QCOMPARE(added[0][0].toInt(), 1);
        std::unique_ptr<QMimeData> bad(PresetMime(EncodeColorPreset(Qt::red).left(20)));
        Drop(rig.list.get(), rig.Centre(0), bad.get());
        QCOMPARE(rig.channel.m_presets.size(), 3);
        QCOMPARE(rig.Warnings(), 1);
    }

    // A drag ends as the runner says; a drop may happen inside it.
    void draggedRowsMoveCopyOrStay_data()
    {
        QTest::addColumn<bool>("copy");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("expected");
        QTest::newRow("cancelled move") << false << false << "0-0 1-1 2-255";
        QTest::newRow("cancelled copy") << true << false << "0-0 1-1 2-255";
        QTest::newRow("refused move goes back") << false << true << "0-0 1-1 2-255";
        QTest::newRow("refused copy is dropped") << true << true << "0-0 1-1 2-255";
    }
    void draggedRowsMoveCopyOrStay()
    {
        QFETCH(bool, copy);
        QFETCH(bool, drop);
        QFETCH(QString, expected);
        CPresetListRig rig(QStringLiteral("0-0 1-1 2-255"));
        const QPoint below = rig.BelowBottom();
        rig.list->SetDragRunner([&](QDrag* drag) {
            if (!drop)
                return Qt::IgnoreAction;
            Drop(rig.list.get(), below, drag->mimeData());
            return Qt::MoveAction;
        });
        rig.list->StartDrag(2, copy);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Ranges(rig.channel), expected);
        QCOMPARE(Names(rig.channel), QStringLiteral("p0 p1 p2"));
        QCOMPARE(rig.list->Rows().size(), 3);
        QCOMPARE(rig.list->Rows()[2]->Preset(), rig.channel.m_presets[2]);
        QCOMPARE(rig.Warnings(), drop ? 1 : 0);
    }

    void movedRowTakesItsNewPlace()
    {
        CPresetListRig rig(QStringLiteral("0-99 100-199 200-255"));
        rig.list->SetDragRunner([&](QDrag* drag) {
            rig.Place();
            Drop(rig.list.get(), rig.BelowBottom(), drag->mimeData(), Qt::NoModifier);
            return Qt::MoveAction;
        });
        rig.list->StartDrag(2, false);
        QCOMPARE(Names(rig.channel), QStringLiteral("p2 p0 p1"));
        QCOMPARE(Ranges(rig.channel), QStringLiteral("0-48 49-99 100-199"));
        rig.channel.m_presets[1]->m_defaultPreset = true;
        rig.Place();
        rig.list->StartDrag(1, true);
        QCOMPARE(Names(rig.channel), QStringLiteral("p0 p2 p0 p1"));
        QVERIFY(!rig.channel.m_presets[0]->m_defaultPreset);
    }

    void pressAndMoveDragsTheRowOnce()
    {
        CPresetListRig rig(QStringLiteral("0-99 100-255"));
        QStringList dragged;
        rig.list->SetDragRunner([&](QDrag* drag) {
            SPresetPayload payload;
            DecodePresetPayload(drag->mimeData()->data(QLatin1String(kPresetMimeType)), payload);
            dragged << payload.name;
            return Qt::IgnoreAction;
        });
        QTest::mousePress(rig.list.get(), Qt::LeftButton, Qt::NoModifier, rig.Centre(1));
        for (int i = 0; i < 2; ++i) {
            QMouseEvent move(QEvent::MouseMove, rig.Centre(1) + QPoint(0, 10 + i), Qt::LeftButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(rig.list.get(), &move);
        }
        QCOMPARE(dragged, QStringList{QStringLiteral("p1")});
        QCOMPARE(Ranges(rig.channel), QStringLiteral("0-99 100-255"));
    }

    void selectionNamesEachPresetOnce()
    {
        CPresetListRig rig(QStringLiteral("0-99 100-199 200-255"));
        QTest::mousePress(rig.list.get(), Qt::LeftButton, Qt::ControlModifier, rig.Centre(1));
        QTest::mousePress(rig.list.get(), Qt::LeftButton, Qt::ControlModifier, rig.Centre(1));
        QTest::mousePress(rig.list.get(), Qt::LeftButton, Qt::ControlModifier, rig.Centre(0));
        QCOMPARE(rig.list->Selection(), (QList<int>{1, 0}));
        QTest::mousePress(rig.list.get(), Qt::LeftButton, Qt::NoModifier, rig.Centre(2));
        QCOMPARE(rig.list->Selection(), QList<int>{2});
        QVERIFY(!rig.list->Rows()[1]->IsSelected());
    }

    void deleteButtonWaitsHalfASecond()
    {
        CPresetListRig rig(QStringLiteral("0-99 100-255"));
        QSignalSpy changed(rig.list.get(), &CProfilePresetsWnd::selChanged);
        emit rig.list->Rows()[1]->DeleteButton()->pressed();
        QCOMPARE(rig.channel.m_presets.size(), 2);
        QTest::qWait(CProfilePresetCtrl::kDeleteGuardMs + 20);
        rig.list->Select(1, false);
        rig.list->Select(0, true);
        emit rig.list->Rows()[0]->DeleteButton()->pressed();
        QCOMPARE(Names(rig.channel), QStringLiteral("p1"));
        QCOMPARE(rig.list->Selection(), QList<int>{0});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(rig.list->Rows().size(), 1);
    }
};

ORVANE_TEST(PresetListTest)
#include "PresetListTest.moc"
