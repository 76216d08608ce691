// The Sync pane against the loopback web service: sign-in, sign-out, sign-up,
// the automatic-sync box, the replaces and the calendar range.
#include "PreferencesTestFixture.h"

#include "AccountProcedures.h"
#include "Button.h"
#include "LoopbackService.h"
#include "Paths.h"
#include "PopUpButton.h"
#include "PrefSyncView.h"
#include "PrefSyncViewOnly.h"
#include "Preferences.h"
#include "PropertyList.h"
#include "ProgressView.h"
#include "RecordingUrlOpener.h"
#include "RegisterView.h"
#include "Screenshot.h"
#include "TextField.h"
#include "UserLoginView.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>

namespace PrefSyncViewTests {

using namespace AccountProcedures;

// A reply whose connection closes after its head.
ServiceFault dropped()
{
    ServiceFault fault;
    fault.kind = ServiceFault::Drop;
    return fault;
}

const QString kAnn = QStringLiteral("ann@example.com");
const QString kAnnPassword = QStringLiteral("p&w d+%é");

class PrefSyncTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        // The sync object reads the address once, when the data manager makes it.
        qputenv("ZORAVEL_SERVICE_URL", m_service.baseAddress().toUtf8());
        PreferencesTest::SetUp();
        internetReachable = true;
        m_service.addAccount(kAnn, kAnnPassword);
        pref = std::make_unique<Preferences>();
        pref->sync(nullptr);
        pref->makeKeyAndOrderFront();
        QApplication::setActiveWindow(pref.get());
        processEventsUntil([this] { return pref->isKeyWindow(); });
    }
    void TearDown() override
    {
        manager->zvwSync()->waitUntilIdle(10);
        pref.reset();
        internetReachable = false;
        PreferencesTest::TearDown();
        qunsetenv("ZORAVEL_SERVICE_URL");
    }

    PrefSyncViewOnly& account() { return *pref->syncView()->accountView(); }
    void type(const QString& user, const QString& password)
    {
        account().userName()->setStringValue(user);
        account().passWord()->setStringValue(password);
    }
    void storeAccount(const QString& user, const QString& password)
    {
        settings().setZvwUserName(user);
        settings().setZvwPassword(password);
        pref->sync(nullptr);
    }
    QString lastInformative() const
    {
        return alerts.requests().isEmpty() ? QString() : alerts.requests().back().informativeText;
    }
    static qint64 autoSyncInSideFile()
    {
        const PropertyList::Result read = PropertyList::readFile(Setting::dataFilePath(QStringLiteral("auto.plist")));
        return read.ok() ? read.value.toMap().value(QStringLiteral("autoZVWSync"), -1).toLongLong() : -1;
    }
    // Waits for the pane's controls to come back, ticking the run's timers.
    bool waitForControls()
    {
        for (int tick = 0; tick < 300 && !account().oneWayMacToWebButton()->isEnabled(); ++tick) {
            scheduler.advance(0.1);
            processEventsUntil([this] { return account().oneWayMacToWebButton()->isEnabled(); }, 20);
        }
        return account().oneWayMacToWebButton()->isEnabled();
    }
    void blockAccountFile() { ASSERT_TRUE(QDir().mkpath(CoreData::zvwAccountPath())); }
    void pressIn(QLineEdit* editor, Qt::Key key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(editor, &press);
    }
    // As the keyboard delivers a key: offered to the shortcuts first, then
    // pressed in whatever has the focus by then.
    void deliverTo(QLineEdit* editor, Qt::Key key)
    {
        editor->setFocus();
        QKeyEvent offer(QEvent::ShortcutOverride, key, Qt::NoModifier);
        QApplication::sendEvent(editor, &offer);
        QWidget* focused = QApplication::focusWidget() ? QApplication::focusWidget() : editor;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(focused, &press);
        QApplication::processEvents();
    }

    LoopbackService m_service;
    RecordingUrlOpener opener;
    std::unique_ptr<Preferences> pref;
};

// The account's link-like buttons, in the pane and in the wizard's account
// page, draw the one link blue every other link is drawn in.
TEST_F(PrefSyncTest, TheAccountLinksAreDrawnInTheLinkBlue)
{
    UserLoginView wizardPage(QRectF(0, 0, 560, 560));
    const struct {
        const char* name;
        Button* button;
    } links[] = {
        {"the pane's forgotten password", account().forgotPasswordButton()},
        {"the wizard's site link", wizardPage.zvSite()},
        {"the wizard's forgotten password", wizardPage.recoveryPassWord()},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.name);
        ASSERT_NE(link.button, nullptr);
        EXPECT_EQ(link.button->textColor(), QColor(0, 0, 255));
    }
}

TEST_F(PrefSyncTest, SignInOutcomesFromTheServiceAndTheAccountFile)
{
    enum Fault { None, NoNetwork, Dropped, FileBlocked, NoAddress };
    struct Case {
        const char* name;
        QString user, password, stored;
        Fault fault;
        const char* informative;
        bool signedIn;
        qint64 autoSync, lastUpdate;
    };
    const QList<Case> cases{
        {"right password", kAnn, kAnnPassword, QString(), None, "loginSuccessMessage", true, 1, 77},
        {"another user was stored", kAnn, kAnnPassword, "bob@example.com", None, "loginSuccessMessage", true, 0, 0},
        {"wrong password", kAnn, "nope", QString(), None, "loginFailMessage", false, 0, 77},
        {"empty fields", QString(), QString(), QString(), None, "loginFailMessage", false, 0, 77},
        {"no network", kAnn, kAnnPassword, QString(), NoNetwork, "noInternetMessage", false, 1, 77},
        {"no reply", kAnn, kAnnPassword, "bob@example.com", Dropped, "noInternetMessage", false, 1, 77},
        {"file not writable", kAnn, kAnnPassword, QString(), FileBlocked, "accountNotRememberedMessage", true, 1, 77},
        {"no service address", kAnn, kAnnPassword, QString(), NoAddress, "noServiceAddressMessage", false, 1, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(CoreData::zvwAccountPath()).removeRecursively();
        QFile::remove(CoreData::zvwAccountPath());
        m_service.clearFaults();
        m_service.clearRequests();
        settings().setZvwUserName(QString());
        settings().setZvwPassword(QString());
        account().loadData();  // the sign-in form
        settings().setZvwUserName(c.stored);
        settings().setZvwPassword(c.stored.isEmpty() ? QString() : QStringLiteral("bobs"));
        internetReachable = c.fault != NoNetwork;
        if (c.fault == Dropped)
            for (const char* method : {"GET", "POST"}) m_service.setFault(method, "/api/token.json", dropped());
        if (c.fault == FileBlocked) blockAccountFile();
        if (c.fault == NoAddress) useServiceAddress(QString());
        settings().setAutoZVWSync(1);
        settings().setLastUpdate(77);
        ASSERT_TRUE(settings().dehydrate());
        const QRectF before = pref->frame();
        type(c.user, c.password);
        alerts.scriptButton(1000);

        account().signInButton()->performClick();

        EXPECT_EQ(lastInformative(), c.fault == NoAddress ? noServiceAddressText() : text(c.informative));
        EXPECT_EQ(settings().autoZVWSync(), c.autoSync);
        EXPECT_EQ(settings().lastUpdate(), c.lastUpdate);
        EXPECT_EQ(account().userName()->stringValue(), c.user) << "the fields keep their texts";
        EXPECT_EQ(account().signOutButton()->isHidden(), !c.signedIn);
        if (c.fault == NoNetwork || c.fault == NoAddress) {
            EXPECT_TRUE(m_service.requests().isEmpty());
        }
        if (c.fault == NoAddress) useServiceAddress(m_service.baseAddress());
        if (c.fault == Dropped) {
            EXPECT_EQ(settings().zvwPassword(), QStringLiteral("bobs")) << "nothing changes";
        }
        if (!c.signedIn) continue;
        EXPECT_EQ(account().signedInUserName()->stringValue(), kAnn);
        EXPECT_EQ(pref->frame().height(), PrefSyncView::signedInWindowHeight);
        EXPECT_EQ(pref->frame().bottom(), before.bottom()) << "the top edge stays (y up: top is y + height)";
        if (c.fault == FileBlocked) continue;
        // The data manager's reader gives the texts back.
        settings().setZvwUserName(QString());
        settings().setZvwPassword(QString());
        manager->getZVWAccount();
        EXPECT_EQ(settings().zvwUserName(), kAnn);
        EXPECT_EQ(settings().zvwPassword(), kAnnPassword);
    }
    QDir(CoreData::zvwAccountPath()).removeRecursively();
}

TEST_F(PrefSyncTest, ReturnInEitherFieldSignsInAndTabOnlyMovesBetweenThem)
{
    type(kAnn, QStringLiteral("nope"));
    for (TextField* field : {account().userName(), account().passWord()}) {
        const qsizetype asked = alerts.requests().size();
        alerts.scriptButton(1000);
        pressIn(field->editor(), Qt::Key_Return);
        EXPECT_EQ(alerts.requests().size(), asked + 1);
        EXPECT_EQ(lastInformative(), text("loginFailMessage"));
    }
    m_service.clearRequests();
    deliverTo(account().userName()->editor(), Qt::Key_Tab);
    EXPECT_TRUE(m_service.requests().isEmpty());
    EXPECT_TRUE(account().passWord()->editor()->hasFocus());
    QLineEdit* passWord = account().passWord()->editor();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(passWord, &press);
    QApplication::processEvents();
    EXPECT_TRUE(account().userName()->editor()->hasFocus()) << "the two fields make a loop";
    EXPECT_EQ(account().passWord()->editor()->echoMode(), QLineEdit::Password);
}

TEST_F(PrefSyncTest, SignOutNeedsNoNetworkAndLeavesAnEmptyAccountFile)
{
    storeAccount(kAnn, kAnnPassword);
    ASSERT_TRUE(CoreData::writeZVWAccount(kAnn, kAnnPassword));
    settings().setZvwToken(QStringLiteral("token"));
    settings().setAutoZVWSync(1);
    internetReachable = false;
    saveScreenshot(pref.get(), QStringLiteral("sync-pane-signed-in"));

    account().signOutButton()->performClick();

    EXPECT_TRUE(alerts.requests().isEmpty());
    EXPECT_TRUE(settings().zvwUserName().isEmpty());
    EXPECT_TRUE(settings().zvwPassword().isEmpty());
    EXPECT_TRUE(settings().zvwToken().isEmpty());
    EXPECT_EQ(settings().autoZVWSync(), 0);
    EXPECT_FALSE(account().userName()->isHidden());
    EXPECT_EQ(pref->frame().height(), PrefSyncView::signedOutWindowHeight);
    saveScreenshot(pref.get(), QStringLiteral("sync-pane-signed-out"));
    // The next start finds the file with an empty user name.
    ASSERT_TRUE(QFile::exists(CoreData::zvwAccountPath()));
    settings().setZvwUserName(QStringLiteral("x"));
    manager->getZVWAccount();
    EXPECT_EQ(settings().zvwUserName(), QString());
    EXPECT_EQ(settings().zvwPassword(), QString());

    // A file that cannot be written is said so.
    storeAccount(kAnn, kAnnPassword);
    QFile::remove(CoreData::zvwAccountPath());
    blockAccountFile();
    alerts.scriptButton(1000);
    account().signOut();
    EXPECT_EQ(lastInformative(), text("signOutNotRememberedMessage"));
    EXPECT_TRUE(settings().zvwUserName().isEmpty());
    QDir(CoreData::zvwAccountPath()).removeRecursively();

    account().forgotPasswordButton()->performClick();
    EXPECT_EQ(opener.openedUrls(), QList<QUrl>{QUrl(m_service.baseAddress() + QStringLiteral("/recovery"))});
}

TEST_F(PrefSyncTest, SignUpChecksComeBeforeAnythingIsSent)
{
    struct Case {
        SignUpFields fields;
        bool reachable;
        SignUpCheck check;
    };
    const QList<Case> cases{
        {{kAnn, "pw", "pw"}, false, SignUpCheck::NoNetwork},
        {{"", "pw", "pw"}, true, SignUpCheck::MissingField},
        {{kAnn, "", ""}, true, SignUpCheck::MissingField},
        {{"ann@example", "pw", "pw"}, true, SignUpCheck::NotAnEmail},
        {{"a.b+c@mail.example.info", "pw", "pw"}, true, SignUpCheck::Passed},
        {{kAnn, "pw", ""}, true, SignUpCheck::PasswordsDiffer},
        {{kAnn, "pw", "PW"}, true, SignUpCheck::PasswordsDiffer},
        {{kAnn, "  ", "  "}, true, SignUpCheck::Passed},
        {{kAnn, "pw", std::nullopt}, true, SignUpCheck::Passed},
    };
    for (const Case& c : cases) {
        const SignUpCheck check = checkSignUp(c.fields, c.reachable);
        EXPECT_EQ(check, c.check) << c.fields.userName.toStdString();
        const std::optional<AlertTexts> alert = signUpCheckAlert(check);
        const std::array<const char*, 5> told{"", "noInternetMessage", "signUpErrorMessage", "incorrectEmailMessage",
                                              "passWordNotMatchMessage"};
        EXPECT_EQ(alert ? alert->informative : QString(), text(told[size_t(check)]));
    }

    const QList<std::tuple<qint64, bool, SignUpAnswer>> answers{
        {0, false, SignUpAnswer::Created},    {1, false, SignUpAnswer::Refused}, {4, false, SignUpAnswer::Refused},
        {5, false, SignUpAnswer::NameTaken},  {6, false, SignUpAnswer::NotUnderstood},
        {-7, false, SignUpAnswer::NotUnderstood}, {-1, false, SignUpAnswer::NotUnderstood},
        {-1, true, SignUpAnswer::NoConnection},
    };
    for (const auto& [result, transport, answer] : answers) EXPECT_EQ(signUpAnswer(result, transport), answer) << result;
}

TEST_F(PrefSyncTest, TheSignUpSheetTellsEachAnswerAndKeepsItsTexts)
{
    struct Case {
        const char* name;
        QString user, confirmation;
        std::optional<ServiceFault> fault;
        int button;
        const char* informative;
        bool staysOpen;
    };
    const auto reply = [](const char* body) {
        ServiceFault fault;
        fault.kind = ServiceFault::Body;
        fault.body = body;
        return fault;
    };
    const QString newUser = QStringLiteral("new@example.com");
    const QList<Case> cases{
        // The checks themselves are the table above; one shows its alert here.
        {"no address", "ann@example", "pw", std::nullopt, 1000, "incorrectEmailMessage", true},
        {"refused", newUser, "pw", reply(R"({"error":3})"), 1000, "signUpErrorMessage", true},
        {"not understood", newUser, "pw", reply(R"({"error":7})"), 1000, "signUpErrorMessage", true},
        {"no reply", newUser, "pw", dropped(), 1000, "noInternetMessage", true},
        {"taken, try again", newUser, "pw", reply(R"({"error":5})"), 1000, "userNameExistMessage", true},
        {"taken, recover", newUser, "pw", reply(R"({"error":5})"), 1001, "userNameExistMessage", false},
        {"created", newUser, "pw", std::nullopt, 1000, "successMessage", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_service.clearFaults();
        if (c.fault) m_service.setFault("POST", "/api/users.json", *c.fault);
        account().createAccountButton()->performClick();
        RegisterView* form = account().registerView();
        ASSERT_NE(form, nullptr);
        ASSERT_EQ(pref->attachedSheet(), account().registerWindow());
        form->userName()->setStringValue(c.user);
        form->passWord()->setStringValue(QStringLiteral("pw"));
        form->confirmPassword()->setStringValue(c.confirmation);
        if (QLatin1String(c.name) == QLatin1String("created"))
            saveScreenshot(account().registerWindow(), QStringLiteral("sync-pane-sign-up-sheet"));
        alerts.scriptButton(c.button);
        form->signUpButton()->performClick();
        EXPECT_EQ(lastInformative(), text(c.informative));
        EXPECT_EQ(pref->attachedSheet() != nullptr, c.staysOpen);
        form->cancelButton()->performClick();
        EXPECT_EQ(pref->attachedSheet(), nullptr);
        // A new opening shows the same texts.
        account().createNewAccount();
        EXPECT_EQ(form->userName()->stringValue(), c.user);
        form->closeSheet();
    }
    EXPECT_TRUE(m_service.hasAccount(QStringLiteral("new@example.com")));
    EXPECT_TRUE(settings().zvwUserName().isEmpty()) << "a sign-up stores nothing";
    EXPECT_EQ(opener.openedUrls().size(), 1);
}

TEST_F(PrefSyncTest, TheAutomaticSyncBox)
{
    // Without a network the box goes off and the setting stays.
    storeAccount(kAnn, kAnnPassword);
    settings().setAutoZVWSync(0);
    internetReachable = false;
    alerts.scriptButton(1000);
    account().autoSyncBtn()->performClick();
    EXPECT_EQ(account().autoSyncBtn()->state(), 0);
    EXPECT_EQ(lastInformative(), text("noInternetMessage"));

    // Signed in: on, the controls wait for the full sync this view asked for.
    internetReachable = true;
    account().autoSyncBtn()->performClick();
    EXPECT_EQ(autoSyncInSideFile(), 1);
    EXPECT_FALSE(account().oneWayWebToMacButton()->isEnabled());
    // Another asker's end leaves the pane as it is.
    QObject other;
    NotificationCenter::defaultCenter().postNotificationName(kSyncZVWFinishedNotification, &other);
    EXPECT_FALSE(account().autoSyncBtn()->isEnabled());
    EXPECT_TRUE(waitForControls());
    EXPECT_EQ(alerts.requests().size(), 1) << "a full sync ends without an alert";

    // Signed out: the account is asked for and the box goes off.
    storeAccount(QString(), QString());
    account().autoSyncBtn()->setState(0);
    alerts.scriptButton(1000);
    account().autoSyncBtn()->performClick();
    EXPECT_EQ(lastInformative(), text("autoZVWSyncErrorMessage"));
    EXPECT_EQ(account().autoSyncBtn()->state(), 0);
    EXPECT_EQ(autoSyncInSideFile(), 0);
}

TEST_F(PrefSyncTest, LocalToWebKeepsThePendingDeletionsUnlessItFinishedWell)
{
    alerts.scriptButton(1000);
    account().oneWayMacToWeb();
    EXPECT_EQ(lastInformative(), text("oneWaySyncErrorMessage"));

    storeAccount(kAnn, kAnnPassword);
    for (const bool wipeFails : {true, false}) {
        SCOPED_TRACE(wipeFails ? "wipe refused" : "finished");
        m_service.clearFaults();
        if (wipeFails) m_service.setFault("DELETE", "/api/categories/0.json", ServiceFault{});
        settings().setZvwDeletedTasks(QStringLiteral(",6"));
        settings().setZvwDeletedTag(QStringLiteral(",4"));
        ASSERT_TRUE(settings().dehydrate());
        const qsizetype asked = alerts.requests().size();
        alerts.scriptButton(1001);  // Cancel changes nothing
        account().oneWayMacToWebButton()->performClick();
        EXPECT_EQ(pref->attachedSheet(), nullptr);
        alerts.scriptButton(1000);
        account().oneWayMacToWebButton()->performClick();
        const AlertRequest question = alerts.requests().back();
        EXPECT_EQ(question.messageText, text("fromMac2WebText"));
        EXPECT_FALSE(question.iconImage.isNull());
        ASSERT_NE(account().progressWindow(), nullptr);
        EXPECT_EQ(account().progressWindow()->frame().size(), QSizeF(410, 150));
        EXPECT_EQ(static_cast<ProgressView*>(account().progressWindow()->contentView())->label()->stringValue(),
                  text("progressSyncToZVWText"));
        if (!wipeFails) saveScreenshot(pref.get(), QStringLiteral("sync-pane-local-to-web-progress"));
        alerts.scriptButton(1000);  // the main view's error, or the pane's completion
        ASSERT_TRUE(waitForControls());
        EXPECT_FALSE(account().progressWindow()->isVisible());
        EXPECT_EQ(settings().zvwDeletedTasks(), wipeFails ? QStringLiteral(",6") : QString());
        EXPECT_EQ(settings().zvwDeletedTag(), wipeFails ? QStringLiteral(",4") : QString());
        processEventsUntil([&] { return alerts.requests().size() == asked + 3; });
        ASSERT_EQ(alerts.requests().size(), asked + 3);
        EXPECT_EQ(alerts.requests().back().messageText == text("oneWaySyncCompletedText"), !wipeFails)
            << "success is announced only after a run without failure";
    }
}

TEST_F(PrefSyncTest, WebToLocalAsksAboutARefusedAccountBeforeAnythingIsWiped)
{
    storeAccount(kAnn, QStringLiteral("old password"));
    const CalendarPtr kept = category(QStringLiteral("Kept"));
    alerts.scriptButton(1000);  // "setUpText"
    account().oneWayWebToMacButton()->performClick();
    const AlertRequest refused = alerts.requests().back();
    EXPECT_EQ(refused.informativeText, text("autoSyncZVWWithInvalidUserNameNPasswordText"));
    EXPECT_EQ(refused.buttonTitles, (QStringList{text("setUpText"), text("cancelText")}));
    EXPECT_TRUE(settings().zvwUserName().isEmpty()) << "set up signs out";
    EXPECT_TRUE(account().userName()->editor()->hasFocus());
    EXPECT_TRUE(Calendar::initWithPrimaryKey(kept->primaryKey(), RecordStore::sharedDatabase())) << "nothing wiped";

    m_service.addCategory(kAnn, {{"name", "From the web"}, {"category_type", 0}});
    storeAccount(kAnn, kAnnPassword);
    alerts.scriptButton(1000);
    account().oneWayWebToMacButton()->performClick();
    saveScreenshot(pref.get(), QStringLiteral("sync-pane-web-to-local-progress"));
    const AlertRequest question = alerts.requests().back();
    EXPECT_EQ(question.accessoryText, text("warningDuplicateOneWaySyncText"));
    ASSERT_NE(account().progressWindow(), nullptr);
    EXPECT_EQ(account().progressWindow()->frame().size(), QSizeF(430, 150));
    alerts.scriptButton(1000);
    ASSERT_TRUE(waitForControls());
    EXPECT_EQ(alerts.requests().back().messageText, text("oneWaySyncCompletedText"));
    QStringList names;
    for (const CalendarPtr& local : manager->getCalendarList()) names.append(local->calendarName());
    EXPECT_TRUE(names.contains(QStringLiteral("From the web")));
    EXPECT_FALSE(names.contains(QStringLiteral("Kept")));
    EXPECT_EQ(settings().autoZVWSync(), 0);
}

TEST_F(PrefSyncTest, TheRangePopUpsStoreTheirCodesAndAskForNothing)
{
    PrefSyncICal& range = *pref->syncView()->icalSyncView();
    for (PopUpButton* popUp : {range.fromBtn(), range.toBtn()}) {
        QList<int> tags;
        for (int i = 0; i < popUp->numberOfItems(); ++i) tags.append(popUp->itemAtIndex(i)->tag);
        EXPECT_EQ(tags, (QList<int>{7, 14, 30, 90, 180, 365}));
    }
    posted.clear();
    m_service.clearRequests();
    ASSERT_TRUE(range.toBtn()->performClickOnItem(3));
    EXPECT_EQ(range.toBtn()->titleOfSelectedItem(), text("next3MonthsText"));
    EXPECT_EQ(Setting::initWithPrimaryKey(1, RecordStore::sharedDatabase())->iCalSyncWindowEnd(), 90);
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_TRUE(m_service.requests().isEmpty());

    settings().setICalSyncWindowStart(45);
    range.loadData();
    EXPECT_EQ(range.fromBtn()->indexOfSelectedItem(), -1);
    EXPECT_EQ(settings().iCalSyncWindowStart(), 45);
}

// The refusal the main view passes on is checked with the main view (Shell tests).
TEST_F(PrefSyncTest, TheMainViewClosingTheProgressSheet)
{
    storeAccount(kAnn, kAnnPassword);
    // A replace's sheet goes without an alert; the run's end says nothing more.
    alerts.scriptButton(1000);
    account().oneWayMacToWeb();
    ASSERT_TRUE(account().isOneWaySync());
    pref->closeProgressBarSyncing();
    EXPECT_FALSE(account().isOneWaySync());
    EXPECT_FALSE(account().progressWindow()->isVisible());
    EXPECT_TRUE(account().oneWayMacToWebButton()->isEnabled());
    for (int tick = 0; tick < 300 && (webSyncBusy || manager->zvwSync()->isSyncing()); ++tick) {
        scheduler.advance(0.1);
        processEventsUntil([] { return false; }, 20);
    }
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(alerts.requests().size(), 1) << "only the question";
}

}  // namespace PrefSyncViewTests
