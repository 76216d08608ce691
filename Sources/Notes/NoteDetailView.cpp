#include "NoteDetailView.h"

#include "Button.h"
#include "Calendar.h"
#include "Clock.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "DetailRow.h"
#include "DetailViewController.h"
#include "EditorShared.h"
#include "EventDetailView.h"
#include "NoteView.h"
#include "NotificationCenter.h"
#include "OwnTagList.h"
#include "Notifications.h"
#include "QuickAddView.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QPainter>

namespace {

const QColor noteDetailLineColor(Qt::lightGray);
constexpr double noteDetailButtonWidth = 65;

}  // namespace

NoteDetailView::NoteDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    const auto makeRow = [this, width](const QString& caption, double y) {
        auto* row = new DetailRow(QRectF(0, y, width, 19), this);
        row->label()->setStringValue(caption);
        m_allRowView.append(row);
        return row;
    };
    m_createRow = makeRow(TextTable::localizedString(QStringLiteral("createText")), firstRowY);
    m_calendarRow = makeRow(TextTable::localizedString(QStringLiteral("categoryText")), firstRowY + rowStep);
    m_tagRow = makeRow(TextTable::localizedString(QStringLiteral("tagText")), firstRowY + 2 * rowStep);

    const double controlWidth = std::max(0.0, width - controlX - 5);
    m_createTextField = new CustomNSDatePicker(QRectF(controlX, 0, controlWidth, 19));
    m_createTextField->setMinDate(Date::dateWithTimeIntervalSince1970(0));
    m_createRow->setView(m_createTextField);

    m_tagDetailView = new TagTokenDetailView(QRectF(controlX, m_tagRow->frame().y(), controlWidth, 19), this);
    m_tagDetailView->setParentView(this);

    const auto makeButton = [this](const QString& title, std::function<void(Button*)> action) {
        Button* button = UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter,
                                                   ButtonType::MomentaryPushIn,
                                                   QRectF(0, 0, noteDetailButtonWidth, buttonHeight), this,
                                                   std::move(action), QImage(), QImage(), true);
        addSubview(button);
        return button;
    };
    m_backBtn = makeButton(TextTable::localizedString(QStringLiteral("backText")), [this](Button*) { back(); });
    m_addLinkBtn =
        makeButton(TextTable::localizedString(QStringLiteral("addLinkText")), [this](Button*) { addNewLink(); });
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), [this](Button*) { doneEditNote(); });
    placeButtons();

    NotificationCenter::defaultCenter().addObserver(
        this, kTextFieldHasChangedNotification,
        NotificationPayload::identityOf(static_cast<TokenField*>(m_tagDetailView)),
        [this](const Notification&) { tagChanged(); });
    resetData();
}

NoteDetailView::~NoteDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

PopUpButton* NoteDetailView::calendarBtn() const
{
    return qobject_cast<PopUpButton*>(m_calendarRow->view());
}

// ---- defaults and loading ------------------------------------------------------------------

void NoteDetailView::resetData()
{
    m_createTextField->setDateValue(
        Utilities::roundTo15MinutesOnDay(QuickAddView::selectedDay(), Clock::now()));
    m_calendarRow->setView(NoteView::makeCategoryPopUp(this, [this](PopUpButton*) { selectCalendar(); }));
    selectCalendar();
}

CalendarPtr NoteDetailView::chosenCategory() const
{
    sqlite3* database = RecordStore::sharedDatabase();
    return database ? Calendar::initWithPrimaryKey(selectedTag(calendarBtn()), database) : CalendarPtr();
}

void NoteDetailView::selectCalendar()
{
    PopUpButton* button = calendarBtn();
    if (!button) return;
    const double width = TextMeasure::sizeOfText(button->titleOfSelectedItem(), lucida(12)).width() + 50;
    button->setFrameSize(QSizeF(width, button->frame().height()));
    // The chosen category's tags stand in place of whatever the field held.
    updateTagListWithCal(chosenCategory(), nullptr);
}

void NoteDetailView::updateTagListWithCal(const CalendarPtr& category, const TaskPtr& note)
{
    const QStringList shown =
        EventDetailView::tagsToShow(category ? category->tagList() : QString(), note ? note->tagList() : QString());
    m_tagDetailView->setObjectValue(shown);
    if (shown.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_tagDetailView->resizeTokenField();
}

void NoteDetailView::loadDataFromNote(const TaskPtr& note)
{
    m_note = note ? note->copy() : nullptr;
    if (CoreData* dataManager = CoreData::shared()) dataManager->setModifyingTask(m_note);
    if (!m_note || m_note->taskType() != 3) return;
    m_createTextField->setDateValue(m_note->startTime());
    CoreData* dataManager = CoreData::shared();
    // By key, as the note editor does: two categories may share a name.
    const CalendarPtr category =
        dataManager ? dataManager->calendarWithPrimaryKey(m_note->calendarId()) : CalendarPtr();
    NoteView::chooseCategory(calendarBtn(), category, m_note->isShared());
    selectCalendar();
    updateTagListWithCal(nullptr, m_note);
    setEnable(!m_note->isShared());
    updateView();
}

void NoteDetailView::setEnable(bool enabled)
{
    m_createTextField->setEnabled(enabled);
    if (PopUpButton* button = calendarBtn()) button->setEnabled(enabled);
    m_tagDetailView->setEnabled(enabled);
    m_addLinkBtn->setVisible(enabled);
}

// ---- commands ----------------------------------------------------------------------------

void NoteDetailView::doneEditNote()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    sqlite3* database = RecordStore::sharedDatabase();
    // Written onto the row as stored now: the text pane may have saved text
    // since the page was loaded.
    CoreData* dataManager = CoreData::shared();
    TaskPtr stored;
    const bool read = database && m_note && dataManager && dataManager->runAskingCommandFromView([&] {
        return (stored = Task::storedWithPrimaryKey(m_note->primaryKey())) != nullptr;
    }, window());
    // A read refused (another program's lock refuses reads too) was told as
    // a refused save is: the page stays open with what was typed.
    if (!read && !RecordStore::lastFailureOnThisThread().isEmpty()) return;
    if (!stored || stored->taskType() != 3) {
        qInfo() << "The note of the detail page is gone; nothing is stored";
        center.postNotificationOnMainThreadName(kPopoverShouldClose, this);
        return;
    }
    // The page's fields, the tags they make and the list upkeep are one
    // unit; refused, the page stays open with what was typed and the person
    // was told.
    const bool saved = dataManager && dataManager->saveChangeFromView({stored}, [&] {
        stored->setStartTime(m_createTextField->dateValue());
        qint64 key = selectedTag(calendarBtn());
        if (!dataManager->calendarWithPrimaryKey(key)) {
            // Deleted while the page was open: the default category takes it.
            if (const SettingPtr setting = currentSetting()) key = setting->calendarDefID();
        }
        stored->setCalendarId(key);
        const CalendarPtr category = Calendar::initWithPrimaryKey(key, database);
        stored->setTagList(EventSaving::tagListFor(m_tagDetailView->objectValue(),
                                                   category ? category->tagList() : QString(),
                                                   [dataManager](const QString& name) {
                                                       // A failed write spoils the unit.
                                                       if (!dataManager->insertTagIfNA(name)) qWarning() << "Tag" << name << "could not be stored";
                                                   }));
        if (!stored->dehydrate()) return false;
        if (dataManager->isAppliedTagFilter() && !dataManager->removeTaskFromListWithTagFilter(stored))
            dataManager->addTaskToList(stored, dataManager->getShowTag());
        return true;
    }, window());
    if (!saved) {
        qWarning() << "Note" << stored->primaryKey() << "could not be saved";
        return;
    }
    m_note = stored;
    const SettingPtr setting = currentSetting();
    if (setting && setting->autoZVWSync() != 0) center.postNotificationOnMainThreadName(kAutoSyncNotification, qint64(2));
    center.postNotificationOnMainThreadName(kPopoverShouldClose, this);
    center.postNotificationOnMainThreadName(kTaskChanged, this);
}

void NoteDetailView::back()
{
    popupEditDetail();
}

void NoteDetailView::addNewLink()
{
    popupAddLink();
}

void NoteDetailView::popupEditDetail()
{
    if (!m_note || !m_rootView) return;
    DetailViewController::forPage(this)->editNote(m_note, m_rootView, m_rootView);
}

void NoteDetailView::popupAddLink()
{
    if (!m_note || !m_rootView) return;
    DetailViewController::forPage(this)->addLink(m_note, m_rootView, 4);
}

void NoteDetailView::tagChanged()
{
    updateView();
}

// ---- layout and drawing ------------------------------------------------------------------

void NoteDetailView::updateView()
{
    resizeWithHeight(double(m_allRowView.size()) * rowStep + 1 + m_tagDetailView->frame().height());
    double y = firstRowY;
    for (DetailRow* row : m_allRowView) {
        row->setFrameOrigin(QPointF(row->frame().x(), y));
        y += rowStep;
    }
    m_tagDetailView->setFrameOrigin(QPointF(m_tagDetailView->frame().x(), m_tagRow->frame().y()));
    placeButtons();
    setNeedsDisplay();
}

void NoteDetailView::resizeWithHeight(double height)
{
    setFrameSize(QSizeF(frame().width(), height + 12));
}

void NoteDetailView::resizeHeightWithOffset(double offset)
{
    setFrameSize(QSizeF(frame().width(), frame().height() + offset));
}

void NoteDetailView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    placeButtons();
}

void NoteDetailView::placeButtons()
{
    if (!m_doneBtn) return;
    const double width = frame().width();
    const double y = frame().height() - buttonBottomGap - buttonHeight;
    m_backBtn->setFrameOrigin(QPointF(5, y));
    m_addLinkBtn->setFrameOrigin(QPointF(75, y));
    m_doneBtn->setFrameOrigin(QPointF(width - 5 - m_doneBtn->frame().width(), y));
}

void NoteDetailView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    View::drawRect(painter, dirtyRect);
    painter.setPen(QPen(noteDetailLineColor, 0.5));
    const double doneTop = m_doneBtn->frame().y();
    painter.drawLine(QPointF(84.5, 0), QPointF(84.5, doneTop - 3));
    painter.drawLine(QPointF(0, doneTop - 2.5), QPointF(bounds().width(), doneTop - 2.5));
}
