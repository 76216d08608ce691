// One window holding the kit's controls in each of their states, saved as a
// picture for people to look at.
#include "Button.h"
#include "ImageView.h"
#include "PopUpButton.h"
#include "Screenshot.h"
#include "TextField.h"

#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace ControlsGalleryTests {

namespace {

class Backdrop : public View {
public:
    using View::View;
    void drawRect(QPainter& painter, const QRectF&) override { painter.fillRect(bounds(), QColor(236, 236, 238)); }
};

// A box that writes its own frame into itself, so the picture shows where
// each frame lands in a flipped and a non-flipped superview.
class FrameBox : public View {
public:
    using View::View;
    void drawRect(QPainter& painter, const QRectF&) override
    {
        painter.fillRect(bounds(), QColor(214, 228, 250));
        painter.setPen(QColor(60, 100, 180));
        painter.drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
        UprightPainting upright(painter, bounds());
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        painter.setFont(font);
        painter.setPen(QColor(30, 30, 30));
        const QRectF f = frame();
        painter.drawText(upright.rect(), Qt::AlignCenter,
                         QStringLiteral("(%1, %2, %3, %4)").arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height()));
    }
};

class Container : public View {
public:
    Container(const QRectF& frame, QWidget* parent, bool flipped, const QString& caption)
        : View(frame, parent), m_caption(caption)
    {
        setFlipped(flipped);
    }
    void drawRect(QPainter& painter, const QRectF&) override
    {
        painter.fillRect(bounds(), Qt::white);
        painter.setPen(QColor(150, 150, 150));
        painter.drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
        UprightPainting upright(painter, bounds());
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        painter.setFont(font);
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(upright.rect().adjusted(0, 0, -6, -4), Qt::AlignRight | Qt::AlignBottom, m_caption);
    }

private:
    QString m_caption;
};

QImage dotImage(const QColor& color, int side = 18)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    return image;
}

// Frames are given from the top of the window down (y of the top edge), the
// way a person reads the picture, and turned into the root's y-up frames.
QRectF fromTop(double windowHeight, double x, double top, double width, double height)
{
    return QRectF(x, windowHeight - top - height, width, height);
}

Button* addButton(View* root, double top, double x, const QString& title, double width = 150, double height = 28)
{
    auto* button = new Button(fromTop(root->bounds().height(), x, top, width, height), root);
    button->setTitle(title);
    return button;
}

TextField* addLabel(View* root, double x, double top, double width, const QString& text)
{
    auto* label = TextField::labelWithString(text, fromTop(root->bounds().height(), x, top, width, 16), root);
    label->setTextFont(Font::boldSystemFont(11));
    label->setTextColor(QColor(90, 90, 95));
    return label;
}

}  // namespace

TEST(ControlsGallery, EveryControlInEachState)
{
    const double height = 560;
    auto root = std::make_unique<Backdrop>(QRectF(0, 0, 780, height));
    View* r = root.get();
    const QImage dot = dotImage(QColor(220, 90, 60));
    const QImage dotOn = dotImage(QColor(60, 160, 90));

    // --- buttons ---------------------------------------------------------
    const double c1 = 20;
    addLabel(r, c1, 14, 160, QStringLiteral("Buttons"));
    addButton(r, 36, c1, QStringLiteral("Momentary"));
    auto* off = addButton(r, 72, c1, QStringLiteral("Toggle (off)"));
    off->setButtonType(ButtonType::PushOnPushOff);
    auto* on = addButton(r, 108, c1, QStringLiteral("Toggle (on)"));
    on->setButtonType(ButtonType::PushOnPushOff);
    on->setState(OnState);
    for (int i = 0; i < 2; ++i) {
        auto* toggle = addButton(r, 144, c1 + i * 78, i ? QStringLiteral("On") : QStringLiteral("Off"), 72);
        toggle->setButtonType(ButtonType::Toggle);
        toggle->setImage(dot);
        toggle->setAlternateImage(dotOn);
        toggle->setImagePosition(ImagePosition::ImageLeft);
        toggle->setState(i ? OnState : OffState);
    }
    auto* plain = addButton(r, 180, c1, QStringLiteral("Not bordered"));
    plain->setBordered(false);
    plain->setImage(dot);
    plain->setImagePosition(ImagePosition::ImageLeft);
    auto* disabled = addButton(r, 216, c1, QStringLiteral("Disabled"));
    disabled->setEnabled(false);
    auto* over = addButton(r, 252, c1, QStringLiteral("Title over image"), 150, 40);
    over->setImage(dotImage(QColor(255, 226, 140), 36));
    over->setImagePosition(ImagePosition::ImageOverlaps);
    auto* missing = addButton(r, 300, c1, QStringLiteral("Image missing"));
    missing->setImage(QImage());
    missing->setImagePosition(ImagePosition::ImageOnly);
    auto* above = addButton(r, 336, c1, QStringLiteral("Image above"), 150, 48);
    above->setImage(dot);
    above->setImagePosition(ImagePosition::ImageAbove);
    auto* below = addButton(r, 392, c1, QStringLiteral("Image below"), 150, 48);
    below->setImage(dot);
    below->setImagePosition(ImagePosition::ImageBelow);
    auto* right = addButton(r, 448, c1, QStringLiteral("Image right"));
    right->setImage(dot);
    right->setImagePosition(ImagePosition::ImageRight);
    auto* attributed = addButton(r, 484, c1, QString());
    attributed->setAttributedTitle({QStringLiteral("Attributed"), QColor(30, 110, 200), Font::boldSystemFont(13),
                                    Qt::AlignLeft | Qt::AlignVCenter});
    auto* imageOnly = addButton(r, 520, c1, QString(), 28, 28);
    imageOnly->setImage(dot);
    imageOnly->setImagePosition(ImagePosition::ImageOnly);
    imageOnly->setBordered(false);
    imageOnly->setToolTip(QStringLiteral("An image-only button"));

    // --- labels and fields ----------------------------------------------
    const double c2 = 200;
    const double w2 = 250;
    addLabel(r, c2, 14, w2, QStringLiteral("Labels and fields"));
    TextField::labelWithString(QStringLiteral("A label too long for its frame ends in an ellipsis at the tail"),
                               fromTop(height, c2, 36, w2, 20), r);
    auto* wrapped = TextField::labelWithString(
        QStringLiteral("A wrapping label breaks its text at the words and goes on over as many lines as its "
                       "frame has room for."),
        fromTop(height, c2, 62, w2, 52), r);
    wrapped->setWraps(true);
    auto* tall = TextField::labelWithString(QStringLiteral("Centred in a tall frame"),
                                            fromTop(height, c2, 120, w2, 34), r);
    tall->setBordered(true);
    auto* empty = new TextField(fromTop(height, c2, 162, w2, 24), r);
    empty->setPlaceholderString(QStringLiteral("Placeholder of an empty field"));
    auto* filled = new TextField(fromTop(height, c2, 194, w2, 24), r);
    filled->setStringValue(QStringLiteral("A filled field"));
    auto* bordered = new TextField(fromTop(height, c2, 226, w2, 24), r);
    bordered->setBezeled(false);
    bordered->setBordered(true);
    bordered->setStringValue(QStringLiteral("Bordered, not bezeled"));
    auto* coloured = new TextField(fromTop(height, c2, 258, w2, 24), r);
    coloured->setBezeled(false);
    coloured->setBackgroundColor(QColor(255, 244, 200));
    coloured->setTextColor(QColor(140, 60, 0));
    coloured->setStringValue(QStringLiteral("Filled background, own colour"));
    auto* right2 = new TextField(fromTop(height, c2, 290, w2, 24), r);
    right2->setAlignment(Qt::AlignRight);
    right2->setStringValue(QStringLiteral("Aligned right"));
    auto* off2 = new TextField(fromTop(height, c2, 322, w2, 24), r);
    off2->setStringValue(QStringLiteral("Disabled field"));
    off2->setEnabled(false);

    // --- pop-ups ---------------------------------------------------------
    addLabel(r, c2, 362, w2, QStringLiteral("Pop-up and pull-down"));
    auto* popUp = new PopUpButton(fromTop(height, c2, 384, w2, 26), r);
    popUp->addHeader(QStringLiteral("Lists"));
    PopUpItem home;
    home.title = QStringLiteral("Home");
    home.tag = 1;
    home.indentationLevel = 1;
    home.image = dot;
    popUp->addItem(home);
    PopUpItem work = home;
    work.title = QStringLiteral("Work");
    work.tag = 2;
    work.image = dotOn;
    popUp->addItem(work);
    popUp->addSeparator();
    PopUpItem archived;
    archived.title = QStringLiteral("Archived (disabled)");
    archived.enabled = false;
    popUp->addItem(archived);
    popUp->addItemWithTitle(QStringLiteral("All Lists"), 9);
    popUp->selectItemWithTag(2);
    auto* pullDown = new PopUpButton(fromTop(height, c2, 420, w2, 26), r, true);
    pullDown->addItemWithTitle(QStringLiteral("Actions"));
    pullDown->addItemWithTitle(QStringLiteral("Duplicate"), 1);

    // --- flipped and not -------------------------------------------------
    const double c3 = 480;
    addLabel(r, c3, 14, 280, QStringLiteral("Frames in a flipped and a non-flipped view"));
    for (int i = 0; i < 2; ++i) {
        const bool flipped = i == 0;
        auto* container = new Container(fromTop(height, c3, 36 + i * 150, 280, 136), r, flipped,
                                        flipped ? QStringLiteral("flipped") : QStringLiteral("not flipped"));
        new FrameBox(QRectF(10, 10, 150, 30), container);
        new FrameBox(QRectF(30, 60, 150, 30), container);
    }
    auto* image = new ImageView(fromTop(height, c3, 340, 120, 80), r);
    image->setImage(dotImage(QColor(120, 90, 200), 160));
    addLabel(r, c3 + 130, 370, 150, QStringLiteral("Image view"));

    // Siblings never overlap, so nothing hides another.
    const QList<View*> views = r->subviews();
    for (int a = 0; a < views.size(); ++a)
        for (int b = a + 1; b < views.size(); ++b)
            EXPECT_FALSE(views[a]->frame().intersects(views[b]->frame()))
                << "overlap at " << views[a]->frame().x() << "," << views[a]->frame().y() << " and "
                << views[b]->frame().x() << "," << views[b]->frame().y();

    EXPECT_FALSE(saveScreenshot(root.get(), QStringLiteral("gallery")).isEmpty());

    // The list the pop-up would open, rendered on its own.
    std::unique_ptr<QMenu> menu(popUp->choicesMenu().toQMenu(nullptr));
    menu->ensurePolished();
    menu->adjustSize();
    EXPECT_GT(menu->height(), 6 * 16);
    EXPECT_FALSE(saveScreenshot(menu.get(), QStringLiteral("gallery-popup-menu")).isEmpty());
}

}  // namespace ControlsGalleryTests
