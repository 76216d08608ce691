#include "Button.h"

#include "Drawing.h"
#include "KeyEquivalent.h"
#include "TextMeasure.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>

#include <algorithm>

namespace {

const QColor titleColor(38, 38, 38);
const QColor bezelFill(252, 252, 252);
const QColor bezelPressedFill(208, 208, 210);
const QColor bezelOnFill(222, 222, 224);
const QColor bezelEdge(168, 168, 172);
constexpr double bezelRadius = 5.0;
constexpr double gap = 4.0;
constexpr double disabledOpacity = 0.4;

// An image shrunk, keeping its proportions, to fit the room; never enlarged.
QSizeF fitted(const QSizeF& size, const QSizeF& room)
{
    if (size.isEmpty() || room.width() <= 0 || room.height() <= 0) return {};
    const double factor = std::min({1.0, room.width() / size.width(), room.height() / size.height()});
    return size * factor;
}

QRectF centredIn(const QRectF& rect, const QSizeF& size)
{
    return QRectF(rect.center().x() - size.width() / 2, rect.center().y() - size.height() / 2, size.width(),
                  size.height());
}

// The pressed look of a button without a bezel: its image darkened where
// it has pixels.
QImage darkened(const QImage& image)
{
    QImage copy = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&copy);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(copy.rect(), QColor(0, 0, 0, 90));
    return copy;
}

}  // namespace

Button::Button(const QRectF& frame, QWidget* parent)
    : View(frame, parent), m_titleColor(titleColor)
{
    makeTabStop();
}

Button::~Button() = default;

void Button::setButtonType(ButtonType type)
{
    m_type = type;
    update();
}

void Button::setTitle(const QString& title)
{
    m_title = title;
    update();
}

AttributedTitle Button::attributedTitle() const
{
    return AttributedTitle{m_title, m_titleColor, m_font, m_alignment};
}

void Button::setAttributedTitle(const AttributedTitle& title)
{
    m_title = title.text;
    m_titleColor = title.color.isValid() ? title.color : titleColor;
    m_font = title.font;
    m_alignment = title.alignment;
    update();
}

QColor Button::textColor() const
{
    return m_title.isEmpty() ? QColor(Qt::black) : m_titleColor;
}

void Button::setTextColor(const QColor& color)
{
    m_titleColor = color.isValid() ? color : titleColor;
    update();
}

void Button::setTextFont(const Font& font)
{
    m_font = font;
    update();
}

void Button::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void Button::setAlternateImage(const QImage& image)
{
    m_alternateImage = image;
    update();
}

void Button::setImagePosition(ImagePosition position)
{
    m_imagePosition = position;
    update();
}

QImage Button::currentImage() const
{
    if (m_type == ButtonType::Toggle && m_state == OnState && !m_alternateImage.isNull()) return m_alternateImage;
    return m_image;
}

void Button::setBordered(bool bordered)
{
    m_bordered = bordered;
    update();
}

void Button::setState(int state)
{
    const int sound = (state == OnState || state == MixedState) ? state : OffState;
    if (sound == m_state) return;
    m_state = sound;
    update();
}

void Button::setTarget(QObject* receiver, std::function<void(Button*)> action)
{
    m_hasReceiver = receiver != nullptr;
    m_receiver = receiver;
    m_action = std::move(action);
}

void Button::setKeyEquivalent(const QString& key, unsigned modifierMask)
{
    qDeleteAll(m_shortcuts);
    m_shortcuts.clear();
    m_keyEquivalent = key;
    m_keyEquivalentModifiers = modifierMask;
    m_shortcuts = KeyEquivalent::makeShortcuts(this, key, modifierMask, [this] { performClick(); });
}

void Button::performClick()
{
    if (!isEnabled()) return;
    if (m_type != ButtonType::MomentaryPushIn) setState(m_state == OnState ? OffState : OnState);
    if (m_hasReceiver && !m_receiver) return;
    if (!m_action) return;
    // The action may replace itself or delete the button: call a copy.
    const std::function<void(Button*)> action = m_action;
    action(this);
}

void Button::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted) return;
    m_highlighted = highlighted;
    update();
}

bool Button::contains(const Event& event) const
{
    const QPointF local = convertPointFromWindow(event.locationInWindow);
    return bounds().contains(local);
}

void Button::mouseDown(const Event& event)
{
    m_tracking = true;
    setHighlighted(contains(event));
}

void Button::mouseDragged(const Event& event)
{
    if (m_tracking) setHighlighted(contains(event));
}

void Button::mouseUp(const Event& event)
{
    if (!m_tracking) return;
    m_tracking = false;
    setHighlighted(false);
    if (contains(event)) performClick();
}

void Button::keyDown(const Event& event)
{
    // Space presses the button that holds the keyboard, as a click does.
    if (event.firstCharacterIgnoringModifiers() == u' ' && !(event.modifierFlags & (CommandKeyMask | ControlKeyMask |
                                                                                    AlternateKeyMask)))
        return performClick();
    View::keyDown(event);
}

void Button::changeEvent(QEvent* event)
{
    View::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_tracking = false;
        setHighlighted(false);
    }
}

QRectF Button::contentRect() const
{
    return m_bordered ? bounds().adjusted(6, 3, -6, -3) : bounds();
}

ImagePosition Button::effectivePosition(const QImage& image) const
{
    // Without an image there is only the title, so a button whose image is
    // missing is still a button the user can read.
    if (image.isNull()) return ImagePosition::NoImage;
    if (m_title.isEmpty()) return ImagePosition::ImageOnly;
    return m_imagePosition;
}

Button::ContentLayout Button::contentLayout(const QRectF& content, const QSizeF& imageSize, const QSizeF& titleSize,
                                            ImagePosition position)
{
    ContentLayout layout;
    const QSizeF title(std::min(titleSize.width(), content.width()), std::min(titleSize.height(), content.height()));
    switch (position) {
    case ImagePosition::NoImage:
        layout.titleRect = centredIn(content, QSizeF(content.width(), title.height()));
        break;
    case ImagePosition::ImageOnly:
        layout.imageRect = centredIn(content, fitted(imageSize, content.size()));
        break;
    case ImagePosition::ImageOverlaps:
        layout.imageRect = centredIn(content, fitted(imageSize, content.size()));
        layout.titleRect = centredIn(content, QSizeF(content.width(), title.height()));
        break;
    case ImagePosition::ImageLeft:
    case ImagePosition::ImageRight: {
        // The title keeps at least a third of the width when it needs it.
        const double titleRoom = std::min(title.width(), content.width() * 2 / 3);
        const QSizeF image = fitted(imageSize, QSizeF(content.width() - titleRoom - gap, content.height()));
        const double titleWidth = std::min(title.width(), content.width() - image.width() - gap);
        const double total = image.width() + gap + titleWidth;
        const double left = content.center().x() - total / 2;
        const double middle = content.center().y();
        const bool imageFirst = position == ImagePosition::ImageLeft;
        const double imageX = imageFirst ? left : left + titleWidth + gap;
        const double titleX = imageFirst ? left + image.width() + gap : left;
        layout.imageRect = QRectF(QPointF(imageX, middle - image.height() / 2), image);
        layout.titleRect = QRectF(titleX, middle - title.height() / 2, titleWidth, title.height());
        break;
    }
    case ImagePosition::ImageAbove:
    case ImagePosition::ImageBelow: {
        const QSizeF image = fitted(imageSize, QSizeF(content.width(), content.height() - title.height() - gap));
        const double total = image.height() + gap + title.height();
        const double top = content.center().y() - total / 2;
        const bool imageFirst = position == ImagePosition::ImageAbove;
        const double imageY = imageFirst ? top : top + title.height() + gap;
        const double titleY = imageFirst ? top + image.height() + gap : top;
        layout.imageRect = QRectF(QPointF(content.center().x() - image.width() / 2, imageY), image);
        layout.titleRect = QRectF(content.left(), titleY, content.width(), title.height());
        break;
    }
    }
    return layout;
}

void Button::drawRect(QPainter& painter, const QRectF&)
{
    const bool pressedLook = m_highlighted || (m_type == ButtonType::PushOnPushOff && m_state == OnState);
    if (m_bordered) {
        QPainterPath bezel;
        bezel.addRoundedRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5), bezelRadius, bezelRadius);
        painter.fillPath(bezel, m_highlighted ? bezelPressedFill : pressedLook ? bezelOnFill : bezelFill);
        painter.setPen(QPen(bezelEdge, 1));
        painter.drawPath(bezel);
    }
    if (!isEnabled()) painter.setOpacity(disabledOpacity);

    const QImage image = currentImage();
    const ImagePosition position = effectivePosition(image);
    // The title is one line: line breaks show as spaces, and it is measured
    // as it is drawn, so a title that fits its room is never cut.
    QString title = m_title;
    title.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QSizeF titleSize = TextMeasure::sizeOfText(title, m_font);
    const ContentLayout layout =
        contentLayout(contentRect(), image.deviceIndependentSize(), titleSize, position);

    if (!layout.imageRect.isEmpty())
        painter.drawImage(layout.imageRect, m_highlighted && !m_bordered ? darkened(image) : image);
    if (!layout.titleRect.isEmpty() && !title.isEmpty()) {
        const Qt::Alignment horizontal =
            (position == ImagePosition::ImageLeft || position == ImagePosition::ImageRight)
                ? Qt::AlignLeft
                : (m_alignment & Qt::AlignHorizontal_Mask);
        Drawing::drawText(painter, title, m_font, m_titleColor, layout.titleRect, horizontal | Qt::AlignVCenter,
                          Qt::ElideRight);
    }
}
