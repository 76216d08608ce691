#include "NoteListView.h"

#include "Color.h"
#include "CoreData.h"
#include "DateExtensions.h"
#include "Setting.h"
#include "Utilities.h"
#include "Clock.h"
#include "Font.h"
#include "NamedImages.h"
#include "NoteListTableView.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "TextTable.h"

#include <QPainter>

#include <algorithm>

NoteListView::NoteListView(const QRectF& frame, QWidget* parent) : BottomGripPage(frame, parent)
{
    setFlipped(true);
    const double W = frame.width();
    const double H = frame.height();

    m_filterBtn = new SegmentedControl(QRectF(4, 1, std::max(0.0, W - 4), 29));
    struct Segment {
        QImage image;
        QString toolTip;
    };
    const Segment segments[] = {
        {NamedImages::imageNamed(QStringLiteral("filter_all")), TextTable::localizedString(QStringLiteral("filterAllText"))},
        {NamedImages::imageNamed(QStringLiteral("filter_day")), TextTable::localizedString(QStringLiteral("filterCurrentText"))},
        {NamedImages::imageNamed(QStringLiteral("filter_week")),
         TextTable::localizedString(QStringLiteral("filterThisWeekText"))},
    };
    m_filterBtn->setSegmentCount(3);
    for (int segment = 0; segment < 3; ++segment) {
        m_filterBtn->setImage(segments[segment].image, segment);
        m_filterBtn->setToolTip(segments[segment].toolTip, segment);
        m_filterBtn->setTag(segment, segment);
        m_filterBtn->setWidth(std::max(0.0, (W - 14) / 3), segment);
    }
    m_filterBtn->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 11));
    m_filterBtn->setTarget(this, [this](SegmentedControl*) { selectTypeOfFilter(); });
    m_filterBtn->setSelectedSegment(0);
    addSubview(m_filterBtn);

    const double scrollWidth = std::max(0.0, W - 4);
    m_tableScrollView = new ScrollView(QRectF(2, 30, scrollWidth, std::max(0.0, H - 34)));
    m_tableScrollView->setHasVerticalScroller(true);
    m_tableView = new NoteListTableView(
        QRectF(0, 0, ScrollView::contentWidthForFrameWidth(scrollWidth, true), std::max(0.0, H - 34)));
    m_tableView->setAutoresizingMask(ViewWidthSizable);
    m_tableView->setParentView(this);
    m_tableScrollView->setDocumentView(m_tableView);
    addSubview(m_tableScrollView);

    addItemMarkers();
    updateTrackingAreas();
    describeFilters();
    m_tableView->loadDataByFilter(m_filterIndex);
}

NoteListView::~NoteListView() = default;

void NoteListView::describeFilters()
{
    // An icon alone does not say which day or week a filter lists: the day
    // and week segments name theirs beside the icon and in their tooltips.
    const CoreData* manager = CoreData::shared();
    if (!manager) return;
    const Date day = Utilities::today(manager->currentSelectedDay());
    const SettingPtr setting = manager->currentSetting();
    const Date today = Utilities::today(Clock::now());
    const qint64 firstWeekday = setting && setting->weekStartDay() == 1 ? 2 : 1;
    const Date first = DateExtensions::dateByAddingDays(today, -((Utilities::getWeekday(today) - firstWeekday + 7) % 7));
    const Date last = DateExtensions::dateByAddingDays(first, 6);
    const QString dayText = QStringLiteral("%1 %2").arg(Utilities::getMonthName(day)).arg(Utilities::getDay(day));
    const QString weekText =
        Utilities::getMonth(first) == Utilities::getMonth(last)
            ? QStringLiteral("%1 %2\u2013%3").arg(Utilities::getMonthName(first)).arg(Utilities::getDay(first)).arg(Utilities::getDay(last))
            : QStringLiteral("%1 %2\u2013%3 %4")
                  .arg(Utilities::getMonthName(first)).arg(Utilities::getDay(first))
                  .arg(Utilities::getMonthName(last)).arg(Utilities::getDay(last));
    m_filterBtn->setLabel(dayText, 1);
    m_filterBtn->setToolTip(
        QStringLiteral("%1 (%2)").arg(TextTable::localizedString(QStringLiteral("filterCurrentText")), dayText), 1);
    m_filterBtn->setLabel(weekText, 2);
    m_filterBtn->setToolTip(
        QStringLiteral("%1 (%2)").arg(TextTable::localizedString(QStringLiteral("filterThisWeekText")), weekText), 2);
}

void NoteListView::selectTypeOfFilter()
{
    const int segment = m_filterBtn->selectedSegment();
    if (segment < 0) return;
    m_filterIndex = m_filterBtn->tagForSegment(segment);
    reloadData();
}

void NoteListView::reloadData()
{
    ++m_reloadCount;
    describeFilters();
    m_tableView->loadDataByFilter(m_filterIndex);
}

// ---- layout and the resize strip -------------------------------------------------

void NoteListView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    BottomGripPage::resizeSubviewsWithOldSize(oldSize);
    QRectF scroll = m_tableScrollView->frame();
    scroll.setHeight(std::max(0.0, bounds().height() - 31));
    m_tableScrollView->setFrame(scroll);
    placeItemMarkers(scroll, m_tableView->rowHeight());
    updateTrackingAreas();
}

bool NoteListView::listShown() const
{
    return !m_tableView->isHidden();
}

void NoteListView::drawRect(QPainter& painter, const QRectF&)
{
    drawBorder(painter);
}
