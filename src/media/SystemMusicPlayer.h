#pragma once

#include "media/MusicPlayer.h"

class QMediaPlayer;

// The music player over Qt's media player and the system's sound.
class CSystemMusicPlayer : public CMusicPlayer
{
    Q_OBJECT

public:
    explicit CSystemMusicPlayer(QObject* parent = nullptr);

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
};
