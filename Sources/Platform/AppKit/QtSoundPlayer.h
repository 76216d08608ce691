#pragma once

#include "SoundPlayer.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>

class QObject;
class QSoundEffect;

// The sound player the shell installs: plays our own short WAV files,
// <folder>/<name>.wav (Resources/Sounds unless told), through Qt Multimedia.
// Effects are loaded on first use and kept. A name with no file (or one that
// is not a plain file name: sound names come from stored alert lists) is
// logged once and plays nothing; without an audio output every sound is
// silent, also logged once. play() may be called from any thread: the sound
// starts on the main thread, where the player must have been made.
class QtSoundPlayer : public SoundPlayer {
public:
    explicit QtSoundPlayer(const QString& soundsFolder = defaultSoundsFolder());
    ~QtSoundPlayer() override;

    void play(const QString& soundName) override;

    static QString defaultSoundsFolder();
    // The file a name plays; empty when the name has none.
    QString fileOf(const QString& soundName) const;

private:
    void playOnMainThread(const QString& soundName);
    QSoundEffect* makeEffect(const QString& soundName, const QString& file);
    void reportOnce(const QString& soundName, const char* problem);

    QString m_folder;
    // Queued plays die with the player: they run in this object's context.
    std::unique_ptr<QObject> m_context;
    QHash<QString, QSoundEffect*> m_effects;  // children of m_context
    QSet<QString> m_reported;
    bool m_noOutputReported = false;
};
