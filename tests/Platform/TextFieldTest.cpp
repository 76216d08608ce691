#include "Button.h"
#include "TextField.h"
#include "TextMeasure.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace TextFieldTests {

namespace {

struct Form {
    std::unique_ptr<View> window = std::make_unique<View>(QRectF(0, 0, 300, 120));
    TextField* field = new TextField(QRectF(10, 70, 200, 24), window.get());
    TextField* other = new TextField(QRectF(10, 30, 200, 24), window.get());
    int endings = 0;

    Form()
    {
        field->setOnEndEditing([this](TextField*) { ++endings; });
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        field->editor()->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }
};

// A key as the keyboard delivers it to the focused widget: offered to the
// shortcuts first.
void pressKey(Qt::Key key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void type(const QString& text)
{
    for (QChar c : text) pressKey(Qt::Key(c.toUpper().unicode()), QString(c));
}

class RecordingDelegate : public TextFieldDelegate {
public:
    std::vector<FieldCommand> commands;
    std::function<bool(FieldCommand)> handles = [](FieldCommand) { return false; };
    bool doCommand(TextField*, FieldCommand command) override
    {
        commands.push_back(command);
        return handles(command);
    }
};

}  // namespace

TEST(TextField, EditingEndsOnReturnAndOnTab)
{
    Form form;
    ASSERT_EQ(QApplication::focusWidget(), form.field->editor());
    type(QStringLiteral("ab"));
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("ab"));
    EXPECT_EQ(form.endings, 0) << "typing is not the end";
    pressKey(Qt::Key_Return);
    EXPECT_EQ(form.endings, 1);
    pressKey(Qt::Key_Enter);
    EXPECT_EQ(form.endings, 2);
    pressKey(Qt::Key_Tab);
    EXPECT_EQ(form.endings, 3) << "Tab ends editing, and the focus loss that follows adds nothing";
    EXPECT_EQ(QApplication::focusWidget(), form.other->editor()) << "Tab still moves the focus on";
}

TEST(TextField, FocusLossEndsEditingOnlyAfterAnEdit)
{
    Form form;
    form.other->editor()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(form.endings, 0) << "no edit, no end";

    form.field->editor()->setFocus(Qt::MouseFocusReason);
    type(QStringLiteral("x"));
    form.other->editor()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(form.endings, 1);
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("x"));

    form.field->editor()->setFocus(Qt::MouseFocusReason);
    type(QStringLiteral("y"));
    pressKey(Qt::Key_Return);
    form.other->editor()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(form.endings, 2) << "the edit ended with Return is not reported again on focus loss";
}

TEST(TextField, SetStringValueNeverEndsEditing)
{
    Form form;
    form.field->setStringValue(QStringLiteral("from the program"));
    form.other->editor()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(form.endings, 0);
    EXPECT_EQ(form.field->stringValue(), QStringLiteral("from the program"));

    // An edit replaced by the program is no longer the user's to report.
    form.field->editor()->setFocus(Qt::MouseFocusReason);
    type(QStringLiteral("z"));
    form.field->setStringValue(QStringLiteral("reset"));
    form.other->editor()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(form.endings, 0);
}

TEST(TextField, DelegateGetsTheCommandsBeforeTheField)
{
    Form form;
    RecordingDelegate delegate;
    form.field->setDelegate(&delegate);
    pressKey(Qt::Key_Up);
    pressKey(Qt::Key_Down);
    pressKey(Qt::Key_Escape, QStringLiteral("\x1b"));
    pressKey(Qt::Key_Return, QStringLiteral("\r"));
    pressKey(Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(delegate.commands, (std::vector<FieldCommand>{FieldCommand::MoveUp, FieldCommand::MoveDown,
                                                            FieldCommand::Cancel, FieldCommand::InsertNewline}));
    EXPECT_EQ(form.endings, 1) << "an unhandled Return still ends editing";
    form.field->setDelegate(nullptr);
}

TEST(TextField, HandledCommandDoesNotReachTheField)
{
    Form form;
    RecordingDelegate delegate;
    delegate.handles = [](FieldCommand command) {
        return command == FieldCommand::InsertNewline || command == FieldCommand::InsertTab;
    };
    form.field->setDelegate(&delegate);
    type(QStringLiteral("q"));
    pressKey(Qt::Key_Return);
    EXPECT_EQ(form.endings, 0);
    pressKey(Qt::Key_Tab);
    EXPECT_EQ(form.endings, 0);
    EXPECT_EQ(QApplication::focusWidget(), form.field->editor()) << "a handled Tab moves no focus";
    EXPECT_EQ(delegate.commands.size(), 2u) << "each key asked once";
    form.field->setDelegate(nullptr);
}

TEST(TextField, HandledEscapeKeepsTheWindowsCancelButtonFromClicking)
{
    Form form;
    auto* cancel = new Button(QRectF(220, 30, 70, 24), form.window.get());
    int cancels = 0;
    cancel->setTarget(nullptr, [&cancels](Button*) { ++cancels; });
    cancel->setKeyEquivalent(QStringLiteral("\x1b"));
    cancel->show();

    RecordingDelegate delegate;
    delegate.handles = [](FieldCommand command) { return command == FieldCommand::Cancel; };
    form.field->setDelegate(&delegate);
    // The real keyboard asks the focused widget whether it wants the key
    // before any shortcut runs.
    QKeyEvent ask(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
    ask.ignore();
    QApplication::sendEvent(form.field->editor(), &ask);
    EXPECT_TRUE(ask.isAccepted());
    EXPECT_EQ(cancels, 0);

    form.field->setDelegate(nullptr);
    pressKey(Qt::Key_Escape);
    EXPECT_EQ(cancels, 1) << "unhandled, Escape reaches the cancel button";
}

TEST(TextField, ReturnCommitsTheEditBeforeTheDefaultButtonActs)
{
    Form form;
    auto* ok = new Button(QRectF(220, 30, 70, 24), form.window.get());
    int endingsSeenByButton = -1;
    ok->setTarget(nullptr, [&](Button*) { endingsSeenByButton = form.endings; });
    ok->setKeyEquivalent(QStringLiteral("\r"));
    ok->show();
    type(QStringLiteral("7"));
    pressKey(Qt::Key_Return);
    EXPECT_EQ(endingsSeenByButton, 1) << "the button ran, after the end of editing";
    EXPECT_EQ(form.endings, 1) << "and the edit is reported once";
}

TEST(TextField, NumbersReadTheLeadingNumberOrZero)
{
    struct Case {
        QString text;
        int intValue;
        double doubleValue;
    };
    const Case cases[] = {
        {QStringLiteral("42"), 42, 42},
        {QStringLiteral("  -7 days"), -7, -7},
        {QStringLiteral("3.75"), 3, 3.75},
        {QStringLiteral(".5"), 0, 0.5},
        {QStringLiteral("1e3x"), 1, 1000},
        {QStringLiteral("abc"), 0, 0},
        {QString(), 0, 0},
        {QStringLiteral("99999999999"), 0, 99999999999.0},
        {QStringLiteral("1e999"), 1, 0},
    };
    TextField field;
    for (const Case& c : cases) {
        field.setStringValue(c.text);
        EXPECT_EQ(field.intValue(), c.intValue) << c.text.toStdString();
        EXPECT_DOUBLE_EQ(field.doubleValue(), c.doubleValue) << c.text.toStdString();
    }
    field.setIntValue(-12);
    EXPECT_EQ(field.stringValue(), QStringLiteral("-12"));
    field.setDoubleValue(2.5);
    EXPECT_EQ(field.stringValue(), QStringLiteral("2.5"));
}

TEST(TextField, LabelIsNeitherEditableNorSelectableUnlessAsked)
{
    std::unique_ptr<TextField> label(TextField::labelWithString(QStringLiteral("Name:"), QRectF(0, 0, 80, 20)));
    EXPECT_FALSE(label->isEditable());
    EXPECT_FALSE(label->isSelectable());
    EXPECT_FALSE(label->drawsBackground());
    EXPECT_FALSE(label->editor()->isVisibleTo(label.get()));
    EXPECT_EQ(label->editor()->focusPolicy(), Qt::NoFocus);
    label->setSelectable(true);
    EXPECT_TRUE(label->editor()->isVisibleTo(label.get()));
    EXPECT_TRUE(label->editor()->isReadOnly());
    label->setEditable(true);
    EXPECT_FALSE(label->editor()->isReadOnly());
    EXPECT_EQ(label->stringValue(), QStringLiteral("Name:"));
}

TEST(TextField, SingleLineSitsInTheMiddleOfATallFrame)
{
    EXPECT_EQ(TextField::singleLineRect(QRectF(0, 0, 100, 40), 16), QRectF(0, 12, 100, 16));
    EXPECT_EQ(TextField::singleLineRect(QRectF(2, 2, 100, 10), 16), QRectF(2, 2, 100, 10)) << "never taller";

    // Rendered: the ink of a short label in a tall frame is centred.
    std::unique_ptr<TextField> label(TextField::labelWithString(QStringLiteral("Mid"), QRectF(0, 0, 80, 60)));
    const QImage shot = label->snapshot();
    int top = shot.height(), bottom = -1;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y).alpha() > 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(bottom, top);
    EXPECT_NEAR((top + bottom) / 2.0, 30.0, 4.0);
}

TEST(TextField, LongSingleLineEndsInAnEllipsisAndAWrappedLabelUsesMoreLines)
{
    const QString text = QStringLiteral("A rather long label that cannot fit in its narrow frame at all");
    std::unique_ptr<TextField> label(TextField::labelWithString(text, QRectF(0, 0, 120, 60)));
    const auto inkRows = [&] {
        const QImage shot = label->snapshot();
        int rows = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixelColor(x, y).alpha() > 128) {
                    ++rows;
                    break;
                }
        return rows;
    };
    const int singleLine = inkRows();
    label->setWraps(true);
    const int wrapped = inkRows();
    EXPECT_GT(wrapped, singleLine * 2) << "three or more lines against one";
}

TEST(TextField, LabelPainterDrawsLabelsButNotEditableFields)
{
    std::unique_ptr<TextField> label(TextField::labelWithString(QStringLiteral("Hidden"), QRectF(0, 0, 40, 20)));
    int calls = 0;
    label->setLabelPainter([&calls](QPainter& painter, const TextField& field) {
        ++calls;
        painter.fillRect(field.bounds(), Qt::red);
    });
    QImage shot = label->snapshot();
    EXPECT_GE(calls, 1);
    EXPECT_EQ(shot.pixelColor(20, 10), QColor(Qt::red)) << "the painter replaces the text";

    // Once editable, the field draws itself again (its white background).
    label->setEditable(true);
    label->setDrawsBackground(true);
    label->setBackgroundColor(Qt::white);
    calls = 0;
    shot = label->snapshot();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(shot.pixelColor(1, 1), QColor(Qt::white));
}

TEST(TextField, ColoredRunsFollowEachOtherWhereTheAlignmentPlacesTheWholeText)
{
    // Red then blue, measured as one text: the blue ink starts where the red
    // run ends, wherever the alignment puts the pair.
    const QString first = QStringLiteral("MMMM"), second = QStringLiteral("WWWW");
    const Font font = Font::systemFont(17);
    const double firstWidth = TextMeasure::sizeOfText(first, font).width();
    const double total = firstWidth + TextMeasure::sizeOfText(second, font).width();
    const struct {
        Qt::Alignment alignment;
        double start;
    } cases[] = {{Qt::AlignLeft, 0}, {Qt::AlignHCenter, (300 - total) / 2}, {Qt::AlignRight, 300 - total}};
    for (const auto& c : cases) {
        std::unique_ptr<TextField> label(TextField::labelWithString(QString(), QRectF(0, 0, 300, 30)));
        label->setTextFont(font);
        label->setAlignment(c.alignment);
        label->setColoredRuns({{first, Qt::red}, {second, Qt::blue}});
        EXPECT_EQ(label->stringValue(), first + second);
        const QImage shot = label->snapshot().convertToFormat(QImage::Format_ARGB32);
        const double scale = shot.width() / 300.0;
        int redLeft = shot.width(), redRight = -1, blueLeft = shot.width(), blueRight = -1;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor ink = shot.pixelColor(x, y);
                if (ink.alpha() < 200) continue;
                if (ink.red() > 150 && ink.blue() < 100) {
                    redLeft = std::min(redLeft, x);
                    redRight = std::max(redRight, x);
                } else if (ink.blue() > 150 && ink.red() < 100) {
                    blueLeft = std::min(blueLeft, x);
                    blueRight = std::max(blueRight, x);
                }
            }
        ASSERT_GE(redRight, 0);
        ASSERT_GE(blueRight, 0);
        EXPECT_NEAR(redLeft / scale, c.start, 3) << int(c.alignment);
        EXPECT_LT(redRight, blueLeft) << "one line, red before blue";
        EXPECT_NEAR(blueLeft / scale, c.start + firstWidth, 4) << int(c.alignment);
        EXPECT_NEAR(blueRight / scale, c.start + total, 4) << int(c.alignment);
    }
}

TEST(TextField, LinkShowsTheWholeTextBlueAndUnderlinedUntilCleared)
{
    Form form;
    QLineEdit* editor = form.field->editor();
    const QColor plain = editor->palette().color(QPalette::Text);
    form.field->setLink(QStringLiteral("https://example.org"));
    EXPECT_EQ(form.field->link(), QStringLiteral("https://example.org"));
    EXPECT_TRUE(editor->font().underline());
    const QColor linkBlue = editor->palette().color(QPalette::Text);
    EXPECT_EQ(linkBlue, QColor(0, 0, 255)) << "links are pure blue";

    // Typing keeps the link look; a new kit font does not drop the underline.
    type(QStringLiteral("ab"));
    form.field->setTextFont(Font::systemFont(15));
    EXPECT_TRUE(editor->font().underline());
    EXPECT_EQ(editor->palette().color(QPalette::Text), linkBlue);

    form.field->setLink(QString());
    EXPECT_FALSE(editor->font().underline());
    EXPECT_EQ(editor->palette().color(QPalette::Text), plain);
}

TEST(TextField, LinkedLabelDrawsBlueInkWithALineUnderIt)
{
    std::unique_ptr<TextField> label(TextField::labelWithString(QStringLiteral("Go there"), QRectF(0, 0, 120, 30)));
    label->setLink(QStringLiteral("https://example.org/there"));
    const QImage shot = label->snapshot();
    int blueInk = 0, otherInk = 0, longestRun = 0;
    for (int y = 0; y < shot.height(); ++y) {
        int run = 0;
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.alpha() < 200) {
                run = 0;
                continue;
            }
            (c.blue() > c.red() + 100 ? blueInk : otherInk) += 1;
            longestRun = std::max(longestRun, ++run);
        }
    }
    EXPECT_GT(blueInk, 20);
    EXPECT_EQ(otherInk, 0) << "no part of the text keeps the plain colour";
    EXPECT_GT(longestRun, 30) << "the underline runs along the text";
}

}  // namespace TextFieldTests
