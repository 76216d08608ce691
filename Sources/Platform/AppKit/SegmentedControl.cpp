#include "SegmentedControl.h"

#include "Button.h"
#include "Drawing.h"
#include "TextMeasure.h"

#include <QDebug>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

const QColor labelColor(38, 38, 38);
const QColor selectedLabelColor(255, 255, 255);
const QColor segmentBezelFill(252, 252, 252);
const QColor pressedFill(214, 214, 218);
const QColor selectedFill(96, 100, 110);
const QColor selectedPressedFill(72, 76, 86);
const QColor segmentBezelEdge(168, 168, 172);
constexpr double segmentBezelRadius = 5.0;
constexpr double horizontalInset = 6.0;
constexpr double verticalInset = 2.0;
constexpr double segmentDisabledOpacity = 0.4;

double soundWidth(double width)
{
    return std::isfinite(width) && width > 0 ? width : 0.0;
}

}  // namespace

SegmentedControl::SegmentedControl(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    makeTabStop();
}

SegmentedControl::~SegmentedControl() = default;

void SegmentedControl::setSegmentCount(int count)
{
    if (count < 0) {
        qWarning() << "A segmented control was asked for" << count << "segments; it keeps none";
        count = 0;
    }
    m_segments.resize(size_t(count));
    if (m_lastSelected >= count) m_lastSelected = -1;
    if (m_pressed >= count) m_pressed = -1;
    if (m_highlighted >= count) m_highlighted = -1;
    if (m_keySegment >= count) m_keySegment = -1;
    update();
}

QString SegmentedControl::labelForSegment(int segment) const
{
    return isValidSegment(segment) ? m_segments[size_t(segment)].label : QString();
}

void SegmentedControl::setLabel(const QString& label, int segment)
{
    if (!isValidSegment(segment)) return;
    m_segments[size_t(segment)].label = label;
    update();
}

QImage SegmentedControl::imageForSegment(int segment) const
{
    return isValidSegment(segment) ? m_segments[size_t(segment)].image : QImage();
}

void SegmentedControl::setImage(const QImage& image, int segment)
{
    if (!isValidSegment(segment)) return;
    m_segments[size_t(segment)].image = image;
    update();
}

int SegmentedControl::tagForSegment(int segment) const
{
    return isValidSegment(segment) ? m_segments[size_t(segment)].tag : 0;
}

void SegmentedControl::setTag(int tag, int segment)
{
    if (isValidSegment(segment)) m_segments[size_t(segment)].tag = tag;
}

double SegmentedControl::widthForSegment(int segment) const
{
    return isValidSegment(segment) ? m_segments[size_t(segment)].width : 0.0;
}

void SegmentedControl::setWidth(double width, int segment)
{
    if (!isValidSegment(segment)) return;
    if (soundWidth(width) != width)
        qWarning() << "A segment width of" << width << "was asked for; the segment shares the free width";
    m_segments[size_t(segment)].width = soundWidth(width);
    update();
}

QString SegmentedControl::toolTipForSegment(int segment) const
{
    return isValidSegment(segment) ? m_segments[size_t(segment)].toolTip : QString();
}

void SegmentedControl::setToolTip(const QString& toolTip, int segment)
{
    if (isValidSegment(segment)) m_segments[size_t(segment)].toolTip = toolTip;
}

bool SegmentedControl::isEnabledForSegment(int segment) const
{
    return isValidSegment(segment) && m_segments[size_t(segment)].enabled;
}

void SegmentedControl::setEnabled(bool enabled, int segment)
{
    if (!isValidSegment(segment)) return;
    m_segments[size_t(segment)].enabled = enabled;
    if (!enabled && m_pressed == segment) {
        m_pressed = -1;
        setHighlighted(-1);
    }
    update();
}

void SegmentedControl::setTrackingMode(SegmentSwitchTracking mode)
{
    m_tracking = mode;
    if (mode == SegmentSwitchTracking::SelectOne) setSelectedSegment(selectedSegment());
}

int SegmentedControl::selectedSegment() const
{
    if (isSelectedForSegment(m_lastSelected)) return m_lastSelected;
    for (int i = 0; i < segmentCount(); ++i)
        if (m_segments[size_t(i)].selected) return i;
    return -1;
}

void SegmentedControl::setSelectedSegment(int segment)
{
    if (!isValidSegment(segment)) {
        for (Segment& each : m_segments) each.selected = false;
        m_lastSelected = -1;
        update();
        return;
    }
    setSelected(true, segment);
}

bool SegmentedControl::isSelectedForSegment(int segment) const
{
    return isValidSegment(segment) && m_segments[size_t(segment)].selected;
}

void SegmentedControl::setSelected(bool selected, int segment)
{
    if (!isValidSegment(segment)) return;
    if (selected && m_tracking == SegmentSwitchTracking::SelectOne)
        for (Segment& each : m_segments) each.selected = false;
    m_segments[size_t(segment)].selected = selected;
    if (selected) m_lastSelected = segment;
    update();
}

bool SegmentedControl::selectSegmentWithTag(int tag)
{
    for (int i = 0; i < segmentCount(); ++i)
        if (m_segments[size_t(i)].tag == tag) {
            setSelected(true, i);
            return true;
        }
    return false;
}

void SegmentedControl::setTarget(QObject* receiver, std::function<void(SegmentedControl*)> action)
{
    m_hasReceiver = receiver != nullptr;
    m_receiver = receiver;
    m_action = std::move(action);
}

void SegmentedControl::setSegmentPainter(SegmentPainter painter, PainterScope scope)
{
    m_painter = std::move(painter);
    m_painterScope = scope;
    update();
}

void SegmentedControl::drawSegmentAsControl(QPainter& painter, int segment, const QRectF& frame) const
{
    if (!isValidSegment(segment)) return;
    painter.save();
    drawSegment(painter, segment, frame);
    painter.restore();
}

double SegmentedControl::fittingWidth() const
{
    double width = 0;
    for (const Segment& item : m_segments) {
        if (item.width > 0) {
            width += item.width;
            continue;
        }
        const QSizeF label = TextMeasure::sizeOfText(item.label, m_font);
        const double image = item.image.isNull() ? 0 : item.image.deviceIndependentSize().width();
        const double gap = (image > 0 && !item.label.isEmpty()) ? 4 : 0;
        width += std::ceil(label.width() + image + gap + 2 * horizontalInset);
    }
    return width;
}

void SegmentedControl::setTextFont(const Font& font)
{
    m_font = font;
    update();
}

std::vector<QRectF> SegmentedControl::segmentFrames(const std::vector<double>& widths, const QRectF& bounds)
{
    double fixed = 0;
    int shared = 0;
    for (double width : widths) {
        fixed += soundWidth(width);
        if (soundWidth(width) == 0) ++shared;
    }
    const double share = shared > 0 ? std::max(0.0, bounds.width() - fixed) / shared : 0.0;
    std::vector<QRectF> frames;
    frames.reserve(widths.size());
    double x = bounds.left();
    for (double width : widths) {
        const double w = soundWidth(width) > 0 ? soundWidth(width) : share;
        frames.emplace_back(x, bounds.top(), w, bounds.height());
        x += w;
    }
    return frames;
}

QRectF SegmentedControl::frameOfSegment(int segment) const
{
    if (!isValidSegment(segment)) return {};
    std::vector<double> widths;
    widths.reserve(m_segments.size());
    for (const Segment& each : m_segments) widths.push_back(each.width);
    return segmentFrames(widths, bounds())[size_t(segment)];
}

int SegmentedControl::segmentAtPoint(const QPointF& point) const
{
    if (!bounds().contains(point)) return -1;
    for (int i = 0; i < segmentCount(); ++i) {
        const QRectF frame = frameOfSegment(i);
        if (point.x() >= frame.left() && point.x() < frame.right() && point.y() >= frame.top() &&
            point.y() < frame.bottom())
            return i;
    }
    return -1;
}

int SegmentedControl::segmentAtEvent(const Event& event) const
{
    return segmentAtPoint(convertPointFromWindow(event.locationInWindow));
}

void SegmentedControl::setHighlighted(int segment)
{
    if (m_highlighted == segment) return;
    m_highlighted = segment;
    update();
}

void SegmentedControl::mouseDown(const Event& event)
{
    const int segment = segmentAtEvent(event);
    m_pressed = isEnabledForSegment(segment) ? segment : -1;
    setHighlighted(m_pressed);
}

void SegmentedControl::mouseDragged(const Event& event)
{
    if (m_pressed < 0) return;
    setHighlighted(segmentAtEvent(event) == m_pressed ? m_pressed : -1);
}

void SegmentedControl::mouseUp(const Event& event)
{
    const int pressed = m_pressed;
    m_pressed = -1;
    setHighlighted(-1);
    if (pressed < 0 || segmentAtEvent(event) != pressed || !isEnabled() || !isEnabledForSegment(pressed)) return;
    m_keySegment = pressed;
    choose(pressed);
}

void SegmentedControl::choose(int segment)
{
    if (m_tracking == SegmentSwitchTracking::SelectAny)
        setSelected(!isSelectedForSegment(segment), segment);
    else
        setSelected(true, segment);
    if (m_hasReceiver && !m_receiver) return;
    if (!m_action) return;
    // The action may replace itself or delete the control: call a copy.
    const std::function<void(SegmentedControl*)> action = m_action;
    action(this);
}

int SegmentedControl::keySegment() const
{
    if (isValidSegment(m_keySegment)) return m_keySegment;
    const int selected = selectedSegment();
    return selected >= 0 ? selected : 0;
}

void SegmentedControl::keyDown(const Event& event)
{
    if ((event.modifierFlags & (CommandKeyMask | ControlKeyMask | AlternateKeyMask)) || !isEnabled())
        return View::keyDown(event);
    const char16_t key = event.firstCharacterIgnoringModifiers();
    const int at = keySegment();
    if (key == u' ') {
        if (isEnabledForSegment(at)) choose(at);
        return;
    }
    if (key != KeyCharacter::LeftArrow && key != KeyCharacter::RightArrow) return View::keyDown(event);
    // The next segment the user can click; in select-one the arrows choose
    // it as a click would, in select-any they only move to it for Space.
    const int step = key == KeyCharacter::LeftArrow ? -1 : 1;
    int next = at + step;
    while (isValidSegment(next) && !isEnabledForSegment(next)) next += step;
    if (!isValidSegment(next)) return;
    m_keySegment = next;
    update();
    if (m_tracking == SegmentSwitchTracking::SelectOne) choose(next);
}

QRectF SegmentedControl::focusRingRect() const
{
    // Around the segment Space flips when the segments are flipped one by one.
    if (m_tracking == SegmentSwitchTracking::SelectAny && segmentCount() > 0) return frameOfSegment(keySegment());
    return bounds();
}

bool SegmentedControl::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int segment = segmentAtPoint(fromQt(QPointF(help->pos())));
        const QString own = toolTipForSegment(segment);
        const QString text = own.isEmpty() ? toolTip() : own;
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, this, toQt(frameOfSegment(segment)).toAlignedRect());
        }
        return true;
    }
    return View::event(event);
}

void SegmentedControl::changeEvent(QEvent* event)
{
    View::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_pressed = -1;
        setHighlighted(-1);
    }
}

void SegmentedControl::drawRect(QPainter& painter, const QRectF&)
{
    if (m_painter && m_painterScope == PainterScope::Whole) {
        // A copy: the painter may replace itself while it runs.
        const SegmentPainter segmentPainter = m_painter;
        for (int i = 0; i < segmentCount(); ++i) {
            painter.save();
            segmentPainter(painter, i, frameOfSegment(i), isSelectedForSegment(i), m_highlighted == i);
            painter.restore();
        }
        return;
    }

    const QRectF outline = bounds().adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath bezel;
    bezel.addRoundedRect(outline, segmentBezelRadius, segmentBezelRadius);
    painter.fillPath(bezel, segmentBezelFill);
    painter.save();
    painter.setClipPath(bezel);
    if (m_painter) {
        const SegmentPainter segmentPainter = m_painter;
        for (int i = 0; i < segmentCount(); ++i) {
            painter.save();
            drawSegmentFill(painter, i, frameOfSegment(i));
            segmentPainter(painter, i, frameOfSegment(i), isSelectedForSegment(i), m_highlighted == i);
            painter.restore();
        }
    } else {
        for (int i = 0; i < segmentCount(); ++i) drawSegment(painter, i, frameOfSegment(i));
    }
    painter.restore();
    // Dividers between neighbours, then the edge over everything.
    painter.setPen(QPen(segmentBezelEdge, 1));
    for (int i = 1; i < segmentCount(); ++i) {
        const double x = std::round(frameOfSegment(i).left()) + 0.5;
        if (x > outline.left() && x < outline.right()) painter.drawLine(QPointF(x, outline.top()), QPointF(x, outline.bottom()));
    }
    painter.drawPath(bezel);
}

struct SegmentedControl::ContentLayout {
    QString label;
    ImagePosition position = ImagePosition::NoImage;
    QRectF imageRect, titleRect;
};

SegmentedControl::ContentLayout SegmentedControl::layOutContent(int segment, const QRectF& frame) const
{
    const Segment& item = m_segments[size_t(segment)];
    ContentLayout out;
    // One line: a line break shows as a space. A missing image leaves the
    // label, so a segment is never blank because a picture is missing.
    out.label = item.label;
    out.label.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const bool hasImage = !item.image.isNull();
    out.position = !hasImage              ? ImagePosition::NoImage
                   : out.label.isEmpty() ? ImagePosition::ImageOnly
                                         : ImagePosition::ImageLeft;
    const QRectF content = frame.adjusted(horizontalInset, verticalInset, -horizontalInset, -verticalInset);
    const Button::ContentLayout layout = Button::contentLayout(
        content, hasImage ? item.image.deviceIndependentSize() : QSizeF(), TextMeasure::sizeOfText(out.label, m_font),
        out.position);
    out.imageRect = layout.imageRect;
    out.titleRect = layout.titleRect;
    // What a frame moved up or down would push past the control's edge comes
    // back inside it, as far as there is room.
    const QRectF drawn = out.imageRect.united(out.titleRect);
    const QRectF box = bounds();
    double shift = 0;
    if (!drawn.isEmpty() && drawn.top() < box.top()) shift = std::min(box.top() - drawn.top(), box.bottom() - drawn.bottom());
    else if (!drawn.isEmpty() && drawn.bottom() > box.bottom())
        shift = std::max(box.bottom() - drawn.bottom(), box.top() - drawn.top());
    out.imageRect.translate(0, shift);
    out.titleRect.translate(0, shift);
    return out;
}

QRectF SegmentedControl::segmentContentRect(int segment, const QRectF& frame) const
{
    if (!isValidSegment(segment)) return QRectF();
    const ContentLayout layout = layOutContent(segment, frame);
    return layout.imageRect.united(layout.titleRect);
}

void SegmentedControl::drawSegmentFill(QPainter& painter, int segment, const QRectF& frame) const
{
    const Segment& item = m_segments[size_t(segment)];
    const bool highlighted = m_highlighted == segment;
    if (item.selected)
        painter.fillRect(frame, highlighted ? selectedPressedFill : selectedFill);
    else if (highlighted)
        painter.fillRect(frame, pressedFill);
}

void SegmentedControl::drawSegment(QPainter& painter, int segment, const QRectF& frame) const
{
    if (frame.isEmpty()) return;
    drawSegmentFill(painter, segment, frame);
    drawSegmentContent(painter, segment, frame);
}

void SegmentedControl::drawSegmentContent(QPainter& painter, int segment, const QRectF& frame) const
{
    if (!isValidSegment(segment) || frame.isEmpty()) return;
    const Segment& item = m_segments[size_t(segment)];
    const ContentLayout layout = layOutContent(segment, frame);
    painter.save();
    if (!isEnabled() || !item.enabled) painter.setOpacity(segmentDisabledOpacity);
    const bool hasImage = !item.image.isNull();
    if (hasImage && !layout.imageRect.isEmpty()) {
        if (m_templateImages) {
            // Only the image's shape counts: it takes the label's colour.
            QImage tinted = item.image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QPainter tint(&tinted);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(tinted.rect(), item.selected ? selectedLabelColor : labelColor);
            tint.end();
            painter.drawImage(layout.imageRect, tinted);
        } else {
            painter.drawImage(layout.imageRect, item.image);
        }
    }
    if (!layout.label.isEmpty() && !layout.titleRect.isEmpty()) {
        const Qt::Alignment horizontal = layout.position == ImagePosition::ImageLeft ? Qt::AlignLeft : Qt::AlignHCenter;
        Drawing::drawText(painter, layout.label, m_font, item.selected ? selectedLabelColor : labelColor,
                          layout.titleRect, horizontal | Qt::AlignVCenter, Qt::ElideRight);
    }
    painter.restore();
}
