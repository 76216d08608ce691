#include "QuickAddView.h"

#include "AddView.h"
#include "Button.h"
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "CreatingViewController.h"
#include "MainViewAccess.h"
#include "MainViewHeight.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "QuickAddLine.h"
#include "Scheduler.h"
#include "SearchView.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QApplication>
#include <QDebug>
#include <QLineEdit>
#include <QPointer>

#include <algorithm>
#include <cmath>

const QString QuickAddView::addNotification = kAddNotification;

namespace {

SettingPtr currentSetting()
{
    CoreData* manager = CoreData::shared();
    return manager ? manager->currentSetting() : SettingPtr();
}

bool isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

}  // namespace

QuickAddView::QuickAddView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = std::max(0.0, frame.width());
    const QImage plus = NamedImages::imageNamed(QStringLiteral("addnew_textfield"));

    m_addNewBtn = UIUtilities::createButton(QString(), 12, QColor(Qt::black), Qt::AlignCenter,
                                            ButtonType::PushOnPushOff, QRectF(95, 0, 36, 29), this,
                                            [this](Button* sender) { creatingNewObject(sender); }, plus, plus, true);
    addSubview(m_addNewBtn);

    m_searchAndAdd = new TextField(QRectF(135, 2, 143, 22));
    m_searchAndAdd->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    m_searchAndAdd->setPlaceholderString(QString());
    m_searchAndAdd->setDelegate(this);
    addSubview(m_searchAndAdd);
    // Only the user's typing counts: text set by the program (the reset)
    // neither grows the bar nor searches.
    connect(m_searchAndAdd->editor(), &QLineEdit::textEdited, this, [this] { controlTextDidChange(); });

    m_addView = new AddView(QRectF(0, 30, width, 50));
    m_addView->setParentView(this);
    m_addView->setHidden(true);
    addSubview(m_addView);

    // The results lie below the bar's collapsed height: they show only
    // once it grows.
    const double searchHeight = std::max(0.0, double(mainViewHeight) - 158);
    m_searchView = new SearchView(QRectF(0, 85, width, searchHeight));
    addSubview(m_searchView);
}

QuickAddView::~QuickAddView()
{
    m_continueTypingTimer.invalidate();
}

double QuickAddView::expandedHeight() const
{
    return std::max(collapsedHeight, double(mainViewHeight) - expandedInset);
}

void QuickAddView::postAddNotification()
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAddNotification, this);
}

void QuickAddView::scheduleContinueTyping()
{
    m_continueTypingTimer.invalidate();
    QPointer<QuickAddView> self(this);
    m_continueTypingTimer = Scheduler::current().scheduleTimer(continueTypingDelay, false, [self] {
        if (self) self->continueTyping();
    });
}

// ---- typing --------------------------------------------------------------------------

void QuickAddView::controlTextDidChange()
{
    const QString text = m_searchAndAdd->stringValue();
    if (text.isEmpty()) {
        resetData();
        scheduleContinueTyping();
        return;
    }
    if (frame().height() != collapsedHeight || m_isQuickAdd || m_isSearching || m_isAdding) {
        search();
        return;
    }
    m_addView->setHidden(false);
    m_isSearching = true;
    m_isAdding = false;
    m_searchView->setHidden(false);
    setFrameSize(QSizeF(frame().width(), expandedHeight()));
    postAddNotification();
    scheduleContinueTyping();
    if (MainViewAccess* mainView = MainViewAccess::current())
        mainView->setShadowLocationWithHeight(frame().height() - 40);
    search();
}

void QuickAddView::search()
{
    const QString text = m_searchAndAdd->stringValue();
    if (text.isEmpty() || !m_isSearching) return;
    m_searchView->loadSearchResultWithSearchText(text);
}

void QuickAddView::continueTyping()
{
    QLineEdit* editor = m_searchAndAdd->editor();
    if (!editor) return;
    editor->setFocus(Qt::OtherFocusReason);
    editor->deselect();
    editor->end(false);
}

// ---- states --------------------------------------------------------------------------

void QuickAddView::resetData()
{
    // Folding hides the form; the keyboard it held would pass to the next
    // stop in the window (a stray Space there clicks it), so the line,
    // where one types next, takes it back.
    QWidget* focused = QApplication::focusWidget();
    const bool heldKeyboard = focused && isAncestorOf(focused);
    m_continueTypingTimer.invalidate();
    m_searchAndAdd->setEditable(true);
    m_searchAndAdd->setStringValue(QString());
    m_addView->setHidden(true);
    m_addView->tabView()->setHidden(true);
    m_addView->menuSegmentedControl()->setSelectedSegment(-1);
    m_addView->resetData();
    m_searchView->setHidden(false);
    m_isSearching = false;
    m_isAdding = false;
    m_isQuickAdd = false;
    setFrameSize(QSizeF(frame().width(), collapsedHeight));
    postAddNotification();
    if (heldKeyboard)
        if (QLineEdit* editor = m_searchAndAdd->editor()) editor->setFocus(Qt::OtherFocusReason);
}

void QuickAddView::keyDown(const Event& event)
{
    if (event.firstCharacterIgnoringModifiers() != KeyCharacter::Escape || frame().height() == collapsedHeight) {
        View::keyDown(event);
        return;
    }
    resetData();
    if (QLineEdit* editor = m_searchAndAdd->editor()) editor->setFocus(Qt::OtherFocusReason);
}

void QuickAddView::beginAddTask()
{
    m_isAdding = true;
    m_isSearching = false;
    m_searchView->setHidden(true);
}

void QuickAddView::setIsQuickAdd(bool quickAdd)
{
    if (!quickAdd || m_addView->isHidden()) {
        m_isQuickAdd = false;
        return;
    }
    m_isQuickAdd = true;
    m_isSearching = false;
    m_isAdding = true;
    setFrameSize(QSizeF(frame().width(), expandedHeight()));
    postAddNotification();
    scheduleContinueTyping();
}

void QuickAddView::resizeWithHeight(double height)
{
    if (m_addView->isHidden()) return;
    if (!std::isfinite(height) || height < 0) {
        qWarning() << "The quick-add bar ignored a panel height of" << height;
        return;
    }
    const double width = frame().width();
    setFrameSize(QSizeF(width, 22 + height + 8));
    postAddNotification();
    m_addView->setFrameSize(QSizeF(width, height));
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setShadowLocationWithHeight(height);
}

// ---- making items --------------------------------------------------------------------

// Now in the zone the day grid shows, so that a new item lands under its
// now-line whichever zone is chosen.
Date QuickAddView::displayNow()
{
    const CoreData* manager = CoreData::shared();
    return manager ? manager->displayNow() : Clock::now();
}

Date QuickAddView::selectedDay()
{
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* monthView = mainView ? mainView->monthView() : nullptr;
    if (monthView && monthView->monthCalendarView()) {
        const Date day = monthView->monthCalendarView()->currentDay();
        if (!day.isNull()) return day;
    }
    return displayNow();
}

Date QuickAddView::roundedStartOnSelectedDay()
{
    return Utilities::roundTo15MinutesOnDay(selectedDay(), displayNow());
}

QString QuickAddView::defaultName() const
{
    // The field may hold what was typed before a type was chosen; blanks
    // are no name.
    const QString typed = m_searchAndAdd->stringValue().trimmed();
    return typed.isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : typed;
}

bool QuickAddView::doCommand(TextField*, FieldCommand command)
{
    if (command == FieldCommand::Cancel) {
        // Escape empties the bar and folds the results or the add form away,
        // as the form's cancel does; an empty, folded bar lets it go.
        if (m_searchAndAdd->stringValue().isEmpty() && frame().height() == collapsedHeight) return false;
        resetData();
        return true;
    }
    if (command != FieldCommand::InsertNewline) return false;
    const SettingPtr setting = currentSetting();
    const qint64 eventMinutes = setting ? setting->durationDefEventVal() : 60;
    const int segment = m_addView->menuSegmentedControl()->selectedSegment();
    if (segment == AddView::ProjectEditor) {
        if (isBlank(m_searchAndAdd->stringValue()))
            m_searchAndAdd->setStringValue(TextTable::localizedString(QStringLiteral("untitledText")));
        addNewCategory();
        return true;
    }

    auto item = std::make_shared<Task>();
    auto planEvent = [&item, eventMinutes] {
        item->setTaskType(0);
        const Date start = roundedStartOnSelectedDay();
        item->setStartTime(start);
        item->setEndTime(Utilities::newDateFromDate(start, double(eventMinutes) * 60));
    };
    if (segment == AddView::TaskEditor)
        item->setTaskType(1);
    else if (segment == AddView::NoteEditor)
        item->setTaskType(3);
    else
        planEvent();

    const QuickAddLine line = parseQuickAddLine(m_searchAndAdd->stringValue());
    switch (line.prefix) {
    case 't':
        item->setTaskType(1);
        item->setStartTime(roundedStartOnSelectedDay());
        break;
    case 'n':
        item->setTaskType(3);
        item->setNotes(line.text);
        item->setStartTime(roundedStartOnSelectedDay());
        break;
    case 'e': planEvent(); break;
    default: break;
    }

    // A blank line or a prefix alone leaves no name: such an item is
    // untitled, never named by blanks or by the prefix. Notes may stay
    // without a name.
    QString name = line.text;
    if (item->taskType() != 3 && isBlank(name)) name = TextTable::localizedString(QStringLiteral("untitledText"));
    item->setTaskName(name);
    if (setting) item->setCalendarId(setting->calendarDefID());
    if (item->taskType() == 0 && setting && !setting->defaultEventAlert().isEmpty())
        item->setAlertValues(setting->defaultEventAlert());
    addNewTask(item);
    return true;
}

void QuickAddView::addNewTask(const TaskPtr& item)
{
    if (!item) return;
    if (item->taskType() != 3 && item->taskName().isEmpty()) item->setTaskName(defaultName());
    CoreData* manager = CoreData::shared();
    if (!manager) {
        qWarning() << "A new item from the quick-add bar was dropped: there is no data manager";
        resetData();
        return;
    }
    manager->setModifyingTask(item);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kRefreshHideStateOfMonthView, this);
    // The tags the form named that are new go in with the item, one unit.
    if (!manager->saveChangeFromView({}, [&] {
            for (const QString& name : item->tagList().split(QLatin1Char('/'), Qt::SkipEmptyParts))
                if (!manager->insertTagIfNA(name)) return false;
            return manager->addNewTask(item);
        }, window())) {
        // The bar keeps the line, so what was typed is not lost and Return
        // may try again.
        qWarning() << "The new item" << item->taskName() << "could not be stored";
        return;
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) {
        if (mainView->isPlannerExpand())
            mainView->reloadPlannerView(true);
        else if (item->taskType() == 3)
            mainView->showNoteModuleAndReloadData();
        else if (item->taskType() == 1)
            mainView->showTaskModuleAndReloadData();
    }
    resetData();
}

void QuickAddView::addNewCategory()
{
    auto category = std::make_shared<Calendar>();
    category->setCalendarName(m_searchAndAdd->stringValue());
    category->setColorGroupId(0);
    category->setColorNameId(0);
    category->setProjectType(0);
    category->setIsTransparent(false);
    category->setTagList(QString());
    CoreData* manager = CoreData::shared();
    if (!manager || !manager->addCalendarToCalendarList(category, true)) {
        // As for items: the line stays for another try.
        qWarning() << "The new category" << category->calendarName() << "could not be stored";
        CoreData::tellChangeNotSaved(window());
        return;
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->showProjectModuleAndReloadData();
    resetData();
}

// ---- the add button and the results ---------------------------------------------------

void QuickAddView::creatingNewObject(Button*)
{
    if (m_addNewBtn->state() != 1) {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
        return;
    }
    creatingNewObjectByType(0);
}

void QuickAddView::creatingNewObjectByType(qint32 objType)
{
    if (!m_creatingViewController) m_creatingViewController = new CreatingViewController(m_addNewBtn, this);
    m_creatingViewController->showViewPopOverAtPositionView(m_addNewBtn, objType);
}

void QuickAddView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    m_searchView->reloadData(changedItems);
}
