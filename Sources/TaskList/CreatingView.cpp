#include "CreatingView.h"

#include "Calendar.h"
#include "Common.h"
#include "CoreData.h"
#include "DeferOnNSSegmentedCell.h"
#include "MainViewAccess.h"
#include "QuickAddLine.h"
#include "QuickAddView.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDebug>

#include <cmath>

namespace {

// The small control's height; the title sits 7 points under it.
constexpr double typeTabsHeight = 20;
constexpr double deferRowHeight = 25;
constexpr double deferRowY = 85;
constexpr double margin = 7;

struct Choice {
    int tag;
    QString (*text)();
};
// Type tabs: the tag is the type.
const Choice typeTabs[] = {
    {0, [] { return TextTable::localizedString(QStringLiteral("eventText")); }},
    {1, [] { return TextTable::localizedString(QStringLiteral("taskText")); }},
    {2, [] { return TextTable::localizedString(QStringLiteral("noteText")); }},
    {3, [] { return TextTable::localizedString(QStringLiteral("categoryText")); }},
};
// Defer choices in their order on screen; the position of a choice is its
// index here.
const Choice deferChoices[] = {
    {CreatingView::DeferToday, [] { return TextTable::localizedString(QStringLiteral("deferTodayText")); }},
    {CreatingView::DeferNextWeek, [] { return TextTable::localizedString(QStringLiteral("deferNextWeekText")); }},
    {CreatingView::DeferNextMonth, [] { return TextTable::localizedString(QStringLiteral("deferNextMonthText")); }},
    {CreatingView::DeferAnytime, [] { return TextTable::localizedString(QStringLiteral("deferAnytimeText")); }},
};

QString untitledText()
{
    return TextTable::localizedString(QStringLiteral("untitledText"));
}

Font lucida(double size)
{
    return Font::fontWithName(QStringLiteral("Lucida Grande"), size);
}

// The choice of the tag, anytime for a tag outside the table.
qsizetype deferPosition(qint64 tag)
{
    for (qsizetype i = 0; i < qsizetype(std::size(deferChoices)); ++i)
        if (deferChoices[i].tag == tag) return i;
    return 3;
}

// The times of new items are those of the bar: now as the day grid shows
// it, on the day selected in the mini month.
Date roundedOnSelectedDay()
{
    return QuickAddView::roundedStartOnSelectedDay();
}

// Now in the shown zone, rounded up to the quarter hour.
Date roundedNow()
{
    return Utilities::roundTo15MinutesForDate(QuickAddView::displayNow(), true);
}

}  // namespace

CreatingView::CreatingView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double width = frame.width();

    m_menuSegmentedControl = new SegmentedControl(QRectF(margin, margin, 10, typeTabsHeight));
    m_menuSegmentedControl->setSegmentCount(int(std::size(typeTabs)));
    const double tabWidth = std::round((width - 21) * 0.25);
    for (int i = 0; i < int(std::size(typeTabs)); ++i) {
        m_menuSegmentedControl->setLabel(typeTabs[i].text(), i);
        m_menuSegmentedControl->setTag(typeTabs[i].tag, i);
        m_menuSegmentedControl->setWidth(tabWidth, i);
    }
    m_menuSegmentedControl->setTextFont(lucida(11));
    m_menuSegmentedControl->setFrameSize(QSizeF(m_menuSegmentedControl->fittingWidth(), typeTabsHeight));
    m_menuSegmentedControl->setSelectedSegment(0);
    m_menuSegmentedControl->setTarget(this, [this](SegmentedControl* sender) { menuControl(sender); });
    addSubview(m_menuSegmentedControl);

    const double tabsHeight = m_menuSegmentedControl->frame().height();
    m_titleField = new TextField(QRectF(margin, tabsHeight + 14, width - 14, 22));
    m_titleField->setDelegate(this);
    addSubview(m_titleField);

    const double titleBottom = m_titleField->frame().bottom();
    m_deferOnLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(margin, titleBottom + 14, width - 14, 19));
    m_deferOnLabel->setTextFont(lucida(12));
    m_deferOnLabel->setStringValue(QStringLiteral("%1:").arg(TextTable::localizedString(QStringLiteral("deferOnText"))));
    addSubview(m_deferOnLabel);

    m_deferOn = new SegmentedControl(QRectF(0, deferRowY, width, deferRowHeight));
    DeferOnNSSegmentedCell::install(m_deferOn);
    m_deferOn->setSegmentCount(int(std::size(deferChoices)));
    m_deferSegmentWidth = std::round((width - 7) / 4);
    for (int i = 0; i < int(std::size(deferChoices)); ++i) {
        m_deferOn->setLabel(deferChoices[i].text(), i);
        m_deferOn->setTag(deferChoices[i].tag, i);
        m_deferOn->setWidth(m_deferSegmentWidth, i);
    }
    m_deferOn->setTextFont(lucida(11));
    m_deferOn->setFrameSize(QSizeF(width, deferRowHeight));
    m_deferOn->setTarget(this, [this](SegmentedControl* sender) { deferSelection(sender); });
    addSubview(m_deferOn);

    // Out of sight until a choice is made.
    m_currentLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(0, 1000, m_deferSegmentWidth, 19));
    m_currentLabel->setTextFont(lucida(11));
    m_currentLabel->setTextColor(QColor(Qt::blue));
    m_currentLabel->setDrawsBackground(true);
    m_currentLabel->setBackgroundColor(Common::appBackgroundColor());
    m_currentLabel->setAlignment(Qt::AlignHCenter);
    addSubview(m_currentLabel);

    setObjType(0);
}

CreatingView::~CreatingView() = default;

void CreatingView::setObjType(qint32 objType)
{
    if (objType < 0 || objType > 3) {
        qWarning() << "The quick create view has no type" << objType << "; it shows the event tab";
        objType = 0;
    }
    m_objType = objType;
    m_menuSegmentedControl->selectSegmentWithTag(objType);
    if (objType == 1) {
        setFrameSize(QSizeF(viewWidth, deferHeight));
        m_deferOn->setFrameOrigin(QPointF(std::round((frame().width() - m_deferOn->frame().width()) / 2), deferRowY));
        m_deferOn->show();
    } else {
        setFrameSize(QSizeF(viewWidth, compactHeight));
        m_deferOn->hide();
    }
    m_menuSegmentedControl->setFrameOrigin(QPointF(margin, margin));
}

void CreatingView::menuControl(QObject*)
{
    const int segment = m_menuSegmentedControl->selectedSegment();
    if (segment < 0) return;
    const int tag = m_menuSegmentedControl->tagForSegment(segment);
    setObjType(tag);
    if (tag == 1) {
        m_deferOn->selectSegmentWithTag(DeferAnytime);
        selectDefer(DeferAnytime);
    }
}

void CreatingView::deferSelection(QObject*)
{
    selectDefer(selectedDeferTag());
}

void CreatingView::selectDefer(qint64 tag)
{
    const qsizetype position = deferPosition(tag);
    m_currentLabel->setStringValue(deferChoices[position].text());
    const double step = std::round((frame().width() - 7) / m_deferOn->segmentCount());
    m_currentLabel->setFrameOrigin(QPointF(double(position) * step + double(position), m_deferOn->frame().y() + 2));
}

qint64 CreatingView::selectedDeferTag() const
{
    const int segment = m_deferOn->selectedSegment();
    return segment < 0 ? DeferAnytime : m_deferOn->tagForSegment(segment);
}

bool CreatingView::doCommand(TextField*, FieldCommand command)
{
    if (command != FieldCommand::InsertNewline) return false;
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) {
        qWarning() << "No data manager: the quick create line makes nothing";
        return true;
    }

    if (m_objType == 3) {
        if (m_titleField->stringValue().trimmed().isEmpty()) m_titleField->setStringValue(untitledText());
        addNewCategory();
        return true;
    }

    auto item = std::make_shared<Task>();
    item->setTaskType(m_objType == 1 ? ItemKind::Task : m_objType == 2 ? ItemKind::Note : ItemKind::Event);
    const QuickAddLine line = parseQuickAddLine(m_titleField->stringValue());
    switch (line.prefix) {
    case 't': item->setTaskType(ItemKind::Task); break;
    case 'n':
        item->setTaskType(ItemKind::Note);
        item->setNotes(line.text);
        break;
    case 'e': item->setTaskType(ItemKind::Event); break;
    default: break;
    }
    item->setTaskName(line.text);
    const SettingPtr setting = dataManager->currentSetting();
    if (setting) item->setCalendarId(setting->calendarDefID());

    switch (item->taskType()) {
    case ItemKind::Task: {
        // A task made through "#t" on another tab is planned as anytime:
        // the defer row is not shown there, so a choice left on it from the
        // task tab is not the user's for this line.
        const qint64 defer = m_objType == 1 ? selectedDeferTag() : qint64(DeferAnytime);
        if (defer == DeferToday) {
            item->setStartTime(roundedNow());
            dataManager->setTodayInfo(item);
        } else {
            item->setStartTime(roundedOnSelectedDay());
            if (defer == DeferNextMonth) dataManager->setDoNextMonthInfo(item);
            if (defer == DeferNextWeek) dataManager->setDoNextWeekInfo(item);
        }
        const bool planned = defer == DeferToday || defer == DeferNextWeek || defer == DeferNextMonth;
        if (planned && setting && !setting->defaultTaskAlert().isEmpty()) {
            item->setHasDue(1);
            item->setAlertValues(setting->defaultTaskAlert());
        }
        break;
    }
    case ItemKind::Event: {
        const Date start = roundedOnSelectedDay();
        item->setStartTime(start);
        const qint64 minutes = setting ? setting->durationDefEventVal() : 0;
        item->setEndTime(Utilities::newDateFromDate(start, double(minutes) * 60));
        if (setting && !setting->defaultEventAlert().isEmpty()) item->setAlertValues(setting->defaultEventAlert());
        break;
    }
    case ItemKind::Note:
        item->setStartTime(roundedOnSelectedDay());
        if (item->notes().isEmpty()) item->setNotes(line.text);
        break;
    default: break;
    }
    addNewTask(item);
    return true;
}

bool CreatingView::addNewTask(const TaskPtr& item)
{
    CoreData* dataManager = CoreData::shared();
    if (!item || !dataManager) return false;
    // A blank line or a prefix alone leaves no name; notes may stay unnamed.
    if (item->taskType() != ItemKind::Note && item->taskName().isEmpty())
        item->setTaskName(untitledText());
    dataManager->setModifyingTask(item);
    if (!dataManager->addNewTask()) {
        // The title stays, so the user loses nothing and may try again.
        qWarning() << "The quick create popover could not store its new item";
        CoreData::tellChangeNotSaved(window());
        return false;
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) {
        if (mainView->isPlannerExpand())
            mainView->reloadPlannerView(true);
        else if (m_objType == 2)
            mainView->showNoteModuleAndReloadData();
        else if (m_objType == 1)
            mainView->showTaskModuleAndReloadData();
    }
    resetData();
    return true;
}

bool CreatingView::addNewCategory()
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return false;
    auto category = std::make_shared<Calendar>();
    category->setCalendarName(m_titleField->stringValue());
    category->setColorGroupId(0);
    category->setColorNameId(0);
    category->setProjectType(CategoryKind::Ordinary);
    category->setIsTransparent(false);
    category->setTagList(QStringLiteral(""));
    if (!dataManager->addCalendarToCalendarList(category, true)) {
        qWarning() << "The quick create popover could not store its new category";
        CoreData::tellChangeNotSaved(window());
        return false;
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->showProjectModuleAndReloadData();
    resetData();
    return true;
}

void CreatingView::resetData()
{
    m_titleField->setStringValue(QString());
}
