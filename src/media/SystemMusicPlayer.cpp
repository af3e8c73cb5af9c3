#include "media/SystemMusicPlayer.h"

#include <QAudioDeviceInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <utility>

namespace {

CMusicPlayer::State StateOf(QMediaPlayer::State state)
{
    switch (state) {
    case QMediaPlayer::PlayingState:
        return CMusicPlayer::PlayingState;
    case QMediaPlayer::PausedState:
        return CMusicPlayer::PausedState;
    default:
        return CMusicPlayer::StoppedState;
    }
}

} // namespace

CSystemMusicPlayer::CSystemMusicPlayer(QObject* parent, OutputCheck hasOutput)
    : CMusicPlayer(parent)
    , m_player(new QMediaPlayer(this))
    , m_hasOutput(std::move(hasOutput))
{
    if (!m_hasOutput)
        m_hasOutput = [] { return !QAudioDeviceInfo::defaultOutputDevice().isNull(); };
    connect(m_player, &QMediaPlayer::stateChanged, this, [this](QMediaPlayer::State state) { emit stateChanged(StateOf(state)); });
    // Without a sound device, a back end or a readable file the player only
    // stops: its error is the one word the user gets of it.
    connect(m_player, QOverload<QMediaPlayer::Error>::of(&QMediaPlayer::error), this, [this](QMediaPlayer::Error error) {
        if (error == QMediaPlayer::NoError)
            return;
        const QString reason = m_player->errorString();
        emit failed(reason.isEmpty() ? QStringLiteral("error %1").arg(int(error)) : reason);
    });
}

void CSystemMusicPlayer::SetFile(const QString& path)
{
    // Without a sound server the back end plays on in silence and reports
    // nothing but a line on the terminal. Said as soon as there is music to
    // play: the play itself waits for the back end to have read the file.
    if (!m_hasOutput())
        emit failed(QStringLiteral("no sound output device"));
    m_player->setMedia(QUrl::fromLocalFile(path));
}

void CSystemMusicPlayer::Play()
{
    m_player->play();
}

void CSystemMusicPlayer::Pause()
{
    m_player->pause();
}

void CSystemMusicPlayer::Stop()
{
    m_player->stop();
}

qint64 CSystemMusicPlayer::Position() const
{
    return m_player->position();
}

void CSystemMusicPlayer::SetPosition(qint64 ms)
{
    m_player->setPosition(ms);
}

bool CSystemMusicPlayer::IsSeekable() const
{
    return m_player->isSeekable();
}

void CSystemMusicPlayer::SetVolume(int volume)
{
    m_player->setVolume(qBound(0, volume, 100));
}

CMusicPlayer::State CSystemMusicPlayer::GetState() const
{
    return StateOf(m_player->state());
}
