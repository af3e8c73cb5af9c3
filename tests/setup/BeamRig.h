#pragma once

#include "model/FixtureProfile.h"
#include "model/ProfileTypes.h"
#include "setup/BeamItem.h"
#include "setup/BeamsView.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

// A profile whose current mode holds one channel per letter of `types`:
// P pan, p fine pan, T tilt, R red, g green, b blue, D dimmer, S shutter,
// s fine shutter, G gobo wheel, C colour dimmer. `beamPositions` beams are
// laid out in a row.
inline CFixtureProfile* MakeBeamProfile(const QString& types, int beamPositions = 0)
{
    auto* profile = new CFixtureProfile;
    for (int i = 0; i < beamPositions; ++i)
        profile->m_beams.append({float(i), 0.0f});
    profile->UpdateBeamExtent();
    const QString letters = QStringLiteral("PpTRgbDSsGC");
    const int typeOf[] = {ChannelType::Pan,     ChannelType::Pan,     ChannelType::Tilt,      ChannelType::Red,
                          ChannelType::Green,   ChannelType::Blue,    ChannelType::Dimmer,    ChannelType::Shutter,
                          ChannelType::Shutter, ChannelType::GoboWheel, ChannelType::ColorDimmer};
    for (const QChar letter : types) {
        auto* channel = new CProfileChannelDef;
        channel->m_type = typeOf[letters.indexOf(letter)];
        channel->m_lsb = letter == QLatin1Char('p') || letter == QLatin1Char('s');
        channel->m_name = QString(letter);
        channel->m_index = profile->CurrentMode()->ChannelCount();
        profile->CurrentMode()->m_channels << channel;
    }
    return profile;
}

// Beam lists of the mode, one entry per channel: "all" or "0.2.1".
inline QStringList BeamLists(const CProfileMode& mode)
{
    QStringList lists;
    for (const CProfileChannelDef* channel : mode.m_channels) {
        QStringList beams;
        for (char beam : channel->m_beams)
            beams << QString::number(quint8(beam));
        lists << (beams.isEmpty() ? QStringLiteral("all") : beams.join(QLatin1Char('.')));
    }
    return lists;
}

inline void SetBeamLists(CProfileMode& mode, const QStringList& lists)
{
    for (int i = 0; i < lists.size() && i < mode.ChannelCount(); ++i) {
        QByteArray& beams = mode.m_channels[i]->m_beams;
        beams.clear();
        if (lists[i] == QLatin1String("all"))
            continue;
        for (const QString& beam : lists[i].split(QLatin1Char('.')))
            beams.append(char(quint8(beam.toInt())));
    }
}

// "x,y" per position, or per beam's top-left corner, in list order.
inline QString PositionsText(const QVector<CBeamPosition>& positions)
{
    QStringList text;
    for (const CBeamPosition& p : positions)
        text << QStringLiteral("%1,%2").arg(double(p.x)).arg(double(p.y));
    return text.join(QLatin1Char(' '));
}

inline QString TopLefts(const CBeamsView& view)
{
    QStringList text;
    for (const CBeamItem* beam : view.Beams())
        text << QStringLiteral("%1,%2").arg(beam->m_rect.left()).arg(beam->m_rect.top());
    return text.join(QLatin1Char(' '));
}

inline QImage Rendered(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}
