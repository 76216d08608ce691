// The controls lay their text out with the widths TextMeasure gives and draw
// exactly that, fractional sizes included.
#include "Button.h"
#include "PopUpButton.h"
#include "TextField.h"
#include "TextMeasure.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace {

constexpr qreal shotScale = 2.0;  // two pixels a point, to see half-point differences

// One kind of control showing one line of text, left-aligned.
struct ControlKind {
    const char* name;
    qreal leftRoom;   // from the control's left edge to its text
    qreal rightRoom;  // from the text's right end to the control's right edge
    std::function<View*(const QString& text, const Font& font, qreal width, View* superview)> make;
};

const std::vector<ControlKind>& controlKinds()
{
    static const std::vector<ControlKind> kinds = {
        {"label", 1, 1,
         [](const QString& text, const Font& font, qreal width, View* superview) -> View* {
             auto* label = TextField::labelWithString(text, QRectF(0, 0, width, 20), superview);
             label->setTextFont(font);
             return label;
         }},
        {"unbordered button", 0, 0,
         [](const QString& text, const Font& font, qreal width, View* superview) -> View* {
             auto* button = new Button(QRectF(0, 0, width, 24), superview);
             button->setBordered(false);
             button->setAttributedTitle({text, QColor(20, 20, 20), font, Qt::AlignLeft});
             return button;
         }},
        {"pop-up", 8, 20,
         [](const QString& text, const Font& font, qreal width, View* superview) -> View* {
             auto* popUp = new PopUpButton(QRectF(0, 0, width, 26), superview);
             popUp->addItemWithTitle(text);
             popUp->setTextFont(font);
             return popUp;
         }},
    };
    return kinds;
}

// The picture of the control's text columns, from its text's left edge over
// `width` points.
QImage textColumns(const ControlKind& kind, const QString& text, const Font& font, qreal controlWidth, qreal width)
{
    // Inside a window, as controls are: the frame stays fractional.
    const auto window = std::make_unique<View>(QRectF(0, 0, controlWidth + 20, 40));
    View* control = kind.make(text, font, controlWidth, window.get());
    const QImage shot = control->snapshot(shotScale);
    return shot.copy(int(kind.leftRoom * shotScale), 0, int(std::floor(width * shotScale)), shot.height());
}

int differingPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++count;
    return count;
}

}  // namespace

TEST(ControlText, TitleAtAFractionalSizeFitsTheWidthTextMeasureGives)
{
    const Font font = Font::systemFont(12.5);
    const QString text = QStringLiteral("Weekly review of notes");
    const qreal width = TextMeasure::sizeOfText(text, font).width();
    ASSERT_NE(width, std::floor(width)) << "the case is about a fractional width";
    // Whole pixels at 13 px would not fit: the control must not measure with
    // a rounded size.
    ASSERT_GT(TextMeasure::sizeOfText(text, Font::systemFont(13)).width(), width + 1);

    for (const ControlKind& kind : controlKinds()) {
        SCOPED_TRACE(kind.name);
        const qreal room = kind.leftRoom + kind.rightRoom;
        const qreal compared = width - 1;  // what the one-point-narrower control still has
        // With room to spare, nothing is cut: the reference for the text.
        const QImage ample = textColumns(kind, text, font, width + room + 60, compared);

        // Exactly the measured width shows the whole text, drawn where the
        // ample control draws it.
        const QImage exact = textColumns(kind, text, font, width + room, compared);
        EXPECT_EQ(differingPixels(exact, ample), 0) << "the exact width shows the whole text";

        // One point narrower, the text ends in "…" as TextMeasure cuts it.
        const QString elided = TextMeasure::elidedText(text, font, width - 1);
        ASSERT_TRUE(elided.endsWith(QChar(0x2026)));
        const QImage narrow = textColumns(kind, text, font, width + room - 1, compared);
        EXPECT_GT(differingPixels(narrow, ample), 20) << "a narrower control cuts its text";
        EXPECT_EQ(differingPixels(narrow, textColumns(kind, elided, font, width + room + 60, compared)), 0)
            << "and draws TextMeasure's cut";
    }
}

TEST(ControlText, ControlsStartInTheSystemFontAndTheEditorTakesTheWholePixelSize)
{
    Button button;
    PopUpButton popUp;
    TextField field;
    EXPECT_EQ(button.textFont(), Font::systemFont(Font::systemFontSize));
    EXPECT_EQ(popUp.textFont(), Font::systemFont(Font::systemFontSize));
    EXPECT_EQ(field.textFont(), Font::systemFont(Font::systemFontSize));
    EXPECT_EQ(field.editor()->font().pixelSize(), 13);

    // The stock editor cannot draw 12.5 px: it gets the nearest whole size,
    // in the same face and weight.
    field.setTextFont(Font::boldSystemFont(12.5));
    EXPECT_EQ(field.textFont().pixelSize(), 12.5);
    EXPECT_EQ(field.editor()->font().pixelSize(), 13);
    EXPECT_TRUE(field.editor()->font().bold());
    EXPECT_EQ(field.editor()->font().family(), Font::boldSystemFont(12.5).family());
    field.setTextFont(Font::systemFont(10.4));
    EXPECT_EQ(field.editor()->font().pixelSize(), 10);
    EXPECT_FALSE(field.editor()->font().bold());
}
