#include "QtSoundPlayer.h"

#include "MainQueue.h"
#include "Paths.h"

#include <QDebug>
#include <QAudioDevice>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace {

// Names come from stored alert lists, which other programs may have
// written: only a plain file name may pick a file from the folder.
bool isPlainName(const QString& soundName)
{
    return !soundName.isEmpty() && soundName.size() <= 255 && !soundName.startsWith(QLatin1Char('.'))
           && !soundName.contains(QLatin1Char('/')) && !soundName.contains(QLatin1Char('\\'))
           && !soundName.contains(QChar::Null);
}

}  // namespace

QtSoundPlayer::QtSoundPlayer(const QString& soundsFolder)
    : m_folder(soundsFolder), m_context(std::make_unique<QObject>())
{
}

QtSoundPlayer::~QtSoundPlayer() = default;

QString QtSoundPlayer::defaultSoundsFolder()
{
    return Paths::resourcesFolder() + QStringLiteral("/Sounds");
}

QString QtSoundPlayer::fileOf(const QString& soundName) const
{
    if (!isPlainName(soundName)) return QString();
    const QString path = QDir(m_folder).filePath(soundName + QStringLiteral(".wav"));
    return QFileInfo(path).isFile() ? path : QString();
}

void QtSoundPlayer::play(const QString& soundName)
{
    if (MainQueue::isMainThread()) {
        playOnMainThread(soundName);
        return;
    }
    QMetaObject::invokeMethod(
        m_context.get(), [this, soundName] { playOnMainThread(soundName); }, Qt::QueuedConnection);
}

void QtSoundPlayer::playOnMainThread(const QString& soundName)
{
    QSoundEffect* effect = m_effects.value(soundName);
    const QString file = effect ? QString() : fileOf(soundName);
    if (!effect && file.isEmpty()) {
        reportOnce(soundName, "No sound file for");
        return;
    }
    if (QMediaDevices::audioOutputs().isEmpty()) {
        if (!m_noOutputReported) qInfo() << "No audio output: alert sounds are silent";
        m_noOutputReported = true;
        return;
    }
    if (!effect) effect = makeEffect(soundName, file);
    effect->play();
}

QSoundEffect* QtSoundPlayer::makeEffect(const QString& soundName, const QString& file)
{
    auto* effect = new QSoundEffect(m_context.get());
    QObject::connect(effect, &QSoundEffect::statusChanged, m_context.get(), [this, effect, soundName] {
        if (effect->status() == QSoundEffect::Error) reportOnce(soundName, "Cannot play the sound");
    });
    effect->setSource(QUrl::fromLocalFile(file));
    m_effects.insert(soundName, effect);
    return effect;
}

void QtSoundPlayer::reportOnce(const QString& soundName, const char* problem)
{
    if (m_reported.contains(soundName)) return;
    m_reported.insert(soundName);
    qWarning().noquote() << problem << soundName;
}
