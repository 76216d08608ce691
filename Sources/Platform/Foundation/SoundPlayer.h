#pragma once

#include <QString>

// Plays the alert sounds by name. The shell installs the real one; until
// then sounds are only logged.
class SoundPlayer {
public:
    virtual ~SoundPlayer();

    virtual void play(const QString& soundName) = 0;

    static SoundPlayer& current();
    // Installs a player (not owned); null restores the silent one.
    static void setCurrent(SoundPlayer* player);
};
