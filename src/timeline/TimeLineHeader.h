#pragma once

#include <QVector>
#include <QWidget>

#include <functional>

class CTimeLineCtrl;

// The column of line names beside the timeline: a line's remove and add
// boxes, the sound and wave switches of the music line, the window, sound
// and wave switches of the video line, and the drag that reorders lines.
class CTimeLineHeader : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 200;

    explicit CTimeLineHeader(CTimeLineCtrl& control, QWidget* parent = nullptr);

    // Asks for a line's new name, given the old one; false when cancelled.
    // A modal text box unless replaced.
    using NameAsker = std::function<bool(QString& name)>;
    void SetNameAsker(NameAsker asker) { m_askName = std::move(asker); }

    void Layout();
    // A new scene line at `index`, as the live pages ask for it.
    void RequestAddLine(int index) { emit addLine(index); }
    QRect Band(int line) const { return m_bands.value(line); }
    QRect RemoveBox(int line) const { return m_removeBoxes.value(line); }
    QRect AddBox(int line) const { return m_addBoxes.value(line); }
    QRect MusicSoundSwitch() const { return m_musicSound; }
    QRect MusicWaveSwitch() const { return m_musicWave; }
    QRect VideoVisibleSwitch() const { return m_videoVisible; }
    QRect VideoSoundSwitch() const { return m_videoSound; }
    QRect VideoWaveSwitch() const { return m_videoWave; }
    // The line under a point, -1 outside every band.
    int LineAt(const QPoint& pos) const;
    int DropLine() const { return m_dropLine; }

signals:
    void addLine(int index);
    void removeLine(int index);
    void musicSoundChanged();
    void musicWaveChanged();
    void videoSoundChanged();
    void videoWaveChanged();
    // Reset: the window goes back to its first place.
    void videoVisibleChanged(bool reset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void StartDrag();
    QColor Fill(int line) const;

    CTimeLineCtrl& m_control;
    NameAsker m_askName;
    int m_pressedLine = -1;
    int m_dropLine = -1;
    bool m_dragging = false;
    QRect m_musicSound;
    QRect m_musicWave;
    QRect m_videoVisible;
    QRect m_videoSound;
    QRect m_videoWave;
    QVector<QRect> m_bands;
    QVector<QRect> m_removeBoxes;
    QVector<QRect> m_addBoxes;
};
