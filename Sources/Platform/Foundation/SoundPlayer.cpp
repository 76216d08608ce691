#include "SoundPlayer.h"

#include "CurrentInstance.h"

#include <QDebug>

namespace {

class SilentSoundPlayer : public SoundPlayer {
public:
    void play(const QString& soundName) override { qInfo() << "Sound not played:" << soundName; }
};

CurrentInstance<SoundPlayer>& installedSoundPlayer()
{
    static SilentSoundPlayer silent;
    static CurrentInstance<SoundPlayer> instance(silent);
    return instance;
}

}  // namespace

SoundPlayer::~SoundPlayer() = default;

SoundPlayer& SoundPlayer::current()
{
    return installedSoundPlayer().get();
}

void SoundPlayer::setCurrent(SoundPlayer* player)
{
    installedSoundPlayer().set(player);
}
