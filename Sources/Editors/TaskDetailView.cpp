#include "TaskDetailView.h"

#include "AlertRows.h"
#include "Button.h"
#include "Calendar.h"
#include "Common.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSTextField.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "CustomTextView.h"
#include "DatePicker.h"
#include "DetailRow.h"
#include "DetailViewController.h"
#include "EventDetailView.h"
#include "HourAndMinute.h"
#include "LinkSection.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "PopUpButton.h"
#include "RecordStore.h"
#include "RepeatRuleRows.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "EditorShared.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QDebug>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

using EditorRowGeometry::controlFrame;

constexpr qint64 fallbackWorkingEnd = 18 * 60;

QVariantMap workingHours()
{
    const SettingPtr setting = currentSetting();
    return setting ? setting->dayManagers() : QVariantMap();
}

// A pop-up item enabled or not; the selection stays.
void setItemEnabled(PopUpButton* popUp, int tag, bool enabled)
{
    if (!popUp) return;
    std::vector<PopUpItem> items = popUp->items();
    const int selected = popUp->indexOfSelectedItem();
    bool changed = false;
    for (PopUpItem& item : items) {
        if (item.tag == tag && item.enabled != enabled) {
            item.enabled = enabled;
            changed = true;
        }
    }
    if (!changed) return;
    popUp->removeAllItems();
    for (const PopUpItem& item : items) popUp->addItem(item);
    if (selected >= 0) popUp->selectItemAtIndex(selected);
}

}  // namespace

TaskDetailView::Host::~Host() = default;

TaskDetailView::TaskDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    m_builtHeight = frame.height();

    m_title = new CustomTextView(QRectF(5, 2, width - 28, 19), QString(), this);
    m_title->setShowNoteLine(false);
    m_title->setTextFont(lucida(15), titleLineHeight);
    m_title->setOnEndEditing([this](CustomTextView* view) { textDidEndEditing(view); });
    m_title->setOnSelectionChanged([this](CustomTextView*) {
        if (m_type != 0) updateView();
    });
    m_title->hide();

    m_starBtn = UIUtilities::createButton(QString(), 12, Qt::black, Qt::Alignment(), ButtonType::Toggle,
                                          QRectF(width - 23, 2, 18, 18), this, [this](Button*) { selectStar(); },
                                          NamedImages::imageNamed(QStringLiteral("star_none")),
                                          NamedImages::imageNamed(QStringLiteral("star")), false);
    addSubview(m_starBtn);
    m_starBtn->hide();

    m_completedRow = makeRow(TextTable::localizedString(QStringLiteral("completedText")));
    m_completedBtn = UIUtilities::createCheckboxWithFrame(
        controlFrame(88, 0, 19, 19), this, [this](Button*) { toggleDone(); },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    m_completedRow->setView(m_completedBtn);
    m_completedDate = UIUtilities::getCommonTextFieldWithFrame(controlFrame(107, 0, width - 114, 19));
    m_completedDate->setTextFont(lucida(12));
    m_completedRow->setReserveView(m_completedDate);
    m_completedDate->hide();
    m_completedRow->hide();

    m_locationRow = makeRow(TextTable::localizedString(QStringLiteral("locationText")));
    m_locationTextField = new CustomNSTextField(controlFrame(90, 0, width - 95, 19));
    m_locationTextField->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_locationRow->setView(m_locationTextField);

    m_durationRow = makeRow(TextTable::localizedString(QStringLiteral("durationText")));
    // The empty entry becomes the separator between presets and "custom".
    const std::vector<UIUtilities::PopUpElement> durations{
        TextTable::localizedString(QStringLiteral("noneText")),
        TextTable::localizedString(QStringLiteral("_15minutesText")),
        TextTable::localizedString(QStringLiteral("_30minutesText")),
        TextTable::localizedString(QStringLiteral("_1hourText")),
        TextTable::localizedString(QStringLiteral("_90minutesText")),
        TextTable::localizedString(QStringLiteral("_2hoursText")),
        TextTable::localizedString(QStringLiteral("_3hoursText")),
        QString(),
        TextTable::localizedString(QStringLiteral("customText")),
    };
    CustomNSPopUpButton* durationPopUp = UIUtilities::createCustomButtonWithFrame(
        controlFrame(90, 0, 19, 19), QStringLiteral("Duration"), 12, this, [this](PopUpButton*) { duration(); },
        durations);
    {
        // The empty entry between the presets and "custom" is a separator.
        std::vector<PopUpItem> items = durationPopUp->items();
        if (items.size() > 7) items[7] = PopUpItem::separatorItem();
        durationPopUp->removeAllItems();
        for (const PopUpItem& item : items) durationPopUp->addItem(item);
        durationPopUp->selectItemAtIndex(0);
    }
    m_durationBtn = durationPopUp;
    m_durationRow->setView(m_durationBtn);
    m_durationOther = new HourAndMinute(controlFrame(180, 0, width - 185, 19));
    m_durationRow->addSubview(m_durationOther);
    m_durationOther->hide();
    duration();

    m_startRow = makeRow(TextTable::localizedString(QStringLiteral("startText")));
    m_startTextField = new CustomNSDatePicker(controlFrame(90, -2, width - 95, 19));
    m_startTextField->setMinDate(Date::dateWithTimeIntervalSince1970(0));
    m_startTextField->setDateValue(Utilities::getCompleteDate());
    m_startRow->setView(m_startTextField);
    fitDatePicker(m_startTextField);

    const SettingPtr setting = currentSetting();
    m_dueRow = makeRow(TextTable::localizedString(QStringLiteral("dueText")));
    m_hasDueBtn = UIUtilities::createCheckboxWithFrame(
        controlFrame(91, 0, 12, 19), this, [this](Button*) { hasDue(); },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    m_hasDueBtn->setToolTip(TextTable::localizedString(QStringLiteral("taskNoDueTooltip")));
    m_dueRow->setView(m_hasDueBtn);
    m_dueTextField = new CustomNSDatePicker(controlFrame(105, -2, width - 95, 19));
    m_dueTextField->setDateValue(Utilities::dateByAddTimeInterval(
        double(setting ? setting->durationDefEventVal() : 60) * 60, Utilities::getCompleteDate()));
    // Both second controls stay in the row; the box decides which shows.
    m_dueRow->addSubview(m_dueTextField);
    fitDatePicker(m_dueTextField);
    m_noneBtn = UIUtilities::getCommonTextFieldWithFrame(controlFrame(105, 0, 40, 19));
    m_noneBtn->setTextFont(lucida(12));
    m_dueRow->addSubview(m_noneBtn);

    m_repeatRules = new RepeatRuleRows(*this, RepeatRuleRows::Kind::Task, width, this);
    DetailRow* repeatRow = m_repeatRules->repeatRow();

    m_calendarRow = makeRow(TextTable::localizedString(QStringLiteral("categoryText")));
    m_alertRows = new AlertRows(*this, this);

    m_urlRow = makeRow(TextTable::localizedString(QStringLiteral("urlText")));
    m_urlTextField = new CustomNSTextField(controlFrame(90, 0, width - 95, 19));
    m_urlTextField->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_urlTextField->setIsURL(true);
    m_urlRow->setView(m_urlTextField);

    m_descRow = makeRow(TextTable::localizedString(QStringLiteral("descText")), 38);
    m_desc = new CustomTextView(controlFrame(90, 0, width - 95, 38, 38),
                                TextTable::localizedString(QStringLiteral("descTooltipText")));
    m_desc->setShowNoteLine(false);
    m_desc->setOnEndEditing([this](CustomTextView* view) { textDidEndEditing(view); });
    m_descRow->setView(m_desc);

    m_tagRow = makeRow(TextTable::localizedString(QStringLiteral("tagText")));
    m_tagDetailView = new TagTokenDetailView(QRectF(90, 0, width - 95, 19), this);
    m_tagDetailView->setParentView(this);

    m_currentLinkSection = LinkSection::create(QRectF(0, 0, width, 100), this);
    m_currentLinkSection->setParentView(this);
    m_currentLinkSection->hide();

    const double h = m_builtHeight;
    m_addLinkBtn = makeButton(TextTable::localizedString(QStringLiteral("addLinkText")), QRectF(2, h - 23, 110, 24));
    m_addLinkBtn->setTarget(this, [this](Button*) { addNewLink(); });
    m_addLinkBtn->hide();
    m_cancelBtn = makeButton(TextTable::localizedString(QStringLiteral("cancelText")), QRectF(5, h - 24, 90, 24));
    m_cancelBtn->setTarget(this, [this](Button*) { cancelAdd(); });
    m_addTaskBtn = makeButton(TextTable::localizedString(QStringLiteral("saveText")), QRectF(width - 95, h - 24, 90, 24));
    m_addTaskBtn->setTarget(this, [this](Button*) { addTask(); });
    // The add form's keys: Return saves, Escape backs out (live only while
    // the buttons show, that is in the add form).
    m_addTaskBtn->setKeyEquivalent(QStringLiteral("\r"));
    m_cancelBtn->setKeyEquivalent(QStringLiteral("\x1b"));
    m_revertBtn = makeButton(TextTable::localizedString(QStringLiteral("revertText")), QRectF(width - 180, h - 23, 90, 24));
    m_revertBtn->setTarget(this, [this](Button*) { revertEdit(); });
    m_revertBtn->hide();
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), QRectF(width - 95, h - 23, 90, 24));
    m_doneBtn->setTarget(this, [this](Button*) { doneEdit(); });
    m_doneBtn->hide();

    m_allRowView = {m_locationRow, m_durationRow, m_startRow, m_dueRow, repeatRow,
                    m_calendarRow, m_urlRow,      m_descRow,  m_tagRow};
    hasDue();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto observe = [&](const void* object, void (TaskDetailView::*handler)()) {
        center.addObserver(this, kTextFieldHasChangedNotification, object,
                           [this, handler](const Notification&) { (this->*handler)(); });
    };
    observe(NotificationPayload::identityOf(static_cast<TextField*>(m_locationTextField)),
            &TaskDetailView::locationChanged);
    observe(NotificationPayload::identityOf(static_cast<TextField*>(m_urlTextField)), &TaskDetailView::urlChanged);
    observe(NotificationPayload::identityOf(m_startTextField), &TaskDetailView::startTimeChanged);
    observe(NotificationPayload::identityOf(m_dueTextField), &TaskDetailView::dueTimeChanged);
    observe(NotificationPayload::identityOf(static_cast<View*>(m_durationOther)), &TaskDetailView::durationChanged);
    observe(NotificationPayload::identityOf(static_cast<TokenField*>(m_tagDetailView)), &TaskDetailView::tagChanged);

    m_repeatRules->repeatOption();
    buildCalendarPopUp();
    setType(0);
}

TaskDetailView::~TaskDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

TaskDetailView* makeTaskDetailView(const TaskPtr& task, QWidget* positioningView, QWidget* parent)
{
    auto* form = new TaskDetailView(QRectF(0, 0, 280, 100), parent);
    form->setType(1);
    form->loadDataFromTask(task);
    form->setParentView(positioningView);
    return form;
}

DetailRow* TaskDetailView::makeRow(const QString& caption, double height)
{
    auto* row = new DetailRow(QRectF(0, -50, frame().width(), height), this);
    if (height > EditorRowGeometry::rowHeight) {
        // The caption stays level with the first line of a taller row.
        row->label()->setFrameOrigin(QPointF(0, height - EditorRowGeometry::rowHeight));
    }
    row->label()->setStringValue(caption);
    return row;
}

Button* TaskDetailView::makeButton(const QString& title, const QRectF& frame)
{
    Button* button = UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter, ButtonType::MomentaryPushIn,
                                               frame, this, nullptr, QImage(), QImage(), true);
    addSubview(button);
    return button;
}

PopUpButton* TaskDetailView::calendarBtn() const
{
    return m_calendarRow ? qobject_cast<PopUpButton*>(m_calendarRow->view()) : nullptr;
}

void TaskDetailView::fitDatePicker(CustomNSDatePicker* picker)
{
    const QString shown = picker->editor() ? picker->editor()->text() : QString();
    const double width = std::ceil(TextMeasure::sizeOfText(shown, picker->textFont()).width()) + 16;
    picker->setFrameSize(QSizeF(std::min(width, frame().width() - 95), picker->frame().height()));
}

// ---- layout --------------------------------------------------------------------

void TaskDetailView::updateView()
{
    const qsizetype n = m_allRowView.size();
    const auto placeRows = [&](double top) {
        for (qsizetype i = 0; i < n; ++i) {
            const double step = i == n - 1 ? double(i + 1) : double(i);
            DetailRow* row = m_allRowView.at(i);
            row->setFrameOrigin(QPointF(row->frame().x(), rowStep * step + top));
        }
        m_tagDetailView->setFrameOrigin(QPointF(m_tagDetailView->frame().x(), m_tagRow->frame().y()));
    };
    if (m_type != 0) {
        m_title->show();
        const double h = EventDetailView::titleAreaHeight(
            EventDetailView::measuredTitleHeight(m_title->string(), m_title->frame().width() - 10));
        m_title->setFrameSize(QSizeF(m_title->frame().width(), h));
        m_currentLinkSection->updateFrameHeight();
        const double t = m_title->frame().height();
        resizeWithHeight(double(n) * rowStep + rowStep + t - 3 + m_tagDetailView->frame().height() +
                         m_currentLinkSection->frame().height());
        placeRows(t + 4);
        m_currentLinkSection->setFrameOrigin(QPointF(0, m_tagDetailView->frame().bottom()));
    } else {
        m_title->hide();
        resizeWithHeight(double(n) * rowStep + 19 + m_tagDetailView->frame().height());
        placeRows(1);
    }
    setNeedsDisplay();
}

void TaskDetailView::resizeWithHeight(double height)
{
    // In the add panel the host sizes the form; the rows under the grown
    // part move down either way.
    if (auto* host = dynamic_cast<AddFormHost*>(m_parentView.data()))
        host->resizeWithHeight(height);
    else
        setFrameSize(QSizeF(frame().width(), height + 12));
    m_currentLinkSection->setFrameOrigin(QPointF(0, m_tagDetailView->frame().bottom()));
    placeBottomButtons();
}

void TaskDetailView::placeBottomButtons()
{
    // The buttons keep their distance to the bottom edge.
    const double h = frame().height();
    m_addLinkBtn->setFrameOrigin(QPointF(m_addLinkBtn->frame().x(), h - 23));
    m_cancelBtn->setFrameOrigin(QPointF(m_cancelBtn->frame().x(), h - 24));
    m_addTaskBtn->setFrameOrigin(QPointF(m_addTaskBtn->frame().x(), h - 24));
    m_revertBtn->setFrameOrigin(QPointF(m_revertBtn->frame().x(), h - 23));
    m_doneBtn->setFrameOrigin(QPointF(m_doneBtn->frame().x(), h - 23));
}

void TaskDetailView::resizeHeightWithOffset(double offset)
{
    resizeWithHeight(offset + frame().height() - 12);
}

void TaskDetailView::setType(int type)
{
    m_type = type;
    if (type != 0) {
        if (!m_allRowView.contains(m_completedRow)) m_allRowView.prepend(m_completedRow);
        m_completedRow->show();
        m_doneBtn->show();
        m_addLinkBtn->show();
        m_addTaskBtn->hide();
        m_cancelBtn->hide();
    }
    updateView();
}

void TaskDetailView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    Q_UNUSED(dirtyRect);
    const double width = bounds().width();
    painter.fillRect(bounds(), Common::addNewViewColor());
    painter.setPen(QPen(lineColor, 1));
    QPainterPath path;
    if (m_type != 0) {
        const double buttonLine = m_addTaskBtn->frame().y() - 2.5;
        path.moveTo(0, buttonLine);
        path.lineTo(width, buttonLine);
        const double linkTop = m_currentLinkSection->frame().y() + 3;
        path.moveTo(84.5, m_title->frame().height() + 7);
        path.lineTo(84.5, linkTop);
        path.moveTo(0, linkTop + 0.5);
        path.lineTo(width, linkTop + 0.5);
        painter.drawPath(path);
        return;
    }
    painter.drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
    const double buttonTop = m_addTaskBtn->frame().y();
    path.moveTo(84.5, 0);
    path.lineTo(84.5, buttonTop - 3);
    path.moveTo(0, buttonTop - 2.5);
    path.lineTo(width, buttonTop - 2.5);
    painter.drawPath(path);
}

// ---- durations and working hours ---------------------------------------------------

const QList<qint64>& TaskDetailView::presetMinutes()
{
    static const QList<qint64> minutes{15, 30, 60, 90, 120, 180};
    return minutes;
}

qint64 TaskDetailView::defaultDurationPos(qint64 minutes)
{
    return presetMinutes().indexOf(minutes);
}

Date TaskDetailView::workingEndOnDay(const Date& day, const QVariantMap& dayManagers)
{
    // Sunday first, as the weekday numbers run; the keys as stored.
    static const QStringList endKeys = {
        QStringLiteral("SundayEndTime"),    QStringLiteral("MondayEndTime"), QStringLiteral("TuedayEndTime"),
        QStringLiteral("WednesdayEndTime"), QStringLiteral("ThusdayEndTime"), QStringLiteral("FridayEndTime"),
        QStringLiteral("SaturdayEndTime"),
    };
    const qint64 weekday = Utilities::getWeekday(day);
    qint64 minutes = fallbackWorkingEnd;
    if (weekday >= 1 && weekday <= 7) {
        bool ok = false;
        const qint64 stored = dayManagers.value(endKeys[int(weekday - 1)]).toLongLong(&ok);
        if (ok && stored >= 0 && stored < 24 * 60)
            minutes = stored;
        else
            qInfo() << "No usable working end for" << endKeys[int(weekday - 1)] << "; the day ends at 18:00";
    }
    return Utilities::newDateOnDate(day, minutes / 60, minutes % 60);
}

Date TaskDetailView::defaultDueDate(const Date& start, const Date& now, const QVariantMap& dayManagers)
{
    const Date base = Utilities::compareDateNoTime(start, now) == -1 ? now : start;
    const Date due = workingEndOnDay(base, dayManagers);
    if (Utilities::compareDate(due, now) == -1)
        return workingEndOnDay(Utilities::dateByAddTimeInterval(86400, base), dayManagers);
    return due;
}

void TaskDetailView::duration()
{
    AlertRows::fitPopUpToTitle(m_durationBtn, RepeatRuleRows::popUpExtra);
    const int tag = selectedTag(m_durationBtn);
    qint64 minutes = 0;
    if (tag >= 2 && tag <= 7) {
        minutes = presetMinutes().at(tag - 2);
        m_durationOther->hide();
    } else if (tag == customDurationTag) {
        const double x = m_durationBtn->frame().x() + m_durationBtn->frame().width() + 2;
        m_durationOther->setFrame(controlFrame(x, 0, frame().width() - x, 19));
        m_durationOther->show();
    } else if (tag == noDurationTag) {
        m_durationOther->hide();
        minutes = -1;
    }
    if (!checksApply()) return;
    const bool same = (m_task->hasDuration() != 0 || minutes == -1) && m_task->duration() == minutes;
    if (!same) showRevert();
}

void TaskDetailView::durationChanged()
{
    if (!checksApply()) return;
    if (m_task->duration() != m_durationOther->getHours() * 60 + m_durationOther->getMinutes()) showRevert();
}

// ---- defaults of a new task ------------------------------------------------------

void TaskDetailView::resetData()
{
    const SettingPtr setting = currentSetting();
    m_locationTextField->setStringValue(QString());

    const qint64 position = defaultDurationPos(setting ? setting->durationDefTaskVal() : 15);
    m_durationBtn->selectItemAtIndex(position >= 0 ? int(position) + 1 : 1);
    duration();

    const Date now = Utilities::getCompleteDate();
    Date day = now;
    if (m_monthView && m_monthView->monthCalendarView() && !m_monthView->monthCalendarView()->currentDay().isNull())
        day = m_monthView->monthCalendarView()->currentDay();
    const Date start = Utilities::newDateOnDate(day, Utilities::roundTo15MinutesForDate(now, false));
    m_startTextField->setDateValue(start);
    fitDatePicker(m_startTextField);
    m_startToDueDuration = 0;

    m_hasDueBtn->setState(0);
    hasDue();
    m_dueTextField->setDateValue(workingEndOnDay(start, workingHours()));
    fitDatePicker(m_dueTextField);

    m_repeatRules->reset();
    m_repeatRules->repeatOption();

    buildCalendarPopUp();
    m_alertRows->removeAllAlertRows();
    m_urlTextField->setStringValue(QString());
    m_desc->setString(QString());
    updateView();
}

void TaskDetailView::buildCalendarPopUp()
{
    CoreData* dataManager = CoreData::shared();
    CalendarList offered;
    if (dataManager) {
        for (const CalendarPtr& category : dataManager->getCalendarWithType(0, dataManager->calendarList(), true)) {
            if (category && !category->isShared()) offered.append(category);
        }
    }
    CustomNSPopUpButton* button = UIUtilities::createCalendarPopUpButtonWithFrame(
        controlFrame(90, -1, 90, 19), this, [this](PopUpButton*) { selectCalendar(); }, offered);
    m_calendarRow->setView(button);
    const SettingPtr setting = currentSetting();
    const CalendarPtr preferred = dataManager && setting ? dataManager->calendarWithPrimaryKey(setting->calendarDefID())
                                                         : CalendarPtr();
    if (preferred) {
        const std::vector<PopUpItem>& items = button->items();
        for (int i = 0; i < int(items.size()); ++i) {
            if (items[size_t(i)].isSelectable() && items[size_t(i)].enabled &&
                items[size_t(i)].title == preferred->calendarName()) {
                button->selectItemAtIndex(i);
                break;
            }
        }
    }
    selectCalendar();
}

// ---- loading ----------------------------------------------------------------------

void TaskDetailView::setCompletedDateText(const Date& date)
{
    m_completedDate->setStringValue(date.isNull() ? QString() : Utilities::getFormattedDateStringFromDate(date));
}

void TaskDetailView::loadDataFromTask(const TaskPtr& shown)
{
    // Held here: the argument may be the form's own task, cleared next.
    const TaskPtr item = shown;
    m_task.reset();
    resetData();
    if (!item) return;
    CoreData* dataManager = CoreData::shared();
    // Revert restores from this form's own copy: other commands set the data
    // manager's modifying task meanwhile.
    m_keptCopy = item->copy();
    if (dataManager) dataManager->setModifyingTask(item->copy());
    m_task = item;
    if (item->taskType() != 1) return;

    m_starBtn->show();
    m_starBtn->setState(item->isPinned() ? 1 : 0);
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(item->calendarId()) : CalendarPtr();

    m_title->setString(item->taskName());
    m_completedBtn->setState(item->status() == 1 ? 1 : 0);
    setCompletedDateText(item->completedDate());
    m_completedDate->setHidden(m_completedBtn->state() != 1);

    m_locationTextField->setStringValue(item->taskLocation());
    m_startTextField->setDateValue(item->startTime());
    fitDatePicker(m_startTextField);

    m_hasDueBtn->setState(item->hasDue() == 1 ? 1 : 0);
    if (item->hasDue() == 1) {
        m_dueTextField->setMinDate(item->startTime());
        m_dueTextField->setDateValue(item->dueEnd());
        fitDatePicker(m_dueTextField);
    }
    setDue();

    if (item->hasDuration() != 0) {
        const qint64 position = defaultDurationPos(item->duration());
        if (position >= 0) {
            m_durationBtn->selectItemAtIndex(int(position) + 1);
        } else {
            m_durationBtn->selectItemWithTag(customDurationTag);
            const qint64 hours = item->duration() / 60;
            m_durationOther->setHours(hours);
            m_durationOther->setMins(item->duration() - hours * 60);
        }
    } else {
        m_durationBtn->selectItemAtIndex(0);
    }
    duration();

    m_repeatRules->loadFromTask(*item);
    selectCategoryOfItem(category);

    // The alert block exists only while the task is due.
    if (item->hasDue() == 1) m_alertRows->loadAlerts(item->createAlertList());

    m_urlTextField->setStringValue(item->url());
    updateTagListWithCal(chosenCategory(), item);
    if (item->notes().isNull()) item->setNotes(QStringLiteral(""));
    m_desc->setString(item->notes());
    m_currentLinkSection->show();
    m_currentLinkSection->loadCurrentLinks(item);

    updateView();
    m_revertBtn->hide();
    m_title->selectAll();

    setEnable(!item->isShared());
    m_completedBtn->setEnabled(!(item->isShared() && item->delegateStatus() != 1));
    if (!item->assigneeEmail().isEmpty()) m_repeatRules->repeatBtn()->setEnabled(false);
    m_startToDueDuration = item->startTime().timeIntervalSinceDate(item->dueEnd());
}

void TaskDetailView::insertCategoryOnTop(const CalendarPtr& category, int tag)
{
    PopUpButton* button = calendarBtn();
    if (!button || !category) return;
    std::vector<PopUpItem> items = button->items();
    PopUpItem own;
    own.title = category->calendarName();
    own.tag = tag;
    own.indentationLevel = 1;
    own.image = UIUtilities::getCalendarColorImage(
        Utilities::colorInGroup(category->colorGroupId(), category->colorNameId()), QSizeF(14, 10));
    items.insert(items.begin(), own);
    button->removeAllItems();
    for (const PopUpItem& item : items) button->addItem(item);
    button->selectItemAtIndex(0);
}

void TaskDetailView::selectCategoryOfItem(const CalendarPtr& category)
{
    PopUpButton* button = calendarBtn();
    if (button && category) {
        bool found = false;
        if (!(m_task && m_task->isShared())) {
            const std::vector<PopUpItem>& items = button->items();
            for (int i = 0; i < int(items.size()) && !found; ++i) {
                const PopUpItem& entry = items[size_t(i)];
                if (entry.isSelectable() && entry.enabled && entry.title == category->calendarName()) {
                    button->selectItemAtIndex(i);
                    found = true;
                }
            }
        }
        // A category the pop-up does not offer (hidden, shared, or of
        // another kind) is still the task's: shown on top with its key, so
        // that saving keeps it.
        if (!found) insertCategoryOnTop(category, int(category->primaryKey()));
    }
    selectCalendar();
}

CalendarPtr TaskDetailView::chosenCategory() const
{
    const PopUpButton* button = calendarBtn();
    const PopUpItem* item = button ? button->selectedItem() : nullptr;
    sqlite3* database = RecordStore::sharedDatabase();
    if (!item || !database) return std::make_shared<Calendar>();
    return Calendar::initWithPrimaryKey(item->tag, database);
}

// ---- tags --------------------------------------------------------------------------

void TaskDetailView::updateTagListWithCal(const CalendarPtr& category, const TaskPtr& item)
{
    const QStringList shown = EventDetailView::tagsToShow(category ? category->tagList() : QString(),
                                                          item ? item->tagList() : QString());
    m_tagDetailView->setObjectValue(shown);
    if (shown.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->resizeTokenField();
}

void TaskDetailView::tagChanged()
{
    if (!checksApply()) return;
    const CalendarPtr category = chosenCategory();
    if (EventDetailView::ownTagList(m_tagDetailView->objectValue(), category ? category->tagList() : QString()) !=
        m_task->tagList())
        showRevert();
}

void TaskDetailView::selectCalendar()
{
    PopUpButton* button = calendarBtn();
    if (!button) return;
    AlertRows::fitPopUpToTitle(button, 50);
    if (m_type != 0 && m_task) {
        CoreData* dataManager = CoreData::shared();
        const CalendarPtr stored = dataManager ? dataManager->calendarWithPrimaryKey(m_task->calendarId()) : nullptr;
        if (!isRevertShown() && (stored ? stored->calendarName() : QString()) != button->titleOfSelectedItem())
            showRevert();
        updateTagListWithCal(chosenCategory(), m_task);
        return;
    }
    const CalendarPtr category = chosenCategory();
    const QStringList names = EventDetailView::tagNames(category ? category->tagList() : QString());
    m_tagDetailView->setObjectValue(names);
    if (names.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->resizeTokenField();
}

// ---- change marks -------------------------------------------------------------------

bool TaskDetailView::isRevertShown() const
{
    return !m_revertBtn->isHidden();
}

void TaskDetailView::showRevert()
{
    if (m_type != 0) m_revertBtn->show();
}

bool TaskDetailView::checksApply() const
{
    return m_type != 0 && m_task && !isRevertShown();
}

Date TaskDetailView::startDate() const
{
    // Alerts count from the due date; without one the start stands in.
    return m_hasDueBtn->state() == 1 ? m_dueTextField->dateValue() : m_startTextField->dateValue();
}

// ---- due date --------------------------------------------------------------------------

void TaskDetailView::showDueControl(bool due)
{
    m_dueTextField->setVisible(due);
    m_noneBtn->setVisible(!due);
    setItemEnabled(m_repeatRules->repeatFromBtn(), 2, due);
}

void TaskDetailView::setDue()
{
    const bool due = m_hasDueBtn->state() == 1;
    showDueControl(due);
    if (due) {
        if (m_alertRows->arrayOfAlertRow().isEmpty()) m_alertRows->addAlertRow();
    } else {
        m_alertRows->removeAllAlertRows();
    }
    if (checksApply() && m_task->hasDue() != (due ? 1 : 0)) showRevert();
}

void TaskDetailView::hasDue()
{
    const bool due = m_hasDueBtn->state() == 1;
    if (!due) {
        showDueControl(false);
        m_alertRows->removeAllAlertRows();
    } else {
        const Date now = Utilities::getCompleteDate();
        const Date start = m_startTextField->dateValue();
        m_dueTextField->setMinDate(start);
        m_dueTextField->setDateValue(defaultDueDate(start, now, workingHours()));
        fitDatePicker(m_dueTextField);
        showDueControl(true);
        m_alertRows->addAlertRow();
        if (m_type == 0 || (m_task && m_task->alertValues().isEmpty())) {
            // A due task starts with one silent alert two days ahead.
            AlertObj alert;
            alert.setAlertType(1);
            alert.setRelativeOffset(-2 * 86400);
            m_alertRows->fillLastRowWithAlert(alert);
        }
    }
    if (checksApply() && m_task->hasDue() != (due ? 1 : 0)) showRevert();
}

void TaskDetailView::startTimeChanged()
{
    const Date start = m_startTextField->dateValue();
    m_dueTextField->setMinDate(start);
    m_startToDueDuration = start.timeIntervalSinceDate(m_dueTextField->dateValue());
    if (checksApply() && m_task->startTime() != start) showRevert();
}

void TaskDetailView::dueTimeChanged()
{
    const Date due = m_dueTextField->dateValue();
    m_startTextField->setDateValue(Utilities::newDateFromDate(due, std::trunc(m_startToDueDuration)));
    fitDatePicker(m_startTextField);
    // The start moved with the due date; the due date still cannot go
    // before it.
    m_dueTextField->setMinDate(m_startTextField->dateValue());
    if (checksApply() && m_task->dueEnd() != due) showRevert();
}

// ---- other fields ---------------------------------------------------------------------

void TaskDetailView::toggleDone()
{
    const bool done = m_completedBtn->state() == 1;
    if (m_task) {
        if (done) {
            const Date now = Utilities::getCompleteDate();
            m_task->setCompletedDate(now);
            setCompletedDateText(now);
        } else {
            m_task->setCompletedDate(Date());
        }
        m_task->setStatus(done ? 1 : 0);
    }
    m_completedDate->setHidden(!done);
    if (checksApply()) showRevert();
}

void TaskDetailView::selectStar()
{
    if (checksApply() && m_task->isPinned() != m_starBtn->state()) showRevert();
}

void TaskDetailView::locationChanged()
{
    if (checksApply() && m_locationTextField->stringValue() != m_task->taskLocation()) showRevert();
}

void TaskDetailView::urlChanged()
{
    if (checksApply() && m_urlTextField->stringValue() != m_task->url()) showRevert();
}

void TaskDetailView::textDidEndEditing(CustomTextView* textView)
{
    Q_UNUSED(textView);
    if (m_type == 0 || !m_task) return;
    if (m_title->string() != m_task->taskName())
        showRevert();
    else if (!isRevertShown() && m_desc->string() != m_task->notes())
        showRevert();
}

void TaskDetailView::addNewLink()
{
    customResignFirstResponder();
    saveChanges(false);
    if (m_task) {
        // The task's rows elsewhere show the stored edits before the page
        // that links it opens.
        if (MainViewAccess* mainView = MainViewAccess::current()) {
            const QString key = QString::number(m_task->primaryKey());
            mainView->reloadDataWithInfo(QVariantMap{{key, key}});
        }
        // Type 2: Back on the add-link page returns to this editor.
        DetailViewController::forPage(this)->addLink(m_task, qobject_cast<View*>(m_parentView.data()), 2);
    }
    m_revertBtn->hide();
}

// ---- read-only mode and focus ----------------------------------------------------------

void TaskDetailView::setEnable(bool enabled)
{
    m_title->setEditable(enabled);
    m_desc->setEditable(enabled);
    for (View* control : std::initializer_list<View*>{m_locationTextField, m_hasDueBtn, m_durationBtn,
                                                      m_startTextField, m_dueTextField, calendarBtn(),
                                                      m_urlTextField, m_tagDetailView, m_starBtn}) {
        if (control) control->setEnabled(enabled);
    }
    m_durationOther->setEnable(enabled);
    m_repeatRules->setEnabled(enabled);
    m_alertRows->setEnabled(enabled);
    m_addLinkBtn->setVisible(enabled && m_type != 0);
}

void TaskDetailView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

void TaskDetailView::mouseDown(const Event& event)
{
    Q_UNUSED(event);
    customResignFirstResponder();
}
