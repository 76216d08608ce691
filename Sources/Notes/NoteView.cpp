#include "NoteView.h"

#include "Button.h"
#include "Calendar.h"
#include "Clock.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "DetailRow.h"
#include "DetailViewController.h"
#include "EditorShared.h"
#include "EventDetailView.h"
#include "LinkSection.h"
#include "MainViewAccess.h"
#include "NoteText.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "OwnTagList.h"
#include "QuickAddView.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "ZVWSync.h"
#include "Utilities.h"

#include <QApplication>
#include <QDebug>
#include <QPainter>

namespace {

const QColor noteEditorLineColor(Qt::lightGray);
constexpr double noteEditorButtonHeight = 24;
constexpr double noteEditorButtonWidth = 90;

}  // namespace

NoteView::NoteView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    m_contentView = new NoteContentView(QRectF(7, 7, std::max(0.0, width - 14), contentHeight), QString(), this);
    m_contentView->setParentView(this);

    const auto makeRow = [this, width](const QString& caption, double y) {
        auto* row = new DetailRow(QRectF(0, y, width, 19), this);
        row->label()->setStringValue(caption);
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

    m_currentLinkSection = LinkSection::create(QRectF(0, 0, width, 100), this);
    m_currentLinkSection->setParentView(this);
    m_currentLinkSection->hide();

    const auto makeButton = [this](const QString& title, std::function<void(Button*)> action) {
        Button* button = UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter,
                                                   ButtonType::MomentaryPushIn,
                                                   QRectF(0, 0, noteEditorButtonWidth, noteEditorButtonHeight), this,
                                                   std::move(action), QImage(), QImage(), true);
        addSubview(button);
        return button;
    };
    m_addLinkBtn = makeButton(TextTable::localizedString(QStringLiteral("addLinkText")), [this](Button*) { addNewLink(); });
    m_revertBtn = makeButton(TextTable::localizedString(QStringLiteral("revertText")), [this](Button*) { revertEdit(); });
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), [this](Button*) { doneEdit(); });
    m_addLinkBtn->setFrameOrigin(QPointF(2, 0));
    m_doneBtn->setFrameOrigin(QPointF(width - 5 - noteEditorButtonWidth, 0));
    m_revertBtn->setFrameOrigin(QPointF(m_doneBtn->frame().x() - 85 - 5, 0));
    m_revertBtn->hide();

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, kTextFieldHasChangedNotification,
                       NotificationPayload::identityOf(static_cast<TokenField*>(m_tagDetailView)),
                       [this](const Notification&) { tagChanged(); });
    center.addObserver(this, kTextFieldHasChangedNotification, NotificationPayload::identityOf(m_createTextField),
                       [this](const Notification&) { createdDateChanged(); });
    resetData();
    updateView();
}

NoteView::~NoteView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
}

PopUpButton* NoteView::calendarBtn() const
{
    return qobject_cast<PopUpButton*>(m_calendarRow->view());
}

bool NoteView::isRevertShown() const
{
    return !m_revertBtn->isHidden();
}

void NoteView::showRevert()
{
    m_revertBtn->show();
}

DetailViewController* NoteView::detailViewController()
{
    // The add-link page replaces this one in the popover that shows it.
    if (DetailViewController* controller = DetailViewController::showing(this)) return controller;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    return m_detailViewController;
}

// ---- defaults and loading ------------------------------------------------------------------

void NoteView::resetData()
{
    m_createTextField->setDateValue(
        Utilities::roundTo15MinutesOnDay(QuickAddView::selectedDay(), Clock::now()));
    m_calendarRow->setView(makeCategoryPopUp(this, [this](PopUpButton*) { selectCalendar(); }));
}

CustomNSPopUpButton* NoteView::makeCategoryPopUp(QObject* target, std::function<void(PopUpButton*)> selector)
{
    CoreData* dataManager = CoreData::shared();
    CalendarList offered;
    if (dataManager) {
        for (const CalendarPtr& category : dataManager->getCalendarWithType(0, dataManager->calendarList(), true))
            if (category && !category->isShared()) offered.append(category);
    }
    CustomNSPopUpButton* button =
        UIUtilities::createCalendarPopUpButtonWithFrame(QRectF(controlX, 0, 90, 19), target, std::move(selector), offered);
    if (const SettingPtr setting = currentSetting()) button->selectItemWithTag(setting->calendarDefID());
    return button;
}

void NoteView::loadDataFromNote(const TaskPtr& note)
{
    loadDataFromNote(note, true);
    updateView();
}

void NoteView::loadDataFromNote(const TaskPtr& note, bool needLoadLink)
{
    m_note = note;
    if (!note) return;
    // The data manager gets a copy as before; Revert uses the editor's own,
    // since other editors and the web sync set modifyingTask meanwhile.
    m_keptCopy = note->copy();
    if (CoreData* dataManager = CoreData::shared()) dataManager->setModifyingTask(note->copy());
    if (note->taskType() != 3) return;

    m_contentView->setContent(note);
    CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(note->calendarId()) : CalendarPtr();
    m_createTextField->setDateValue(note->startTime());
    selectCategoryOfNote(category);
    updateTagListWithCal(category, note);
    if (needLoadLink) loadCurrentLinks();
    setEnable(!note->isShared());
}

void NoteView::selectCategoryOfNote(const CalendarPtr& category)
{
    chooseCategory(calendarBtn(), category, m_note && m_note->isShared());
    selectCalendar();
}

void NoteView::chooseCategory(PopUpButton* button, const CalendarPtr& category, bool onTop)
{
    if (button && category) {
        const std::vector<PopUpItem>& items = button->items();
        int found = -1;
        for (int i = 0; i < int(items.size()) && found < 0; ++i) {
            const PopUpItem& entry = items[size_t(i)];
            if (entry.isSelectable() && entry.enabled && entry.tag == category->primaryKey()) found = i;
        }
        // A shared note shows its category on top, as it came.
        if (onTop) found = -1;
        if (found >= 0) {
            button->selectItemAtIndex(found);
        } else {
            // Hidden, a project, or shared: still the note's category, shown
            // on top with its key so that a save keeps it.
            std::vector<PopUpItem> withOwn = items;
            PopUpItem own;
            own.title = category->calendarName();
            own.tag = int(category->primaryKey());
            own.indentationLevel = 1;
            own.image = UIUtilities::getCalendarColorImage(
                Utilities::colorInGroup(category->colorGroupId(), category->colorNameId()), QSizeF(14, 10));
            withOwn.insert(withOwn.begin(), own);
            button->removeAllItems();
            for (const PopUpItem& item : withOwn) button->addItem(item);
            button->selectItemAtIndex(0);
        }
    }
}

void NoteView::loadCurrentLinks()
{
    m_currentLinkSection->show();
    m_currentLinkSection->loadCurrentLinks(m_note);
}

CalendarPtr NoteView::chosenCategory() const
{
    sqlite3* database = RecordStore::sharedDatabase();
    return database ? Calendar::initWithPrimaryKey(selectedTag(calendarBtn()), database) : CalendarPtr();
}

void NoteView::selectCalendar()
{
    PopUpButton* button = calendarBtn();
    if (!button) return;
    const double width = TextMeasure::sizeOfText(button->titleOfSelectedItem(), lucida(12)).width() + 50;
    button->setFrameSize(QSizeF(width, button->frame().height()));
    if (m_note && selectedTag(button) != m_note->calendarId()) showRevert();
    updateTagListWithCal(chosenCategory(), m_note);
}

void NoteView::updateTagListWithCal(const CalendarPtr& category, const TaskPtr& note)
{
    const QStringList shown =
        EventDetailView::tagsToShow(category ? category->tagList() : QString(), note ? note->tagList() : QString());
    m_tagDetailView->setObjectValue(shown);
    if (shown.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_tagDetailView->resizeTokenField();
}

QString NoteView::ownTagList(const QStringList& tokens, const CalendarPtr& category)
{
    return EventSaving::tagListFor(tokens, category ? category->tagList() : QString());
}

// ---- what counts as a change ---------------------------------------------------------------

void NoteView::visibleRevertButton()
{
    showRevert();
}

void NoteView::createdDateChanged()
{
    if (!m_note || isRevertShown()) return;
    if (m_createTextField->dateValue() != m_note->startTime()) showRevert();
}

void NoteView::tagChanged()
{
    if (m_note && !isRevertShown() && ownTagList(m_tagDetailView->objectValue(), chosenCategory()) != m_note->tagList())
        showRevert();
    updateView();
}

// ---- saving ------------------------------------------------------------------------------

qint64 NoteView::categoryKeyToStore() const
{
    const qint64 chosen = selectedTag(calendarBtn());
    CoreData* dataManager = CoreData::shared();
    if (!dataManager || dataManager->calendarWithPrimaryKey(chosen)) return chosen;
    // Deleted while the editor was open.
    const SettingPtr setting = currentSetting();
    return setting ? setting->calendarDefID() : chosen;
}

void NoteView::summaryInfo()
{
    if (!m_note) return;
    const QString text = m_contentView->getContentText();
    // A note is never stored empty: an emptied text keeps the stored one.
    if (!text.isEmpty()) {
        m_note->setTaskName(NoteText::taskName(text));
        m_note->setNotes(text);
    }
    m_note->setStartTime(m_createTextField->dateValue());
    const qint64 key = categoryKeyToStore();
    m_note->setCalendarId(key);
    sqlite3* database = RecordStore::sharedDatabase();
    const CalendarPtr category = database ? Calendar::initWithPrimaryKey(key, database) : CalendarPtr();
    CoreData* dataManager = CoreData::shared();
    m_note->setTagList(EventSaving::tagListFor(m_tagDetailView->objectValue(),
                                               category ? category->tagList() : QString(),
                                               [dataManager](const QString& name) {
                                                   if (dataManager && !dataManager->insertTagIfNA(name)) qWarning() << "Tag" << name << "could not be stored";
                                               }));
}

bool NoteView::saveChanges(bool close)
{
    m_currentLinkSection->saveChanges();
    if (isRevertShown() && m_note) {
        // Written onto the row as stored now: the text pane may have saved
        // text since the editor was opened.
        sqlite3* database = RecordStore::sharedDatabase();
        const TaskPtr opened = m_note;
        const TaskPtr stored = database ? Task::initWithPrimaryKey(m_note->primaryKey(), database) : TaskPtr();
        const TaskPtr note = stored ? stored : m_note;
        m_note = note;
        CoreData* dataManager = CoreData::shared();
        // Refused, the editor stays open with what was typed; the person
        // was told.
        const bool saved = dataManager && dataManager->saveChangeFromView({note}, [&] {
            summaryInfo();
            if (!note->dehydrate()) return false;
            if (dataManager->isAppliedTagFilter() && !dataManager->removeTaskFromListWithTagFilter(note))
                dataManager->addTaskToList(note, dataManager->getShowTag());
            return true;
        }, window());
        if (!saved) {
            qWarning() << "Note" << note->primaryKey() << "could not be saved";
            m_note = opened;
            m_saveRefused = true;
            return false;
        }
        m_revertBtn->hide();
        // A later Revert goes back to what was just stored.
        m_keptCopy = m_note->copy();
        const SettingPtr setting = currentSetting();
        if (setting && setting->autoZVWSync() != 0)
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(2));
    }
    if (!close) return true;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationOnMainThreadName(kPopoverShouldClose, this);
    center.postNotificationOnMainThreadName(kTaskChanged, this);
    return true;
}

void NoteView::saveChangesManualReload()
{
    saveChanges(false);
    if (MainViewAccess* mainView = MainViewAccess::current(); mainView && m_note) {
        const QString key = QString::number(m_note->primaryKey());
        mainView->reloadDataWithInfo(QVariantMap{{key, key}});
    }
}

// ---- commands ----------------------------------------------------------------------------

void NoteView::revertInfo()
{
    if (!isRevertShown() || !m_note || !m_keptCopy) return;
    m_note->copyContentOfTask(*m_keptCopy);
}

void NoteView::revertEdit()
{
    revertInfo();
    m_revertBtn->hide();
    loadDataFromNote(m_note, false);
    m_contentView->updateContentTextAttributes();
    m_revertBtn->hide();
    updateView();
}

void NoteView::doneEdit()
{
    m_saveRefused = false;
    customResignFirstResponder();
    // Leaving the text saved it and was refused, and the person told: the
    // editor stays open with what was typed until Done again.
    if (m_saveRefused) return;
    saveChanges(true);
}

void NoteView::addNewLink()
{
    m_saveRefused = false;
    customResignFirstResponder();
    if (m_saveRefused || !saveChanges(false)) return;
    popupAddLink();
    m_revertBtn->hide();
}

void NoteView::popupAddLink()
{
    if (!m_note || !m_parentView) return;
    detailViewController()->addLink(m_note, m_parentView, 5);
}

void NoteView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

void NoteView::setEnable(bool enabled)
{
    m_contentView->setEnable(enabled);
    m_createTextField->setEnabled(enabled);
    if (PopUpButton* button = calendarBtn()) button->setEnabled(enabled);
    m_tagDetailView->setEnabled(enabled);
    m_addLinkBtn->setVisible(enabled);
}

// ---- layout and drawing ------------------------------------------------------------------

void NoteView::updateView()
{
    double y = firstRowY + 2 * rowStep + 7 + m_tagDetailView->frame().height();
    m_currentLinkSection->updateFrameHeight();
    if (!m_currentLinkSection->isHidden()) y += m_currentLinkSection->frame().height();
    for (Button* button : {m_addLinkBtn, m_doneBtn, m_revertBtn})
        button->setFrameOrigin(QPointF(button->frame().x(), y));
    setFrameSize(QSizeF(frame().width(), m_doneBtn->frame().bottom()));
    m_currentLinkSection->setFrameOrigin(QPointF(m_currentLinkSection->frame().x(), m_tagDetailView->frame().bottom()));
    setNeedsDisplay();
}

void NoteView::resizeWithHeight(double height)
{
    setFrameSize(QSizeF(frame().width(), height + 12));
}

void NoteView::resizeHeightWithOffset(double offset)
{
    resizeWithHeight(frame().height() + offset - 12);
    updateView();
}

void NoteView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    View::drawRect(painter, dirtyRect);
    painter.setPen(QPen(noteEditorLineColor, 0.5));
    const double width = bounds().width();
    const double tagBottom = m_tagDetailView->frame().bottom();
    painter.drawLine(QPointF(84.5, firstRowY + 3), QPointF(84.5, tagBottom + 3));
    painter.drawLine(QPointF(0, tagBottom + 3.5), QPointF(width, tagBottom + 3.5));
    const double bottomLine = bounds().height() - 27;
    painter.drawLine(QPointF(0, bottomLine), QPointF(width, bottomLine));
    painter.drawRect(m_contentView->frame().adjusted(-0.25, -0.25, 0.25, 0.25));
}
