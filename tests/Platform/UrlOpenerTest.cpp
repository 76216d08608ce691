#include "UrlOpener.h"

#include "RecordingUrlOpener.h"

#include <gtest/gtest.h>

TEST(UrlOpener, OnlyWebAddressesAndLocalFilesCanBeOpened)
{
    struct Case {
        QString address;
        bool openable;
    };
    const Case cases[] = {
        {QStringLiteral("https://zoravel.example/guide"), true},
        {QStringLiteral("http://localhost:8080/"), true},
        {QStringLiteral("file:///usr/share/doc/guide.html"), true},
        {QStringLiteral("HTTPS://Example.org"), true},
        {QString(), false},
        {QStringLiteral("https://"), false},
        {QStringLiteral("javascript:alert(1)"), false},
        {QStringLiteral("mailto:someone@example.org"), false},
        {QStringLiteral("ftp://example.org/file"), false},
        {QStringLiteral("smb://server/share"), false},
        {QStringLiteral("guide.html"), false},
        {QStringLiteral("file://"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UrlOpener::isOpenable(QUrl(c.address)), c.openable) << c.address.toStdString();
}

TEST(UrlOpener, TheDesktopOpenerRefusesWhatCannotBeOpenedWithoutAsking)
{
    DesktopUrlOpener desktop;
    EXPECT_FALSE(desktop.openUrl(QUrl()));
    EXPECT_FALSE(desktop.openUrl(QUrl(QStringLiteral("javascript:alert(1)"))));
}

TEST(UrlOpener, AFakeStandsInForItsLifeAndTheLoggingOneOpensNothing)
{
    const QUrl guide(QStringLiteral("https://zoravel.example/guide"));
    EXPECT_FALSE(UrlOpener::current().openUrl(guide)) << "nothing installed: logged, not opened";
    {
        RecordingUrlOpener fake;
        EXPECT_EQ(&UrlOpener::current(), &fake);
        EXPECT_TRUE(UrlOpener::current().openUrl(guide));
        fake.setDesktopFails(true);
        EXPECT_FALSE(UrlOpener::current().openUrl(guide));
        EXPECT_EQ(fake.openedUrls(), QList<QUrl>({guide, guide}));
    }
    EXPECT_FALSE(UrlOpener::current().openUrl(guide));
}
