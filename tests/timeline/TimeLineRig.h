#pragma once

#include "FakeMusicPlayer.h"
#include "RawChannelScene.h"
#include "RecordingHost.h"
#include "show/Project.h"
#include "show/TimeLine.h"
#include "timeline/TimeLineBlocks.h"
#include "timeline/TimeLineCtrl.h"
#include "timeline/TimeLineWnd.h"
#include "timeline/TimeScaleCtrl.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>

#include <memory>

// A project on a recording host, the timeline window on it with a fake
// music player, and short ways to put blocks on its lines. The ruler is
// 20060 pixels wide at a length of 20000 ms, so that one pixel is 1 ms.
class CTimeLineRig
{
public:
    explicit CTimeLineRig(int length = 20000)
    {
        project.NewProject(1);
        window = std::make_unique<CTimeLineWnd>(project, [this] { return &player; });
        window->Ruler().resize(20060, CTimeScaleCtrl::kHeight);
        window->SetLength(length);
        host.calls.clear();
    }

    CTimeScaleCtrl& Ruler() { return window->Ruler(); }
    CTimeLineCtrl& Control() { return window->Control(); }
    CTimeLine* Line(int n) { return project.m_timeLine.m_lines.value(n); }

    CScene* Scene(const QString& name, int loops = 0)
    {
        CScene* scene = AddRawChannelScene(project, name, {{0, 0, 255}});
        scene->m_loopCount = qint16(loops);
        return scene;
    }
    CTimeBlock* Block(CTimeLine* line, CScene* scene, int start, int length = -1)
    {
        CTimeBlock* block = NewSceneBlock(project.m_timeLine, project.m_firstPage, scene);
        block->m_start = start;
        block->m_length = length;
        line->AddBlock(block);
        Control().FixLine(line);
        return block;
    }
    CMediaTimeBlock* Music(const QString& file, int start, int length, int mediaLength, bool loop = true)
    {
        if (!project.m_timeLine.m_musicLine)
            project.m_timeLine.m_lines.prepend(project.m_timeLine.m_musicLine = NewMediaLine(CTimeLine::MusicLine));
        CMediaTimeBlock* block = NewMediaBlock(file);
        block->m_start = start;
        block->m_length = length;
        block->m_mediaLength = mediaLength;
        block->m_mediaLoop = loop;
        project.m_timeLine.m_musicLine->AddBlock(block);
        Control().FixLine(project.m_timeLine.m_musicLine);
        return block;
    }

    // The lines laid out as wide as the ruler, so that the control's x is the ruler's.
    void ShowLines()
    {
        Control().resize(20060, 400);
        Control().LayoutLines();
    }
    // A point on the line at a time.
    QPoint At(const CTimeLine* line, int ms) { return {Ruler().TimeToX(ms), Control().LineRect(line).center().y()}; }
    void RightClick(const QPoint& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent press(QEvent::MouseButtonPress, pos, Control().mapToGlobal(pos), Qt::RightButton, Qt::RightButton,
                          modifiers);
        QApplication::sendEvent(&Control(), &press);
    }
    // Menus list their entries into `menu` ("-" for a disabled one) and
    // run the entry named `pick`.
    void AnswerMenus(const QString& pick = QString())
    {
        Control().Dialogs().runMenu = [this, pick](QMenu& shown, const QPoint&) {
            menu.clear();
            for (QAction* action : shown.actions()) {
                if (action->isSeparator())
                    continue;
                menu << (action->isEnabled() ? QString() : QStringLiteral("-")) + action->text();
                if (action->text() == pick && action->isEnabled())
                    action->trigger();
            }
        };
    }

    QStringList menu;
    CRecordingHost host;
    CProject project;
    CFakeMusicPlayer player;
    std::unique_ptr<CTimeLineWnd> window;
};
