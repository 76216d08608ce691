#include "ScrollView.h"

#include "NotificationCenter.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

const QString ScrollView::boundsDidChangeNotification = QStringLiteral("ScrollViewBoundsDidChangeNotification");

namespace {

// Points moved by a click on one of the scroller's arrows.
constexpr int scrollerLineStep = 10;

}  // namespace

ScrollView::ScrollView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    // The clip counts from its top, so the document hangs from the top edge
    // whichever way the document's own y runs.
    m_clip = new View(QRectF(QPointF(0, 0), frame.size()));
    m_clip->setFlipped(true);
    // The document is placed by tile(): x 0, hung from the top, and as wide
    // as the clip when its mask makes its width flexible.
    m_clip->setAutoresizesSubviews(false);
    addSubview(m_clip);

    m_scroller = new QScrollBar(Qt::Vertical, this);
    m_scroller->setSingleStep(scrollerLineStep);
    connect(m_scroller, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_syncingScroller) setOffset(value);
    });
    tile();
}

ScrollView::~ScrollView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    // The document dies with the clip after this part of the object is gone.
    if (m_document) disconnect(m_document, nullptr, this, nullptr);
}

void ScrollView::setDocumentView(View* document)
{
    if (document == m_document) return;
    NotificationCenter::defaultCenter().removeObserver(this, View::frameDidChangeNotification);
    if (m_document) {
        disconnect(m_document, &QObject::destroyed, this, nullptr);
        m_document->removeFromSuperview();
    }
    m_document = document;
    m_offset = 0;
    if (m_document) {
        m_clip->addSubview(m_document);
        // A document deleted by its owner leaves nothing to scroll.
        connect(m_document, &QObject::destroyed, this, [this, document] {
            if (m_document != document) return;
            NotificationCenter::defaultCenter().removeObserver(this, View::frameDidChangeNotification);
            m_document = nullptr;
            tile();
        });
        NotificationCenter::defaultCenter().addObserver(
            this, View::frameDidChangeNotification, NotificationPayload::identityOf(document),
            [this](const Notification&) {
                // The scroll view's own placing of the document is no news.
                if (!m_tiling) tile();
            });
    }
    tile();
}

void ScrollView::setHasVerticalScroller(bool has)
{
    if (m_hasVerticalScroller == has) return;
    m_hasVerticalScroller = has;
    tile();
}

void ScrollView::setAutohidesScrollers(bool autohides)
{
    if (m_autohidesScrollers == autohides) return;
    m_autohidesScrollers = autohides;
    tile();
}

bool ScrollView::isScrollerShown() const
{
    return !m_scroller->isHidden();
}

QSizeF ScrollView::contentSize() const
{
    return m_clip->frame().size();
}

double ScrollView::contentWidthForFrameWidth(double frameWidth, bool withScroller)
{
    if (!std::isfinite(frameWidth)) return 0;
    return std::max(0.0, frameWidth - (withScroller ? scrollerWidth : 0.0));
}

double ScrollView::documentHeight() const
{
    return m_document ? m_document->frame().height() : 0.0;
}

double ScrollView::maximumScrollOffset() const
{
    return std::max(0.0, documentHeight() - m_clip->frame().height());
}

double ScrollView::topDistanceOf(double documentY) const
{
    if (!m_document || m_document->isFlipped()) return documentY;
    return documentHeight() - documentY;
}

QRectF ScrollView::documentVisibleRect() const
{
    const QSizeF clip = m_clip->frame().size();
    if (!m_document || m_document->isFlipped()) return QRectF(0, m_offset, clip.width(), clip.height());
    return QRectF(0, documentHeight() - m_offset - clip.height(), clip.width(), clip.height());
}

void ScrollView::scrollToPoint(const QPointF& documentPoint)
{
    if (std::isfinite(documentPoint.y())) setOffset(topDistanceOf(documentPoint.y()));
}

bool ScrollView::scrollRectToVisible(const QRectF& documentRect)
{
    const QRectF rect = documentRect.normalized();
    if (!m_document || !std::isfinite(rect.y()) || !std::isfinite(rect.height())) return false;
    const double top = m_document->isFlipped() ? rect.top() : documentHeight() - rect.bottom();
    const double bottom = top + rect.height();
    const double visibleHeight = m_clip->frame().height();
    const double visibleBottom = m_offset + visibleHeight;
    double wanted = m_offset;
    if (top >= m_offset && bottom <= visibleBottom) return false;
    if (top <= m_offset && bottom >= visibleBottom) return false;  // it already fills the view
    if (top < m_offset || rect.height() > visibleHeight) wanted = top;
    else wanted = bottom - visibleHeight;
    const double before = m_offset;
    setOffset(wanted);
    return m_offset != before;
}

bool ScrollView::autoscroll(const Event& event)
{
    if (!m_document) return false;
    const double y = m_clip->convertPointFromWindow(event.locationInWindow).y();  // from the clip's top
    const double height = m_clip->frame().height();
    const double before = m_offset;
    if (y < autoscrollBand) setOffset(m_offset - autoscrollStep);
    else if (y > height - autoscrollBand) setOffset(m_offset + autoscrollStep);
    return m_offset != before;
}

void ScrollView::scrollWheel(const Event& event)
{
    if (maximumScrollOffset() <= 0 || !std::isfinite(event.deltaY)) {
        View::scrollWheel(event);  // nothing to scroll here: an outer view may
        return;
    }
    // A positive delta moves the content's top into view.
    setOffset(m_offset - event.deltaY * pointsPerWheelNotch);
}

void ScrollView::resizeSubviewsWithOldSize(const QSizeF&)
{
    tile();
}

void ScrollView::tile()
{
    if (m_tiling || !m_clip) return;
    m_tiling = true;
    const QSizeF size = frame().size();
    bool shown = false;
    // Showing or hiding the scroller changes the document's width, and a
    // document that wraps its text then changes height: a second pass
    // settles it (a third could only flip back and forth).
    for (int pass = 0; pass < 2; ++pass) {
        shown = m_hasVerticalScroller && (!m_autohidesScrollers || documentHeight() > size.height());
        const double clipWidth = contentWidthForFrameWidth(size.width(), shown);
        m_clip->setFrame(QRectF(0, 0, clipWidth, size.height()));
        if (m_document && (m_document->autoresizingMask() & ViewWidthSizable) &&
            m_document->frame().width() != clipWidth)
            m_document->setFrameSize(QSizeF(clipWidth, m_document->frame().height()));
        const bool stillShown = m_hasVerticalScroller && (!m_autohidesScrollers || documentHeight() > size.height());
        if (stillShown == shown) break;
    }
    m_scroller->setVisible(shown);
    if (shown) {
        const int width = int(std::lround(std::min(scrollerWidth, size.width())));
        m_scroller->setGeometry(QRect(int(std::lround(size.width())) - width, 0, width, int(std::lround(size.height()))));
        m_scroller->raise();
    }
    m_offset = std::clamp(m_offset, 0.0, maximumScrollOffset());
    placeDocument();
    m_tiling = false;
    syncScroller();
    postIfVisibleRectChanged();
}

void ScrollView::setOffset(double offset)
{
    if (!std::isfinite(offset)) return;
    const double clamped = std::clamp(offset, 0.0, maximumScrollOffset());
    if (clamped == m_offset) return;
    m_offset = clamped;
    m_tiling = true;
    placeDocument();
    m_tiling = false;
    syncScroller();
    postIfVisibleRectChanged();
}

void ScrollView::placeDocument()
{
    if (!m_document) return;
    m_document->setFrameOrigin(QPointF(0, -m_offset));
}

void ScrollView::syncScroller()
{
    m_syncingScroller = true;
    const double clipHeight = m_clip->frame().height();
    m_scroller->setRange(0, int(std::ceil(maximumScrollOffset())));
    m_scroller->setPageStep(std::max(1, int(std::lround(clipHeight))));
    m_scroller->setValue(int(std::lround(m_offset)));
    m_syncingScroller = false;
}

void ScrollView::postIfVisibleRectChanged()
{
    const QRectF visible = documentVisibleRect();
    if (visible == m_lastVisibleRect) return;
    m_lastVisibleRect = visible;
    NotificationCenter::defaultCenter().postNotificationName(boundsDidChangeNotification, this);
}
