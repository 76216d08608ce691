#include "TextField.h"
#include "TokenField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace TokenFieldTests {

namespace {

struct Form {
    std::unique_ptr<View> window = std::make_unique<View>(QRectF(0, 0, 300, 120));
    TokenField* field = new TokenField(QRectF(10, 60, 200, 19), window.get());
    TextField* other = new TextField(QRectF(10, 20, 200, 24), window.get());
    int endings = 0;
    int changes = 0;

    Form()
    {
        field->setOnEndEditing([this](TokenField*) { ++endings; });
        field->setOnTextChanged([this](TokenField*) { ++changes; });
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        field->editor()->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }
};

void pressKey(Qt::Key key, const QString& text = QString())
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void type(const QString& text)
{
    for (QChar c : text) pressKey(Qt::Key(c.toUpper().unicode()), QString(c));
}

}  // namespace

TEST(TokenField, PrefixMatchSetsCaseAndAccentsAside)
{
    struct Case {
        const char* name;
        const char* prefix;
        bool matches;
    };
    const Case cases[] = {
        {"Work", "wo", true},       {"Work", "WOR", true},     {"École", "ec", true},
        {"ecole", "Éco", true},     {"Homework", "work", false}, {"Work", "works", false},
        {"Naïve", "nai", true},     {"Work", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TokenField::hasPrefixIgnoringCaseAndDiacritics(QString::fromUtf8(c.name), QString::fromUtf8(c.prefix)),
                  c.matches)
            << c.name << " / " << c.prefix;
    }
}

TEST(TokenField, ContentTakesWholeLines)
{
    EXPECT_EQ(TokenField::linesForWidth(100, 100), 1) << "content exactly as wide fits";
    EXPECT_EQ(TokenField::linesForWidth(101, 100), 2) << "one point wider takes a second line";
    EXPECT_EQ(TokenField::linesForWidth(0, 100), 1) << "an empty field keeps one line";
    EXPECT_EQ(TokenField::linesForWidth(250, 100), 3);
    EXPECT_EQ(TokenField::linesForWidth(50, 0), 1) << "a field without width still has a line";

    const QList<QRectF> frames = TokenField::tokenFrames({60, 60, 60}, 130);
    ASSERT_EQ(frames.size(), 3);
    EXPECT_EQ(frames[0].top(), frames[1].top()) << "two tokens share the first line";
    EXPECT_EQ(frames[2].top(), frames[0].top() + TokenField::lineHeight) << "the third wraps";
    EXPECT_EQ(frames[2].left(), TokenField::inset);
}

TEST(TokenField, TypedTextBecomesATokenAndBackspaceTakesTheLastAway)
{
    Form form;
    form.field->setObjectValue({QStringLiteral("a"), QStringLiteral(" "), QStringLiteral("b")});
    EXPECT_EQ(form.field->objectValue(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}))
        << "blank entries are left out";
    EXPECT_EQ(form.changes, 0) << "setting the tokens is no edit";

    type(QStringLiteral("cd"));
    EXPECT_EQ(form.field->typedText(), QStringLiteral("cd"));
    pressKey(Qt::Key_Return);
    EXPECT_EQ(form.field->objectValue(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("cd")}));
    EXPECT_TRUE(form.field->typedText().isEmpty());
    EXPECT_EQ(form.endings, 0) << "Return that makes a token does not end the edit";

    type(QStringLiteral("e"));
    pressKey(Qt::Key_Comma, QStringLiteral(","));
    EXPECT_EQ(form.field->objectValue().last(), QStringLiteral("e"));

    pressKey(Qt::Key_Backspace);
    EXPECT_EQ(form.field->objectValue(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("cd")}));
    pressKey(Qt::Key_Return);
    EXPECT_EQ(form.endings, 1) << "Return in an empty editor ends the edit";
    form.field->editor()->clearFocus();
    EXPECT_EQ(form.endings, 1) << "the focus loss after it adds nothing";
}

TEST(TokenField, FocusLossTakesTheTypedTextAndEndsTheEditOnce)
{
    Form form;
    form.other->editor()->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(form.endings, 0) << "leaving without an edit ends nothing";
    form.field->editor()->setFocus(Qt::OtherFocusReason);
    type(QStringLiteral("x"));
    form.other->editor()->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(form.field->objectValue(), QStringList{QStringLiteral("x")});
    EXPECT_EQ(form.endings, 1);
}

TEST(TokenField, UpAndDownWalkTheOfferedCompletions)
{
    Form form;
    const QStringList names{QStringLiteral("Work"), QStringLiteral("Écoles"), QStringLiteral("Home")};
    form.field->setCompletionProvider([&](const QString& typed) {
        QStringList offered;
        for (const QString& name : names)
            if (TokenField::hasPrefixIgnoringCaseAndDiacritics(name, typed)) offered.append(name);
        return offered;
    });
    type(QStringLiteral("e"));
    EXPECT_EQ(form.field->currentCompletions(), QStringList{QStringLiteral("Écoles")});
    EXPECT_EQ(form.field->typedText(), QStringLiteral("e")) << "no completion is chosen for the user";
    pressKey(Qt::Key_Down);
    EXPECT_EQ(form.field->typedText(), QStringLiteral("Écoles"));
    pressKey(Qt::Key_Return);
    EXPECT_EQ(form.field->objectValue(), QStringList{QStringLiteral("Écoles")});
}

TEST(TokenField, FittingWidthGrowsWithEachToken)
{
    TokenField field(QRectF(0, 0, 200, 19));
    const double empty = field.fittingWidth();
    field.setObjectValue({QStringLiteral("alpha")});
    const double one = field.fittingWidth();
    EXPECT_DOUBLE_EQ(one - empty, TokenField::tokenWidth(QStringLiteral("alpha"), field.textFont()) + TokenField::tokenGap);
    field.setObjectValue({QStringLiteral("alpha"), QStringLiteral("alpha")});
    EXPECT_DOUBLE_EQ(field.fittingWidth() - one, one - empty);
}

}  // namespace TokenFieldTests
