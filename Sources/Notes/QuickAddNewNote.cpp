#include "QuickAddNewNote.h"

#include "Clock.h"
#include "CoreData.h"
#include "Link.h"
#include "NoteText.h"
#include "NotificationCenter.h"
#include "QuickAddView.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QDebug>

namespace {

// Line feeds and blanks alone make no note.
bool isBlankLinkNote(const QString& text)
{
    for (const QChar c : text)
        if (c != QLatin1Char('\n') && c != QLatin1Char(' ')) return false;
    return true;
}

}  // namespace

QuickAddNewNote::QuickAddNewNote(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    setFlipped(true);
    m_contentView =
        new NoteContentView(QRectF(0, 0, frame.width(), LinkListTableView::quickAddRowHeight),
                            TextTable::localizedString(QStringLiteral("newLinkNoteWaterMark")), this);
    m_contentView->setAutoresizingMask(ViewWidthSizable);
    m_contentView->setParentView(this);
}

QuickAddNewNote::~QuickAddNewNote() = default;

bool QuickAddNewNote::saveChanges(bool notify)
{
    if (m_madeNote || !m_item) return false;
    const QString text = m_contentView->getContentText();
    if (text.isEmpty() || isBlankLinkNote(text)) return false;
    sqlite3* database = RecordStore::sharedDatabase();
    CoreData* dataManager = CoreData::shared();
    if (!database || !dataManager) {
        qWarning() << "A linked note could not be made: no database";
        return false;
    }

    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setBuiltIn(0);
    note->setIsInitialTask(1);
    note->setTaskName(NoteText::taskName(text));
    note->setNotes(text);
    note->setStartTime(
        Utilities::roundTo15MinutesOnDay(QuickAddView::selectedDay(), Clock::now()));
    note->setCalendarId(m_item->calendarId());
    // The note and its link are one unit: refused, neither is there, the
    // text stays typed and the person is told.
    const bool saved = dataManager->saveChangeFromView({}, [&] {
        if (!note->insertIntoDatabase(database) || !note->dehydrateUpdateOption(true)) return false;
        auto link = std::make_shared<Link>();
        const Date now = Clock::now();
        link->setCreatedDate(now);
        link->setUpdatedDate(now);
        // An occurrence made from a series links the series itself.
        const bool occurrence = m_item->repeatType() != 0 && m_item->primaryKey() <= 0;
        link->setRootId(occurrence ? m_item->parentId() : m_item->primaryKey());
        link->setTargetId(note->primaryKey());
        return dataManager->insertLink(link);
    }, window());
    if (!saved) {
        qWarning() << "A linked note could not be stored";
        return false;
    }
    dataManager->setQuickAddItemInPreview(note);
    m_madeNote = note;
    if (notify) NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, this);
    return true;
}

void QuickAddNewNote::saveChangesManualReload()
{
    if (!saveChanges(false) || isRetired()) return;
    auto* list = qobject_cast<LinkListTableView*>(m_parentView.data());
    if (!list) return;
    list->setIsNoteFirst(true);
    list->loadCurrentLinks();
    if (auto* host = dynamic_cast<LinkListHost*>(list->parentView()))
        host->updateViewWithExtendHeight(LinkListTableView::noteExtendHeight, 3);
}

void QuickAddNewNote::resetData()
{
    m_contentView->resetContent();
}

void QuickAddNewNote::setNoteContentText(const QString& text)
{
    m_contentView->setContentText(text);
}

void QuickAddNewNote::changeModeNote()
{
    m_contentView->setModeNoteState();
}

void QuickAddNewNote::drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSeparatorInRect(painter, dirtyRect);
}

void QuickAddNewNote::drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect)
{
    (void)painter;
    (void)dirtyRect;
}
