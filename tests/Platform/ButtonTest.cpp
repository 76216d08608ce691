#include "Button.h"
#include "ImageView.h"
#include "TextField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>

namespace ButtonTests {

namespace {

// A left-button press or release at a point of the button's Qt coordinates.
void sendMouse(QWidget* widget, QEvent::Type type, const QPointF& point)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QImage solidImage(const QColor& color, int side = 16)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

// How many pixels of the rectangle differ clearly from the colour.
int pixelsUnlike(const QImage& image, const QRect& rect, const QColor& background)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - background.red()) + std::abs(pixel.green() - background.green()) +
                    std::abs(pixel.blue() - background.blue()) > 90)
                ++count;
        }
    return count;
}

struct Window {
    std::unique_ptr<View> root = std::make_unique<View>(QRectF(0, 0, 300, 120));
    Button* button = new Button(QRectF(20, 20, 120, 30), root.get());
    int clicks = 0;
    Window()
    {
        button->setTitle(QStringLiteral("Save"));
        button->setTarget(nullptr, [this](Button*) { ++clicks; });
    }
};

}  // namespace

TEST(Button, MomentaryRunsItsActionOnceOnAMouseUpInsideOnly)
{
    struct Case {
        const char* name;
        QPointF release;
        bool dragOutFirst;
        int clicks;
    };
    const Case cases[] = {
        {"released inside", {60, 15}, false, 1},
        {"released outside", {200, 15}, false, 0},
        {"released below", {60, 80}, false, 0},
        {"dragged out and back in", {60, 15}, true, 1},
    };
    for (const Case& c : cases) {
        Window w;
        sendMouse(w.button, QEvent::MouseButtonPress, {60, 15});
        EXPECT_TRUE(w.button->isHighlighted()) << c.name;
        EXPECT_EQ(w.clicks, 0) << c.name << ": nothing runs on the press";
        if (c.dragOutFirst) {
            sendMouse(w.button, QEvent::MouseMove, {300, 15});
            EXPECT_FALSE(w.button->isHighlighted()) << c.name << ": no pressed look outside";
            sendMouse(w.button, QEvent::MouseMove, {60, 15});
            EXPECT_TRUE(w.button->isHighlighted()) << c.name;
        }
        sendMouse(w.button, QEvent::MouseButtonRelease, c.release);
        EXPECT_EQ(w.clicks, c.clicks) << c.name;
        EXPECT_FALSE(w.button->isHighlighted()) << c.name;
        EXPECT_EQ(w.button->state(), OffState) << c.name << ": a push button keeps no state";
    }
}

TEST(Button, TogglesFlipTheirStateBeforeTheActionSeesIt)
{
    for (ButtonType type : {ButtonType::Toggle, ButtonType::PushOnPushOff}) {
        Window w;
        w.button->setButtonType(type);
        std::vector<int> seen;
        w.button->setTarget(nullptr, [&seen](Button* b) { seen.push_back(b->state()); });
        for (int i = 0; i < 3; ++i) {
            sendMouse(w.button, QEvent::MouseButtonPress, {10, 10});
            sendMouse(w.button, QEvent::MouseButtonRelease, {10, 10});
        }
        EXPECT_EQ(seen, (std::vector<int>{OnState, OffState, OnState}));
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(w.button, &space);
        EXPECT_EQ(seen, (std::vector<int>{OnState, OffState, OnState, OffState})) << "Space clicks it from the keyboard";
        w.button->setState(OnState);
        sendMouse(w.button, QEvent::MouseButtonPress, {10, 10});
        sendMouse(w.button, QEvent::MouseButtonRelease, {500, 10});
        EXPECT_EQ(w.button->state(), OnState) << "a release outside leaves the state";
    }
}

TEST(Button, TabReachesItButAWindowBecomingActiveGivesTheKeyboardToTheFirstField)
{
    Window w;
    auto* field = new TextField(QRectF(20, 70, 200, 24), w.root.get());
    w.root->show();
    QApplication::setActiveWindow(w.root.get());
    EXPECT_EQ(QApplication::focusWidget(), field->editor()) << "not the button before it";
    const QImage resting = w.button->snapshot();
    QKeyEvent backtab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
    QApplication::sendEvent(field->editor(), &backtab);
    EXPECT_EQ(QApplication::focusWidget(), w.button);
    EXPECT_NE(w.button->snapshot(), resting) << "its ring shows";
}

TEST(Button, SetStateTakesAnythingButOnAndMixedAsOff)
{
    Button button;
    button.setState(OnState);
    button.setState(7);
    EXPECT_EQ(button.state(), OffState);
    button.setState(MixedState);
    EXPECT_EQ(button.state(), MixedState);
    button.setButtonType(ButtonType::Toggle);
    button.performClick();
    EXPECT_EQ(button.state(), OnState) << "mixed goes on when clicked";
}

TEST(Button, DisabledButtonIgnoresClicks)
{
    Window w;
    w.button->setButtonType(ButtonType::Toggle);
    w.button->setEnabled(false);
    w.button->performClick();
    sendMouse(w.button, QEvent::MouseButtonPress, {10, 10});
    sendMouse(w.button, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_EQ(w.clicks, 0);
    EXPECT_EQ(w.button->state(), OffState);
}

TEST(Button, ActionOfADestroyedReceiverIsNeverCalled)
{
    Button button;
    int calls = 0;
    auto receiver = std::make_unique<QObject>();
    button.setTarget(receiver.get(), [&calls](Button*) { ++calls; });
    button.performClick();
    EXPECT_EQ(calls, 1);
    receiver.reset();
    button.performClick();
    EXPECT_EQ(calls, 1);
}

TEST(Button, ActionMayDeleteTheButtonItWasClickedOn)
{
    // A close button that destroys its own panel: nothing may touch the
    // button once its action has run.
    Window w;
    QPointer<Button> button = w.button;
    w.button->setTarget(nullptr, [](Button* b) { delete b; });
    sendMouse(w.button, QEvent::MouseButtonPress, {10, 10});
    sendMouse(w.button, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_TRUE(button.isNull());
}

TEST(Button, ImageToggleShowsItsAlternateImageWhenOn)
{
    Window w;
    w.button->setButtonType(ButtonType::Toggle);
    w.button->setBordered(false);
    w.button->setTitle(QString());
    w.button->setImagePosition(ImagePosition::ImageOnly);
    w.button->setImage(solidImage(Qt::red));
    w.button->setAlternateImage(solidImage(Qt::blue));

    const auto centreColour = [&] {
        const QImage shot = w.button->snapshot();
        return shot.pixelColor(shot.width() / 2, shot.height() / 2);
    };
    EXPECT_EQ(centreColour(), QColor(Qt::red));
    w.button->performClick();
    EXPECT_EQ(w.button->currentImage().pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(centreColour(), QColor(Qt::blue));
    w.button->performClick();
    EXPECT_EQ(centreColour(), QColor(Qt::red));
}

TEST(Button, MissingImageStillShowsTheTitle)
{
    for (ImagePosition position : {ImagePosition::ImageOnly, ImagePosition::ImageAbove, ImagePosition::ImageLeft}) {
        Window w;
        w.button->setImagePosition(position);
        w.button->setImage(QImage());  // as a lookup that found nothing gives
        w.button->setTitle(QStringLiteral("Missing"));
        const QImage shot = w.button->snapshot();
        const QColor face = shot.pixelColor(8, 4);
        const QRect middle(30, 8, 60, 14);
        EXPECT_GT(pixelsUnlike(shot, middle, face), 20) << "title pixels in the middle, position " << int(position);
    }
}

TEST(Button, ContentLayoutKeepsImageAndTitleApartAndInside)
{
    const QRectF content(0, 0, 120, 60);
    const QSizeF image(24, 24);
    const QSizeF title(50, 16);
    struct Case {
        ImagePosition position;
        bool imageFirstAlongX;  // for left and right
        bool imageFirstAlongY;  // for above and below
    };
    const Case sideBySide[] = {{ImagePosition::ImageLeft, true, false}, {ImagePosition::ImageRight, false, false}};
    for (const Case& c : sideBySide) {
        const auto layout = Button::contentLayout(content, image, title, c.position);
        EXPECT_FALSE(layout.imageRect.intersects(layout.titleRect));
        EXPECT_EQ(layout.imageRect.right() <= layout.titleRect.left(), c.imageFirstAlongX);
        EXPECT_DOUBLE_EQ(layout.imageRect.center().y(), content.center().y());
        EXPECT_TRUE(content.contains(layout.imageRect.united(layout.titleRect)));
    }
    const Case stacked[] = {{ImagePosition::ImageAbove, false, true}, {ImagePosition::ImageBelow, false, false}};
    for (const Case& c : stacked) {
        const auto layout = Button::contentLayout(content, image, title, c.position);
        EXPECT_FALSE(layout.imageRect.intersects(layout.titleRect));
        EXPECT_EQ(layout.imageRect.bottom() <= layout.titleRect.top(), c.imageFirstAlongY);
        EXPECT_TRUE(content.contains(layout.imageRect.united(layout.titleRect)));
    }
    const auto overlaps = Button::contentLayout(content, image, title, ImagePosition::ImageOverlaps);
    EXPECT_TRUE(overlaps.imageRect.intersects(overlaps.titleRect));
    EXPECT_TRUE(Button::contentLayout(content, image, title, ImagePosition::ImageOnly).titleRect.isEmpty());
    EXPECT_TRUE(Button::contentLayout(content, image, title, ImagePosition::NoImage).imageRect.isEmpty());

    // A large image shrinks to leave the title its line.
    const auto big = Button::contentLayout(QRectF(0, 0, 60, 40), QSizeF(100, 100), title, ImagePosition::ImageAbove);
    EXPECT_LE(big.imageRect.height() + big.titleRect.height(), 40.0);
    EXPECT_DOUBLE_EQ(big.imageRect.width(), big.imageRect.height()) << "proportions kept";

    // A button too small for its bezel draws nothing rather than garbage.
    for (ImagePosition position : {ImagePosition::ImageLeft, ImagePosition::ImageAbove, ImagePosition::ImageOverlaps}) {
        const auto none = Button::contentLayout(QRectF(6, 3, -4, -2), image, title, position);
        EXPECT_TRUE(none.imageRect.isEmpty()) << int(position);
        EXPECT_TRUE(none.titleRect.isEmpty()) << int(position);
    }
}

TEST(Button, AttributedTitleCarriesItsColourFontAndAlignment)
{
    Window w;
    w.button->setBordered(false);
    w.button->setAttributedTitle(
        {QStringLiteral("WWW"), QColor(0, 160, 0), Font::boldSystemFont(15), Qt::AlignLeft | Qt::AlignVCenter});
    const AttributedTitle title = w.button->attributedTitle();
    EXPECT_EQ(title.text, QStringLiteral("WWW"));
    EXPECT_EQ(title.color, QColor(0, 160, 0));
    EXPECT_EQ(title.font, Font::boldSystemFont(15));
    EXPECT_EQ(w.button->textFont(), Font::boldSystemFont(15));
    EXPECT_EQ(w.button->title(), QStringLiteral("WWW"));

    const QImage shot = w.button->snapshot();
    int green = 0;
    int rightHalf = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor pixel = shot.pixelColor(x, y);
            if (pixel.alpha() > 200 && pixel.green() > 100 && pixel.red() < 60) {
                ++green;
                if (x > shot.width() / 2) ++rightHalf;
            }
        }
    EXPECT_GT(green, 20) << "the title in its own colour";
    EXPECT_EQ(rightHalf, 0) << "aligned to the left";
}

TEST(ImageView, ImageRectScalesDownProportionallyCentredOrStretches)
{
    const QRectF bounds(0, 0, 100, 50);
    struct Case {
        QSizeF image;
        ImageScaling scaling;
        QRectF expected;
    };
    const Case cases[] = {
        {{20, 10}, ImageScaling::ProportionallyDown, {40, 20, 20, 10}},   // small: never enlarged
        {{200, 50}, ImageScaling::ProportionallyDown, {0, 12.5, 100, 25}},
        {{40, 100}, ImageScaling::ProportionallyDown, {40, 0, 20, 50}},
        {{200, 100}, ImageScaling::None, {-50, -25, 200, 100}},
        {{20, 10}, ImageScaling::AxesIndependently, {0, 0, 100, 50}},
        {{0, 10}, ImageScaling::ProportionallyDown, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ImageView::imageRect(c.image, bounds, c.scaling), c.expected)
            << c.image.width() << "x" << c.image.height() << " scaling " << int(c.scaling);
}

TEST(ImageView, NullImageDrawsNothing)
{
    ImageView view(QRectF(0, 0, 40, 40));
    EXPECT_EQ(pixelsUnlike(view.snapshot(), QRect(0, 0, 40, 40), QColor(0, 0, 0, 0)), 0);
    view.setImage(solidImage(Qt::white, 10));
    EXPECT_EQ(view.snapshot().pixelColor(20, 20), QColor(Qt::white));
    EXPECT_EQ(view.snapshot().pixelColor(5, 5).alpha(), 0) << "a small image is not enlarged";
}

}  // namespace ButtonTests
