#include "EventDetailView.h"

#include "AlertRows.h"
#include "BezierPath.h"
#include "Button.h"
#include "Calendar.h"
#include "Common.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSTextField.h"
#include "CustomTextView.h"
#include "DatePicker.h"
#include "DetailRow.h"
#include "Drawing.h"
#include "LinkSection.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "RecordStore.h"
#include "RepeatRuleRows.h"
#include "Setting.h"
#include "Task.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "EditorShared.h"

#include <QTextEdit>
#include <QApplication>
#include <QDateTimeEdit>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

using EditorRowGeometry::controlFrame;

constexpr double scheduledTitleX = 25;

bool tzSupport()
{
    const SettingPtr setting = currentSetting();
    return setting && setting->tzSupport();
}

}  // namespace

AddFormHost::~AddFormHost() = default;

EventDetailView::EventDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    m_builtHeight = frame.height();

    m_title = new CustomTextView(QRectF(5, 2, width - 10, 19), QString(), this);
    m_title->setShowNoteLine(false);

    m_title->setTextFont(lucida(15), titleLineHeight);
    // The title is opened selected, ready to be typed over; once the keyboard
    // goes elsewhere the selection stays but is no longer painted.
    if (QTextEdit* editor = m_title->editor()) {
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::transparent);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, palette.color(QPalette::Active, QPalette::Text));
        editor->setPalette(palette);
    }
    m_title->setOnEndEditing([this](CustomTextView* view) { textDidEndEditing(view); });
    m_title->setOnSelectionChanged([this](CustomTextView*) {
        if (m_type != 0) updateView();
    });
    m_title->hide();

    m_locationRow = makeRow(TextTable::localizedString(QStringLiteral("locationText")));
    m_locationTextField = new CustomNSTextField(controlFrame(90, 0, width - 95, 19));
    m_locationTextField->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_locationRow->setView(m_locationTextField);

    m_allDayRow = makeRow(TextTable::localizedString(QStringLiteral("allDayText")));
    m_allDayBtn = UIUtilities::createCheckboxWithFrame(
        controlFrame(88, 0, 19, 19), this, [this](Button*) { toggleAllDay(); },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    m_allDayRow->setView(m_allDayBtn);

    m_startRow = makeRow(TextTable::localizedString(QStringLiteral("startText")));
    m_startTextField = new CustomNSDatePicker(controlFrame(90, -2, width - 95, 19));
    m_startTextField->setMinDate(Date::dateWithTimeIntervalSince1970(0));
    m_startTextField->setDateValue(Utilities::getCompleteDate());
    m_startRow->setView(m_startTextField);
    fitDatePicker(m_startTextField);
    m_previousStartTime = m_startTextField->dateValue();

    const SettingPtr setting = currentSetting();
    const qint64 duration = setting ? setting->durationDefEventVal() : 60;
    m_endRow = makeRow(TextTable::localizedString(QStringLiteral("endText")));
    m_endTextField = new CustomNSDatePicker(controlFrame(90, -2, width - 95, 19));
    m_endTextField->setDateValue(Utilities::dateByAddTimeInterval(double(duration) * 60, Utilities::getCompleteDate()));
    m_endRow->setView(m_endTextField);
    fitDatePicker(m_endTextField);

    m_tzRow = makeRow(TextTable::localizedString(QStringLiteral("tzText")));
    m_zone = makeZoneRowContent(width, [this](const TimezoneObj& zone) { changeItemTo(zone); });
    if (m_zone.view) m_tzRow->addSubview(m_zone.view);

    m_repeatRules = new RepeatRuleRows(*this, RepeatRuleRows::Kind::Event, width, this);
    DetailRow* repeatRow = m_repeatRules->repeatRow();

    m_calendarRow = makeRow(TextTable::localizedString(QStringLiteral("categoryText")));

    m_alertRows = new AlertRows(*this, this);
    DetailRow* firstAlertRow = m_alertRows->createFirstAlertRow();
    addSubview(firstAlertRow);

    m_urlRow = makeRow(TextTable::localizedString(QStringLiteral("urlText")));
    m_urlTextField = new CustomNSTextField(controlFrame(90, 0, width - 95, 19));
    m_urlTextField->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_urlTextField->setIsURL(true);
    m_urlRow->setView(m_urlTextField);

    m_descRow = makeRow(TextTable::localizedString(QStringLiteral("descText")), 38);
    m_desc = new CustomTextView(controlFrame(90, 0, width - 95, 38, 38), TextTable::localizedString(QStringLiteral("descTooltipText")));
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
    m_addLinkBtn->hide();
    m_cancelBtn = makeButton(TextTable::localizedString(QStringLiteral("cancelText")), QRectF(5, h - 24, 90, 24));
    m_addEventBtn = makeButton(TextTable::localizedString(QStringLiteral("saveText")), QRectF(width - 95, h - 24, 90, 24));
    m_revertBtn = makeButton(TextTable::localizedString(QStringLiteral("revertText")), QRectF(width - 180, h - 23, 90, 24));
    m_revertBtn->hide();
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), QRectF(width - 95, h - 23, 90, 24));
    m_doneBtn->hide();
    m_addLinkBtn->setTarget(this, [this](Button*) { addNewLink(); });
    m_cancelBtn->setTarget(this, [this](Button*) { cancelAdd(); });
    // The add form's keys: Return saves, Escape backs out (live only while
    // the buttons show, that is in the add form).
    m_addEventBtn->setKeyEquivalent(QStringLiteral("\r"));
    m_cancelBtn->setKeyEquivalent(QStringLiteral("\x1b"));
    m_addEventBtn->setTarget(this, [this](Button*) { addEvent(); });
    m_revertBtn->setTarget(this, [this](Button*) { revertEdit(); });
    m_doneBtn->setTarget(this, [this](Button*) { doneEdit(); });

    m_allRowView = {m_locationRow, m_allDayRow, m_startRow, m_endRow, m_tzRow, repeatRow,
                    m_calendarRow, firstAlertRow, m_urlRow, m_descRow, m_tagRow};
    placeZoneRow();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto observe = [&](const void* object, void (EventDetailView::*handler)()) {
        center.addObserver(this, kTextFieldHasChangedNotification, object,
                           [this, handler](const Notification&) { (this->*handler)(); });
    };
    observe(NotificationPayload::identityOf(static_cast<TextField*>(m_locationTextField)),
            &EventDetailView::locationChanged);
    observe(NotificationPayload::identityOf(static_cast<TextField*>(m_urlTextField)), &EventDetailView::urlChanged);
    observe(NotificationPayload::identityOf(m_startTextField), &EventDetailView::startTimeChanged);
    observe(NotificationPayload::identityOf(m_endTextField), &EventDetailView::endTimeChanged);
    observe(NotificationPayload::identityOf(static_cast<TokenField*>(m_tagDetailView)), &EventDetailView::tagChanged);

    m_repeatRules->repeatOption();
    setType(0);
    m_changedCal = false;
}

EventDetailView::~EventDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

DetailRow* EventDetailView::makeRow(const QString& caption, double height)
{
    auto* row = new DetailRow(QRectF(0, -50, frame().width(), height), this);
    if (height > EditorRowGeometry::rowHeight) {
        // The caption stays level with the first line of a taller row.
        row->label()->setFrameOrigin(QPointF(0, height - EditorRowGeometry::rowHeight));
    }
    row->label()->setStringValue(caption);
    return row;
}

Button* EventDetailView::makeButton(const QString& title, const QRectF& frame)
{
    Button* button = UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter,
                                               ButtonType::MomentaryPushIn, frame, this, nullptr, QImage(), QImage(),
                                               true);
    addSubview(button);
    return button;
}

PopUpButton* EventDetailView::calendarBtn() const
{
    return m_calendarRow ? qobject_cast<PopUpButton*>(m_calendarRow->view()) : nullptr;
}

void EventDetailView::fitDatePicker(CustomNSDatePicker* picker)
{
    const QString shown = picker->editor() ? picker->editor()->text() : QString();
    const double width = std::ceil(TextMeasure::sizeOfText(shown, picker->textFont()).width()) + 16;
    picker->setFrameSize(QSizeF(std::min(width, frame().width() - 95), picker->frame().height()));
}

void EventDetailView::setMinimumDates(const Date& start)
{
    m_endTextField->setMinDate(start);
    if (CustomNSDatePicker* until = m_repeatRules->untilDateTextField()) until->setMinDate(start);
}

void EventDetailView::placeZoneRow()
{
    m_tzRow->hide();
    m_allRowView.removeAll(m_tzRow);
    if (!tzSupport() || m_allDayBtn->state() == 1) return;
    const qsizetype end = m_allRowView.indexOf(m_endRow);
    m_allRowView.insert(end < 0 ? m_allRowView.size() : end + 1, m_tzRow);
    m_tzRow->show();
}

// ---- layout --------------------------------------------------------------------

double EventDetailView::measuredTitleHeight(const QString& text, double width)
{
    const qsizetype lines = std::max<qsizetype>(1, TextMeasure::wrappedLines(text, lucida(15), width).size());
    return double(lines) * titleLineHeight;
}

double EventDetailView::titleAreaHeight(double measuredHeight)
{
    return measuredHeight > maximumTitleHeight ? maximumTitleHeight : measuredHeight + 5;
}

void EventDetailView::updateView()
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
        const bool scheduled = m_task && m_task->isSheduledTask();
        const double measureWidth = m_title->frame().width() - (scheduled ? scheduledTitleX : 10);
        const double h = titleAreaHeight(measuredTitleHeight(m_title->string(), measureWidth));
        if (scheduled)
            m_title->setFrame(QRectF(scheduledTitleX, m_title->frame().y(), frame().width() - 30, h));
        else
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

void EventDetailView::resizeWithHeight(double height)
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

void EventDetailView::placeBottomButtons()
{
    // The buttons keep their distance to the bottom edge.
    const double grown = frame().height() - m_builtHeight;
    const double h = m_builtHeight + grown;
    m_addLinkBtn->setFrameOrigin(QPointF(m_addLinkBtn->frame().x(), h - 23));
    m_cancelBtn->setFrameOrigin(QPointF(m_cancelBtn->frame().x(), h - 24));
    m_addEventBtn->setFrameOrigin(QPointF(m_addEventBtn->frame().x(), h - 24));
    m_revertBtn->setFrameOrigin(QPointF(m_revertBtn->frame().x(), h - 23));
    m_doneBtn->setFrameOrigin(QPointF(m_doneBtn->frame().x(), h - 23));
}

void EventDetailView::resizeHeightWithOffset(double offset)
{
    resizeWithHeight(offset + frame().height() - 12);
}

void EventDetailView::setType(int type)
{
    m_type = type;
    if (type == 1) {
        m_doneBtn->show();
        m_addLinkBtn->show();
        m_addEventBtn->hide();
        m_cancelBtn->hide();
    }
    updateView();
}

void EventDetailView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    Q_UNUSED(dirtyRect);
    const double width = bounds().width();
    painter.fillRect(bounds(), Common::addNewViewColor());
    painter.setPen(QPen(lineColor, 1));
    QPainterPath path;
    if (m_type != 0) {
        const double buttonLine = m_addEventBtn->frame().y() - 2.5;
        path.moveTo(0, buttonLine);
        path.lineTo(width, buttonLine);
        const double linkTop = m_currentLinkSection->frame().y() + 3;
        path.moveTo(84.5, m_title->frame().height() + 7);
        path.lineTo(84.5, linkTop);
        path.moveTo(0, linkTop + 0.5);
        path.lineTo(width, linkTop + 0.5);
        painter.drawPath(path);
        if (m_task && m_task->isSheduledTask()) {
            const QImage image = NamedImages::imageNamed(QStringLiteral("ptask"));
            if (!image.isNull()) painter.drawImage(QPointF(7, 3), image);
        }
        return;
    }
    painter.drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
    const double buttonTop = m_addEventBtn->frame().y();
    path.moveTo(84.5, 0);
    path.lineTo(84.5, buttonTop - 3);
    path.moveTo(0, buttonTop - 2.5);
    path.lineTo(width, buttonTop - 2.5);
    painter.drawPath(path);
}

// ---- defaults of a new event ------------------------------------------------------

void EventDetailView::resetData()
{
    const SettingPtr setting = currentSetting();
    CoreData* dataManager = CoreData::shared();
    const bool zones = setting && setting->tzSupport();
    m_locationTextField->setStringValue(QString());
    m_allDayBtn->setState(0);

    const Date now = Utilities::getCurrentDate(zones, dataManager ? dataManager->appRootTZ() : 0,
                                               setting ? setting->currentTZ() : 0);
    Date day = now;
    if (m_monthView && m_monthView->monthCalendarView() && !m_monthView->monthCalendarView()->currentDay().isNull())
        day = m_monthView->monthCalendarView()->currentDay();
    const Date start = Utilities::newDateOnDate(day, Utilities::roundTo15MinutesForDate(now, zones));
    m_startTextField->setDateValue(start);
    setMinimumDates(start);
    const qint64 duration = setting ? setting->durationDefEventVal() : 60;
    m_endTextField->setDateValue(Utilities::dateByAddTimeInterval(double(duration) * 60, start));
    toggleAllDay();
    m_previousStartTime = start;

    placeZoneRow();
    m_zoneId = setting ? setting->currentTZ() : 0;
    if (zones && dataManager) {
        if (const auto zone = dataManager->getTimeZone(setting->currentTZ()); zone && m_zone.setCurrentZone)
            m_zone.setCurrentZone(*zone);
    }
    updateView();

    m_repeatRules->reset();
    buildCalendarPopUp();
    m_alertRows->resetAlerts();
    m_urlTextField->setStringValue(QString());
    m_desc->setString(QString());
    m_repeatRules->repeatOption();
}

void EventDetailView::buildCalendarPopUp()
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

void EventDetailView::setDefaultInfoForAddNew()
{
    const SettingPtr setting = currentSetting();
    const QString defaults = setting ? setting->defaultEventAlert() : QString();
    if (defaults.isEmpty()) return;
    const QStringList parts = defaults.split(QLatin1Char('/'));
    const std::shared_ptr<AlertObj> alert = parts.size() >= 2 ? Utilities::getAlertFromList(parts, 1) : nullptr;
    AlertObj none;
    m_alertRows->fillLastRowWithAlert(alert ? *alert : none);
}

// ---- loading ----------------------------------------------------------------------

bool EventDetailView::isStoredDetachedOccurrence() const
{
    return m_task && m_task->parentId() != -1 && m_task->primaryKey() >= 0;
}

void EventDetailView::loadDataFromTask(const TaskPtr& shown)
{
    // Held here: the argument may be the form's own task, cleared next.
    const TaskPtr item = shown;
    m_task.reset();
    resetData();
    if (!item) return;
    CoreData* dataManager = CoreData::shared();
    // The data manager gets a copy as before; the revert uses the editor's
    // own, since other commands and the web sync set modifyingTask meanwhile.
    m_keptCopy = item->copy();
    if (dataManager) dataManager->setModifyingTask(item->copy());
    m_task = item;
    m_zoneId = item->tz();
    if (item->taskType() != 0) return;

    if (item->isSheduledTask()) {
        m_allRowView.removeAll(m_allDayRow);
        m_allDayRow->hide();
    }
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(item->calendarId()) : CalendarPtr();
    m_title->setString(item->taskName());
    m_locationTextField->setStringValue(item->taskLocation());
    m_allDayBtn->setState(item->isADE() ? 1 : 0);

    Date start;
    Date end;
    if (tzSupport()) {
        start = item->startTime();
        end = item->endTime();
        if (dataManager) {
            if (const auto zone = dataManager->getTimeZone(item->tz()); zone && m_zone.setCurrentZone)
                m_zone.setCurrentZone(*zone);
        }
    } else {
        if (dataManager) dataManager->recalculateTimeWithTimezoneSupport(item);
        start = item->tzStartTime().isNull() ? item->startTime() : item->tzStartTime();
        end = item->tzEndTime().isNull() ? item->endTime() : item->tzEndTime();
    }
    m_startTextField->setDateValue(start);
    m_previousStartTime = start;
    setMinimumDates(start);
    m_endTextField->setDateValue(end);
    toggleAllDay();
    m_allDayBtn->setEnabled(!isStoredDetachedOccurrence());

    if (!(item->parentId() != -1 && item->primaryKey() > -2)) m_repeatRules->loadFromTask(*item);

    selectCategoryOfItem(category);
    m_alertRows->loadAlerts(item->createAlertList());
    m_urlTextField->setStringValue(item->url());
    updateTagListWithCal(chosenCategory(), item);
    if (isStoredDetachedOccurrence()) m_repeatRules->removeRepeatRowFromView();
    if (item->notes().isNull()) item->setNotes(QStringLiteral(""));
    m_desc->setString(item->notes());
    m_currentLinkSection->show();
    m_currentLinkSection->loadCurrentLinks(item);

    updateView();
    m_revertBtn->hide();
    setEnable(!item->isShared());
    if (isStoredDetachedOccurrence()) m_allDayBtn->setEnabled(false);
    m_title->selectAll();
}

void EventDetailView::insertCategoryOnTop(const CalendarPtr& category, int tag)
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

void EventDetailView::selectCategoryOfItem(const CalendarPtr& category)
{
    PopUpButton* button = calendarBtn();
    if (button && category) {
        if (m_task && m_task->isShared()) {
            insertCategoryOnTop(category, 0);
        } else {
            bool found = false;
            const std::vector<PopUpItem>& items = button->items();
            for (int i = 0; i < int(items.size()) && !found; ++i) {
                const PopUpItem& entry = items[size_t(i)];
                if (entry.isSelectable() && entry.enabled && entry.title == category->calendarName()) {
                    button->selectItemAtIndex(i);
                    found = true;
                }
            }
            // A category the pop-up does not offer (hidden, or shared while
            // the item is not) is still the item's: shown on top with its
            // key, so that saving keeps it.
            if (!found) insertCategoryOnTop(category, int(category->primaryKey()));
        }
    }
    selectCalendar();
}

CalendarPtr EventDetailView::chosenCategory() const
{
    const PopUpButton* button = calendarBtn();
    const PopUpItem* item = button ? button->selectedItem() : nullptr;
    sqlite3* database = RecordStore::sharedDatabase();
    if (!item || !database) return std::make_shared<Calendar>();
    return Calendar::initWithPrimaryKey(item->tag, database);
}

// ---- tags --------------------------------------------------------------------------

QStringList EventDetailView::tagNames(const QString& tagList)
{
    QStringList names;
    const QStringList parts = tagList.split(QLatin1Char('/'));
    if (parts.size() < 2) return names;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QString name = parts.at(i).trimmed();
        while (name.startsWith(QLatin1Char('/'))) name.remove(0, 1);
        while (name.endsWith(QLatin1Char('/'))) name.chop(1);
        if (!name.isEmpty()) names.append(name);
    }
    return names;
}

QStringList EventDetailView::tagsToShow(const QString& categoryTags, const QString& itemTags)
{
    QStringList shown;
    for (const QString& name : tagNames(categoryTags) + tagNames(itemTags)) {
        if (!shown.contains(name)) shown.append(name);
    }
    return shown;
}

QString EventDetailView::ownTagList(const QStringList& tokens, const QString& categoryTags)
{
    QStringList given = categoryTags.split(QLatin1Char('/'));
    if (given.size() >= 2) given.removeFirst();
    QString own;
    for (const QString& token : tokens) {
        if (given.contains(token)) continue;
        own += QLatin1Char('/') + token;
        given.append(token);
    }
    return own;
}

void EventDetailView::updateTagListWithCal(const CalendarPtr& category, const TaskPtr& item)
{
    const QStringList shown = tagsToShow(category ? category->tagList() : QString(), item ? item->tagList() : QString());
    m_tagDetailView->setObjectValue(shown);
    if (shown.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->resizeTokenField();
}

void EventDetailView::tagChanged()
{
    if (!checksApply()) return;
    const CalendarPtr category = chosenCategory();
    if (ownTagList(m_tagDetailView->objectValue(), category ? category->tagList() : QString()) != m_task->tagList())
        showRevert();
}

void EventDetailView::selectCalendar()
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
    const QStringList names = tagNames(category ? category->tagList() : QString());
    m_tagDetailView->setObjectValue(names);
    if (names.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->resizeTokenField();
}

// ---- change marks -------------------------------------------------------------------

bool EventDetailView::isRevertShown() const
{
    return !m_revertBtn->isHidden();
}

void EventDetailView::showRevert()
{
    if (m_type != 0) m_revertBtn->show();
}

bool EventDetailView::checksApply() const
{
    return m_type != 0 && m_task && !isRevertShown();
}

Date EventDetailView::startDate() const
{
    return m_startTextField->dateValue();
}

void EventDetailView::toggleAllDay()
{
    const bool allDay = m_allDayBtn->state() == 1;
    for (CustomNSDatePicker* picker : {m_startTextField, m_endTextField}) {
        picker->setElements(allDay ? DatePickerElements::Date : DatePickerElements::DateHourMinute);
        fitDatePicker(picker);
    }
    placeZoneRow();
    if (m_type != 0 && m_task && m_task->isADE() && !allDay) {
        const SettingPtr setting = currentSetting();
        const qint64 from = setting ? setting->deskTimeNDStart() : 0;
        const qint64 to = setting ? setting->deskTimeNDEnd() : 0;
        const Date day = m_startTextField->dateValue();
        const Date start = Utilities::newDateOnDate(day, from / 60, from % 60);
        setMinimumDates(start);
        m_startTextField->setDateValue(start);
        m_previousStartTime = start;
        m_endTextField->setDateValue(Utilities::newDateOnDate(day, to / 60, to % 60));
        if (!isRevertShown()) showRevert();
    }
    updateView();
}

void EventDetailView::startTimeChanged()
{
    const Date start = m_startTextField->dateValue();
    const double kept = m_endTextField->dateValue().timeIntervalSinceDate(m_previousStartTime);
    setMinimumDates(start);
    m_endTextField->setDateValue(Utilities::dateByAddTimeInterval(kept, start));
    m_previousStartTime = start;
    if (checksApply() && m_task->startTime() != start) showRevert();
}

void EventDetailView::endTimeChanged()
{
    if (checksApply() && m_task->endTime() != m_endTextField->dateValue()) showRevert();
}

void EventDetailView::titleChanged()
{
    if (checksApply() && m_title->string() != m_task->taskName()) showRevert();
}

void EventDetailView::locationChanged()
{
    if (checksApply() && m_locationTextField->stringValue() != m_task->taskLocation()) showRevert();
}

void EventDetailView::urlChanged()
{
    if (checksApply() && m_urlTextField->stringValue() != m_task->url()) showRevert();
}

void EventDetailView::textDidEndEditing(CustomTextView* textView)
{
    Q_UNUSED(textView);
    if (m_type == 0 || !m_task) return;
    if (m_title->string() != m_task->taskName())
        showRevert();
    else if (!isRevertShown() && m_desc->string() != m_task->notes())
        showRevert();
}

void EventDetailView::changeItemTo(const TimezoneObj& zone)
{
    m_zoneId = zone.tzId;
    if (checksApply() && m_task->tz() != zone.tzId) showRevert();
}

// ---- read-only mode and focus ----------------------------------------------------------

void EventDetailView::setEnable(bool enabled)
{
    m_title->setEditable(enabled);
    m_desc->setEditable(enabled);
    for (View* control : std::initializer_list<View*>{m_locationTextField, m_allDayBtn, m_startTextField,
                                                      m_endTextField, calendarBtn(), m_urlTextField,
                                                      m_tagDetailView}) {
        if (control) control->setEnabled(enabled);
    }
    m_repeatRules->setEnabled(enabled);
    if (m_zone.setEnabled) m_zone.setEnabled(enabled);
    m_alertRows->setEnabled(enabled);
    m_addLinkBtn->setVisible(enabled && m_type != 0);
}

void EventDetailView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

void EventDetailView::mouseDown(const Event& event)
{
    Q_UNUSED(event);
    customResignFirstResponder();
}
