#include "RecordingSoundPlayer.h"

RecordingSoundPlayer::RecordingSoundPlayer() : m_previous(&SoundPlayer::current())
{
    SoundPlayer::setCurrent(this);
}

RecordingSoundPlayer::~RecordingSoundPlayer()
{
    SoundPlayer::setCurrent(m_previous);
}

void RecordingSoundPlayer::play(const QString& soundName)
{
    std::lock_guard lock(m_mutex);
    m_played.append(soundName);
}

QStringList RecordingSoundPlayer::playedSounds() const
{
    std::lock_guard lock(m_mutex);
    return m_played;
}
