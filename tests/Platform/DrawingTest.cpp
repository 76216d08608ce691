#include "Drawing.h"

#include "DrawingTestSupport.h"
#include "Font.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Red above, blue below, as a person looks at it.
QImage redOverBlue()
{
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) image.setPixelColor(x, y, Qt::red);
    return image;
}

TEST(Drawing, ImagesComeOutUprightInANonFlippedView)
{
    const YUpCanvas canvas(20, 20, [](QPainter& painter) {
        Drawing::drawImage(painter, redOverBlue(), {0, 0, 20, 20});
    });
    EXPECT_EQ(canvas.image.pixelColor(10, 2), QColor(Qt::red));   // top row of the picture
    EXPECT_EQ(canvas.image.pixelColor(10, 17), QColor(Qt::blue));

    QImage plain(20, 20, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::transparent);
    {
        QPainter painter(&plain);
        Drawing::drawImage(painter, redOverBlue(), {0, 0, 20, 20});
    }
    EXPECT_EQ(plain.pixelColor(10, 2), QColor(Qt::red));
}

TEST(Drawing, FractionCompositesSourceOver)
{
    QImage white(4, 4, QImage::Format_ARGB32_Premultiplied);
    white.fill(Qt::white);
    const YUpCanvas canvas(4, 4, [&](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, 4, 4), Qt::black);
        Drawing::drawImage(painter, white, {0, 0, 4, 4}, 0.5);
    });
    EXPECT_NEAR(canvas.at(1, 1).red(), 128, 2);
    EXPECT_EQ(canvas.at(1, 1).alpha(), 255);

    const YUpCanvas untouched(4, 4, [&](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, 4, 4), Qt::black);
        Drawing::drawImage(painter, white, {0, 0, 4, 4}, 0.0);
        Drawing::drawImage(painter, QImage(), {0, 0, 4, 4});
    });
    EXPECT_EQ(untouched.at(1, 1), QColor(Qt::black));
}

TEST(Drawing, ImagesMadeInCodeKeepTheirPixelRatioAndDrawYUp)
{
    const QImage image = Drawing::imageWithSize(
        {10, 5}, [](QPainter& painter, const QRectF& bounds) { painter.fillRect(QRectF(0, 0, bounds.width(), 1), Qt::red); },
        2.0);
    ASSERT_EQ(image.size(), QSize(20, 10));
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.pixelColor(5, 9), QColor(Qt::red));   // the bottom strip, in our coordinates
    EXPECT_EQ(image.pixelColor(5, 0).alpha(), 0);

    const QImage flipped = Drawing::imageWithSize(
        {10, 5}, [](QPainter& painter, const QRectF&) { painter.fillRect(QRectF(0, 0, 10, 1), Qt::red); }, 1.0, true);
    EXPECT_EQ(flipped.pixelColor(5, 0), QColor(Qt::red));

    for (const QSizeF& bad : {QSizeF(0, 5), QSizeF(-3, 5), QSizeF(1e9, 5), QSizeF(std::nan(""), 5)})
        EXPECT_TRUE(Drawing::imageWithSize(bad, nullptr).isNull()) << bad.width();
}

TEST(Drawing, SnapshotOfAWidgetShowsItAtThePixelRatio)
{
    QWidget widget;
    widget.resize(30, 20);
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::green);
    widget.setPalette(palette);

    const QImage image = Drawing::snapshot(&widget, 2.0);
    ASSERT_EQ(image.size(), QSize(60, 40));
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(30, 20));
    EXPECT_EQ(image.pixelColor(59, 39), QColor(Qt::green));
    EXPECT_TRUE(Drawing::snapshot(nullptr).isNull());
}

TEST(Drawing, TintedTemplateKeepsItsShape)
{
    QImage shape(4, 1, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    shape.setPixelColor(0, 0, Qt::black);
    shape.setPixelColor(1, 0, QColor(0, 0, 0, 128));
    const QImage tinted = Drawing::tinted(shape, Qt::red);
    EXPECT_EQ(tinted.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_NEAR(tinted.pixelColor(1, 0).alpha(), 128, 2);
    EXPECT_EQ(tinted.pixelColor(1, 0).red(), 255);
    EXPECT_EQ(tinted.pixelColor(2, 0).alpha(), 0);
}

// Wrapped text cut to its box draws what a clip to the box draws, whether
// the glyphs stay inside (no clip is set) or reach out of it.
TEST(Drawing, WrappedTextCutToItsBoxDrawsAsUnderAClip)
{
    enum class Cuts { Yes, No, Either };
    struct Case {
        const char* text;
        Font font;
        QRectF box;
        QTransform place;
        Qt::Alignment alignment;
        Cuts cuts;  // whether the box cuts pixels off the text drawn whole
    };
    const Font bold = Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13);
    const Font plain = Font::fontWithName(QStringLiteral("Lucida Grande"), 13);
    const QTransform moved = QTransform::fromTranslate(65, 21);
    const Case cases[] = {
        {"Item 0 with a name - Room 3", bold, {6, -1, 88, 41}, moved, Qt::AlignLeft, Cuts::No},
        {"Item 0 with a name - Room 3", bold, {6, -1, 88, 6}, moved, Qt::AlignLeft, Cuts::Yes},
        {"jolly fjords jut", plain, {0, 0, 60, 60}, QTransform::fromTranslate(10, 10), Qt::AlignLeft, Cuts::Either},
        {"offff", plain, {3, 2, 31, 20}, QTransform::fromTranslate(4.5, 3.25), Qt::AlignRight, Cuts::Either},
        {"Lunch - Cafe", bold, {2.5, 1.5, 70, 30}, moved, Qt::AlignHCenter, Cuts::Either},
        {"Supercalifragilistic", plain, {1, 1, 40, 80}, moved, Qt::AlignLeft, Cuts::Either},
        {"\u00c9lan \u00c5gren", bold, {1, 0, 90, 20}, moved, Qt::AlignLeft, Cuts::Either},
        {"Two\nlines", Font::fontWithName(QStringLiteral("Lucida Grande"), 12.5), {1, 1, 50, 12}, moved,
         Qt::AlignLeft, Cuts::Yes},
        {"Upright in a y-up view", plain, {2, 2, 60, 8}, QTransform(1, 0, 0, -1, 0, 60), Qt::AlignLeft, Cuts::Yes},
    };
    const auto draw = [](const Case& c, const std::function<void(QPainter&)>& text) {
        QImage image(180, 120, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(90, 160, 220));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(c.place);
        text(painter);
        return image;
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const QImage clipped = draw(c, [&](QPainter& painter) {
            painter.setClipRect(c.box);
            Drawing::drawWrappedText(painter, text, c.font, Qt::white, c.box, c.alignment);
        });
        const QImage cut = draw(c, [&](QPainter& painter) {
            Drawing::drawWrappedTextCut(painter, text, c.font, Qt::white, c.box, c.alignment);
        });
        const QImage whole = draw(c, [&](QPainter& painter) {
            Drawing::drawWrappedText(painter, text, c.font, Qt::white, c.box, c.alignment);
        });
        EXPECT_TRUE(cut == clipped) << c.text;
        if (c.cuts != Cuts::Either) { EXPECT_EQ(whole != clipped, c.cuts == Cuts::Yes) << c.text; }
    }
}

}  // namespace

// A kept layout is redone when its text, font size, box or alignment
// changes, and then draws what the text laid out afresh draws.
TEST(Drawing, KeptWrappedLayoutIsRedoneWhenItsLabelChanges)
{
    struct Case {
        const char* what;
        const char* text;
        qreal fontSize;
        QRectF box;
        Qt::Alignment alignment;
        bool redone;
    };
    const QRectF box(1, 1, 88, 41);
    const Case cases[] = {
        {"nothing changed", "Item 0 with a name - Room 3", 11, box, Qt::AlignLeft, false},
        {"title", "Item 1 with a name - Room 3", 11, box, Qt::AlignLeft, true},
        {"width", "Item 1 with a name - Room 3", 11, box.adjusted(0, 0, -40, 0), Qt::AlignLeft, true},
        {"font size", "Item 1 with a name - Room 3", 13, box.adjusted(0, 0, -40, 0), Qt::AlignLeft, true},
        {"height", "Item 1 with a name - Room 3", 13, box.adjusted(0, 0, -40, -25), Qt::AlignLeft, true},
        {"alignment", "Item 1 with a name - Room 3", 13, box.adjusted(0, 0, -40, -25), Qt::AlignRight, true},
        {"same again", "Item 1 with a name - Room 3", 13, box.adjusted(0, 0, -40, -25), Qt::AlignRight, false},
        {"emptied", "", 13, box, Qt::AlignLeft, true},
    };
    const auto draw = [](const std::function<void(QPainter&)>& text) {
        QImage image(120, 60, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(90, 160, 220));
        QPainter painter(&image);
        painter.translate(7, 3);
        text(painter);
        return image;
    };
    Drawing::WrappedTextLayout layout;
    layout.update(QStringLiteral("Item 0 with a name - Room 3"),
                  Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 11), box, Qt::AlignLeft);
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const Font font = Font::fontWithName(QStringLiteral("Lucida Grande Bold"), c.fontSize);
        const QImage fresh = draw([&](QPainter& painter) {
            Drawing::drawWrappedTextCut(painter, text, font, Qt::white, c.box, c.alignment);
        });
        EXPECT_EQ(layout.update(text, font, c.box, c.alignment), c.redone) << c.what;
        const QImage kept = draw([&](QPainter& painter) {
            Drawing::drawWrappedTextCut(painter, layout, text, font, Qt::white, c.box, c.alignment);
        });
        EXPECT_TRUE(kept == fresh) << c.what;
    }
}
