#include "CategoryListItemView.h"

#include "AccountProcedures.h"
#include "AlertPresenter.h"
#include "AlertRequest.h"
#include "Button.h"
#include "Calendar.h"
#include "Color.h"
#include "CoreData.h"
#include "DatePicker.h"
#include "Font.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "../Model/Notifications.h"
#include "NotificationCenter.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QPainter>

#include <cmath>
#include <cstdlib>

namespace {

const QString lucidaGrande = QStringLiteral("Lucida Grande");

double roundHalfAway(double value)
{
    return std::round(value);
}

// The category's palette colour; ids outside the palette draw the first colour.
void paletteIdsOf(const Calendar& calendar, qint64& group, qint64& color)
{
    group = calendar.colorGroupId();
    color = calendar.colorNameId();
    if (group < 0 || group > 3 || color < 0 || color > 7) group = color = 0;
}

QColor categoryNameGrey()
{
    return QColor(75, 75, 75);
}

}  // namespace

CategoryListItemView::CategoryListItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    const double w = frame.width(), h = frame.height();
    const QPointer<CategoryListItemView> row(this);
    m_hideBtn = UIUtilities::createCheckboxWithFrame(
        QRectF(5, roundHalfAway((h - 20) / 2), 20, 20), this,
        [row](Button*) {
            if (row) row->selectHideCategory();
        },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    addSubview(m_hideBtn);

    m_categoryName = TextField::labelWithString(QString(), QRectF(46, roundHalfAway((h - 20) / 2), roundHalfAway(w - 65), 20));
    m_categoryName->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13));
    m_categoryName->setTextColor(categoryNameGrey());
    m_categoryName->setWraps(true);
    addSubview(m_categoryName);

    m_shareInfoField = TextField::labelWithString(QString(), QRectF(180, 0, roundHalfAway(w - 65), 18));
    m_shareInfoField->setTextFont(Font::fontWithName(lucidaGrande, 11));
    m_shareInfoField->setTextColor(Color::gray());
    m_shareInfoField->setHidden(true);
    addSubview(m_shareInfoField);

    m_firstRow = TextField::labelWithString(QString(), QRectF(180, 0, 150, 18));
    m_firstRow->setTextFont(Font::fontWithName(lucidaGrande, 12));
    m_firstRow->setTextColor(Color::calibratedWhite(182 / 255.0));
    m_firstRow->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_firstRow->setWraps(true);
    addSubview(m_firstRow);

    m_secondRow = TextField::labelWithString(QString(), QRectF(180, 0, 150, 18));
    m_secondRow->setTextFont(Font::fontWithName(lucidaGrande, 12));
    m_secondRow->setTextColor(Color::calibratedRGB(63 / 255.0, 184 / 255.0, 60 / 255.0));
    m_secondRow->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addSubview(m_secondRow);

    m_acceptRejectBtn = new SegmentedControl(QRectF(205, 30, 65, 19));
    m_acceptRejectBtn->setSegmentCount(2);
    const QImage images[] = {NamedImages::imageNamed(QStringLiteral("task_accept")),
                             NamedImages::imageNamed(QStringLiteral("task_reject"))};
    const QString tips[] = {QStringLiteral("task_accept"), QStringLiteral("task_reject")};
    for (int segment = 0; segment < 2; ++segment) {
        m_acceptRejectBtn->setWidth(31, segment);
        m_acceptRejectBtn->setImage(images[segment], segment);
        m_acceptRejectBtn->setToolTip(tips[segment], segment);
        m_acceptRejectBtn->setTag(segment + 1, segment);
    }
    m_acceptRejectBtn->setTarget(this, [row](SegmentedControl*) {
        if (row) row->selectSharedStatus();
    });
    addSubview(m_acceptRejectBtn);

    NotificationCenter::defaultCenter().addObserver(this, kTextFieldHasChangedNotification, m_categoryName,
                                                    [row](const Notification&) {
                                                        if (row) row->changeCategoryName();
                                                    });
}

CategoryListItemView::~CategoryListItemView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void CategoryListItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    const double w = frame().width(), h = frame().height();
    m_hideBtn->setFrame(QRectF(5, roundHalfAway((h - 20) / 2), 20, 20));
    m_categoryName->setFrame(QRectF(56, roundHalfAway((h - 20) / 2 - 2), roundHalfAway(w - 150), 20));
    m_firstRow->setFrame(QRectF(roundHalfAway(w - 105), 0, 95, 18));
    m_secondRow->setFrame(QRectF(roundHalfAway(w - 90), 19, 80, 18));
}

bool CategoryListItemView::isDefaultCategory() const
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    return m_calendar && setting && m_calendar->primaryKey() == setting->calendarDefID();
}

// ---- binding ---------------------------------------------------------------------------

void CategoryListItemView::bindColorAndShare(const CalendarPtr& calendar)
{
    m_calendar = calendar;
    qint64 group = 0, color = 0;
    paletteIdsOf(*calendar, group, color);
    m_projectColor = Utilities::getColorInGroupID(group, color, 0);
    if (!calendar->isShared()) {
        m_acceptRejectBtn->setHidden(true);
        return;
    }
    m_shareInfoField->setStringValue(
        QStringLiteral("%1 %2").arg(TextTable::localizedString(QStringLiteral("sharedByText")), calendar->ownerName()));
    m_shareInfoField->setHidden(false);
    if (calendar->sharedStatus() == 0) {
        m_firstRow->setHidden(true);
        m_secondRow->setHidden(true);
        m_acceptRejectBtn->setHidden(false);
    } else if (calendar->sharedStatus() == 1) {
        m_acceptRejectBtn->setHidden(true);
    }
}

void CategoryListItemView::setCalendar(const CalendarPtr& calendar)
{
    if (!calendar) return;
    bindColorAndShare(calendar);
    m_categoryName->setStringValue(calendar->calendarName());
    m_hideBtn->setHidden(true);
    m_showInfo = true;
    if (calendar->inVisible() != 0) {
        m_firstRow->setHidden(true);
        m_secondRow->setHidden(true);
        m_categoryName->setTextColor(Color::gray());
        return;
    }
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    if (calendar->projectType() == 1) {
        m_firstRow->setStringValue(QStringLiteral("%1/%2").arg(manager->countDoneCheckInCalendar(calendar))
                                       .arg(manager->countCheckInCalendar(calendar)));
        m_firstRow->setTextFont(Font::fontWithName(lucidaGrande, 13));
        m_secondRow->setHidden(true);
        return;
    }
    if (calendar->projectType() != 0) return;
    showTaskProgress();
}

void CategoryListItemView::showTaskProgress()
{
    const CoreData::TaskProgress counted = CoreData::shared()->taskProgressInCalendar(m_calendar->primaryKey());
    const Progress progress = taskProgress(counted.doneCount, counted.count, counted.minutes, counted.doneMinutes);
    m_firstRow->setStringValue(progress.firstRow);
    if (!progress.secondRow.isEmpty()) m_secondRow->setStringValue(progress.secondRow);
}

QString CategoryListItemView::hoursText(qint64 minutes)
{
    // Tenths of an hour are minutes / 6; counted in whole numbers, so 66
    // minutes stay 1.1 where a float's 1.1000001 would round up to 1.2.
    const qint64 magnitude = std::llabs(minutes);
    const qint64 tenths = (magnitude + 5) / 6;
    QString text = QString::number(tenths / 10);
    if (tenths % 10 != 0) text += QLatin1Char('.') + QString::number(tenths % 10);
    return minutes < 0 && tenths != 0 ? QLatin1Char('-') + text : text;
}

CategoryListItemView::Progress CategoryListItemView::taskProgress(qint64 doneCount, qint64 totalCount,
                                                                  qint64 totalMinutes, qint64 doneMinutes)
{
    Progress progress;
    progress.firstRow = QStringLiteral("%1/%2 - %3 hrs").arg(doneCount).arg(totalCount).arg(hoursText(totalMinutes));
    if (totalMinutes > 0)
        progress.secondRow = QString::asprintf("%0.0f%%", double(doneMinutes) / double(totalMinutes) * 100);
    return progress;
}

void CategoryListItemView::setCalendarWithoutInfo(const CalendarPtr& calendar)
{
    if (!calendar) return;
    bindColorAndShare(calendar);
    m_categoryName->setStringValue(calendar->calendarName());
    m_hideBtn->setState(calendar->inVisible() == 0 ? 1 : 0);
    m_firstRow->setHidden(true);
    m_secondRow->setHidden(true);
    m_acceptRejectBtn->setHidden(true);
    m_showInfo = false;
}

// ---- actions ---------------------------------------------------------------------------

void CategoryListItemView::selectHideCategory()
{
    CoreData* manager = CoreData::shared();
    if (!m_calendar || !manager) return;
    if (isDefaultCategory()) {
        // The default category is never hidden: its box shows it again.
        m_hideBtn->setState(1);
        return;
    }
    const CalendarPtr calendar = m_calendar;
    const qint64 hidden = m_hideBtn->state() == 0 ? 1 : 0;
    // Refused, the box shows the stored state again; the person was told.
    if (!manager->saveCategoryChangeFromView({calendar}, [&] {
            calendar->setInVisible(hidden);
            return calendar->dehydrate();
        })) {
        qWarning() << "Category" << calendar->primaryKey() << "could not be saved";
        m_hideBtn->setState(calendar->inVisible() != 0 ? 0 : 1);
        return;
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, AutoSync::categories);
    if (calendar->inVisible() != 0) {
        manager->removeAllTasksBelongCalendar(calendar->primaryKey());
        return;
    }
    const bool added = manager->isAppliedTagFilter()
                           ? manager->addTasksToListFromCalendar(calendar, manager->getShowTag())
                           : manager->addTasksToListFromCalendarId(calendar->primaryKey());
    if (added) return;
    // The owner is kept first: the main view's reload may rebuild its rows.
    const QPointer<QObject> owner = m_parentView;
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadData();
    if (owner) QMetaObject::invokeMethod(owner, "loadData");
}

void CategoryListItemView::selectSharedStatus()
{
    CoreData* manager = CoreData::shared();
    if (!m_calendar || !manager) return;
    // Without an address of its own the service is out of reach whatever the network.
    if (internetReachable.load() && AccountProcedures::serviceAddressSet()) {
        const int segment = m_acceptRejectBtn->selectedSegment();
        const int status = segment >= 0 ? m_acceptRejectBtn->tagForSegment(segment) : 0;
        if (status != 1 && status != 2) return;
        m_acceptRejectBtn->setEnabled(false);
        m_calendar->setSharedStatus(status);
        m_acceptRejectBtn->setSelectedSegment(-1);
        if (ZVWSync* sync = manager->zvwSync()) sync->changeItemStatus(m_calendar);
        return;
    }
    m_acceptRejectBtn->setSelectedSegment(-1);
    AccountProcedures::runAlert(AccountProcedures::unreachableAlert());
}

void CategoryListItemView::changeCategoryName()
{
    if (!m_calendar) return;
    const QString name = m_categoryName->stringValue();
    if (name == m_calendar->calendarName()) return;
    const CalendarPtr calendar = m_calendar;
    CoreData* manager = CoreData::shared();
    // Refused, the field shows the stored name again; the person was told.
    if (!manager || !manager->saveCategoryChangeFromView({calendar}, [&] {
            calendar->setCalendarName(name);
            return calendar->dehydrate();
        })) {
        qWarning() << "Category" << calendar->primaryKey() << "could not be renamed";
        m_categoryName->setStringValue(calendar->calendarName());
    }
}

// ---- drawing ---------------------------------------------------------------------------

void CategoryListItemView::setFieldColors(const QColor& color)
{
    for (TextField* field : {m_categoryName, m_firstRow, m_secondRow})
        if (field->textColor() != color) field->setTextColor(color);
}

void CategoryListItemView::drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawBackgroundInRect(painter, dirtyRect);
    setFieldColors(m_projectColor);
}

void CategoryListItemView::drawSelectionInRect(QPainter& painter, const QRectF&)
{
    painter.fillRect(bounds(), m_projectColor);
    setFieldColors(Color::white());
}

void CategoryListItemView::drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSeparatorInRect(painter, dirtyRect);
    if (!m_calendar) return;
    qint64 group = 0, color = 0;
    paletteIdsOf(*m_calendar, group, color);
    const QSizeF size = bounds().size();
    // The item background at radius 0 is a plain fill of the light shade at
    // 0.2: filled at once, rather than through an image made on every paint.
    QColor tint = Utilities::getColorInGroupID(group, color, 2);
    tint.setAlphaF(0.2f);
    painter.fillRect(QRectF(QPointF(0, 0), size), tint);
    placeForMode();
    if (isDefaultCategory() && m_calendar->projectType() == 0 && (m_calendar->inVisible() == 0 || !m_showInfo)) {
        const QImage flag = NamedImages::imageNamed(QStringLiteral("default_color_flag"));
        const double h = size.height();
        const QSizeF flagSize = flag.size();
        const double x = m_showInfo ? 7 : 30;
        const double y = roundHalfAway((h - flagSize.height()) / 2 - (m_showInfo ? 5 : 2));
        painter.drawImage(QRectF(QPointF(x, y), flagSize), flag);
    }
}

void CategoryListItemView::placeForMode()
{
    const double w = frame().width(), h = frame().height();
    const bool ordinary = m_calendar->projectType() == 0;
    const double y0 = roundHalfAway((h - 20) / 2 - 5);
    if (m_showInfo) {
        if (m_calendar->inVisible() != 0) return;
        if (!ordinary) {
            m_firstRow->setFrame(QRectF(w - 40, roundHalfAway((h - 20) / 2), 30, 20));
            m_categoryName->setFrame(QRectF(25, y0, roundHalfAway(w - 80), 20));
            return;
        }
        const bool shared = !m_shareInfoField->isHidden();
        const double y = shared ? y0 - 5 : y0;
        if (shared) m_shareInfoField->setFrame(QRectF(25, y + 20, roundHalfAway(w - 70), 20));
        m_categoryName->setFrame(QRectF(25, y, roundHalfAway(w - 70), 20));
        return;
    }
    const double nameY = m_categoryName->frame().y();
    if (!ordinary) {
        m_firstRow->setFrame(QRectF(w - 40, roundHalfAway((h - 20) / 2), 30, 20));
        m_categoryName->setFrame(QRectF(50, nameY, roundHalfAway(w - 60), 20));
    } else if (isDefaultCategory()) {
        m_hideBtn->setEnabled(false);
        m_categoryName->setFrame(QRectF(50, nameY, roundHalfAway(w - 75), 20));
    } else if (!m_shareInfoField->isHidden()) {
        m_shareInfoField->setFrame(QRectF(50, 23, roundHalfAway(w - 60), 20));
        m_categoryName->setFrame(QRectF(50, 3, roundHalfAway(w - 60), 20));
    } else {
        m_categoryName->setFrame(QRectF(50, nameY, roundHalfAway(w - 60), 20));
    }
}
