#include "TestRegistry.h"

#include "MediaFiles.h"
#include "RecordingHost.h"
#include "media/VideoPlayer.h"
#include "show/TimeLine.h"
#include "timeline/VideoDlg.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <memory>

namespace {

// A shown video line and its window, on a recording host.
struct CVideoRig
{
    CRecordingHost host;
    std::unique_ptr<CMediaTimeLine> line;
    QPointer<CVideoDlg> window;

    explicit CVideoRig(bool onTop = true, bool maximized = false, const QRect& place = QRect())
        : line(std::make_unique<CMediaTimeLine>(QStringLiteral("Video"), CTimeLine::VideoLine))
    {
        line->m_visible = true;
        line->m_onTop = onTop;
        line->m_maximized = maximized;
        line->m_videoRect = place;
        window = new CVideoDlg(line.get());
    }
    ~CVideoRig() { delete window; }

    void Show()
    {
        window->ShowWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void PressEscape(bool autoRepeat = false)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(window, &press);
    }
};

} // namespace

// The floating video window: where it opens, its full-screen and on-top
// states, and how it goes away.
class VideoDlgTest : public QObject
{
    Q_OBJECT

private slots:
    // Where the window opens: where it was placed, or in the centre of the
    // screen at a quarter of its size, never below the minimum.
    void opensWhereItWasPlaced_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<bool>("placed");
        QTest::newRow("never placed") << QRect() << false;
        QTest::newRow("no width") << QRect(40, 30, 0, 200) << false;
        QTest::newRow("placed") << QRect(100, 50, 400, 300) << true;
        QTest::newRow("on a screen gone") << QRect(9000, 50, 400, 300) << false;
    }
    void opensWhereItWasPlaced()
    {
        QFETCH(QRect, stored);
        QFETCH(bool, placed);
        CVideoRig rig(true, false, stored);
        // A window never shown has no place of its own to store.
        rig.window->StoreGeometry();
        QCOMPARE(rig.line->m_videoRect, stored);
        rig.Show();
        const QRect shown = rig.window->geometry();
        QCOMPARE(rig.line->m_videoRect, shown);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(shown, placed ? stored : CVideoDlg::FirstPlace(area, rig.window->minimumSize()));

        QCOMPARE(CVideoDlg::FirstPlace(QRect(0, 0, 1920, 1080)), QRect(720, 405, 480, 270));
        QCOMPARE(CVideoDlg::FirstPlace(QRect(1920, 40, 1600, 1160)), QRect(2520, 475, 400, 290));
        QCOMPARE(CVideoDlg::FirstPlace(QRect(0, 0, 800, 600), QSize(320, 220)), QRect(240, 190, 320, 220));
    }

    void escapeLeavesFullScreenThenCloses()
    {
        CVideoRig rig(true, true, QRect(100, 50, 400, 300));
        QSignalSpy closed(rig.window.data(), &CVideoDlg::closed);
        rig.Show();
        QVERIFY(rig.window->isFullScreen());
        QVERIFY(rig.window->ToolBar()->isHidden());
        rig.PressEscape(true);
        QVERIFY(rig.window->isFullScreen());

        rig.PressEscape();
        QVERIFY(!rig.window->isFullScreen() && rig.window->isVisible());
        QVERIFY(!rig.line->m_maximized);
        QVERIFY(!rig.window->ToolBar()->isHidden());
        QCOMPARE(rig.window->geometry(), QRect(100, 50, 400, 300));
        QVERIFY(rig.host.modified);
        QCOMPARE(closed.count(), 0);

        rig.window->setGeometry(120, 70, 400, 300);
        rig.PressEscape();
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(rig.line->m_videoRect, QRect(120, 70, 400, 300));
    }

    void windowFlagsFollowTheLine_data()
    {
        QTest::addColumn<bool>("onTop");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("plain") << false << false;
        QTest::newRow("on top") << true << false;
        QTest::newRow("full screen") << false << true;
        QTest::newRow("both") << true << true;
    }
    void windowFlagsFollowTheLine()
    {
        QFETCH(bool, onTop);
        QFETCH(bool, maximized);
        CVideoRig rig(onTop, maximized);
        rig.Show();
        QCOMPARE(rig.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        QCOMPARE(rig.window->windowFlags().testFlag(Qt::FramelessWindowHint), maximized);
        QCOMPARE(rig.window->OnTopAction()->isChecked(), onTop);

        rig.window->OnTop();
        QCOMPARE(rig.line->m_onTop, !onTop);
        QCOMPARE(rig.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), !onTop);
        QCOMPARE(rig.window->OnTopAction()->isChecked(), !onTop);
        QCOMPARE(rig.window->isFullScreen(), maximized);
        QVERIFY(rig.window->isVisible());
        QVERIFY(rig.host.modified);

        // Out of the way of a modal box only while on top, and back as it was.
        rig.window->HideIfOnTop();
        QCOMPARE(rig.window->isVisible(), onTop);
        rig.window->ShowIfOnTop();
        QVERIFY(rig.window->isVisible());
        QCOMPARE(rig.window->isFullScreen(), maximized);
    }

    void aDisplayModeOutOfRangeBecomesAdjust()
    {
        CVideoRig rig;
        rig.line->m_display = 9;
        CVideoDlg window(rig.line.get());
        QCOMPARE(rig.line->m_display, int(CVideoPlayer::Adjust));
        QCOMPARE(window.DisplayBox()->currentIndex(), int(CVideoPlayer::Adjust));
        window.DisplayBox()->setCurrentIndex(CVideoPlayer::Centre);
        QCOMPARE(rig.line->m_display, int(CVideoPlayer::Centre));
        window.OnDisplayChanged(-3);
        QCOMPARE(window.DisplayBox()->currentIndex(), rig.line->m_display);
        QCOMPARE(rig.line->m_display, int(CVideoPlayer::Adjust));
    }

    // The timeline removes a shown, playing window and then its line; the
    // player's ticks and every later call find nothing left to touch.
    void disposedWhilePlayingThenTicks()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clip.avi"));
        QVERIFY(EncodeVideo(path, VideoRecipe()));
        CVideoRig rig;
        QSignalSpy closed(rig.window.data(), &CVideoDlg::closed);
        rig.Show();
        QVERIFY(rig.window->Player().OpenFile(path, false));
        rig.window->Player().Play();
        QTest::qWait(100);

        rig.window->Dispose();
        rig.line.reset();
        rig.window->Dispose();
        rig.window->HideIfOnTop();
        rig.window->ShowIfOnTop();
        rig.window->StoreGeometry();
        rig.window->OnTop();
        rig.window->OnSound();
        rig.window->OnMaximize();
        rig.window->close();
        QVERIFY(rig.window->IsDisposed() && !rig.window->Line());
        QTRY_VERIFY(rig.window.isNull());
        QTest::qWait(100);
        QCOMPARE(closed.count(), 0);

        CVideoDlg lineless(nullptr);
        lineless.ShowWindow();
        lineless.OnMaximize();
        QVERIFY(!lineless.isVisible());
    }
};

ORVANE_TEST(VideoDlgTest)
#include "VideoDlgTest.moc"
