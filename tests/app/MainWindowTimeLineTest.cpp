#include "DataTable.h"
#include "TestRegistry.h"
#include "TypedKeys.h"

#include "../devices/FakeTransport.h"
#include "FakeMusicPlayer.h"
#include "ModalAnswer.h"
#include "RawChannelScene.h"
#include "ScriptedDialog.h"
#include "app/Orvane.h"
#include "live/FadingWnd.h"
#include "live/PageWnd.h"
#include "show/Page.h"
#include "show/EffectScene.h"
#include "show/TimeLine.h"
#include "timeline/ColorDlg.h"
#include "timeline/FilterDlg.h"
#include "timeline/TimeDlg.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/TimeScaleCtrl.h"
#include "timeline/VideoDlg.h"
#include "widgets/ZKFullTimeEdit.h"

#include <QCheckBox>
#include <QListWidget>
#include <QMessageBox>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A main window in a folder of its own, with a fake music player.
struct CTimeLineWindowRig
{
    QTemporaryDir dir;
    std::unique_ptr<Orvane> window;

    CTimeLineWindowRig()
    {
        COrvaneSetup setup;
        setup.programDir = dir.path();
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        setup.loadErrorWaitMs = 0;
        window = std::make_unique<Orvane>(std::move(setup));
        window->SetMusicPlayerMaker([](QObject* parent) { return new CFakeMusicPlayer(parent); });
    }

    CProject& Project() { return window->Project(); }
    CTimeLineCtrl& Control() { return window->TimeLinePanel()->Control(); }
    CScene* Scene(const QString& name, CPage* page = nullptr)
    {
        return AddRawChannelScene(Project(), name, {{0, 0, 255}}, 0, page);
    }
    // The music line first, then two scene lines.
    void MusicAndTwoLines()
    {
        CTimeLineData& data = Project().m_timeLine;
        data.m_lines.prepend(data.m_musicLine = NewMediaLine(CTimeLine::MusicLine));
        CMediaTimeBlock* music = NewMediaBlock(QStringLiteral("song.wav"));
        music->m_length = 3000;
        data.m_musicLine->AddBlock(music);
        Control().InsertLine(2);
        Control().FixLine(data.m_musicLine);
    }
    // The lines as wide as the ruler, one pixel a millisecond, and context
    // menus that run the entry named `pick`.
    void ShowLines(const QString& pick)
    {
        window->TimeLinePanel()->Ruler().resize(20060, CTimeScaleCtrl::kHeight);
        window->TimeLinePanel()->SetLength(20000);
        Control().resize(20060, 400);
        Control().LayoutLines();
        Control().Dialogs().runMenu = [pick](QMenu& menu, const QPoint&) {
            for (QAction* action : menu.actions()) {
                if (action->text() == pick && action->isEnabled())
                    action->trigger();
            }
        };
    }
    void RightClick(const CTimeBlock* block)
    {
        const QPoint at = Control().BlockRect(block).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, Control().mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&Control(), &press);
    }
    bool SaveAndOpen()
    {
        const QString path = dir.filePath(QStringLiteral("show.kv3"));
        return window->SaveProject(path) && window->OpenProject(path);
    }
};

} // namespace

// The main window as the timeline's host: saving and opening it, the live
// page's menu, scenes that move or are refused.
class MainWindowTimeLineTest : public QObject
{
    Q_OBJECT

private slots:
    // Each block menu entry runs its dialog, worked here as an operator
    // would, and the block takes the dialog's answer.
    void blockMenuEntriesRunTheirDialogs_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("music");
        QTest::addColumn<QString>("result");
        QTest::newRow("colour") << "Color" << false << "color 4";
        QTest::newRow("colour from the tool bar") << "tool bar" << false << "color 4";
        QTest::newRow("start") << "Start schedule" << false << "1000 - 2000";
        QTest::newRow("end") << "End schedule" << false << "2000 - 5000";
        QTest::newRow("filter") << "Filter" << true << "filter 1, 4000 - 20000";
    }
    void blockMenuEntriesRunTheirDialogs()
    {
        QFETCH(QString, entry);
        QFETCH(bool, music);
        CTimeLineWindowRig rig;
        rig.MusicAndTwoLines();
        CTimeBlock* block = music ? rig.Project().m_timeLine.m_musicLine->m_blocks.first()
                                  : rig.Control().SceneLine(0)->m_blocks.value(0);
        if (!music) {
            QVERIFY(rig.Control().AddSceneBlock(rig.Project().m_firstPage, rig.Scene(QStringLiteral("S")),
                                                rig.Control().SceneLine(0), 0));
            block = rig.Control().SceneLine(0)->m_blocks.first();
            block->m_start = 2000;
            block->m_length = 1000;
            rig.Control().FixLine(rig.Control().SceneLine(0));
        }
        int runs = 0;
        CScriptedDialog<CColorDlg> color([&runs](CColorDlg& dialog) {
            ++runs;
            emit dialog.List()->itemClicked(dialog.List()->item(4));
            return int(QDialog::Accepted);
        });
        CScriptedDialog<CTimeDlg> time([&runs, entry](CTimeDlg& dialog) {
            ++runs;
            dialog.Editor()->Seconds()->setValue(entry.startsWith('S') ? 1 : 5);
            return int(QDialog::Accepted);
        });
        CScriptedDialog<CFilterDlg> filter([&runs](CFilterDlg& dialog) {
            ++runs;
            dialog.ApplyBox()->setChecked(true);
            dialog.ModeButton(CFilterDlg::HighPass)->click();
            dialog.FrequencyBox()->setValue(16000);
            return int(QDialog::Accepted);
        });
        rig.ShowLines(entry);
        if (entry == "tool bar") {
            rig.Control().SelectBlock(block);
            auto* button = rig.window->TimeLinePanel()->findChild<QToolButton*>(QStringLiteral("timeLineColorBlock"));
            QVERIFY(button && button->isEnabled());
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            rig.RightClick(block);
        }
        QCOMPARE(runs, 1);
        const auto* media = music ? static_cast<const CMediaTimeBlock*>(block) : nullptr;
        QString result = QStringLiteral("color %1").arg(block->m_color);
        if (media)
            result = QStringLiteral("filter %1, %2 - %3")
                         .arg(media->m_filter)
                         .arg(media->m_cutOff)
                         .arg(media->m_secondFrequency);
        else if (entry.endsWith(QLatin1String("schedule")))
            result = QStringLiteral("%1 - %2").arg(block->m_start).arg(block->m_stop);
        QTEST(result, "result");
    }

    void aTimelineSurvivesSaveAndOpen()
    {
        CTimeLineWindowRig rig;
        QVERIFY(rig.window->HasTimeLine());
        rig.MusicAndTwoLines();
        rig.Control().AddSceneBlock(rig.Project().m_firstPage, rig.Scene(QStringLiteral("S")),
                                    rig.Control().SceneLine(1), 0);
        rig.window->TimeLinePanel()->Ruler().AddMarkerAtTime(4000);
        rig.window->TimeLinePanel()->Ruler().AddMarkerAtTime(1000);
        // The music file was never there: the open says so once, and goes on.
        QString told;
        OnNextModal<QMessageBox>([&told](QMessageBox* box) {
            told = box->text();
            box->accept();
        });
        QVERIFY(rig.SaveAndOpen());
        QVERIFY2(told.contains(QStringLiteral("song.wav")), qPrintable(told));
        const CTimeLineData& data = rig.Project().m_timeLine;
        QCOMPARE(data.m_lines.size(), 3);
        QVERIFY(data.m_musicLine);
        QCOMPARE(data.m_lines[0], data.m_musicLine);
        QCOMPARE(static_cast<CMediaTimeBlock*>(data.m_musicLine->m_blocks.value(0))->m_file, QStringLiteral("song.wav"));
        QCOMPARE(data.m_lines[2]->m_blocks.size(), 1);
        QCOMPARE(data.m_lines[2]->m_blocks[0]->m_scene->GetName(), QStringLiteral("S"));
        QCOMPARE(data.m_markers.size(), 2);
        QCOMPARE(data.m_markers[0]->m_time, 1000);
        QCOMPARE(rig.window->TimeLinePanel()->Ruler().Markers().size(), 2);
    }

    // A show saved with its video window open opens it again, and a new
    // show lets it go.
    void theVideoWindowComesBackWithItsShow()
    {
        CTimeLineWindowRig rig;
        CTimeLineData& data = rig.Project().m_timeLine;
        data.m_lines.prepend(data.m_videoLine = NewMediaLine(CTimeLine::VideoLine));
        rig.Control().SetVideoVisible(true, true);
        QVERIFY(rig.window->VideoWindow());
        QVERIFY(rig.SaveAndOpen());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.window->VideoWindow() && rig.window->VideoWindow()->isVisible());
        QCOMPARE(rig.window->findChildren<CVideoDlg*>().size(), 1);
        rig.window->ClearTimeLine();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(rig.window->findChildren<CVideoDlg*>().isEmpty());
    }

    void theLivePageMenuCountsSceneLinesOnly()
    {
        CTimeLineWindowRig rig;
        rig.MusicAndTwoLines();
        CScene* scene = rig.Scene(QStringLiteral("S"));
        QCOMPARE(rig.window->TimeLineSceneLineCount(), 2);
        auto* page = rig.window->findChild<CPageWnd*>();
        QVERIFY(page);
        QVERIFY(page->AddToTimeLine(rig.Project().m_firstPage->m_scenes.indexOf(scene), 1));
        QCOMPARE(rig.Control().SceneLine(1)->m_blocks.size(), 1);
        QVERIFY(rig.Control().SceneLine(0)->m_blocks.isEmpty());
        rig.window->AddTimeLineSceneLine();
        QCOMPARE(rig.window->TimeLineSceneLineCount(), 3);
    }

    void aMovedSceneTakesItsPageIntoTheFile()
    {
        CTimeLineWindowRig rig;
        CPage* target = rig.Project().AddPage(QStringLiteral("Elsewhere"));
        CScene* scene = rig.Scene(QStringLiteral("S"));
        rig.Control().AddSceneBlock(rig.Project().m_firstPage, scene, rig.Control().SceneLine(0), 0);
        CFadingWnd* fading = rig.window->FadingPanel();
        QVERIFY(fading->AddScene(CFadingWnd::FadeOutList, scene));
        auto* page = rig.window->findChild<CPageWnd*>();
        QVERIFY(page->MoveScene(rig.Project().m_firstPage->m_scenes.indexOf(scene), target));
        QCOMPARE(fading->Table(CFadingWnd::FadeOutList)->item(0, CFadingWnd::ColPage)->text(), QStringLiteral("Elsewhere"));
        const CTimeBlock* block = rig.Control().SceneLine(0)->m_blocks.value(0);
        QCOMPARE(block->m_page, target);
        QCOMPARE(rig.Control().Label(block), QStringLiteral("Elsewhere - S"));
        QVERIFY(rig.SaveAndOpen());
        QCOMPARE(rig.Project().m_timeLine.m_lines.value(0)->m_blocks.value(0)->m_page->m_name,
                 QStringLiteral("Elsewhere"));
    }

    void anEffectSceneIsRefused()
    {
        CTimeLineWindowRig rig;
        CEffectScene* effect = rig.Project().AddEffectScene();
        rig.window->AddTimeLineSceneBlock(rig.Project().m_firstPage, effect, 0, 0);
        QVERIFY(rig.Control().SceneLine(0)->m_blocks.isEmpty());
    }

    void theDeleteKeyRemovesTheSelectedMarker()
    {
        CTimeLineWindowRig rig;
        rig.window->ShowToolPanel(Orvane::kTimelinePanel);
        rig.window->TimeLinePanel()->Ruler().AddMarkerAtTime(1000);
        rig.window->TimeLinePanel()->Ruler().SelectMarker(0);
        QTest::keyClick(rig.window.get(), Qt::Key_Delete);
        QVERIFY(rig.Project().m_timeLine.m_markers.isEmpty());
    }

    // Return or the keypad's Enter finishes a typed length; with the pointer
    // over the lines it must not also drop a marker there, nor reach the
    // show as a key. No key name gives either key to a trigger, so a scene
    // is set to the key's code: it plays if the key gets through.
    void finishingATimeFieldReachesNothingElse_data()
    {
        Columns<int, bool>("key", "markerKey");
        QTest::newRow("Return") << int(Qt::Key_Return) << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false;
    }
    void finishingATimeFieldReachesNothingElse()
    {
        const auto [code, markerKey] = Row<int, bool>("key", "markerKey");
        const auto key = Qt::Key(code);
        const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        CTimeLineWindowRig rig;
        CScene* scene = rig.Scene(QStringLiteral("S"));
        scene->m_triggers.m_shortCut.m_key = key;
        rig.window->ShowToolPanel(Orvane::kTimelinePanel);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        rig.window->activateWindow();
        QCursor::setPos(rig.Control().mapToGlobal(rig.Control().rect().center()));
        QSpinBox* seconds = rig.window->findChild<CZKFullTimeEdit*>(QStringLiteral("timeLineLength"))->Seconds();
        seconds->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(seconds));
        TypeInto(seconds, QStringLiteral("42"), false);
        QTest::keyClick(seconds, key, modifiers);
        QCOMPARE(rig.window->TimeLinePanel()->Ruler().Length() / 1000 % 60, 42);
        QVERIFY(rig.Project().m_timeLine.m_markers.isEmpty());
        QVERIFY(!rig.Project().m_firstPage->IsPlaying(scene));
        // The same key from the lines themselves: Return drops a marker, the
        // keypad's Enter is a key of the show like any other.
        rig.Control().setFocus();
        QTest::keyClick(rig.window.get(), key, modifiers);
        QCOMPARE(rig.Project().m_timeLine.m_markers.size(), markerKey ? 1 : 0);
        QCOMPARE(rig.Project().m_firstPage->IsPlaying(scene), !markerKey);
    }
};

ORVANE_TEST(MainWindowTimeLineTest)
#include "MainWindowTimeLineTest.moc"
