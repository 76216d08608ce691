#include "MonthCellView.h"

#include "Common.h"
#include "CoreData.h"
#include "Event.h"
#include "Font.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthGridRules.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "TextField.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage dueDotImage()
{
    QImage image(6, 6, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 0, 0));
    painter.drawRoundedRect(QRectF(0, 0, 6, 6), 3, 3);
    return image;
}

const QColor kTodayLabelColor(106, 149, 244);

}  // namespace

MonthCellView::MonthCellView(const QRectF& frame, QWidget* parent) : CustomNSView(frame, parent)
{
    m_dayLabel = UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(QRectF(0.5, 0, 36, 13));
    m_dayLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 10));
    m_dayLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dayLabel->setFocusPolicy(Qt::NoFocus);
    addSubview(m_dayLabel);
    m_dotView = new ImageView(QRectF(21, 4, 6, 6), this);
    m_dotView->setImage(dueDotImage());
    m_dotView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dotView->hide();
    setFreeRatio(0);
}

MonthCellView::~MonthCellView() = default;

bool MonthCellView::inNavigator() const
{
    return m_parentView && m_parentView->isNavMonth();
}

void MonthCellView::setCellPosition(int row, int column)
{
    m_cellRow = row;
    m_cellCol = column;
}

void MonthCellView::setCellDate(const Date& date)
{
    if (date.isNull()) return;
    const Date midnight = Utilities::today(date);
    if (midnight == m_cellDate) return;
    m_cellDate = midnight;
    const int day = GregorianCalendar::fields(midnight).day;
    m_dayLabel->setStringValue(inNavigator() ? QStringLiteral(" %1").arg(day) : QString::number(day));
}

void MonthCellView::setType(int type)
{
    if (type == m_type) return;
    m_type = type;
    if (type == 1) {
        m_dayLabel->setFrame(QRectF(6, 6, 20, 20));
        m_dayLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 10));
        m_dayLabel->setTextColor(Common::weekMonthViewColor());
        refreshLabelLook();
    } else {
        m_dayLabel->setFrame(QRectF(0.5, 0, width(), 13));
        m_dayLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 10));
    }
}

void MonthCellView::setHasDot(bool hasDot)
{
    m_hasDot = hasDot;
    refreshLabelLook();
    update();
}

void MonthCellView::setGray(bool gray)
{
    m_gray = gray;
    refreshLabelLook();
}

void MonthCellView::setFreeRatio(double ratio)
{
    m_freeRatio = ratio;
    const int grey = MonthGridRules::greyOfRatio(ratio);
    setBackgroundColor(QColor(grey, grey, grey));
}

void MonthCellView::setWeekNumber(int number)
{
    if (m_type != 1) return;
    m_dayLabel->setStringValue(QString::number(number));
}

bool MonthCellView::isToday() const
{
    if (m_cellDate.isNull()) return false;
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    const Date now = setting ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(), setting->currentTZ())
                             : Utilities::getCurrentDate(false, 0, 0);
    return Utilities::today(now) == m_cellDate;
}

void MonthCellView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    CustomNSView::resizeSubviewsWithOldSize(oldSize);
    if (m_type == 0) m_dayLabel->setFrame(QRectF(0.5, 0, width(), 13));
}

void MonthCellView::refreshLabelLook()
{
    if (m_type == 0) {
        const bool today = isToday() && !m_gray;
        m_dayLabel->setDrawsBackground(today);
        if (today) m_dayLabel->setBackgroundColor(kTodayLabelColor);
        QColor text(Qt::black);
        if (m_gray) text.setAlphaF(0.5);
        m_dayLabel->setTextColor(text);
        m_dotView->setHidden(!m_hasDot);
    } else {
        m_dayLabel->setDrawsBackground(false);
        m_dotView->hide();
    }
}

void MonthCellView::drawRect(QPainter& painter, const QRectF&)
{
    if (m_cellType == 12 && backgroundColor().isValid()) {
        // Aliased, so the half-point margin leaves the grid's lines showing.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillRect(QRectF(0.5, 0.5, width() - 1, height() - 1), backgroundColor());
    }
}

void MonthCellView::mouseDown(const Event&)
{
    if (m_type == 1 || !m_parentView || m_cellDate.isNull()) return;
    MonthCalendarView* grid = m_parentView;
    if (!inNavigator()) {
        if (!grid->setCurrentDay(m_cellDate)) {
            if (MonthView* panel = grid->parentView()) panel->showMonthTitleWithDay(true);
        } else {
            grid->reloadData();
        }
        return;
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kClearSelectedNavigatorMonth,
                                                                         static_cast<QObject*>(this));
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* mainPanel = mainView ? mainView->monthView() : nullptr;
    MonthCalendarView* mainGrid = mainPanel ? mainPanel->monthCalendarView() : nullptr;
    if (mainGrid) mainGrid->setMonthDate(m_cellDate);
    if (m_gray)
        grid->setNavigatorSelectedDayInSiblingMonth(m_cellDate);
    else
        grid->drawSelectedDate(m_cellDate, false);
    if (mainView && mainView->isPlannerExpand() && mainGrid) {
        mainGrid->setCurrentDay(m_cellDate, false);
        mainGrid->setMonthDate(m_cellDate);
        mainView->reloadPlannerView(false);
    }
}
