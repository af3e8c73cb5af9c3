#include "DataTable.h"
#include "TestRegistry.h"

#include "../devices/FakeTransport.h"
#include "FakeMusicPlayer.h"
#include "FileBytes.h"
#include "ModalAnswer.h"
#include "ScriptedDialog.h"
#include "WindowRig.h"
#include "show/TimeLine.h"
#include "timeline/ColorDlg.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/VideoDlg.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

// A main window whose timeline has a video line with one block, and the
// line's window shown inside the timeline as the timeline makes it.
struct CVideoWindowRig : CWindowRigBase
{
    CVideoWindowRig(bool onTop = true)
    {
        COrvaneSetup setup;
        setup.deviceTransport = std::make_unique<CFakeTransport>();
        Start(std::move(setup));
        window->SetMusicPlayerMaker([](QObject* parent) { return new CFakeMusicPlayer(parent); });
        CTimeLineData& data = window->Project().m_timeLine;
        data.m_lines.prepend(data.m_videoLine = NewMediaLine(CTimeLine::VideoLine));
        data.m_videoLine->m_onTop = onTop;
        data.m_videoLine->m_visible = true;
        CMediaTimeBlock* block = NewMediaBlock(QStringLiteral("clip.avi"));
        block->m_length = 3000;
        data.m_videoLine->AddBlock(block);
        Control().FixLine(data.m_videoLine);
        ShowVideo();
    }

    CTimeLineCtrl& Control() { return window->TimeLinePanel()->Control(); }
    CMediaTimeLine* Line() { return window->Project().m_timeLine.m_videoLine; }
    void ShowVideo()
    {
        video = new CVideoDlg(Line(), &Control());
        video->ShowWindow();
    }

    QPointer<CVideoDlg> video;
};

} // namespace

// The main window and the timeline's floating video window: out of the way
// of every modal box, its place saved with the show, and gone safely.
class MainWindowVideoTest : public QObject
{
    Q_OBJECT

private slots:
    // A timeline box, or File Open's dialog from the menu.
    void modalBoxesMoveTheWindowAside_data()
    {
        Columns<bool, bool>("onTop", "fileOpen");
        QTest::newRow("on top") << true << false;
        QTest::newRow("not on top") << false << false;
        QTest::newRow("File Open, on top") << true << true;
        QTest::newRow("File Open, not on top") << false << true;
    }
    void modalBoxesMoveTheWindowAside()
    {
        const auto [onTop, fileOpen] = Row<bool, bool>("onTop", "fileOpen");
        CVideoWindowRig rig(onTop);
        QCOMPARE(rig.window->VideoWindow(), rig.video.data());
        bool shownDuringTheBox = true;
        bool boxCame = false;
        const auto duringTheBox = [&] {
            boxCame = true;
            shownDuringTheBox = rig.video->isVisible();
            // A box inside the box: the window comes back only after the outer one.
            rig.window->SuspendVideoWindow();
            rig.window->ResumeVideoWindow();
            shownDuringTheBox |= rig.video->isVisible();
        };
        if (fileOpen) {
            OnNextModal<QFileDialog>([&](QFileDialog* dialog) {
                duringTheBox();
                dialog->reject();
            });
            rig.Action("actionFileOpen")->trigger();
        } else {
            CScriptedDialog<CColorDlg> script([&](CColorDlg&) {
                duringTheBox();
                return int(QDialog::Accepted);
            });
            int color = 0;
            QVERIFY(CColorDlg::Run(color, rig.window.get()));
        }
        QVERIFY(boxCame);
        QCOMPARE(shownDuringTheBox, !onTop);
        QVERIFY(rig.video->isVisible());
    }

    void theWindowsPlaceSurvivesSaveAndOpen()
    {
        CVideoWindowRig rig;
        rig.video->setGeometry(120, 80, 400, 300);
        const QString path = rig.Path(QStringLiteral("show.kv3"));
        QVERIFY(rig.window->SaveProject(path));
        QVERIFY(qUncompress(ReadBytes(path)).contains("ZKTLRcVideo=\"120|80|400|300\""));

        // The clip was never there: the open says so and goes on.
        OnNextModal<QMessageBox>([](QMessageBox* box) { box->accept(); });
        QVERIFY(rig.window->OpenProject(path));
        // The lines of the show before went, and the window with its line.
        QVERIFY(!rig.video || rig.video->IsDisposed());
        QVERIFY(rig.Line());
        QCOMPARE(rig.Line()->m_videoRect, QRect(120, 80, 400, 300));
        QCOMPARE(rig.Line()->m_blocks.size(), 1);
        rig.ShowVideo();
        QCOMPARE(rig.video->geometry(), QRect(120, 80, 400, 300));
    }

    // The timeline removes the video line while its window shows: it lets
    // the window go, then deletes the line; the ticks after find nothing.
    void removingTheShownWindowThenATickIsClean()
    {
        CVideoWindowRig rig;
        rig.video->Dispose();
        OnNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        QVERIFY(rig.Control().RemoveLine(0));
        QVERIFY(!rig.Line());
        for (int tick = 0; tick < 4; ++tick) {
            rig.NextTick();
            QTest::qWait(30);
        }
        QVERIFY(rig.video.isNull());
        QVERIFY(!rig.window->VideoWindow());
        rig.window->SuspendVideoWindow();
        rig.window->ResumeVideoWindow();
        QVERIFY(rig.window->SaveProject(rig.Path(QStringLiteral("after.kv3"))));
    }
};

ORVANE_TEST(MainWindowVideoTest)
#include "MainWindowVideoTest.moc"
