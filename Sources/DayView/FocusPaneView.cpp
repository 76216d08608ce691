#include "FocusPaneView.h"

#include "Button.h"
#include "Color.h"
#include "Common.h"
#include "CoreData.h"
#include "CustomNSView.h"
#include "DayCalendarView.h"
#include "DragSource.h"
#include "FocusPaneDetailView.h"
#include "Font.h"
#include "Gradient.h"
#include "GuruViewController.h"
#include "KeyedArchive.h"
#include "RecordStore.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NamedImages.h"
#include "../Model/Notifications.h"
#include "NotificationCenter.h"
#include "ResizeView.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QDebug>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>


FocusPaneView::FocusPaneView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double width = frame.width();
    const double listHeight = DayCalendarView::focusPaneListHeight();

    m_maximizeBtn = UIUtilities::createButton(
        QString(), 13, Color::black(), Qt::Alignment(), ButtonType::Toggle, QRectF(5, 5, 20, 20), this,
        [this](Button*) { maximizeFocusPane(); }, NamedImages::imageNamed(QStringLiteral("EnterFullScreenTemplate")),
        NamedImages::imageNamed(QStringLiteral("ExitFullScreenTemplate")), false);
    m_maximizeBtn->setToolTip(TextTable::localizedString(QStringLiteral("expandTooltip")));
    addSubview(m_maximizeBtn);

    m_day = UIUtilities::getCommonTextFieldWithFrame(QRectF(28, 6, 230, 30));
    m_day->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 16));
    m_day->setAlignment(Qt::AlignHCenter);
    // The label reaches 6 points below the 30-point header: centred in its
    // frame the title would sit on the header's bottom edge.
    m_day->setTopAligned(true);
    addSubview(m_day);

    m_pointerView = new View(QRectF(width / 2, headerHeight, 1, 1));
    m_pointerView->setAutoresizingMask(ViewMinXMargin | ViewMaxXMargin);
    addSubview(m_pointerView);

    m_guruBtn = new Button(QRectF(width - 25, 5, 20, 20));
    m_guruBtn->setImage(NamedImages::imageNamed(QStringLiteral("guru_icon")));
    m_guruBtn->setImagePosition(ImagePosition::ImageOnly);
    m_guruBtn->setBordered(false);
    m_guruBtn->setToolTip(TextTable::localizedString(QStringLiteral("guruTooltip")));
    m_guruBtn->setTarget(this, [this](Button*) { guru(); });
    m_guruBtn->setAutoresizingMask(ViewMinXMargin);
    m_guruBtn->setHidden(true);
    addSubview(m_guruBtn);

    m_contentScrollView = new ScrollView(QRectF(1, headerHeight, std::max(0.0, width - 2), listHeight));
    m_contentScrollView->setHasVerticalScroller(true);
    m_contentScrollView->setAutoresizingMask(ViewWidthSizable);
    addSubview(m_contentScrollView);

    const QSizeF content = m_contentScrollView->contentSize();
    m_contentView = new CustomNSView(QRectF(QPointF(1, 0), content));
    m_contentView->setBackgroundColor(Common::focusPaneColorBackground());
    m_contentView->setAutoresizingMask(ViewWidthSizable);
    m_focusPaneDetailView = new FocusPaneDetailView(QRectF(QPointF(0, 0), content));
    m_focusPaneDetailView->setAutoresizingMask(ViewWidthSizable);
    m_contentView->addSubview(m_focusPaneDetailView);
    m_contentScrollView->setDocumentView(m_contentView);

    m_focusPaneResizeView = new ResizeView(QRectF(0, listHeight + headerHeight, width, handleHeight));
    m_focusPaneResizeView->setAutoresizingMask(ViewWidthSizable);
    addSubview(m_focusPaneResizeView);

    setAcceptDrops(true);
    ensureTrackingArea();
}

FocusPaneView::~FocusPaneView() = default;

Date FocusPaneView::selectedDay() const
{
    if (!m_monthView || !m_monthView->monthCalendarView()) return Date();
    return m_monthView->monthCalendarView()->currentDay();
}

// ---- title and sizes ---------------------------------------------------------------

QString FocusPaneView::dayTitle(const Date& currentDay, const Date& monthDate, const QString& language)
{
    if (!currentDay.isValid()) return QString();
    if (language == QLatin1String("ja")) {
        const Date month = monthDate.isValid() ? monthDate : currentDay;
        return QString::number(Utilities::getYear(month)) + TextTable::localizedString(QStringLiteral("repeatEveryYearText")) +
               Utilities::getMonthFullName(month) + QString::number(Utilities::getDay(currentDay)) +
               TextTable::localizedString(QStringLiteral("dayText")) + Utilities::getWeekDayName(currentDay);
    }
    return QStringLiteral("%1 %2 %3, %4")
        .arg(Utilities::getWeekDayName(currentDay), Utilities::getMonthName(currentDay))
        .arg(Utilities::getDay(currentDay))
        .arg(Utilities::getYear(currentDay));
}

void FocusPaneView::showDayTitle()
{
    const Date day = selectedDay();
    if (!day.isValid()) return;
    m_day->setStringValue(dayTitle(day, m_monthView->monthCalendarView()->monthDate(), MonthView::preferredLang()));
    setNeedsDisplay();
}

void FocusPaneView::reloadData()
{
    showDayTitle();
    m_focusPaneDetailView->loadDataOnDate(selectedDay());
    const double listHeight = m_focusPaneDetailView->numberOfRows() * m_focusPaneDetailView->rowPitch();
    m_contentView->setFrameSize(QSizeF(m_contentView->frame().width(), listHeight));
    // The list is as tall as its rows, so none is cut off below the fold.
    m_focusPaneDetailView->setFrameSize(QSizeF(m_contentView->frame().width(), listHeight));
    m_contentScrollView->tile();
    maximizeFocusPane();
    m_maximizeBtn->setHidden(m_focusPaneDetailView->numberOfRows() == 0);
    m_contentView->setNeedsDisplay();
    m_focusPaneDetailView->setNeedsDisplay();
    setNeedsDisplay();
}

void FocusPaneView::rearrangeView()
{
    m_contentScrollView->setFrameSize(QSizeF(std::max(0.0, bounds().width() - 2), DayCalendarView::focusPaneListHeight()));
}

void FocusPaneView::needResizeWithNumOfTask(double rows)
{
    if (!std::isfinite(rows) || rows < 0) rows = 0;
    const double newY = rows * m_focusPaneDetailView->rowPitch() + headerHeight;
    const double oldY = m_focusPaneResizeView->frame().y();
    m_focusPaneResizeView->setFrameOrigin(QPointF(m_focusPaneResizeView->frame().x(), newY));
    if (auto* pane = dynamic_cast<PaneResizing*>(superview())) pane->rearrangeViewWithDelta(newY - oldY);
}

void FocusPaneView::maximizeFocusPane()
{
    const int state = m_maximizeBtn->state();
    if (state == 1) {
        needResizeWithNumOfTask(0);
        return;
    }
    if (state != 0) return;
    const double rows = m_focusPaneDetailView->numberOfRows();
    const double pitch = m_focusPaneDetailView->rowPitch();
    const double available = (superview() ? superview()->bounds().height() : bounds().height()) - handleHeight - headerHeight;
    const double needed = rows * pitch;
    if (available > needed)
        needResizeWithNumOfTask(rows);
    else
        needResizeWithNumOfTask(pitch > 0 ? std::max(0.0, available) / pitch : 0);
}

void FocusPaneView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    if (oldSize.width() != bounds().width()) ensureTrackingArea();
}

// ---- help tip ------------------------------------------------------------------

QRectF FocusPaneView::guruRect() const
{
    const QRectF box = bounds();
    return QRectF(box.x() + 20, box.y(), box.width(), headerHeight);
}

void FocusPaneView::guru()
{
    if (!m_guruViewController) m_guruViewController = new GuruViewController(this);
    m_guruViewController->showGuruPopOverAtPositionView(m_pointerView, GuruViewController::DayCalendarTip);
}

void FocusPaneView::ensureTrackingArea()
{
    if (m_guruTrackingArea) removeTrackingRect(m_guruTrackingArea);
    m_guruTrackingArea = addTrackingRect(guruRect(), 0, TrackMouseEnteredAndExited);
}

void FocusPaneView::updateTrackingAreas()
{
    View::updateTrackingAreas();
    ensureTrackingArea();
}

void FocusPaneView::mouseEntered(const Event& event)
{
    if (guruRect().contains(convertPointFromWindow(event.locationInWindow))) m_guruBtn->setHidden(false);
}

void FocusPaneView::mouseExited(const Event&)
{
    m_guruBtn->setHidden(true);
}

// ---- drawing -------------------------------------------------------------------

void FocusPaneView::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF box = bounds();
    QPainterPath header;
    header.moveTo(0, headerHeight);
    header.lineTo(0, 0);
    header.lineTo(box.width(), 0);
    header.lineTo(box.width(), headerHeight);
    header.closeSubpath();
    QLinearGradient gradient(0, 0, 0, headerHeight);
    gradient.setColorAt(0, QColor(244, 245, 246));
    gradient.setColorAt(0.5, QColor(232, 234, 239));
    gradient.setColorAt(1, QColor(203, 203, 209));
    painter.fillPath(header, gradient);
    painter.setPen(QPen(Color::lightGray(), 1));
    painter.drawPath(header);
    painter.drawLine(QPointF(0, 0), QPointF(0, box.height()));
    painter.drawLine(QPointF(box.width(), 0), QPointF(box.width(), box.height()));
}

// ---- drops -----------------------------------------------------------------------

TaskPtr FocusPaneView::itemForDrop(const QMimeData& data, bool fromThisProgram)
{
    if (!fromThisProgram || !data.hasFormat(KeyedArchive::mimeType)) return nullptr;
    const TaskList items = Task::readItemsFromPasteboard(data);
    if (items.isEmpty() || !items.first()) return nullptr;
    const TaskPtr item = items.first();
    if (item->isShared()) return nullptr;
    if (item->taskType() != 1 && item->taskType() != 3) return nullptr;
    return item;
}

unsigned FocusPaneView::draggingEntered(const QMimeData& data, bool fromThisProgram) const
{
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    if (itemForDrop(data, fromThisProgram)) return DragOperationGeneric;
    // An item whose record cannot be read now (another program's lock
    // refuses reads too) is taken all the same: its drop is refused and told.
    return RecordStore::failedStepsOnThisThread() != failuresBefore ? DragOperationGeneric : DragOperationNone;
}

bool FocusPaneView::performDragOperation(const QMimeData& data, bool fromThisProgram)
{
    CoreData* manager = CoreData::shared();
    TaskPtr item;
    // A read of the dropped item that fails refuses the drop, told as a
    // refused unit is; an item that is gone is refused without a word.
    if (!manager || !manager->runAskingCommandFromView([&] { return (item = itemForDrop(data, fromThisProgram)) != nullptr; }))
        return false;
    const Date day = selectedDay();
    if (!day.isValid()) return false;
    const SettingPtr setting = manager->currentSetting();
    iCalSync* sync = manager->icalSync();
    // The move, its row and the store write's mark are one unit; a refused
    // one leaves the item where it was and is told.
    const bool saved = manager->saveChangeFromView({item}, [&] {
        if (item->taskType() == 1) {
            item->setHasDue(1);
            item->setDueEnd(Setting::workingEndOnDay(day, setting ? setting->dayManagers() : QVariantMap()));
            // Marked in the unit of the save: no kill leaves the move saved
            // but unmarked.
            if (sync) iCalSync::markStoreWriteDue(item);
            if (!item->dehydrate()) return false;
            if (sync)
                Transaction::afterCommitOrNow([sync, item] { sync->backgroundOneWaySyncUpdateToICalTask(item, 0); });
            return true;
        }
        const Date start = item->startTime();
        item->setStartTime(Utilities::newDateOnDate(day, start.isValid() ? Utilities::getHour(start) : 0,
                                                    start.isValid() ? Utilities::getMinute(start) : 0));
        return item->dehydrate();
    });
    if (!saved) {
        qWarning() << "The item dropped on the focus pane could not be saved";
        return false;
    }
    if (setting && setting->autoZVWSync())
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, AutoSync::items);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(this));
    return true;
}

void FocusPaneView::dragEnterEvent(QDragEnterEvent* event)
{
    const DragSession* session = DragSource::currentSession();
    const unsigned operation = event->mimeData() ? draggingEntered(*event->mimeData(), session != nullptr) : 0;
    if (operation == DragOperationNone) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void FocusPaneView::dragMoveEvent(QDragMoveEvent* event)
{
    event->accept();
}

void FocusPaneView::dropEvent(QDropEvent* event)
{
    const DragSession* session = DragSource::currentSession();
    if (event->mimeData() && performDragOperation(*event->mimeData(), session != nullptr)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}
