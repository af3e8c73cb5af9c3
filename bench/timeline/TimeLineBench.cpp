// The timeline while it plays: the repaint of 8 lines and 500 blocks with a
// 10-minute music block, and the timeline stage of the master tick; then a
// show of 100,000 markers saved, opened into the timeline and played.
// Run by hand: QT_QPA_PLATFORM=offscreen ./bench_timeline [FILE]
// (FILE keeps the marker show, to open it in the program itself).

#include "FakeMusicPlayer.h"
#include "RawChannelScene.h"
#include "RecordingHost.h"
#include "model/Language.h"
#include "show/Project.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/TimeScaleCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

double Median(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return double(ns[ns.size() / 2]) / 1e6;
}

long PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A new show of one universe in a timeline window of its own, on screen.
struct SShownTimeLine
{
    CProject project;
    CFakeMusicPlayer player;
    std::unique_ptr<CTimeLineWnd> window;

    SShownTimeLine()
    {
        project.NewProject(1);
        window = std::make_unique<CTimeLineWnd>(project, [this] { return &player; });
        window->resize(1600, 600);
        window->show();
        QApplication::processEvents();
    }
};

// A show of `count` markers over ten minutes, written, opened into a
// timeline window and played: the open's time and the repaint while playing.
void Markers(int count, const QString& keep)
{
    QTemporaryDir dir;
    const QString path = keep.isEmpty() ? dir.filePath(QStringLiteral("markers.kv3")) : keep;
    {
        CProject project;
        project.NewProject(1);
        project.m_timeLine.m_length = 600000;
        for (int i = 0; i < count; ++i)
            project.m_timeLine.AddMarker(new CTimeMarker(int(qint64(i) * 600000 / count)));
        QString error;
        if (!project.SaveProject(path, &error)) {
            std::printf("cannot save the marker show: %s\n", qPrintable(error));
            return;
        }
    }
    const long before = PeakMegabytes();
    SShownTimeLine shown;
    CProject& project = shown.project;
    CTimeLineWnd& window = *shown.window;
    QElapsedTimer timer;
    timer.start();
    const bool opened = project.OpenProject(path);
    window.UpdateFromProject();
    QApplication::processEvents();
    std::printf("%d markers: %s and shown in %.0f ms, peak %ld MB (%ld MB before)\n", count,
                opened ? "opened" : "REFUSED", double(timer.nsecsElapsed()) / 1e6, PeakMegabytes(), before);
    project.m_timeLine.m_playLength = false;
    window.Play();
    QPixmap canvas(window.size());
    std::vector<qint64> paint;
    for (int i = 0; i < 400; ++i) {
        timer.start();
        window.Tick(25);
        window.Control().render(&canvas);
        window.Ruler().render(&canvas);
        paint.push_back(timer.nsecsElapsed());
    }
    std::printf("%d markers: tick and repaint of lines and ruler, median %.3f ms\n", count, Median(paint));
    window.Stop();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SetLangFolder(QStringLiteral(":/Orvane/Resources/"));
    SetLanguage(0);
    CRecordingHost host;
    SShownTimeLine shown;
    CProject& project = shown.project;
    CTimeLineWnd& window = *shown.window;
    window.SetLength(600000);

    CTimeLineData& data = project.m_timeLine;
    data.m_lines.prepend(data.m_musicLine = NewMediaLine(CTimeLine::MusicLine));
    CMediaTimeBlock* music = NewMediaBlock(QStringLiteral("song.wav"));
    music->m_mediaLength = 600000;
    data.m_musicLine->AddBlock(music);
    for (int i = 0; i < 6; ++i)
        window.Control().InsertLine(i + 2);
    QVector<CScene*> scenes;
    for (int i = 0; i < 20; ++i)
        scenes << AddRawChannelScene(project, QStringLiteral("S%1").arg(i), {{0, i, 255}});
    const int perLine = 500 / 7 + 1;
    for (int n = 0, b = 0; n < 7 && b < 500; ++n) {
        CTimeLine* line = window.Control().SceneLine(n);
        for (int i = 0; i < perLine && b < 500; ++i, ++b) {
            CTimeBlock* block = NewSceneBlock(data, project.m_firstPage, scenes[b % scenes.size()]);
            block->m_start = i * (600000 / perLine);
            block->m_length = 600000 / perLine - 40;
            line->AddBlock(block);
        }
    }
    window.UpdateFromProject();
    data.m_loop = true;
    window.Play();

    QPixmap canvas(window.Control().size().expandedTo(QSize(1400, 400)));
    std::vector<qint64> paint;
    std::vector<qint64> lines;
    std::vector<qint64> tick;
    QElapsedTimer timer;
    for (int i = 0; i < 400; ++i) {
        timer.start();
        window.Tick(25);
        tick.push_back(timer.nsecsElapsed());
        timer.start();
        window.Control().render(&canvas);
        lines.push_back(timer.nsecsElapsed());
        window.Ruler().render(&canvas);
        paint.push_back(timer.nsecsElapsed());
    }
    std::printf("timeline stage of the tick: median %.3f ms\n", Median(tick));
    std::printf("repaint of lines and ruler:  median %.3f ms (lines %.3f ms, %dx%d)\n", Median(paint),
                Median(lines), window.Control().width(), window.Control().height());
    window.Stop();
    Markers(100000, app.arguments().value(1));
    return 0;
}
