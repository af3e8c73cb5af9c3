#pragma once

#include "RecordingHost.h"

#include "model/ProfileChannelDef.h"
#include "model/ProfilePresetDef.h"
#include "setup/ProfilePresetCtrl.h"
#include "setup/ProfilePresetsWnd.h"
#include "widgets/ColorPresetPayload.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QImage>
#include <QLayout>
#include <QMimeData>
#include <QTemporaryDir>

// A temporary program directory for picture folders; the working directory
// is the program's.
struct CPictureDir
{
    QTemporaryDir dir;
    QString old = QDir::currentPath();

    CPictureDir() { QDir::setCurrent(dir.path()); }
    ~CPictureDir() { QDir::setCurrent(old); }

    static void Write(const QString& path, int edge = 16)
    {
        QDir().mkpath(QFileInfo(path).path());
        QImage image(edge, edge, QImage::Format_ARGB32);
        image.fill(Qt::red);
        image.save(path, "PNG");
    }
};

// "0-85 86-170 171-255": one preset per range, named p0, p1...
inline void SetRanges(CProfileChannelDef& channel, const QString& ranges, int type = 0)
{
    channel.ClearPresets();
    for (const QString& range : ranges.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        auto* preset = new CProfilePresetDef;
        preset->m_type = type;
        preset->m_name = QStringLiteral("p%1").arg(channel.m_presets.size());
        preset->m_dmxStart = quint8(range.section(QLatin1Char('-'), 0, 0).toInt());
        preset->m_dmxEnd = quint8(range.section(QLatin1Char('-'), 1, 1).toInt());
        preset->UpdateDefaultValue();
        channel.m_presets << preset;
    }
}

inline QString Ranges(const CProfileChannelDef& channel)
{
    QStringList ranges;
    for (const CProfilePresetDef* preset : channel.m_presets)
        ranges << QStringLiteral("%1-%2").arg(preset->m_dmxStart).arg(preset->m_dmxEnd);
    return ranges.join(QLatin1Char(' '));
}

inline QString Names(const CProfileChannelDef& channel)
{
    QStringList names;
    for (const CProfilePresetDef* preset : channel.m_presets)
        names << preset->m_name;
    return names.join(QLatin1Char(' '));
}

inline SPresetPayload PicturePreset(int type, int count = 0, QRgb color = qRgb(0, 0, 255))
{
    SPresetPayload preset;
    preset.picture = QPixmap(48, 48);
    preset.type = type;
    preset.name = QStringLiteral("new");
    preset.count = count;
    for (qint32& c : preset.colors)
        c = qint32(color);
    return preset;
}

inline void Drop(QWidget* target, const QPoint& pos, const QMimeData* mime, Qt::KeyboardModifiers modifiers = {})
{
    QDropEvent drop(pos, Qt::MoveAction, mime, Qt::LeftButton, modifiers);
    // Straight to the widget: the application hands drops only to the
    // target of a running drag.
    static_cast<QObject*>(target)->event(&drop);
}

inline QMimeData* PresetMime(const QByteArray& payload)
{
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kPresetMimeType), payload);
    return mime;
}

// The preset list of a channel, shown so that its rows have their places.
struct CPresetListRig
{
    CRecordingHost host;
    CProfileChannelDef channel;
    std::unique_ptr<CProfilePresetsWnd> list;

    explicit CPresetListRig(const QString& ranges = QString(), int type = 0)
    {
        SetRanges(channel, ranges, type);
        Open();
    }
    void Open()
    {
        list = std::make_unique<CProfilePresetsWnd>(&channel);
        list->resize(300, 700);
        list->show();
        Place();
    }
    void Place() const { list->layout()->activate(); }
    QPoint Centre(int row) const { return list->Rows()[row]->geometry().center(); }
    QPoint BelowBottom() const { return list->Rows()[0]->geometry().bottomLeft() + QPoint(10, 2); }
    int Warnings() const { return host.calls.count(QStringLiteral("ShowInformation:Error:Cannot insert preset")); }
};
