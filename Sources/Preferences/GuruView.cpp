#include "GuruView.h"

#include "Button.h"
#include "Color.h"
#include "ImageView.h"
#include "NamedImages.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "UrlOpener.h"
#include "ZVWService.h"

#include <QApplication>
#include <QDebug>
#include <QFontMetricsF>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

struct GuruTipType {
    int pages;
};

// Indexed by the tip type: the mini month; the focus pane and the day
// calendar; the tasks tab; the projects tab; the tag view and the category
// show/hide view; the notes tab.
constexpr GuruTipType guruTipTypes[] = {{1}, {2}, {1}, {1}, {1}, {1}};

const GuruTipType* guruTipTypeOf(int type)
{
    if (type < 0 || type >= int(std::size(guruTipTypes))) return nullptr;
    return &guruTipTypes[type];
}

// The page's words over the blank strip of the picture; the picture is drawn
// without text so that one set of pictures serves every language.
class GuruWordsView : public View {
public:
    explicit GuruWordsView(GuruView* tip) : View(QRectF(), tip), m_tip(tip)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    void drawRect(QPainter& painter, const QRectF&) override
    {
        UprightPainting upright(painter, bounds());
        painter.setFont(m_tip->wordsFont());
        painter.setPen(QColor(0x3A, 0x41, 0x4E));
        painter.drawText(upright.rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_tip->words());
    }

private:
    GuruView* m_tip;
};

// The largest font, down to a floor, in which the words fit the strip.
QFont fittingFont(const QString& words, const QSizeF& strip)
{
    QFont font = QApplication::font();
    for (double points = 11; points >= 7; points -= 0.5) {
        font.setPointSizeF(points);
        const QRectF needed = QFontMetricsF(font).boundingRect(QRectF(QPointF(0, 0), strip),
                                                               Qt::AlignLeft | Qt::TextWordWrap, words);
        if (needed.width() <= strip.width() && needed.height() <= strip.height()) break;
    }
    return font;
}

}  // namespace

GuruView::GuruView(int type, QWidget* parent) : View(QRectF(0, 0, 0, 0), parent)
{
    m_guruImageView = new ImageView(QRectF(), this);
    m_guruImageView->setImageScaling(ImageScaling::None);
    // Clicks and moves belong to the tip: the site spot lies on the picture.
    m_guruImageView->setAttribute(Qt::WA_TransparentForMouseEvents);

    const auto makeArrow = [this](const QImage& image, void (GuruView::*action)()) {
        Button* arrow = UIUtilities::createButton(
            QString(), 0, Color::clear(), Qt::AlignCenter, ButtonType::MomentaryPushIn,
            QRectF(-100, 2, arrowSize, arrowSize), this, [this, action](Button*) { (this->*action)(); }, image,
            QImage(), false);
        addSubview(arrow);
        return arrow;
    };
    m_prevPage = makeArrow(NamedImages::imageNamed(QStringLiteral("prevpage")), &GuruView::goPrev);
    m_nextPage = makeArrow(NamedImages::imageNamed(QStringLiteral("nextpage")), &GuruView::goNext);
    m_wordsView = new GuruWordsView(this);
    addSubview(m_wordsView);

    setTypeOfGuru(type);
    setCurrentPage(1);
    placeArrows();
    m_prevPage->setHidden(true);
    m_nextPage->setHidden(true);
}

GuruView::~GuruView() = default;

int GuruView::pageCountOfType(int type)
{
    const GuruTipType* tip = guruTipTypeOf(type);
    return tip ? tip->pages : 1;
}

// The base name of a type's pictures is a text of the table, so that a
// language can have pictures of its own; the keys are written out for the
// check that every key has a text.
QString GuruView::imageBaseOfType(int type)
{
    switch (type) {
    case 0: return TextTable::localizedString(QStringLiteral("GuruMiniMonthText"));
    case 1: return TextTable::localizedString(QStringLiteral("GuruDayCalText"));
    case 2: return TextTable::localizedString(QStringLiteral("guruListText"));
    case 3: return TextTable::localizedString(QStringLiteral("guruCategoryText"));
    case 4: return TextTable::localizedString(QStringLiteral("guruContextText"));
    case 5: return TextTable::localizedString(QStringLiteral("guruNotetext"));
    default: return QString();
    }
}

// The keys are written out for the check that every key has a text.
QString GuruView::wordsOfPage(int type, int page)
{
    switch (type) {
    case 0: return TextTable::localizedString(QStringLiteral("guruMiniMonthWords1"));
    case 1:
        return page == 1 ? TextTable::localizedString(QStringLiteral("guruDayCalWords1"))
                         : TextTable::localizedString(QStringLiteral("guruDayCalWords2"));
    case 2: return TextTable::localizedString(QStringLiteral("guruListWords1"));
    case 3: return TextTable::localizedString(QStringLiteral("guruCategoryWords1"));
    case 4: return TextTable::localizedString(QStringLiteral("guruContextWords1"));
    case 5: return TextTable::localizedString(QStringLiteral("guruNoteWords1"));
    default: return QString();
    }
}

QRectF GuruView::wordsRect(const QSizeF& tipSize)
{
    // Under the site spot, inside the card's edge.
    const double top = siteSpot().y() - 4;
    return QRectF(12, 4, std::max(0.0, tipSize.width() - 24), std::max(0.0, std::min(top, tipSize.height()) - 4));
}

QString GuruView::imageNameOfPage(int type, int page)
{
    const QString base = imageBaseOfType(type);
    return base.isEmpty() ? QString() : base + QString::number(page);
}

void GuruView::setTypeOfGuru(int type)
{
    if (!guruTipTypeOf(type)) qWarning() << "A tip of unknown type" << type << "was asked for; it shows empty";
    m_typeOfGuru = type;
    m_maxPages = pageCountOfType(type);
    m_imageName = imageBaseOfType(type);
}

void GuruView::setCurrentPage(int page)
{
    m_currentPage = std::clamp(page, 1, m_maxPages);
    updatePages();
    const QString name = imageNameOfPage(m_typeOfGuru, m_currentPage);
    // The one name the sources compute: the tip tests check every page's
    // picture instead of the scan of literal names.
    const QImage picture = name.isEmpty() ? QImage() : NamedImages::imageNamed(name);
    if (!name.isEmpty() && picture.isNull()) qWarning() << "The tip picture" << name << "is missing";
    // The picture's size in points, whatever the screen's pixel ratio.
    const QSizeF size = picture.isNull() ? QSizeF() : QSizeF(picture.size()) / picture.devicePixelRatio();
    m_guruImageView->setFrame(QRectF(QPointF(0, 0), size));
    m_guruImageView->setImage(picture);
    m_words = picture.isNull() ? QString() : wordsOfPage(m_typeOfGuru, m_currentPage);
    const QRectF strip = wordsRect(size);
    m_wordsFont = fittingFont(m_words, strip.size());
    m_wordsView->setFrame(strip);
    m_wordsView->setHidden(m_words.isEmpty());
    m_wordsView->setNeedsDisplay();
    setFrameSize(size);
}

void GuruView::updatePages()
{
    m_prevPage->setHidden(m_currentPage <= 1);
    m_nextPage->setHidden(m_currentPage >= m_maxPages);
}

void GuruView::goPrev()
{
    if (m_currentPage > 1) setCurrentPage(m_currentPage - 1);
}

void GuruView::goNext()
{
    if (m_currentPage < m_maxPages) setCurrentPage(m_currentPage + 1);
}

void GuruView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    placeArrows();
}

void GuruView::placeArrows()
{
    const QSizeF size = frame().size();
    const double v = std::round((size.height() - arrowSize) / 2);
    m_nextPage->setFrameOrigin(QPointF(size.width() - nextArrowInset, v));
    m_prevPage->setFrameOrigin(QPointF(prevArrowX, v));
}

// ---- the mouse over the tip ------------------------------------------------------

void GuruView::ensureTrackingArea()
{
    // Set again whenever the bounds change: a page may have another size.
    if (m_guruTrackingArea) removeTrackingRect(m_guruTrackingArea);
    m_guruTrackingArea = addTrackingRect(bounds(), WholeTip, TrackMouseEnteredAndExited);
    // The site spot takes a click on every tip, so it shows the pointing
    // hand on every tip too.
    if (!m_ourWebsiteArea)
        m_ourWebsiteArea = addTrackingRect(siteSpot(), WebsiteSpot, TrackCursorUpdate | TrackMouseEnteredAndExited);
}

void GuruView::updateTrackingAreas()
{
    View::updateTrackingAreas();
    ensureTrackingArea();
}

void GuruView::mouseEntered(const Event& event)
{
    if (event.trackingNumber == WebsiteSpot) {
        setCursorShape(CursorShape::PointingHand);
        return;
    }
    if (bounds().contains(convertPointFromWindow(event.locationInWindow))) updatePages();
}

void GuruView::mouseExited(const Event& event)
{
    if (event.trackingNumber == WebsiteSpot) {
        setCursorShape(CursorShape::Arrow);
        return;
    }
    m_prevPage->setHidden(true);
    m_nextPage->setHidden(true);
}

void GuruView::leaveEvent(QEvent* event)
{
    View::leaveEvent(event);
    // The whole-tip rectangle is made anew when a page of another size
    // shows, and a new one does not know the mouse is already inside: its
    // leaving would go unreported, the arrows left standing.
    m_prevPage->setHidden(true);
    m_nextPage->setHidden(true);
    setCursorShape(CursorShape::Arrow);
}

void GuruView::cursorUpdate(const Event& event)
{
    if (event.trackingNumber == WebsiteSpot) setCursorShape(CursorShape::PointingHand);
}

void GuruView::mouseDown(const Event& event)
{
    if (!siteSpot().contains(convertPointFromWindow(event.locationInWindow))) return;
    const QUrl site(ZVWService::baseAddressFromConfiguration());
    if (!UrlOpener::current().openUrl(site)) qWarning() << "The service's site could not be opened:" << site;
    update();
}
