#include "AlertPresenter.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedAlertPresenter.h"
#include "SoundPlayer.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace AlertPresenterTests {

namespace {

AlertRequest deleteQuestion()
{
    AlertRequest request;
    request.messageText = QStringLiteral("Delete?");
    request.showsSuppressionButton = true;
    return request;
}

TEST(AlertRequestTest, ButtonsAnswerInTheOrderAdded)
{
    AlertRequest request;
    EXPECT_EQ(request.addButtonWithTitle(QStringLiteral("Only this")), 1000);
    EXPECT_EQ(request.addButtonWithTitle(QStringLiteral("All")), 1001);
    EXPECT_EQ(request.addButtonWithTitle(QStringLiteral("Cancel")), 1002);
    EXPECT_EQ(request.buttonTitles, QStringList({"Only this", "All", "Cancel"}));
}

AlertRequest postponeQuestion()
{
    AlertRequest request;
    request.messageText = QStringLiteral("Due now");
    request.accessoryChoices = {{QStringLiteral("Postpone for..."), 0}, {QStringLiteral("Tomorrow"), 1}};
    request.accessoryChosenTag = 0;
    return request;
}

TEST(AlertPresenterTest, UnattendedPresenterAnswersTheFirstButtonAndLeavesTheBoxAndPopUpAsShown)
{
    AlertRequest request = postponeQuestion();
    request.showsSuppressionButton = true;
    request.suppressionState = true;
    request.accessoryChosenTag = 1;
    const AlertResponse response = AlertPresenter::current().runModal(request);
    EXPECT_EQ(response.button, AlertResponse::firstButton);
    EXPECT_TRUE(response.suppressed);
    EXPECT_EQ(response.chosenTag, 1);
}

TEST(AlertPresenterTest, ScriptedPresenterAnswersAChosenEntryOnlyWhenTheAlertOffersIt)
{
    {
        ScriptedAlertPresenter presenter;
        presenter.scriptChoice(AlertResponse::firstButton, 1);
        presenter.scriptButton(AlertResponse::secondButton);
        AlertRequest openedOnTomorrow = postponeQuestion();
        openedOnTomorrow.accessoryChosenTag = 1;
        EXPECT_EQ(AlertPresenter::current().runModal(postponeQuestion()).chosenTag, 1);
        EXPECT_EQ(AlertPresenter::current().runModal(openedOnTomorrow).chosenTag, 1) << "left as it opened";
    }
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedAlertPresenter presenter;
            presenter.scriptChoice(AlertResponse::firstButton, 1);
            AlertPresenter::current().runModal(deleteQuestion());
        },
        "choice 1 not offered");
}

TEST(AlertPresenterTest, ScriptedPresenterAnswersInTurnAndRecordsTheRequests)
{
    ScriptedAlertPresenter presenter;
    presenter.scriptButton(AlertResponse::secondButton, true);
    presenter.scriptButton(AlertResponse::firstButton);

    const AlertResponse first = AlertPresenter::current().runModal(deleteQuestion());
    const AlertResponse second = AlertPresenter::current().runModal(AlertRequest());
    EXPECT_EQ(first.button, 1001);
    EXPECT_TRUE(first.suppressed);
    EXPECT_EQ(second.button, 1000);
    ASSERT_EQ(presenter.requests().size(), 2);
    EXPECT_EQ(presenter.requests()[0].messageText, QStringLiteral("Delete?"));
}

TEST(AlertPresenterTest, ScriptedPresenterFailsTheTestOnAnUnexpectedAlert)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedAlertPresenter presenter;
            AlertPresenter::current().runModal(deleteQuestion());
        },
        "Unexpected alert: \"Delete?\"");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedAlertPresenter presenter;
            presenter.scriptButton(AlertResponse::firstButton);
        },
        "never asked for");
}

TEST(AlertPresenterTest, FakesRestoreThePreviousServiceWhenTheyGo)
{
    AlertPresenter* before = &AlertPresenter::current();
    SoundPlayer* soundBefore = &SoundPlayer::current();
    {
        ScriptedAlertPresenter presenter;
        RecordingSoundPlayer sounds;
        EXPECT_EQ(&AlertPresenter::current(), &presenter);
        SoundPlayer::current().play(QStringLiteral("Chime"));
        SoundPlayer::current().play(QStringLiteral("Bell"));
        EXPECT_EQ(sounds.playedSounds(), QStringList({"Chime", "Bell"}));
    }
    EXPECT_EQ(&AlertPresenter::current(), before);
    EXPECT_EQ(&SoundPlayer::current(), soundBefore);
}

}  // namespace

}  // namespace AlertPresenterTests
