#pragma once

#include <QAudioDeviceInfo>
#include <QDir>
#include <QFile>

// A sound output that plays nothing, so that sound paths run on a machine
// without a sound card: an ALSA device of type null, declared in a
// configuration written into a folder of the test's that extends the
// system's own. The configuration is the process's until the sink goes, so
// that later tests find the machine as it was. `device` is null when the
// ALSA configuration cannot be extended here.
class CSilentAudioSink
{
public:
    explicit CSilentAudioSink(const QString& folder)
        : m_previous(qgetenv(kVariable))
        , m_hadPrevious(qEnvironmentVariableIsSet(kVariable))
    {
        const QString path = QDir(folder).filePath(QStringLiteral("asound.conf"));
        QFile conf(path);
        if (!conf.open(QIODevice::WriteOnly))
            return;
        conf.write("</usr/share/alsa/alsa.conf>\n"
                   "pcm.orvanesilent { type null hint { show on description \"Plays nothing\" } }\n");
        conf.close();
        qputenv(kVariable, QFile::encodeName(path));
        for (const QAudioDeviceInfo& output : QAudioDeviceInfo::availableDevices(QAudio::AudioOutput)) {
            if (output.deviceName() == QLatin1String("orvanesilent"))
                device = output;
        }
    }
    ~CSilentAudioSink()
    {
        if (m_hadPrevious)
            qputenv(kVariable, m_previous);
        else
            qunsetenv(kVariable);
    }
    CSilentAudioSink(const CSilentAudioSink&) = delete;
    CSilentAudioSink& operator=(const CSilentAudioSink&) = delete;

    QAudioDeviceInfo device;

private:
    static constexpr const char* kVariable = "ALSA_CONFIG_PATH";
    QByteArray m_previous;
    bool m_hadPrevious;
};
