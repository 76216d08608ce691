#include "QtSoundPlayer.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QDataStream>
#include <QFile>
#include <QSoundEffect>
#include <QUrl>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The sounds the program ships, made by scripts/make-sounds.py.
const char* const shippedSounds[] = {"Chime", "Bell", "Click"};

TEST(QtSoundPlayerTest, OnlyAPlainNameOfAShippedFilePicksAFile)
{
    QtSoundPlayer player;
    for (const char* name : shippedSounds) {
        SCOPED_TRACE(name);
        const QString file = player.fileOf(QString::fromLatin1(name));
        EXPECT_TRUE(file.endsWith(QStringLiteral("/Sounds/%1.wav").arg(QString::fromLatin1(name))));
    }
    for (const char* name : {"", "NoSuchSound", "../Sounds/Chime", "/Chime", "..", ".Chime", "Sounds\\Chime"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(player.fileOf(QString::fromLatin1(name)).isEmpty());
    }
}

// Short 16-bit PCM files, which every backend plays as an effect.
TEST(QtSoundPlayerTest, ShippedSoundsAreShortPcmWaves)
{
    QtSoundPlayer player;
    for (const char* name : shippedSounds) {
        SCOPED_TRACE(name);
        QFile file(player.fileOf(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(44);
        ASSERT_EQ(header.size(), 44);
        EXPECT_EQ(header.mid(0, 4), "RIFF");
        EXPECT_EQ(header.mid(8, 8), "WAVEfmt ");
        QDataStream fields(header);
        fields.setByteOrder(QDataStream::LittleEndian);
        fields.skipRawData(20);
        quint16 format = 0, channels = 0, bitsPerSample = 0, blockAlign = 0;
        quint32 rate = 0, byteRate = 0, dataSize = 0;
        fields >> format >> channels >> rate >> byteRate >> blockAlign >> bitsPerSample;
        fields.skipRawData(4);
        fields >> dataSize;
        EXPECT_EQ(format, 1);
        EXPECT_EQ(bitsPerSample, 16);
        ASSERT_GT(rate, 0u);
        const double seconds = double(dataSize) / byteRate;
        EXPECT_GT(seconds, 0.01);
        EXPECT_LT(seconds, 1.5);

        // And Qt's own decoder takes it, with or without an audio output.
        QSoundEffect effect;
        effect.setSource(QUrl::fromLocalFile(file.fileName()));
        EXPECT_TRUE(processEventsUntil([&] { return effect.status() != QSoundEffect::Loading; }));
        EXPECT_EQ(effect.status(), QSoundEffect::Ready);
    }
}

TEST(QtSoundPlayerTest, PlayingAPresentAndAMissingSoundNeverStopsTheProgram)
{
    LogCapture log;
    auto player = std::make_unique<QtSoundPlayer>();
    player->play(QStringLiteral("Chime"));
    player->play(QStringLiteral("NoSuchSound"));
    player->play(QStringLiteral("NoSuchSound"));
    player->play(QStringLiteral("../../etc/passwd"));
    processEventsUntil([] { return false; }, 200);  // let a backend load and fail if it will
    player->play(QStringLiteral("Chime"));
    EXPECT_EQ(log.messages().filter(QStringLiteral("NoSuchSound")).size(), 1) << "logged once";
    EXPECT_EQ(log.messages().filter(QStringLiteral("../../etc/passwd")).size(), 1);
    player.reset();
}

TEST(QtSoundPlayerTest, APlayFromAnotherThreadIsDroppedSafelyWhenThePlayerIsGone)
{
    LogCapture log;
    auto player = std::make_unique<QtSoundPlayer>();
    std::unique_ptr<QThread> worker(QThread::create([&] {
        player->play(QStringLiteral("Bell"));
        player->play(QStringLiteral("NotShipped"));
    }));
    worker->start();
    worker->wait();
    player.reset();  // the queued plays die with it
    processEventsUntil([] { return false; }, 100);
    EXPECT_FALSE(log.contains(QStringLiteral("NotShipped")));

    player = std::make_unique<QtSoundPlayer>();
    worker.reset(QThread::create([&] { player->play(QStringLiteral("NotShipped")); }));
    worker->start();
    worker->wait();
    EXPECT_TRUE(processEventsUntil([&] { return log.contains(QStringLiteral("NotShipped")); }, 2000))
        << "played on the main thread";
}

}  // namespace
