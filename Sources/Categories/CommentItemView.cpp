#include "CommentItemView.h"

#include "BezierPath.h"
#include "Color.h"
#include "CoreData.h"
#include "Font.h"
#include "Setting.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVComment.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Room the name leaves for the date at the right of the top line.
constexpr double commentDateWidth = 150;
// The content's padding below its text, and the row's room above and below it.
constexpr double commentContentPadding = 10;
constexpr double commentRowChrome = 30;

}  // namespace

QColor CommentItemView::bubbleColor()
{
    return Color::calibratedRGB(199 / 255.0, 213 / 255.0, 233 / 255.0, 1);
}

CommentItemView::CommentItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    const double width = frame.width();

    // Ends where the date's field starts, so the two never overlap.
    m_commentor = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 2, width - commentDateWidth - 5, 22));
    m_commentor->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 12));
    m_commentor->setAlignment(Qt::AlignLeft);
    // One line, cut at its end: a long name never runs into the date.
    m_commentor->setWraps(false);
    m_commentor->setAutoresizingMask(ViewWidthSizable);
    addSubview(m_commentor);

    m_commentTime = UIUtilities::getCommonTextFieldWithFrame(QRectF(width - commentDateWidth, 2, 145, 22));
    m_commentTime->setTextFont(Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 11));
    m_commentTime->setAlignment(Qt::AlignRight);
    m_commentTime->setAutoresizingMask(ViewMinXMargin);
    addSubview(m_commentTime);

    m_commentContent = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 24, width - 10, 22));
    m_commentContent->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    m_commentContent->setAlignment(Qt::AlignLeft);
    m_commentContent->setWraps(true);
    m_commentContent->setTopAligned(true);
    m_commentContent->setAutoresizingMask(ViewWidthSizable);
    addSubview(m_commentContent);
}

CommentItemView::~CommentItemView() = default;

void CommentItemView::setCommentData(const ZVCommentPtr& comment)
{
    if (!comment) return;
    m_commentor->setStringValue(QStringLiteral("%1 %2").arg(comment->firstName(), comment->lastName()));

    // Comments are stored in the application's zone; they are read in the
    // zone the user displays.
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    const bool zones = setting && setting->tzSupport();
    const Date shown = Utilities::getDate(comment->createdDate(), zones, manager ? manager->appRootTZ() : 0,
                                          setting ? setting->currentTZ() : 0);
    const QString date = Utilities::getStringFromDate(shown, true);
    m_commentTime->setStringValue(date);
    // The installed face is wider than the one the layout was made for: a
    // date with its AM/PM would lose its time. Its field grows to the left
    // and the name gives the room up.
    const double dateWidth = std::ceil(TextMeasure::sizeOfText(date, m_commentTime->textFont()).width()) + 4;
    const QRectF dateFrame = m_commentTime->frame();
    if (dateWidth > dateFrame.width()) {
        const double right = dateFrame.right();
        m_commentTime->setFrame(QRectF(right - dateWidth, dateFrame.y(), dateWidth, dateFrame.height()));
        const QRectF name = m_commentor->frame();
        m_commentor->setFrame(QRectF(name.x(), name.y(), std::max(0.0, right - dateWidth - name.x()), name.height()));
    }

    m_commentContent->setStringValue(comment->content());
    const QRectF content = m_commentContent->frame();
    const double height =
        TextMeasure::heightOfText(comment->content(), m_commentContent->textFont(), float(content.width())) +
        commentContentPadding;
    m_commentContent->setFrame(QRectF(content.x(), content.y(), content.width(), height));
    const QRectF row = frame();
    setFrame(QRectF(row.x(), row.y(), row.width(), height + commentRowChrome));
}

QRectF CommentItemView::bubbleRect() const
{
    const QRectF area = bounds();
    return QRectF(area.x() + 2, area.y() + 1, area.width() - 4, area.height() - 2);
}

void CommentItemView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawRect(painter, dirtyRect);
    BezierPath::roundedRect(bubbleRect(), bubbleRadius, bubbleRadius).fill(painter, bubbleColor());
}
