#pragma once

#include <QAudioDeviceInfo>
#include <QDir>
#include <QFile>

// A sound output that plays nothing, so that sound paths run on a machine
// without a sound card: an ALSA device of type null, declared in a
// configuration written into `folder` that extends the system's own. Null
// when the ALSA configuration cannot be extended here.
inline QAudioDeviceInfo SilentAudioSink(const QString& folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("asound.conf"));
    QFile conf(path);
    if (!conf.open(QIODevice::WriteOnly))
        return QAudioDeviceInfo();
    conf.write("</usr/share/alsa/alsa.conf>\n"
               "pcm.orvanesilent { type null hint { show on description \"Plays nothing\" } }\n");
    conf.close();
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(path));
    for (const QAudioDeviceInfo& device : QAudioDeviceInfo::availableDevices(QAudio::AudioOutput)) {
        if (device.deviceName() == QLatin1String("orvanesilent"))
            return device;
    }
    return QAudioDeviceInfo();
}
