#include "TagTokenDetailView.h"

#include "../Model/TaskTestFixture.h"
#include "CustomTextView.h"
#include "DatePicker.h"
#include "EventDetailView.h"
#include "LinkSection.h"
#include "NotificationCenter.h"
#include "Tag.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

namespace {

class TagTokenDetailViewTest : public TaskTest {};

// A host that hears every change of height.
class Host : public View, public TagTokenHost {
public:
    Host() : View(QRectF(0, 0, 300, 200)) {}
    QList<double> offsets;
    void resizeHeightWithOffset(double offset) override { offsets.append(offset); }
};

QStringList wordsOfWidth(double width, const Font& font)
{
    // Tokens that together need exactly `width` on one line.
    QStringList tokens;
    double used = TokenField::inset;
    while (used + TokenField::tokenWidth(QStringLiteral("ab"), font) + TokenField::tokenGap <= width) {
        tokens.append(QStringLiteral("ab"));
        used += TokenField::tokenWidth(QStringLiteral("ab"), font) + TokenField::tokenGap;
    }
    return tokens;
}

}  // namespace

TEST_F(TagTokenDetailViewTest, CompletionsFollowTheTagListByPrefix)
{
    for (const char* name : {"Work", "homework", "école", "Ecology", "Errands"})
        ASSERT_TRUE(dataManager().insertTagIfNA(QString::fromUtf8(name)));
    QStringList order;
    for (const TagPtr& tag : dataManager().tagList()) order.append(tag->tagName());
    QStringList expected;
    for (const QString& name : order)
        if (name == QStringLiteral("école") || name == QStringLiteral("Ecology")) expected.append(name);
    EXPECT_EQ(TagTokenDetailView::completionsForSubstring(QStringLiteral("EC")), expected)
        << "any case, with or without accents, in tag-list order";
    EXPECT_EQ(TagTokenDetailView::completionsForSubstring(QStringLiteral("wor")), QStringList{QStringLiteral("Work")})
        << "a name that only contains the text further on is not offered";
}

TEST_F(TagTokenDetailViewTest, HeightIsWholeLinesAndTheHostHearsTheChange)
{
    Host host;
    auto* field = new TagTokenDetailView(QRectF(90, 40, 200, 19), &host);
    field->setParentView(&host);
    field->setObjectValue(wordsOfWidth(200, field->textFont()));
    ASSERT_LE(field->fittingWidth(), 200);
    field->resizeTokenField();
    EXPECT_EQ(field->frame().height(), 19) << "content that fits stays one line";
    EXPECT_EQ(host.offsets, QList<double>{0});

    QStringList more = field->objectValue();
    more.append(QStringLiteral("ab"));
    field->setObjectValue(more);
    ASSERT_GT(field->fittingWidth(), 200);
    field->resizeTokenField();
    EXPECT_EQ(field->frame().height(), 38);
    EXPECT_EQ(field->frame().topLeft(), QPointF(90, 40)) << "origin and width are kept";
    EXPECT_EQ(host.offsets.last(), 19);

    field->setObjectValue({});
    field->resizeTokenField();
    EXPECT_EQ(host.offsets.last(), -19) << "shrinking is told as a negative offset";
}

TEST_F(TagTokenDetailViewTest, AHostWithoutTheCallIsNotToldButTheFieldStillResizes)
{
    View plain(QRectF(0, 0, 300, 100));
    auto* field = new TagTokenDetailView(QRectF(0, 0, 60, 19), &plain);
    field->setParentView(&plain);
    field->setObjectValue({QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
    field->resizeTokenField();
    EXPECT_GE(field->frame().height(), 38);
}

TEST_F(TagTokenDetailViewTest, TheEndOfAnEditIsPostedWithTheField)
{
    View window(QRectF(0, 0, 300, 100));
    auto* field = new TagTokenDetailView(QRectF(0, 0, 200, 19), &window);
    auto* other = new QLineEdit(&window);
    int posts = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kTextFieldHasChangedNotification,
                                                    NotificationPayload::identityOf(static_cast<TokenField*>(field)),
                                                    [&](const Notification&) { ++posts; });
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    field->editor()->setFocus(Qt::OtherFocusReason);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_T, Qt::NoModifier, QStringLiteral("t"));
    QApplication::sendEvent(field->editor(), &press);
    EXPECT_EQ(posts, 0);
    other->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(field->objectValue(), QStringList{QStringLiteral("t")});
}

TEST_F(TagTokenDetailViewTest, TextViewShowsItsWatermarkOnlyWhileEmpty)
{
    View window(QRectF(0, 0, 300, 100));
    auto* notes = new CustomTextView(QRectF(0, 0, 200, 38), QStringLiteral("Add notes"), &window);
    auto* other = new QLineEdit(&window);
    int endings = 0;
    notes->setOnEndEditing([&](CustomTextView*) { ++endings; });
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    other->setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(notes->showsWatermark());
    notes->setString(QStringLiteral("text"));
    EXPECT_FALSE(notes->showsWatermark());
    notes->setString(QString());
    EXPECT_TRUE(notes->showsWatermark());

    notes->editor()->setFocus(Qt::OtherFocusReason);
    EXPECT_FALSE(notes->showsWatermark()) << "no watermark under the caret";
    other->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(endings, 0) << "setting the text is no edit";
    notes->editor()->setFocus(Qt::OtherFocusReason);
    notes->editor()->insertPlainText(QStringLiteral("typed"));
    other->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(endings, 1);
    EXPECT_EQ(notes->string(), QStringLiteral("typed"));
    notes->setEditable(false);
    EXPECT_FALSE(notes->isEditable());
}

TEST_F(TagTokenDetailViewTest, TheEmptyLinkSectionTakesNoRoomUntilOneIsInstalled)
{
    std::unique_ptr<LinkSection> section(LinkSection::create(QRectF(0, 0, 330, 100)));
    section->updateFrameHeight();
    EXPECT_EQ(section->frame().height(), 0);
    EXPECT_FALSE(section->saveChanges());

    class Listed : public LinkSection {
    public:
        using LinkSection::LinkSection;
        void updateFrameHeight() override { setFrameSize(QSizeF(frame().width(), 44)); }
    };
    LinkSection::setFactory([](const QRectF& frame, QWidget* parent) { return new Listed(frame, parent); });
    std::unique_ptr<LinkSection> installed(LinkSection::create(QRectF(0, 0, 330, 100)));
    LinkSection::setFactory(nullptr);
    installed->updateFrameHeight();
    EXPECT_EQ(installed->frame().height(), 44);
    std::unique_ptr<LinkSection> after(LinkSection::create(QRectF(0, 0, 330, 100)));
    after->updateFrameHeight();
    EXPECT_EQ(after->frame().height(), 0) << "a null factory restores the empty section";
}

TEST_F(TagTokenDetailViewTest, WhatTheFieldShowsIsWhatIsSaved)
{
    // Typed key by key or pasted, a comma or a "/" ends the token where it
    // stands: the list the editors save reads back as the tokens shown.
    struct Case {
        const char* input;
        bool pasted;
        QStringList tokens;
    };
    const Case cases[] = {{"proj/x,y, z/w", false, {"proj", "x", "y", "z", "w"}},
                          {"proj/x,y, z/w", true, {"proj", "x", "y", "z", "w"}},
                          {"/home//garden/ ,", false, {"home", "garden"}},
                          {"Work, Errands", true, {"Work", "Errands"}}};
    for (const Case& c : cases) {
        View window(QRectF(0, 0, 300, 100));
        auto* field = new TagTokenDetailView(QRectF(0, 0, 280, 19), &window);
        const QString input = QString::fromUtf8(c.input);
        QApplication::clipboard()->setText(input);
        QList<QKeyEvent*> keys;
        if (c.pasted)
            keys.append(new QKeyEvent(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier));
        else
            for (const QChar ch : input) keys.append(new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ch));
        keys.append(new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        for (QKeyEvent* key : keys) QApplication::sendEvent(field->editor(), key);
        qDeleteAll(keys);
        EXPECT_EQ(field->objectValue(), c.tokens) << c.input << (c.pasted ? " pasted" : " typed");
        EXPECT_EQ(EventDetailView::tagNames(EventDetailView::ownTagList(field->objectValue(), QString())), c.tokens);
    }
}
