#pragma once

#include "SoundPlayer.h"

#include <QStringList>

#include <mutex>

// Records the names of the sounds played; installed as the current player
// for its life.
class RecordingSoundPlayer : public SoundPlayer {
public:
    RecordingSoundPlayer();
    ~RecordingSoundPlayer() override;

    void play(const QString& soundName) override;
    QStringList playedSounds() const;

private:
    SoundPlayer* m_previous;
    mutable std::mutex m_mutex;
    QStringList m_played;
};
