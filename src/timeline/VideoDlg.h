#pragma once

#include <QWidget>

class CMediaTimeLine;
class CVideoPlayer;
class QAction;
class QComboBox;
class QMenu;
class QScreen;
class QToolBar;

// The floating window that shows the video line's pictures. Modeless; it
// keeps its place, its on-top and full-screen state and its sound in the
// video line, so that they are saved with the show. The line is not owned:
// whoever deletes the line first lets the window go with Dispose().
class CVideoDlg : public QWidget
{
    Q_OBJECT
public:
    CVideoDlg(CMediaTimeLine* line, QWidget* parent = nullptr);
    ~CVideoDlg() override;

    // Null once disposed.
    CMediaTimeLine* Line() const { return m_line; }
    CVideoPlayer& Player() const { return *m_player; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QAction* OnTopAction() const { return m_actOnTop; }
    QAction* SoundAction() const { return m_actSound; }
    QComboBox* DisplayBox() const { return m_display; }

    // Shows the window where the line says: full screen, or on its stored
    // rectangle, which a window never placed gets first (FirstPlace).
    void ShowWindow();
    void SetSound(bool on);
    // The show's volume, heard while the sound is on.
    void SetVolume(int volume);
    // The window's place goes into the line, unless it fills its screen.
    void StoreGeometry();
    // Out of the way of a modal box while it would stay above it, and back.
    void HideIfOnTop();
    void ShowIfOnTop();
    // Lets go of the line at once, stops the video and deletes the window
    // when control returns to the event loop; closed() is not emitted. Safe
    // from the window's own signals and when called twice.
    void Dispose();
    bool IsDisposed() const { return m_disposed; }

    // A quarter of the width and height of the area, but no smaller than
    // the minimum, in its centre.
    static QRect FirstPlace(const QRect& available, const QSize& minimum = QSize());

signals:
    void closed();
    void soundChanged();

public slots:
    void OnMaximize();
    void OnTop();
    void OnSound();
    void OnDisplayChanged(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool IsMaximized() const;
    QScreen* HostScreen() const;
    void FillMenu(QMenu& menu);

    CMediaTimeLine* m_line;
    CVideoPlayer* m_player;
    QToolBar* m_toolBar;
    QAction* m_actOnTop;
    QAction* m_actSound;
    QAction* m_actMaximize;
    QComboBox* m_display;
    Qt::WindowFlags m_baseFlags;
    int m_volume = 100;
    bool m_shownOnce = false;
    bool m_disposed = false;
};
