#include "timeline/TimeLineHeader.h"

#include "Captions.h"
#include "model/Language.h"
#include "show/ShowHost.h"
#include "show/TimeLine.h"
#include "timeline/TimeLineCtrl.h"

#include <QApplication>
#include <QDrag>
#include <QInputDialog>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QString kLineDragFormat = QStringLiteral("image/zk-timeline");

QPixmap Picture(const QString& path)
{
    return QPixmap(QStringLiteral(":/Orvane/Images/") + path);
}

// A switch that reloads the waves keeps the wait cursor while it works.
struct CWaitCursor
{
    CWaitCursor()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QApplication::processEvents();
    }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

CTimeLineHeader::CTimeLineHeader(CTimeLineCtrl& control, QWidget* parent)
    : QWidget(parent)
    , m_control(control)
{
    setFixedWidth(kWidth);
    setAcceptDrops(true);
    m_askName = [this](QString& name) {
        const QString title = GetLangText(Txt::EdName);
        bool ok = false;
        ShowHost().SuspendVideoWindow();
        name = QInputDialog::getText(this, title, title + QStringLiteral(" :"), QLineEdit::Normal, name, &ok);
        ShowHost().ResumeVideoWindow();
        return ok;
    };
    connect(&m_control, &CTimeLineCtrl::linesChanged, this, &CTimeLineHeader::Layout);
    Layout();
}

void CTimeLineHeader::Layout()
{
    m_musicSound = m_musicWave = m_videoVisible = m_videoSound = m_videoWave = QRect();
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
        } else if (line->m_type == CTimeLine::VideoLine) {
            m_videoVisible = QRect(QPoint(0, y + 1), QPoint(15, y + 16));
            m_videoSound = QRect(QPoint(0, y + 16), QPoint(15, y + 31));
            m_videoWave = QRect(QPoint(0, y + 31), QPoint(15, y + 46));
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
        const CWaitCursor wait;
        emit musicWaveChanged();
        update();
        return;
    }
    if (m_control.VideoLine()) {
        if (m_videoVisible.contains(pos))
            emit videoVisibleChanged(event->modifiers() & Qt::ControlModifier);
        else if (m_videoSound.contains(pos))
            emit videoSoundChanged();
        else if (m_videoWave.contains(pos)) {
            const CWaitCursor wait;
            emit videoWaveChanged();
        }
        if (m_videoVisible.contains(pos) || m_videoSound.contains(pos) || m_videoWave.contains(pos)) {
            update();
            return;
        }
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

int CTimeLineHeader::LineAt(const QPoint& pos) const
{
    for (int i = 0; i < m_bands.size(); ++i) {
        if (m_bands[i].contains(pos))
            return i;
    }
    return -1;
}

void CTimeLineHeader::mouseMoveEvent(QMouseEvent*)
{
    if (m_pressedLine >= 0 && !m_dragging)
        StartDrag();
}

void CTimeLineHeader::mouseReleaseEvent(QMouseEvent*)
{
    m_pressedLine = -1;
    m_dragging = false;
}

void CTimeLineHeader::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->pos();
    const int index = LineAt(pos);
    CTimeLine* line = m_control.Lines().value(index);
    m_pressedLine = -1;
    if (!line || m_removeBoxes[index].contains(pos) || m_addBoxes[index].contains(pos))
        return;
    for (const QRect& box : {m_musicSound, m_musicWave, m_videoVisible, m_videoSound, m_videoWave}) {
        if (box.contains(pos))
            return;
    }
    QString name = line->m_name;
    if (!m_askName || !m_askName(name) || name.isEmpty() || !m_control.Lines().contains(line))
        return;
    line->m_name = name;
    update();
    ShowHost().SetModified(true);
}

void CTimeLineHeader::StartDrag()
{
    const CTimeLine* line = m_control.Lines().value(m_pressedLine);
    if (!line) {
        m_pressedLine = -1;
        return;
    }
    m_dragging = true;
    const QRect band = m_bands.value(m_pressedLine);
    QPixmap picture(band.size());
    {
        QPainter p(&picture);
        p.fillRect(picture.rect(), Fill(m_pressedLine));
        p.setPen(QColor(50, 50, 50));
        p.drawText(picture.rect().adjusted(4, 0, -20, 0), Qt::AlignCenter, line->m_name);
        p.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    }
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kLineDragFormat, QByteArray());
    drag->setMimeData(data);
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(-10, -10));
    if (drag->exec(Qt::MoveAction) != Qt::MoveAction) {
        m_pressedLine = m_dropLine = -1;
        m_dragging = false;
        update();
    }
}

void CTimeLineHeader::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(kLineDragFormat))
        event->acceptProposedAction();
}

void CTimeLineHeader::dragMoveEvent(QDragMoveEvent* event)
{
    const int line = event->mimeData()->hasFormat(kLineDragFormat) ? LineAt(event->pos()) : -1;
    if (line != m_dropLine) {
        m_dropLine = line;
        update();
    }
    if (line >= 0) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CTimeLineHeader::dragLeaveEvent(QDragLeaveEvent*)
{
    m_dropLine = -1;
    update();
}

void CTimeLineHeader::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasFormat(kLineDragFormat) || m_pressedLine < 0)
        return;
    m_control.MoveLine(m_pressedLine, LineAt(event->pos()));
    event->setDropAction(Qt::MoveAction);
    event->accept();
    m_pressedLine = m_dropLine = -1;
    m_dragging = false;
    Layout();
}

QColor CTimeLineHeader::Fill(int index) const
{
    const QList<CTimeLine*>& lines = m_control.Lines();
    const CTimeLine* line = lines.value(index);
    if (index == m_dropLine || !line)
        return QColor(240, 240, 240);
    const int sceneLines =
        int(std::count_if(lines.begin(), lines.begin() + index, [](const CTimeLine* l) { return !l->IsMedia(); }));
    return CTimeLineCtrl::LineColor(*line, sceneLines);
}

void CTimeLineHeader::paintEvent(QPaintEvent*)
{
    static const QPixmap minus = Picture(QStringLiteral("Icons/Moins.png"));
    static const QPixmap plus = Picture(QStringLiteral("Icons/Plus.png"));
    static const QPixmap soundOn = Picture(QStringLiteral("TimeLine/SoundOn.png"));
    static const QPixmap soundOff = Picture(QStringLiteral("TimeLine/SoundOff.png"));
    static const QPixmap waveOn = Picture(QStringLiteral("TimeLine/WaveOn.png"));
    static const QPixmap waveOff = Picture(QStringLiteral("TimeLine/WaveOff.png"));
    static const QPixmap videoOn = Picture(QStringLiteral("TimeLine/VideoOn.png"));
    static const QPixmap videoOff = Picture(QStringLiteral("TimeLine/VideoOff.png"));
    QPainter p(this);
    p.fillRect(rect(), QColor(220, 220, 220));
    p.setPen(QColor(50, 50, 50));
    const QList<CTimeLine*>& lines = m_control.Lines();
    for (int i = 0; i < lines.size() && i < m_bands.size(); ++i) {
        const CTimeLine* line = lines[i];
        p.fillRect(m_bands[i], Fill(i));
        p.drawText(m_bands[i].adjusted(4, 0, -20, 0), Qt::AlignCenter, line->m_name);
        p.drawRect(m_bands[i]);
        p.drawPixmap(m_removeBoxes[i].topLeft(), minus);
        p.drawPixmap(m_addBoxes[i].topLeft(), plus);
        if (line->m_type == CTimeLine::MusicLine) {
            const auto* music = static_cast<const CMediaTimeLine*>(line);
            p.drawPixmap(m_musicSound.topLeft(), music->m_sound ? soundOn : soundOff);
            p.drawPixmap(m_musicWave.topLeft(), music->m_wave ? waveOn : waveOff);
        } else if (line->m_type == CTimeLine::VideoLine) {
            const auto* video = static_cast<const CMediaTimeLine*>(line);
            p.drawPixmap(m_videoVisible.topLeft(), video->m_visible ? videoOn : videoOff);
            p.drawPixmap(m_videoSound.topLeft(), video->m_sound ? soundOn : soundOff);
            p.drawPixmap(m_videoWave.topLeft(), video->m_wave ? waveOn : waveOff);
        }
    }
}
