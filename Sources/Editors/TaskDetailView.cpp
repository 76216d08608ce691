#include "TaskDetailView.h"

#include "AlertRows.h"
#include "Button.h"
#include "Calendar.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSTextField.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "CustomTextView.h"
#include "DatePicker.h"
#include "DetailRow.h"
#include "DetailViewController.h"
#include "HourAndMinute.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "PopUpButton.h"
#include "RepeatRuleRows.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "EditorShared.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace {

using EditorRowGeometry::controlFrame;

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

TaskDetailView::TaskDetailView(const QRectF& frame, QWidget* parent) : ItemDetailView(frame, parent)
{
    const double width = frame.width();
    buildTitle(width - 28);

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

    buildLocationRow();

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

    buildStartRow();

    const SettingPtr setting = currentSetting();
    m_dueRow = makeRow(TextTable::localizedString(QStringLiteral("dueText")));
    // Square like the form's other check boxes (its picture is stretched to
    // the frame), and ending where the due date's picker begins.
    m_hasDueBtn = UIUtilities::createCheckboxWithFrame(
        controlFrame(86, 0, 19, 19), this, [this](Button*) { hasDue(); },
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

    buildLowerRows();
    buildBottomButtons([this] { addTask(); });

    m_allRowView = {m_locationRow, m_durationRow, m_startRow, m_dueRow, repeatRow,
                    m_calendarRow, m_urlRow,      m_descRow,  m_tagRow};
    hasDue();

    observeCommonChanges();
    observeChanges(NotificationPayload::identityOf(m_startTextField), [this] { startTimeChanged(); });
    observeChanges(NotificationPayload::identityOf(m_dueTextField), [this] { dueTimeChanged(); });
    m_dueTextField->setEditingEndedTarget(this, [this](DatePicker*) { dueEditingEnded(); });
    observeChanges(NotificationPayload::identityOf(static_cast<View*>(m_durationOther)), [this] { durationChanged(); });

    m_repeatRules->repeatOption();
    buildCalendarPopUp();
    setType(0);
}

TaskDetailView::~TaskDetailView()
{
    // The due field's editor may end its edit as the children go, after
    // this form has stopped being one.
    if (m_dueTextField) m_dueTextField->setEditingEndedTarget(nullptr, {});
}

TaskDetailView* makeTaskDetailView(const TaskPtr& task, QWidget* positioningView, QWidget* parent)
{
    auto* form = new TaskDetailView(QRectF(0, 0, 280, 100), parent);
    form->setType(1);
    form->loadDataFromTask(task);
    form->setParentView(positioningView);
    return form;
}

void TaskDetailView::setType(int type)
{
    m_type = type;
    if (type != 0) {
        if (!m_allRowView.contains(m_completedRow)) m_allRowView.prepend(m_completedRow);
        m_completedRow->show();
        showEditButtons();
    }
    updateView();
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

Date TaskDetailView::defaultDueDate(const Date& start, const Date& now, const QVariantMap& dayManagers)
{
    const Date base = Utilities::compareDateNoTime(start, now) == -1 ? now : start;
    const Date due = Setting::workingEndOnDay(base, dayManagers);
    if (Utilities::compareDate(due, now) == -1)
        return Setting::workingEndOnDay(Utilities::dateByAddTimeInterval(86400, base), dayManagers);
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
    const Date start = Utilities::roundTo15MinutesOnDay(day, now);
    m_startTextField->setDateValue(start);
    fitDatePicker(m_startTextField);
    m_startToDueDuration = 0;

    m_hasDueBtn->setState(0);
    hasDue();
    m_dueTextField->setDateValue(Setting::workingEndOnDay(start, workingHours()));
    fitDatePicker(m_dueTextField);
    m_typedDuePending = false;
    m_shownDue = m_dueTextField->dateValue();

    m_repeatRules->reset();
    m_repeatRules->repeatOption();

    buildCalendarPopUp();
    m_alertRows->removeAllAlertRows();
    m_urlTextField->setStringValue(QString());
    m_desc->setString(QString());
    updateView();
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
    if (!beginLoading(item)) return;
    CoreData* dataManager = CoreData::shared();
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
        m_dueTextField->setDateValue(item->dueEnd());
        fitDatePicker(m_dueTextField);
    }
    setDue();

    showDuration(*item);

    m_repeatRules->loadFromTask(*item);
    selectCategoryOfItem(category);

    // The alert block exists only while the task is due.
    if (item->hasDue() == 1) m_alertRows->loadAlerts(item->createAlertList());

    m_urlTextField->setStringValue(item->url());
    updateTagListWithCal(chosenCategory(), item);
    finishLoading(item);
    m_title->selectAll();

    setEnable(!item->isShared());
    m_completedBtn->setEnabled(!(item->isShared() && item->delegateStatus() != 1));
    if (!item->assigneeEmail().isEmpty()) m_repeatRules->repeatBtn()->setEnabled(false);
    // Without a due date the stored one is a placeholder: the distance is
    // taken when Due is ticked.
    m_startToDueDuration = item->hasDue() == 1 ? std::min(0.0, item->startTime().timeIntervalSinceDate(item->dueEnd())) : 0;
    m_typedDuePending = false;
    m_shownDue = m_dueTextField->dateValue();
}

void TaskDetailView::showDuration(const Task& item)
{
    if (item.hasDuration() != 0) {
        const qint64 position = defaultDurationPos(item.duration());
        if (position >= 0) {
            m_durationBtn->selectItemAtIndex(int(position) + 1);
        } else {
            m_durationBtn->selectItemWithTag(customDurationTag);
            const qint64 hours = item.duration() / 60;
            m_durationOther->setHours(hours);
            m_durationOther->setMins(item.duration() - hours * 60);
        }
    } else {
        m_durationBtn->selectItemAtIndex(0);
    }
    duration();
}

// ---- change marks -------------------------------------------------------------------

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
        // A start late in the day may lie past that day's working end.
        m_dueTextField->setDateValue(std::max(defaultDueDate(start, now, workingHours()), start));
        fitDatePicker(m_dueTextField);
        // From here on the start keeps the distance the form shows.
        m_startToDueDuration = start.timeIntervalSinceDate(m_dueTextField->dateValue());
        m_typedDuePending = false;
        m_shownDue = m_dueTextField->dateValue();
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

// The due date never lies before the start. It has no minimum of its own:
// the start follows it, so a due date moved before the start takes the start
// along instead of being refused (a minimum would also refuse the first digit
// of a day typed below it).
void TaskDetailView::startTimeChanged()
{
    // A due date still being typed is overruled: the start now decides.
    m_typedDuePending = false;
    const Date start = m_startTextField->dateValue();
    if (m_dueTextField->dateValue() < start) {
        m_dueTextField->setDateValue(start);
        fitDatePicker(m_dueTextField);
    }
    m_shownDue = m_dueTextField->dateValue();
    m_startToDueDuration = start.timeIntervalSinceDate(m_shownDue);
    if (checksApply() && m_task->startTime() != start) showRevert();
}

// A step of the due date (arrow keys, the wheel) moves the start by the same
// step. Typing reports every value the text makes on its way ("2" before
// "23"), so a typed due date moves nothing until the edit ends.
void TaskDetailView::dueTimeChanged()
{
    const Date due = m_dueTextField->dateValue();
    if (m_dueTextField->changeIsTyped()) {
        m_typedDuePending = true;
    } else {
        // A step taken over typed text settles the typed value first.
        if (m_typedDuePending && !m_shownDue.isNull()) commitTypedDue(m_shownDue);
        m_startTextField->setDateValue(Utilities::newDateFromDate(due, std::trunc(m_startToDueDuration)));
        fitDatePicker(m_startTextField);
    }
    m_shownDue = due;
    if (checksApply() && m_task->dueEnd() != due) showRevert();
}

// The end of a typed edit of the due date: a due date at or after the start
// leaves the start where it is (and the distance becomes the one shown); one
// before the start takes the start along at the distance it had.
void TaskDetailView::commitTypedDue(const Date& due)
{
    if (!m_typedDuePending) return;
    m_typedDuePending = false;
    const Date start = m_startTextField->dateValue();
    if (due < start) {
        const Date moved = Utilities::newDateFromDate(due, std::trunc(std::min(0.0, m_startToDueDuration)));
        m_startTextField->setDateValue(moved);
        fitDatePicker(m_startTextField);
        if (checksApply() && m_task->startTime() != moved) showRevert();
    } else {
        m_startToDueDuration = start.timeIntervalSinceDate(due);
    }
}

void TaskDetailView::dueEditingEnded()
{
    commitTypedDue(m_dueTextField->dateValue());
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
