#pragma once

#include <QByteArray>
#include <QPoint>
#include <QWidget>

class CHProSlider;
class CScene;

// One scene button of a live page: the scene's name, lit while the scene
// plays, a corner that opens the scene's options and, for a preset effect,
// a level fader along its foot. A click that turned into a drag is no press.
class CSceneButton : public QWidget
{
    Q_OBJECT
public:
    CSceneButton(CScene* scene, int index, QWidget* parent = nullptr);

    CScene* Scene() const { return m_scene; }
    int Index() const { return m_index; }

    bool IsMarked() const { return m_marked; }
    void SetMarked(bool marked);
    bool IsCurrent() const { return m_current; }
    void SetCurrent(bool current);

    // Gives the button its level fader, showing `percent` (kept to 0-100).
    void ShowLevelFader(int percent);
    CHProSlider* LevelFader() const { return m_levelFader; }

    QRect OptionsRect() const;
    QSize sizeHint() const override;

    static constexpr int kWidth = 110;
    static constexpr int kHeight = 64;

signals:
    void pressed(int index);
    void optionsRequested(int index);
    void dragRequested(int index);
    void menuRequested(int index, const QPoint& globalPos);
    void levelMoved(int index, int percent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CScene* m_scene;
    int m_index;
    bool m_marked = false;
    bool m_current = false;
    bool m_pressing = false;
    QPoint m_pressPos;
    CHProSlider* m_levelFader = nullptr;
};
