#include "MessageBoxAlertPresenter.h"

#include "Application.h"
#include "NotificationCenter.h"
#include "Screenshot.h"
#include "TestEnvironment.h"
#include "TextTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace MessageBoxAlertPresenterTests {

namespace {

// What the user does in the open box; run from the box's own event loop.
using UserAction = std::function<void(QMessageBox&)>;

QMessageBox* openBox()
{
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) return box;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) return box;
    return nullptr;
}

// Acts in the alert once it shows, from a timer of the main thread (which
// keeps firing inside the alert's loop). A box never found fails the test; a
// box the action left open is closed by its first button so that the test ends.
class AlertActor {
public:
    explicit AlertActor(const UserAction& act);

private:
    QTimer m_poll;
    int m_rounds = 0;
};

AlertActor::AlertActor(const UserAction& act)
{
    QObject::connect(&m_poll, &QTimer::timeout, [this, act] {
        QMessageBox* box = openBox();
        if (!box && ++m_rounds < 500) return;
        m_poll.stop();
        if (!box) {
            ADD_FAILURE() << "The alert never showed";
            return;
        }
        const QPointer<QMessageBox> guard(box);
        act(*box);
        if (guard && guard->isVisible()) guard->buttons().first()->click();
    });
    m_poll.start(5);
}

// Runs the alert, acting in it once it shows.
AlertResponse runWhileActing(const AlertRequest& request, const UserAction& act)
{
    AlertActor actor(act);
    MessageBoxAlertPresenter presenter;
    return presenter.runModal(request);
}

QAbstractButton* buttonTitled(QMessageBox& box, const QString& title)
{
    for (QAbstractButton* button : box.buttons())
        if (button->text() == title) return button;
    ADD_FAILURE() << "No button " << title.toStdString();
    return box.buttons().first();
}

AlertRequest postponeQuestion()
{
    AlertRequest request;
    request.messageText = QStringLiteral("Due now");
    request.informativeText = QStringLiteral("\"Report\": due on 10:30");
    request.addButtonWithTitle(QStringLiteral("OK"));
    request.addButtonWithTitle(QStringLiteral("Snooze"));
    request.addButtonWithTitle(QStringLiteral("Later"));
    request.accessoryTitle = QStringLiteral("Postpone");
    request.accessoryChoices = {{QStringLiteral("Postpone for..."), 0}, {QStringLiteral("Tomorrow"), 1},
                                {QStringLiteral("Next week"), 2}};
    request.accessoryChosenTag = 1;
    return request;
}

TEST(MessageBoxAlertPresenterTest, ThePopUpListsTheChoicesOpensOnTheChosenOneAndSitsInTheBox)
{
    QStringList titles;
    QList<qint64> tags;
    qint64 shownTag = -1;
    QString accessibleName;
    bool visibleInBox = false;
    const AlertResponse response = runWhileActing(postponeQuestion(), [&](QMessageBox& box) {
        const auto popUps = box.findChildren<QComboBox*>();
        ASSERT_EQ(popUps.size(), 1);
        QComboBox* popUp = popUps.first();
        for (int index = 0; index < popUp->count(); ++index) {
            titles.append(popUp->itemText(index));
            tags.append(popUp->itemData(index).toLongLong());
        }
        shownTag = popUp->currentData().toLongLong();
        accessibleName = popUp->accessibleName();
        // Between the texts and the buttons, not over either.
        const auto* buttons = box.findChild<QDialogButtonBox*>();
        const auto* texts = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        visibleInBox = popUp->isVisible() && box.rect().contains(popUp->geometry()) && buttons && texts
                       && popUp->geometry().bottom() < buttons->geometry().top()
                       && popUp->geometry().top() > texts->geometry().bottom();
        buttonTitled(box, QStringLiteral("OK"))->click();
    });
    EXPECT_EQ(titles, QStringList({"Postpone for...", "Tomorrow", "Next week"}));
    EXPECT_EQ(tags, QList<qint64>({0, 1, 2}));
    EXPECT_EQ(shownTag, 1);
    EXPECT_EQ(accessibleName, QStringLiteral("Postpone"));
    EXPECT_TRUE(visibleInBox);
    EXPECT_EQ(response.chosenTag, 1) << "left alone, the pop-up answers the tag it opened on";
}

// The answer comes from what was pressed and chosen, whatever order the box
// lays its buttons out in.
TEST(MessageBoxAlertPresenterTest, TheAnswerIsTheButtonPressedTheBoxAndTheEntryChosen)
{
    struct Case {
        const char* button;
        int answer;
        bool tick;
        int entry;  // the pop-up row chosen, -1 to leave it alone
        qint64 tag;
    };
    const Case cases[] = {
        {"OK", AlertResponse::firstButton, false, 2, 2},
        {"Snooze", AlertResponse::secondButton, true, -1, 1},
        {"Later", AlertResponse::thirdButton, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        AlertRequest request = postponeQuestion();
        request.showsSuppressionButton = true;
        const AlertResponse response = runWhileActing(request, [&](QMessageBox& box) {
            ASSERT_NE(box.checkBox(), nullptr);
            EXPECT_EQ(box.checkBox()->text(), TextTable::localizedString(QStringLiteral("doNotAskAgainText")));
            box.checkBox()->setChecked(c.tick);
            if (c.entry >= 0) box.findChild<QComboBox*>()->setCurrentIndex(c.entry);
            buttonTitled(box, QString::fromLatin1(c.button))->click();
        });
        EXPECT_EQ(response.button, c.answer);
        EXPECT_EQ(response.suppressed, c.tick);
        EXPECT_EQ(response.chosenTag, c.tag);
    }
}

TEST(MessageBoxAlertPresenterTest, AnAlertWithoutChoicesHasNoPopUpAndKeepsItsTag)
{
    AlertRequest request;
    request.style = AlertStyle::Critical;
    request.messageText = QStringLiteral("Database can not open!");
    request.addButtonWithTitle(QStringLiteral("OK"));
    request.suppressionState = true;
    request.accessoryChosenTag = 5;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hasPopUp = true;
    bool hasBox = true;
    const AlertResponse response = runWhileActing(request, [&](QMessageBox& box) {
        icon = box.icon();
        hasPopUp = box.findChild<QComboBox*>() != nullptr;
        hasBox = box.checkBox() != nullptr;
        box.buttons().first()->click();
    });
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_FALSE(hasPopUp);
    EXPECT_FALSE(hasBox);
    EXPECT_EQ(response.button, AlertResponse::firstButton);
    EXPECT_TRUE(response.suppressed) << "a box not shown answers as it was";
    EXPECT_EQ(response.chosenTag, 5);
}

AlertRequest threeButtons()
{
    AlertRequest request;
    request.messageText = QStringLiteral("Save the changes?");
    request.informativeText = QStringLiteral("Your changes are lost if you do not save them.");
    request.addButtonWithTitle(QStringLiteral("A"));
    request.addButtonWithTitle(QStringLiteral("B"));
    request.addButtonWithTitle(QStringLiteral("C"));
    return request;
}

// A right-to-left layout shows the buttons in the opposite order: the answer
// still follows the button pressed.
TEST(MessageBoxAlertPresenterTest, EachButtonAnswersItsOwnCodeInEitherLayoutDirection)
{
    struct Case {
        const char* pressed;
        int answer;
    };
    const Case cases[] = {{"A", 1000}, {"B", 1001}, {"C", 1002}};
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        QApplication::setLayoutDirection(direction);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.pressed) + (direction == Qt::RightToLeft ? " right to left" : ""));
            const AlertResponse response = runWhileActing(threeButtons(), [&](QMessageBox& box) {
                buttonTitled(box, QString::fromLatin1(c.pressed))->click();
            });
            EXPECT_EQ(response.button, c.answer);
        }
    }
    QApplication::setLayoutDirection(Qt::LeftToRight);
}

TEST(MessageBoxAlertPresenterTest, AnAlertWithoutButtonsShowsOneOkAnsweringTheFirstCode)
{
    AlertRequest request;
    request.messageText = QStringLiteral("Nothing to answer");
    QStringList titles;
    const AlertResponse response = runWhileActing(request, [&](QMessageBox& box) {
        for (QAbstractButton* button : box.buttons()) titles.append(button->text());
        box.buttons().first()->click();
    });
    EXPECT_EQ(titles, QStringList{TextTable::localizedString(QStringLiteral("okText"))});
    EXPECT_EQ(response.button, AlertResponse::firstButton);
}

TEST(MessageBoxAlertPresenterTest, StopModalEndsTheAlertWithTheCodeOfNoButton)
{
    AlertRequest request = postponeQuestion();
    request.showsSuppressionButton = true;
    const AlertResponse response = runWhileActing(request, [](QMessageBox& box) {
        box.checkBox()->setChecked(true);
        MessageBoxAlertPresenter::stopModal();
    });
    EXPECT_EQ(response.button, AlertResponse::stopped);
    EXPECT_EQ(response.button, -1000);
    EXPECT_TRUE(response.suppressed) << "the box is read however the alert ended";
    EXPECT_EQ(response.chosenTag, 1);
    MessageBoxAlertPresenter::stopModal();  // with none running: nothing to stop, no crash
}

// An alert raised inside another's loop (a timer fired under it) is the one
// stopped; the one under it goes on waiting for the user.
TEST(MessageBoxAlertPresenterTest, StopModalEndsOnlyTheInnermostAlert)
{
    AlertResponse inner;
    bool outerOpenAfterwards = false;
    bool runningAfterwards = false;
    const AlertResponse outer = runWhileActing(threeButtons(), [&](QMessageBox& outerBox) {
        AlertActor stopper([](QMessageBox&) { MessageBoxAlertPresenter::stopModal(); });
        AlertRequest second;
        second.messageText = QStringLiteral("Due now");
        second.addButtonWithTitle(QStringLiteral("OK"));
        inner = MessageBoxAlertPresenter().runModal(second);
        outerOpenAfterwards = outerBox.isVisible();
        runningAfterwards = MessageBoxAlertPresenter::isRunning();
        buttonTitled(outerBox, QStringLiteral("B"))->click();
    });
    EXPECT_EQ(inner.button, AlertResponse::stopped);
    EXPECT_TRUE(outerOpenAfterwards);
    EXPECT_TRUE(runningAfterwards);
    EXPECT_EQ(outer.button, AlertResponse::secondButton);
}

// Counts the posts of a notification while it lives.
class PostCounter : public QObject {
public:
    explicit PostCounter(const QString& name)
    {
        NotificationCenter::defaultCenter().addObserver(this, name, nullptr, [this](const Notification& n) {
            objects.append(n.objectAs<qint64>());
            runningWhenPosted = MessageBoxAlertPresenter::isRunning();
        });
    }
    QList<qint64> objects;
    bool runningWhenPosted = true;
};

TEST(MessageBoxAlertPresenterTest, RunsWhileOpenAndTellsOnceWhenItEnds)
{
    PostCounter ended(kAlertDidEndNotification);
    EXPECT_FALSE(MessageBoxAlertPresenter::isRunning());
    bool runningInside = false;
    qsizetype postsInside = -1;
    const AlertResponse response = runWhileActing(threeButtons(), [&](QMessageBox& box) {
        runningInside = MessageBoxAlertPresenter::isRunning();
        postsInside = ended.objects.size();
        buttonTitled(box, QStringLiteral("B"))->click();
    });
    EXPECT_TRUE(runningInside);
    EXPECT_EQ(postsInside, 0);
    EXPECT_FALSE(MessageBoxAlertPresenter::isRunning());
    EXPECT_EQ(ended.objects, QList<qint64>{response.button});
    EXPECT_FALSE(ended.runningWhenPosted) << "observers may rebuild at once";
}

// The shell's main window for the life of the object, shown on screen.
class MainWindow {
public:
    MainWindow()
    {
        window->setGeometry(140, 120, 900, 560);
        window->show();
        Application::setMainWindow(window.get());
    }
    ~MainWindow() { Application::setMainWindow(nullptr); }
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
};

TEST(MessageBoxAlertPresenterTest, AnAttachedAlertHangsCentredUnderTheTopOfTheMainWindow)
{
    MainWindow main;
    QRectF alert;
    QWidget* parent = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    runWhileActing(threeButtons(), [&](QMessageBox& box) {
        alert = box.frameGeometry();
        parent = box.parentWidget();
        modality = box.windowModality();
    });
    const QRectF window = main.window->geometry();
    EXPECT_NEAR(alert.center().x(), window.center().x(), 1.0);
    EXPECT_EQ(alert.top(), window.top()) << "its top just under the title bar";
    EXPECT_LT(alert.height(), window.height()) << "it keeps its own height";
    EXPECT_EQ(parent, main.window.get());
    EXPECT_EQ(modality, Qt::WindowModal);
}

TEST(MessageBoxAlertPresenterTest, WithoutAVisibleMainWindowOrWhenDetachedTheAlertIsAPlainCentredOne)
{
    struct Case {
        const char* name;
        bool registered;
        bool visible;
        bool attached;
    };
    const Case cases[] = {
        {"no main window", false, false, true},
        {"main window hidden", true, false, true},
        {"not attached", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<MainWindow> main = c.registered ? std::make_unique<MainWindow>() : nullptr;
        if (main && !c.visible) main->window->hide();
        AlertRequest request = threeButtons();
        request.attached = c.attached;
        QWidget* parent = main ? main->window.get() : nullptr;
        Qt::WindowModality modality = Qt::NonModal;
        QPointF centre;
        runWhileActing(request, [&](QMessageBox& box) {
            parent = box.parentWidget();
            modality = box.windowModality();
            centre = QRectF(box.frameGeometry()).center();
        });
        EXPECT_EQ(parent, nullptr);
        EXPECT_EQ(modality, Qt::ApplicationModal);
        const QPointF screenCentre = QRectF(QApplication::primaryScreen()->availableGeometry()).center();
        EXPECT_NEAR(centre.x(), screenCentre.x(), 1.0);
        EXPECT_NEAR(centre.y(), screenCentre.y(), 1.0);
    }
}

TEST(MessageBoxAlertPresenterTest, AMainWindowClosedUnderItsAlertEndsItWithNoButton)
{
    auto main = std::make_unique<MainWindow>();
    PostCounter ended(kAlertDidEndNotification);
    const AlertResponse response = runWhileActing(threeButtons(), [&](QMessageBox&) { main->window.reset(); });
    EXPECT_EQ(response.button, AlertResponse::stopped);
    EXPECT_FALSE(MessageBoxAlertPresenter::isRunning());
    EXPECT_EQ(ended.objects.size(), 1);
    main.reset();
}

TEST(MessageBoxAlertPresenterTest, AnAlertAskedOnAnotherThreadRunsOnTheMainThreadAndAnswersTheCaller)
{
    QThread* boxThread = nullptr;
    AlertActor actor([&](QMessageBox& box) {
        boxThread = box.thread();
        buttonTitled(box, QStringLiteral("C"))->click();
    });
    std::atomic<bool> done = false;
    AlertResponse response;
    std::unique_ptr<QThread> caller(QThread::create([&] {
        MessageBoxAlertPresenter presenter;
        response = presenter.runModal(threeButtons());
        done = true;
    }));
    caller->start();
    EXPECT_TRUE(processEventsUntil([&] { return done.load(); }, 20000));
    caller->wait();
    EXPECT_EQ(response.button, AlertResponse::thirdButton);
    EXPECT_EQ(boxThread, QApplication::instance()->thread());
}

TEST(MessageBoxAlertPresenterTest, ScreenshotOfAnAlertWithItsBox)
{
    AlertRequest request = threeButtons();
    request.buttonTitles = {QStringLiteral("Save"), QStringLiteral("Don't Save"), QStringLiteral("Cancel")};
    request.showsSuppressionButton = true;
    QString saved;
    runWhileActing(request, [&](QMessageBox& box) {
        box.checkBox()->setChecked(true);
        saved = saveScreenshot(&box, QStringLiteral("alert-with-box"));
        buttonTitled(box, QStringLiteral("Cancel"))->click();
    });
    EXPECT_FALSE(saved.isEmpty());
}

}  // namespace

}  // namespace MessageBoxAlertPresenterTests
