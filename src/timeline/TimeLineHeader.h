#pragma once

#include <QVector>
#include <QWidget>

class CTimeLineCtrl;

// The column of line names beside the timeline: a line's remove and add
// boxes, and the sound and wave switches of the music line.
class CTimeLineHeader : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kWidth = 200;

    explicit CTimeLineHeader(CTimeLineCtrl& control, QWidget* parent = nullptr);

    void Layout();
    // A new scene line at `index`, as the live pages ask for it.
    void RequestAddLine(int index) { emit addLine(index); }
    QRect Band(int line) const { return m_bands.value(line); }
    QRect RemoveBox(int line) const { return m_removeBoxes.value(line); }
    QRect AddBox(int line) const { return m_addBoxes.value(line); }
    QRect MusicSoundSwitch() const { return m_musicSound; }
    QRect MusicWaveSwitch() const { return m_musicWave; }

signals:
    void addLine(int index);
    void removeLine(int index);
    void musicSoundChanged();
    void musicWaveChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CTimeLineCtrl& m_control;
    int m_pressedLine = -1;
    QRect m_musicSound;
    QRect m_musicWave;
    QVector<QRect> m_bands;
    QVector<QRect> m_removeBoxes;
    QVector<QRect> m_addBoxes;
};
