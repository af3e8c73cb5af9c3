#pragma once

#include "media/MusicPlayer.h"

#include <QStringList>

// A music player that records every call in order ("play", "pause 1200",
// "seek 5000", "volume 80", ...) and changes state as a real one would.
class CFakeMusicPlayer : public CMusicPlayer
{
public:
    using CMusicPlayer::CMusicPlayer;

    QStringList calls;
    bool seekable = true;
    qint64 position = 0;

    void SetFile(const QString& path) override
    {
        calls << QStringLiteral("file ") + path;
        Become(StoppedState);
    }
    void Play() override
    {
        calls << QStringLiteral("play");
        Become(PlayingState);
    }
    void Pause() override
    {
        calls << QStringLiteral("pause %1").arg(position);
        Become(PausedState);
    }
    void Stop() override
    {
        calls << QStringLiteral("stop");
        position = 0;
        Become(StoppedState);
    }
    qint64 Position() const override { return position; }
    void SetPosition(qint64 ms) override
    {
        calls << QStringLiteral("seek %1").arg(ms);
        position = ms;
    }
    bool IsSeekable() const override { return seekable; }
    void SetVolume(int volume) override { calls << QStringLiteral("volume %1").arg(volume); }
    State GetState() const override { return m_state; }

    // What a real player does when its music ends.
    void ReachEnd() { Become(StoppedState); }
    // What a real player does without a sound device or with a file it cannot read.
    void Fail(const QString& reason)
    {
        Become(StoppedState);
        emit failed(reason);
    }

private:
    void Become(State state)
    {
        if (state == m_state)
            return;
        m_state = state;
        emit stateChanged(state);
    }

    State m_state = StoppedState;
};
