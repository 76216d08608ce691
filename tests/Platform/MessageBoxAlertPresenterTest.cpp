#include "MessageBoxAlertPresenter.h"

#include "TextTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// What the user does in the open box; run from the box's own event loop.
using UserAction = std::function<void(QMessageBox&)>;

QMessageBox* openBox()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) return box;
    return nullptr;
}

// Runs the alert, acting in it once it shows. A box never found fails the
// test; the box is then closed by its first button so that the test ends.
AlertResponse runWhileActing(const AlertRequest& request, const UserAction& act)
{
    QTimer poll;
    int rounds = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QMessageBox* box = openBox();
        if (!box && ++rounds < 500) return;
        poll.stop();
        if (!box) {
            ADD_FAILURE() << "The alert never showed";
            return;
        }
        act(*box);
        if (box->isVisible()) box->buttons().first()->click();
    });
    poll.start(5);
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

}  // namespace
