#pragma once

#include <QObject>
#include <QString>

// What the timeline and the scenes need of a music player: one local file,
// play, pause, stop, position and volume. The program plays through the
// system's media player; tests use a recording fake.
class CMusicPlayer : public QObject
{
    Q_OBJECT

public:
    enum State { StoppedState, PlayingState, PausedState };
    Q_ENUM(State)

    explicit CMusicPlayer(QObject* parent = nullptr)
        : QObject(parent)
    {
        qRegisterMetaType<CMusicPlayer::State>(); // for queued connections and signal spies
    }

    virtual void SetFile(const QString& path) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual qint64 Position() const = 0;
    virtual void SetPosition(qint64 ms) = 0;
    virtual bool IsSeekable() const = 0;
    virtual void SetVolume(int volume) = 0; // 0 to 100
    virtual State GetState() const = 0;

signals:
    void stateChanged(CMusicPlayer::State state);
    // The file or the sound could not be played; `reason` is the player's own words.
    void failed(const QString& reason);
};
