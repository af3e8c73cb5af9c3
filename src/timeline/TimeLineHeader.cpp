#include "timeline/TimeLineHeader.h"

#include "show/TimeLine.h"
#include "timeline/TimeLineCtrl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

QPixmap Picture(const QString& path)
{
    return QPixmap(QStringLiteral(":/Orvane/Images/") + path);
}

} // namespace

CTimeLineHeader::CTimeLineHeader(CTimeLineCtrl& control, QWidget* parent)
    : QWidget(parent)
    , m_control(control)
{
    setFixedWidth(kWidth);
    connect(&m_control, &CTimeLineCtrl::linesChanged, this, &CTimeLineHeader::Layout);
    Layout();
}

void CTimeLineHeader::Layout()
{
    m_musicSound = m_musicWave = QRect();
    m_bands.clear();
    m_removeBoxes.clear();
    m_addBoxes.clear();
    const int right = width() - 1;
    int y = 0;
    for (const CTimeLine* line : m_control.Lines()) {
        const int h = line->IsMedia() ? CTimeLineCtrl::kMediaLineHeight : CTimeLineCtrl::kSceneLineHeight;
        m_bands << QRect(QPoint(0, y), QPoint(right, y + h - 1));
        m_removeBoxes << QRect(QPoint(right - 15, y + 1), QPoint(right, y + 16));
        m_addBoxes << QRect(QPoint(right - 15, y + h - 16), QPoint(right, y + h - 1));
        if (line->m_type == CTimeLine::MusicLine) {
            m_musicSound = QRect(QPoint(0, y + 16), QPoint(15, y + 31));
            m_musicWave = QRect(QPoint(0, y + 31), QPoint(15, y + 46));
        }
        y += h;
    }
    setMinimumHeight(y + 1);
    update();
}

void CTimeLineHeader::resizeEvent(QResizeEvent*)
{
    Layout();
}

void CTimeLineHeader::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->pos();
    if (m_control.MusicLine() && m_musicSound.contains(pos)) {
        emit musicSoundChanged();
        update();
        return;
    }
    if (m_control.MusicLine() && m_musicWave.contains(pos)) {
        emit musicWaveChanged();
        update();
        return;
    }
    for (int i = 0; i < m_bands.size(); ++i) {
        if (m_addBoxes[i].contains(pos)) {
            emit addLine(i + 1);
            return;
        }
        if (m_removeBoxes[i].contains(pos)) {
            emit removeLine(i);
            return;
        }
        if (m_bands[i].contains(pos)) {
            m_pressedLine = i;
            return;
        }
    }
    m_pressedLine = -1;
}

void CTimeLineHeader::paintEvent(QPaintEvent*)
{
    static const QPixmap minus = Picture(QStringLiteral("Icons/Moins.png"));
    static const QPixmap plus = Picture(QStringLiteral("Icons/Plus.png"));
    static const QPixmap soundOn = Picture(QStringLiteral("TimeLine/SoundOn.png"));
    static const QPixmap soundOff = Picture(QStringLiteral("TimeLine/SoundOff.png"));
    static const QPixmap waveOn = Picture(QStringLiteral("TimeLine/WaveOn.png"));
    static const QPixmap waveOff = Picture(QStringLiteral("TimeLine/WaveOff.png"));
    QPainter p(this);
    p.fillRect(rect(), QColor(220, 220, 220));
    p.setPen(QColor(50, 50, 50));
    int sceneLines = 0;
    const QList<CTimeLine*>& lines = m_control.Lines();
    for (int i = 0; i < lines.size() && i < m_bands.size(); ++i) {
        const CTimeLine* line = lines[i];
        const QColor fill = line->m_type == CTimeLine::MusicLine   ? QColor(255, 224, 126)
                            : line->m_type == CTimeLine::VideoLine ? QColor(190, 128, 255)
                            : sceneLines++ % 2                     ? QColor(200, 200, 240)
                                                                   : QColor(180, 180, 180);
        p.fillRect(m_bands[i], fill);
        p.drawText(m_bands[i].adjusted(4, 0, -20, 0), Qt::AlignCenter, line->m_name);
        p.drawRect(m_bands[i]);
        p.drawPixmap(m_removeBoxes[i].topLeft(), minus);
        p.drawPixmap(m_addBoxes[i].topLeft(), plus);
        if (line->m_type == CTimeLine::MusicLine) {
            const auto* music = static_cast<const CMediaTimeLine*>(line);
            p.drawPixmap(m_musicSound.topLeft(), music->m_sound ? soundOn : soundOff);
            p.drawPixmap(m_musicWave.topLeft(), music->m_wave ? waveOn : waveOff);
        }
    }
}
