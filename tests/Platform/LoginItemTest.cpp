#include "LoginItem.h"

#include "ScriptedAlertPresenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace LoginItemTests {

namespace {

const QString program = QStringLiteral("/opt/Zoravel Apps/zoravel");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every test gets its own configuration folder; the alert presenter fails the
// test on any alert it was not told to expect.
class LoginItemTest : public ::testing::Test {
protected:
    QString autostart() const { return m_root.path() + QStringLiteral("/config/autostart"); }
    LoginItem item() const { return LoginItem(autostart(), program); }

    // The alert of a refused change: literal texts and one OK button.
    void expectFailureAlert(const QString& informativeText)
    {
        ASSERT_EQ(m_alerts.requests().size(), 1);
        const AlertRequest alert = m_alerts.requests().constFirst();
        EXPECT_EQ(alert.messageText, QStringLiteral("An error ocurred"));
        EXPECT_EQ(alert.informativeText, informativeText);
        EXPECT_EQ(alert.buttonTitles, QStringList{QStringLiteral("OK")});
    }

    QTemporaryDir m_root;
    ScriptedAlertPresenter m_alerts;
};

}  // namespace

TEST_F(LoginItemTest, EnableAndDisableTurnTheEntryOnAndOff)
{
    LoginItem login = item();
    EXPECT_FALSE(login.appIsPresentInLoginItems());

    // The folder is made when missing.
    login.enableLoginItem();
    EXPECT_TRUE(login.appIsPresentInLoginItems());
    EXPECT_EQ(login.entryPath(), autostart() + QStringLiteral("/com.quorbin.ZoravelStartUp.desktop"));
    const QByteArray entry = readAll(login.entryPath());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    for (const char* line : {"Type=Application\n", "Name=Zoravel\n", "Exec=\"/opt/Zoravel Apps/zoravel\"\n",
                             "X-GNOME-Autostart-enabled=true\n", "Hidden=false\n"})
        EXPECT_TRUE(entry.contains(line)) << line;

    // Enabling twice keeps one good entry.
    login.enableLoginItem();
    EXPECT_TRUE(login.appIsPresentInLoginItems());
    EXPECT_EQ(QDir(autostart()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    login.disableLoginItem();
    EXPECT_FALSE(login.appIsPresentInLoginItems());
    EXPECT_FALSE(QFile::exists(login.entryPath()));

    // Nothing there to remove is no failure.
    login.disableLoginItem();
    EXPECT_TRUE(m_alerts.requests().isEmpty());
}

TEST_F(LoginItemTest, TheRealFolderIsTheUsersConfigurationsAndTheProgramIsThisOne)
{
    // The test binary's configuration folder is its own private one.
    LoginItem login;
    EXPECT_EQ(login.entryPath(), qEnvironmentVariable("XDG_CONFIG_HOME") +
                                     QStringLiteral("/autostart/com.quorbin.ZoravelStartUp.desktop"));
    login.enableLoginItem();
    const QByteArray exec = "\nExec=" + LoginItem::execValue(QCoreApplication::applicationFilePath()).toUtf8() + "\n";
    EXPECT_TRUE(readAll(login.entryPath()).contains(exec));
    login.disableLoginItem();
    EXPECT_FALSE(login.appIsPresentInLoginItems());
}

TEST_F(LoginItemTest, AHiddenOrDisabledEntryIsNotPresentAndEnablingShowsItAgain)
{
    ASSERT_TRUE(QDir().mkpath(autostart()));
    LoginItem login = item();
    for (const QByteArray& flag : {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled=false")}) {
        ASSERT_TRUE(writeFile(login.entryPath(), "[Desktop Entry]\nType=Application\nName=Zoravel\nExec=zoravel\n" + flag + "\n"));
        EXPECT_FALSE(login.appIsPresentInLoginItems()) << flag.constData();
        login.enableLoginItem();
        EXPECT_TRUE(login.appIsPresentInLoginItems()) << flag.constData();
    }
}

TEST_F(LoginItemTest, WhatIsNotAReadableEntryFileIsAbsent)
{
    ASSERT_TRUE(QDir().mkpath(autostart()));
    LoginItem login = item();

    // A folder in the entry's place.
    ASSERT_TRUE(QDir().mkpath(login.entryPath()));
    EXPECT_FALSE(login.appIsPresentInLoginItems());
    ASSERT_TRUE(QDir().rmdir(login.entryPath()));

    // A pipe would block a read that waits for a writer.
    ASSERT_EQ(mkfifo(QFile::encodeName(login.entryPath()).constData(), 0600), 0);
    EXPECT_FALSE(login.appIsPresentInLoginItems());
    ASSERT_TRUE(QFile::remove(login.entryPath()));

    // A good entry padded past the size any entry has.
    const QByteArray good = LoginItem::entryContent(program);
    ASSERT_TRUE(writeFile(login.entryPath(), good + QByteArray(LoginItem::maximumEntrySize, '#')));
    EXPECT_FALSE(login.appIsPresentInLoginItems());
}

TEST_F(LoginItemTest, ARefusedEnableAlertsAndChangesNothing)
{
    // A file where the autostart folder should be: the folder cannot be made.
    ASSERT_TRUE(QDir().mkpath(m_root.path() + QStringLiteral("/config")));
    ASSERT_TRUE(writeFile(autostart(), "not a folder"));
    m_alerts.scriptButton(AlertResponse::firstButton);

    LoginItem login = item();
    login.enableLoginItem();

    expectFailureAlert(QStringLiteral("Couldn't add Helper App to launch at login item list."));
    EXPECT_EQ(readAll(autostart()), QByteArray("not a folder"));
    EXPECT_EQ(QDir(m_root.path() + QStringLiteral("/config")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("autostart")});
    EXPECT_FALSE(login.appIsPresentInLoginItems());

    // Disabling with no entry to remove stays quiet even then.
    login.disableLoginItem();
    EXPECT_EQ(m_alerts.requests().size(), 1);
}

TEST_F(LoginItemTest, AnEntryThatCannotBeReplacedOrRemovedAlertsAndStays)
{
    // A folder with content under the entry's name can be neither renamed
    // over nor removed.
    LoginItem login = item();
    const QString inside = login.entryPath() + QStringLiteral("/kept");
    ASSERT_TRUE(QDir().mkpath(login.entryPath()));
    ASSERT_TRUE(writeFile(inside, "kept"));

    m_alerts.scriptButton(AlertResponse::firstButton);
    login.enableLoginItem();
    expectFailureAlert(QStringLiteral("Couldn't add Helper App to launch at login item list."));
    EXPECT_EQ(readAll(inside), QByteArray("kept"));
    // The aside copy of a failed write is not left in the folder.
    EXPECT_EQ(QDir(autostart()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("com.quorbin.ZoravelStartUp.desktop")});

    ScriptedAlertPresenter removal;
    removal.scriptButton(AlertResponse::firstButton);
    login.disableLoginItem();
    ASSERT_EQ(removal.requests().size(), 1);
    EXPECT_EQ(removal.requests().constFirst().messageText, QStringLiteral("An error ocurred"));
    EXPECT_EQ(removal.requests().constFirst().informativeText,
              QStringLiteral("Couldn't remove Helper App from launch at login item list."));
    EXPECT_EQ(removal.requests().constFirst().buttonTitles, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(readAll(inside), QByteArray("kept"));
}

TEST(LoginItemEntry, ReadsWhatTheSessionWouldStart)
{
    using State = LoginItem::EntryState;
    const QByteArray head = "[Desktop Entry]\nType=Application\nName=Zoravel\nExec=zoravel\n";
    const struct {
        const char* what;
        QByteArray bytes;
        State state;
    } cases[] = {
        {"the entry we write", LoginItem::entryContent(program), State::Active},
        {"comments and blank lines first", "# made by hand\n\n" + head, State::Active},
        {"CRLF lines and spaces around =", "[Desktop Entry]\r\nType = Application\r\nExec = zoravel\r\n", State::Active},
        {"a translated Hidden is not Hidden", head + "Hidden[de]=true\n", State::Active},
        {"Hidden in an action group", head + "[Desktop Action new]\nHidden=true\n", State::Active},
        {"an unknown boolean keeps the default", head + "Hidden=yes\n", State::Active},
        {"Hidden=true", head + "Hidden=true\n", State::Hidden},
        {"Hidden=1", head + "Hidden=1\n", State::Hidden},
        {"autostart disabled", head + "X-GNOME-Autostart-enabled=false\n", State::Hidden},
        {"the last of a repeated key counts", head + "Hidden=false\nHidden=true\n", State::Hidden},
        {"empty", "", State::NotAnEntry},
        {"bytes that are not text", QByteArray("\xff\xfe\x00\x01[Desktop Entry]", 19), State::NotAnEntry},
        {"not UTF-8", head + "Name=Zor\xe9vel\n", State::NotAnEntry},
        {"another group first", "[Desktop Action new]\nExec=x\n" + head, State::NotAnEntry},
        {"a key before any group", "Hidden=false\n" + head, State::NotAnEntry},
        {"a line that is no key", head + "just words\n", State::NotAnEntry},
        {"an unclosed group", head + "[Desktop Action\n", State::NotAnEntry},
        {"no Type", "[Desktop Entry]\nExec=zoravel\n", State::NotAnEntry},
        {"a link, not an application", "[Desktop Entry]\nType=Link\nExec=zoravel\n", State::NotAnEntry},
        {"no command", "[Desktop Entry]\nType=Application\nExec=\n", State::NotAnEntry},
        {"too long", head + QByteArray(LoginItem::maximumEntrySize, '\n'), State::NotAnEntry},
    };
    for (const auto& c : cases) EXPECT_EQ(LoginItem::readEntry(c.bytes), c.state) << c.what;
}

TEST(LoginItemEntry, TheCommandRunsThePathAsOneLiteralArgument)
{
    // Inside quotes, " ` $ \ take a backslash and % doubles; the value's own
    // escapes then double every backslash and spell out line breaks.
    const struct {
        QString path;
        QString exec;
    } cases[] = {
        {QStringLiteral("/usr/bin/zoravel"), QStringLiteral(R"("/usr/bin/zoravel")")},
        {QStringLiteral("/home/a b/zoravel"), QStringLiteral(R"("/home/a b/zoravel")")},
        {QStringLiteral("/x/$HOME"), QStringLiteral(R"("/x/\\$HOME")")},
        {QStringLiteral("/x/a\"b"), QStringLiteral(R"("/x/a\\"b")")},
        {QStringLiteral("/x/a`b"), QStringLiteral(R"("/x/a\\`b")")},
        {QStringLiteral("/x/a\\b"), QStringLiteral(R"("/x/a\\\\b")")},
        {QStringLiteral("/x/100%u"), QStringLiteral(R"("/x/100%%u")")},
        {QStringLiteral("/x/a\nb\tc"), QStringLiteral(R"("/x/a\nb\tc")")},
        {QStringLiteral("/x/'é'; rm -rf ~"), QStringLiteral(R"("/x/'é'; rm -rf ~")")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoginItem::execValue(c.path), c.exec) << c.path.toStdString();
        EXPECT_EQ(LoginItem::readEntry(LoginItem::entryContent(c.path)), LoginItem::EntryState::Active)
            << c.path.toStdString();
    }
}

}  // namespace LoginItemTests
