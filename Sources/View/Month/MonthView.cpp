#include "MonthView.h"

#include "Button.h"
#include "CoreData.h"
#include "Event.h"
#include "Font.h"
#include "GregorianCalendar.h"
#include "GuruViewController.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthNavigation.h"
#include "NamedImages.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QLocale>
#include <QShowEvent>

#include <cmath>

namespace {

const QColor kHeaderBackground(71, 93, 142);

TextField* monthPanelLabel(const QRectF& frame, View* parent)
{
    TextField* label = UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(frame);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFocusPolicy(Qt::NoFocus);
    label->setSelectable(false);
    label->setBordered(false);
    parent->addSubview(label);
    return label;
}

}  // namespace

MonthView::MonthView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    build();
    // Today's month with today selected; the main view, which may be making
    // this panel, reloads its panes itself once it stands.
    m_monthCalendarView->setCurrentDay(todayInDisplayZone());
}

MonthView::MonthView(const QRectF& frame, bool isNavMonth, bool isFirst, QWidget* parent)
    : View(frame, parent), m_isNavMonth(isNavMonth), m_isFirstMonth(isFirst)
{
    if (isNavMonth) MonthCalendarView::setNavigatorCellWidth(frame.width() / 7);
    build();
    if (!isNavMonth) m_monthCalendarView->setCurrentDay(todayInDisplayZone());
}

MonthView::~MonthView() = default;

void MonthView::build()
{
    setFlipped(true);
    m_preferredLang = preferredLang();
    const double W = frame().width();
    const double H = frame().height();
    const double w = MonthCalendarView::navigatorCellWidth();
    auto header = [this](const QRectF& frame) {
        TextField* label = monthPanelLabel(frame, this);
        label->setDrawsBackground(true);
        label->setBackgroundColor(kHeaderBackground);
        label->setTextColor(Qt::white);
        label->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 10));
        label->setAlignment(Qt::AlignHCenter);
        m_arrayOfWeekDay.push_back(label);
        return label;
    };
    if (!m_isNavMonth) {
        header(QRectF(0, 31, 29, 15))->setStringValue(QStringLiteral("CW"));
        for (int k = 1; k <= 7; ++k) header(QRectF(k * 36 - 8, 31, 36, 15));
        const bool ja = m_preferredLang == QLatin1String("ja");
        if (!ja) {
            m_dayLabel = monthPanelLabel(QRectF(0, -5, 40, 20), this);
            m_dayLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 28));
            m_dayLabel->setTextColor(Qt::gray);
        }
        m_month = monthPanelLabel(ja ? QRectF(0, 3, 190, 30) : QRectF(40, 3, 150, 30), this);
        m_month->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 17));
        m_month->setTextColor(Qt::gray);

        m_control = new SegmentedControl(QRectF(0, 3, 90, 24), this);
        m_control->setSegmentCount(3);
        m_control->setImage(NamedImages::imageNamed(QStringLiteral("month_prev")), 0);
        m_control->setWidth(20, 0);
        m_control->setTag(1, 0);
        m_control->setLabel(TextTable::localizedString(QStringLiteral("todayText")), 1);
        m_control->setWidth(50, 1);
        m_control->setTag(2, 1);
        m_control->setImage(NamedImages::imageNamed(QStringLiteral("month_next")), 2);
        m_control->setWidth(20, 2);
        m_control->setTag(3, 2);
        double controlWidth = 0;
        for (int s = 0; s < 3; ++s) controlWidth += m_control->widthForSegment(s);
        // The segments' edges take a point each side.
        controlWidth += 4;
        m_control->setFrame(QRectF(std::round(W - controlWidth), 3, controlWidth, 24));
        m_control->setTarget(this, [this](SegmentedControl* control) { nextPrevMonth(control->selectedSegment()); });

        m_guruBtn = new Button(QRectF(m_control->frame().x() - 20, 7, 20, 20), this);
        m_guruBtn->setImage(NamedImages::imageNamed(QStringLiteral("guru_icon")));
        m_guruBtn->setTitle(QString());
        m_guruBtn->setBordered(false);
        m_guruBtn->setToolTip(TextTable::localizedString(QStringLiteral("guruTooltip")));
        m_guruBtn->setTarget(this, [this](Button*) { guru(); });
        m_guruBtn->hide();
    } else {
        for (int k = 1; k <= 7; ++k) header(QRectF((k - 1) * w, 31, w, 15));
        m_month = monthPanelLabel(QRectF(18, 7, W - 36, 25), this);
        m_month->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
        m_month->setTextColor(Qt::black);
        m_month->setAlignment(Qt::AlignHCenter);
        if (m_isFirstMonth) {
            m_prevBtn = new Button(QRectF(0, 8, 18, 18), this);
            m_prevBtn->setImage(NamedImages::imageNamed(QStringLiteral("month_prev")));
            m_prevBtn->setBordered(false);
            m_prevBtn->setTarget(this, [this](Button*) { gotoPreviousMonth(); });
            m_nextBtn = new Button(QRectF(W - 18, 8, 18, 18), this);
            m_nextBtn->setImage(NamedImages::imageNamed(QStringLiteral("month_next")));
            m_nextBtn->setBordered(false);
            m_nextBtn->setTarget(this, [this](Button*) { gotoNextMonth(); });
        }
    }
    m_pointerView = new View(QRectF(W * 0.5, 30, 1, 1), this);
    m_monthCalendarView = new MonthCalendarView(QRectF(0, 45, W, std::max(0.0, H - 45)), this);
    m_monthCalendarView->setParentView(this);
    if (!m_isNavMonth) ensureTrackingArea();
}

QString MonthView::preferredLang()
{
    const QStringList languages = QLocale().uiLanguages();
    const QString first = languages.isEmpty() ? QLocale().name() : languages.first();
    // "ja-JP" and "ja_JP" are both Japanese.
    return first.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0);
}

void MonthView::showEvent(QShowEvent* event)
{
    View::showEvent(event);
    // Whatever changed while it was hidden (a series saved from the add
    // form) is drawn now, not at the next reload someone else asks for.
    if (m_reloadWhenShown) reloadDataWithDaylabel(m_reloadWhenShownWithDayLabel);
}

void MonthView::reloadDataWithDaylabel(bool withDayLabel)
{
    reloadDataWithDaylabel(withDayLabel, false);
}

void MonthView::reloadDataWithDaylabel(bool withDayLabel, bool forceIfHide)
{
    if (isHidden() && !forceIfHide) {
        m_reloadWhenShown = true;
        m_reloadWhenShownWithDayLabel = m_reloadWhenShownWithDayLabel || withDayLabel;
        return;
    }
    m_reloadWhenShown = false;
    m_reloadWhenShownWithDayLabel = false;
    if (m_isLoading) return;
    m_isLoading = true;
    // Each key written out in its call, so that the text table's check sees it.
    const QString names[] = {
        TextTable::localizedString(QStringLiteral("sunText")), TextTable::localizedString(QStringLiteral("monText")),
        TextTable::localizedString(QStringLiteral("tueText")), TextTable::localizedString(QStringLiteral("wedText")),
        TextTable::localizedString(QStringLiteral("thuText")), TextTable::localizedString(QStringLiteral("friText")),
        TextTable::localizedString(QStringLiteral("satText")),
    };
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    const int first = setting && setting->weekStartDay() == 1 ? 1 : 0;
    const size_t offset = m_isNavMonth ? 0 : 1;  // "CW" stays first in the main panel
    for (int k = 0; k < 7; ++k) {
        QString name = names[(first + k) % 7];
        if (m_isNavMonth) {
            if (name.size() >= 3) name = name.left(2);
        } else {
            name = name.toUpper();
        }
        m_arrayOfWeekDay[offset + size_t(k)]->setStringValue(name);
    }
    m_monthCalendarView->drawMonthCells();
    showMonthTitleWithDay(withDayLabel);
    m_isLoading = false;
}

void MonthView::showMonthTitleWithDay(bool withDay)
{
    const Date date = m_monthCalendarView->monthDate();
    if (date.isNull()) return;
    const DateFields fields = GregorianCalendar::fields(date);
    if (m_dayLabel) {
        m_dayLabel->setStringValue(QString::number(fields.day));
        // Sized to fit its text, from where it stands.
        const QSizeF size = TextMeasure::sizeOfText(m_dayLabel->stringValue(), m_dayLabel->textFont());
        m_dayLabel->setFrameSize(QSizeF(std::ceil(size.width()) + 6, std::ceil(size.height()) + 4));
    }
    if (!m_isNavMonth) {
        const QRectF title = m_month->frame();
        m_month->setFrameOrigin(QPointF(fields.day >= 10 ? 40 : 20, title.y()));
    }
    const QString monthName = Utilities::getMonthFullName(date);
    QString text;
    if (m_preferredLang == QLatin1String("ja")) {
        text = QString::number(fields.year) + TextTable::localizedString(QStringLiteral("repeatEveryYearText")) + monthName;
        if (withDay) text += QString::number(fields.day) + TextTable::localizedString(QStringLiteral("dayText"));
    } else {
        text = QStringLiteral("%1 %2").arg(monthName).arg(fields.year);
    }
    m_month->setStringValue(text);
    if (m_guruBtn && m_preferredLang != QLatin1String("ja")) fitTitleBeforeTipButton();
    update();
}

void MonthView::fitTitleBeforeTipButton()
{
    // The tip button shows over the title's right end when the pointer comes
    // near: the title ends where the button starts, and a month name too long
    // for that room is set smaller rather than losing the year's last digit.
    const QRectF title = m_month->frame();
    const double room = std::max(0.0, m_guruBtn->frame().x() - title.x());
    m_month->setFrameSize(QSizeF(room, title.height()));
    double size = titlePointSize;
    Font font = Font::fontWithName(QStringLiteral("Lucida Grande"), size);
    while (size > minimumTitlePointSize
           && TextMeasure::sizeOfText(m_month->stringValue(), font).width() + titleInsets > room) {
        size -= 1;
        font = Font::fontWithName(QStringLiteral("Lucida Grande"), size);
    }
    m_month->setTextFont(font);
}

void MonthView::nextPrevMonth(int segment)
{
    if (segment == 1) {
        m_control->setSelectedSegment(-1);
        goToday();
        return;
    }
    if (segment == 0) gotoPreviousMonth();
    else if (segment == 2) gotoNextMonth();
    update();
    if (m_control) m_control->setSelectedSegment(-1);
}

void MonthView::swipeWithEvent(const Event& event)
{
    if (event.deltaX < 0) gotoPreviousMonth();
    else gotoNextMonth();
    update();
}

namespace {

// The month number moved by the step; a day past the end of the target
// month carries into the month after it.
Date monthStepped(const Date& date, int step)
{
    const DateFields f = GregorianCalendar::fields(date);
    return GregorianCalendar::dateFromFields(f.year, f.month + step, f.day, f.hour, f.minute, f.second);
}

}  // namespace

void MonthView::gotoPreviousMonth()
{
    const Date date = m_monthCalendarView->monthDate();
    if (date.isNull()) return;
    const Date moved = monthStepped(date, -1);
    m_monthCalendarView->setMonthDate(moved);
    m_monthCalendarView->setCurrentDay(moved);
    afterMonthStep();
}

void MonthView::gotoNextMonth()
{
    const Date date = m_monthCalendarView->monthDate();
    if (date.isNull()) return;
    const Date moved = monthStepped(date, 1);
    m_monthCalendarView->setMonthDate(moved);
    m_monthCalendarView->setCurrentDay(moved);
    afterMonthStep();
}

Date MonthView::todayInDisplayZone()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    const Date now = setting ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(), setting->currentTZ())
                             : Utilities::getCurrentDate(false, 0, 0);
    return Utilities::today(now);
}

void MonthView::goToday()
{
    const Date today = todayInDisplayZone();
    if (m_isNavMonth) m_monthCalendarView->setMonthDate(today);
    m_monthCalendarView->setCurrentDay(today);
    afterMonthStep();
}

void MonthView::afterMonthStep()
{
    MainViewAccess* mainView = MainViewAccess::current();
    if (!mainView) return;
    if (!m_isNavMonth) {
        mainView->reloadLeftPageData();
        return;
    }
    MonthNavigation* navigator = mainView->monthNav();
    if (!navigator) return;
    navigator->reloadData();
    MonthView* mainPanel = mainView->monthView();
    const Date selected = mainPanel ? mainPanel->monthCalendarView()->monthDate() : Date();
    for (MonthView* panel : navigator->monthList())
        if (panel->monthCalendarView()->drawSelectedDate(selected, false)) break;
}

QRectF MonthView::guruRect() const
{
    const QRectF b = bounds();
    return QRectF(b.x() + 54, b.y(), 150, 30);
}

void MonthView::ensureTrackingArea()
{
    if (m_guruTrackingArea == 0) m_guruTrackingArea = addTrackingRect(guruRect(), 1);
}

void MonthView::updateTrackingAreas()
{
    View::updateTrackingAreas();
    if (m_isNavMonth) return;
    if (m_guruTrackingArea != 0) removeTrackingRect(m_guruTrackingArea);
    m_guruTrackingArea = 0;
    ensureTrackingArea();
}

void MonthView::mouseEntered(const Event& event)
{
    if (!m_guruBtn) return View::mouseEntered(event);
    const QPointF local = convertPointFromWindow(event.locationInWindow);
    if (guruRect().contains(local)) m_guruBtn->show();
}

void MonthView::mouseExited(const Event& event)
{
    if (!m_guruBtn) return View::mouseExited(event);
    m_guruBtn->hide();
}

void MonthView::guru()
{
    if (!m_guruViewController) m_guruViewController = new GuruViewController(this);
    m_guruViewController->showGuruPopOverAtPositionView(m_pointerView, 0);
}
