#include "setup/ProfileChannelCell.h"

#include "model/ProfileChannelDef.h"

#include <QPainter>

namespace {

const QColor kBorder(205, 205, 200);
constexpr int kPictureSide = 96;
constexpr int kBeamsPictureWidth = 24;
constexpr int kBeamsTextLeft = 23;

} // namespace

CProfileChannelCell::CProfileChannelCell(Kind kind, CProfileChannelDef* channel, const QPixmap* picture,
                                         QWidget* parent)
    : QWidget(parent), m_kind(kind), m_channel(channel), m_picture(picture)
{
}

void CProfileChannelCell::SetChannel(CProfileChannelDef* channel)
{
    m_channel = channel;
    update();
}

void CProfileChannelCell::SetPixmap(const QPixmap* picture)
{
    m_picture = picture;
    update();
}

QString CProfileChannelCell::Text() const
{
    if (!m_channel)
        return QString();
    switch (m_kind) {
    case Index:
        return QStringLiteral("#%1").arg(qint64(m_channel->m_index) + 1);
    case Presets:
        return QStringLiteral("%1 Pr.").arg(m_channel->m_presets.size());
    case Beams: {
        // A fine byte serves the beams of its coarse byte.
        const CProfileChannelDef* source = m_channel->m_lsb && m_channel->m_partner16 ? m_channel->m_partner16
                                                                                       : m_channel;
        if (source->m_beams.isEmpty())
            return QStringLiteral(" All");
        QStringList beams;
        for (char beam : source->m_beams)
            beams << QString::number(int(quint8(beam)) + 1);
        return QLatin1Char(' ') + beams.join(QLatin1Char(','));
    }
    case Picture:
        break;
    }
    return QString();
}

void CProfileChannelCell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    switch (m_kind) {
    case Picture: {
        const QRect square((width() - kPictureSide) / 2, (height() - kPictureSide) / 2, kPictureSide, kPictureSide);
        if (m_picture && !m_picture->isNull())
            painter.drawPixmap(square, *m_picture);
        if (m_channel && m_channel->m_lsb) {
            // One picture for every column, loaded when first needed.
            static const QPixmap fine(QStringLiteral(":/Orvane/Images/Patch/Channels/Micro.png"));
            painter.drawPixmap(square, fine);
        }
        return;
    }
    case Beams: {
        static const QPixmap beams(QStringLiteral(":/Orvane/Images/Patch/Beams.png"));
        painter.drawPixmap(QRect(0, 0, kBeamsPictureWidth, height()), beams);
        painter.drawText(QRect(kBeamsTextLeft, 0, width() - kBeamsTextLeft, height()),
                         Qt::AlignLeft | Qt::AlignVCenter, Text());
        break;
    }
    case Index:
    case Presets:
        painter.drawText(rect(), Qt::AlignCenter, Text());
        break;
    }
    painter.setPen(kBorder);
    painter.drawRect(frame);
}
