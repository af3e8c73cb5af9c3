#pragma once

#include "media/MusicPlayer.h"

#include <functional>

class QMediaPlayer;

// The music player over Qt's media player and the system's sound.
class CSystemMusicPlayer : public CMusicPlayer
{
    Q_OBJECT

public:
    // Whether the system has a sound output to play to; by default, whether
    // it names one.
    using OutputCheck = std::function<bool()>;
    explicit CSystemMusicPlayer(QObject* parent = nullptr, OutputCheck hasOutput = {});

    void SetFile(const QString& path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    qint64 Position() const override;
    void SetPosition(qint64 ms) override;
    bool IsSeekable() const override;
    void SetVolume(int volume) override;
    State GetState() const override;

private:
    QMediaPlayer* m_player;
    OutputCheck m_hasOutput;
};
