#include "AddNewNoteView.h"

#include "Button.h"
#include "Calendar.h"
#include "Clock.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "DetailEditorHost.h"
#include "DetailRow.h"
#include "EditorShared.h"
#include "NoteContentView.h"
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
#include "Utilities.h"

#include <QPainter>

namespace {

const QColor noteFormLineColor(Qt::lightGray);

// A text of line feeds and blanks only is no note.
bool isBlankNote(const QString& text)
{
    for (const QChar c : text)
        if (c != QLatin1Char('\n') && c != QLatin1Char(' ')) return false;
    return true;
}

}  // namespace

AddView::FormMaker AddNewNoteView::formMaker()
{
    return [](AddView* panel, const QRectF& frame) -> std::unique_ptr<AddPanelForm> {
        return std::make_unique<AddNewNoteView>(frame, panel);
    };
}

AddNewNoteView::AddNewNoteView(const QRectF& frame, AddView* parentView) : View(frame), m_parentView(parentView)
{
    setFlipped(true);
    const double width = frame.width();
    m_contentView = new NoteContentView(QRectF(1, 1, std::max(0.0, width - 2), editorHeight),
                                        TextTable::localizedString(QStringLiteral("newNoteWaterMark")), this);
    m_contentView->setParentView(this);

    const auto makeRow = [this, width](const QString& caption, double y) {
        auto* row = new DetailRow(QRectF(0, y, width, EditorRowGeometry::rowHeight), this);
        row->label()->setStringValue(caption);
        m_allRowView.append(row);
        return row;
    };
    m_createRow = makeRow(TextTable::localizedString(QStringLiteral("createText")), firstRowY);
    m_calendarRow = makeRow(TextTable::localizedString(QStringLiteral("categoryText")), firstRowY + rowStep);
    m_tagRow = makeRow(TextTable::localizedString(QStringLiteral("tagText")), firstRowY + 2 * rowStep);

    m_createTextField = new CustomNSDatePicker(QRectF(controlX, 0, std::max(0.0, width - controlX - 5), 19));
    m_createTextField->setMinDate(Date::dateWithTimeIntervalSince1970(0));
    m_createRow->setView(m_createTextField);

    m_tagDetailView = new TagTokenDetailView(
        QRectF(controlX, m_tagRow->frame().y(), std::max(0.0, width - controlX - 5), 19), this);
    m_tagDetailView->setParentView(this);
    NotificationCenter::defaultCenter().addObserver(
        this, kTextFieldHasChangedNotification,
        NotificationPayload::identityOf(static_cast<TokenField*>(m_tagDetailView)),
        [this](const Notification&) { tagChanged(); });

    const auto makeButton = [this](const QString& title, std::function<void(Button*)> action) {
        Button* button = UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter,
                                                   ButtonType::MomentaryPushIn, QRectF(0, 0, 90, 24), this,
                                                   std::move(action), QImage(), QImage(), true);
        addSubview(button);
        return button;
    };
    m_addNoteBtn =
        makeButton(TextTable::localizedString(QStringLiteral("saveText")), [this](Button* b) { addNote(b); });
    m_cancelBtn =
        makeButton(TextTable::localizedString(QStringLiteral("cancelText")), [this](Button* b) { cancelAdd(b); });
    placeButtons();
}

AddNewNoteView::~AddNewNoteView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

PopUpButton* AddNewNoteView::calendarBtn() const
{
    return qobject_cast<PopUpButton*>(m_calendarRow->view());
}

// ---- preparing ------------------------------------------------------------------------

void AddNewNoteView::resetData()
{
    m_contentView->resetContent();
    m_createTextField->setDateValue(
        Utilities::roundTo15MinutesOnDay(QuickAddView::selectedDay(), Clock::now()));

    CoreData* dataManager = CoreData::shared();
    CalendarList offered;
    if (dataManager) {
        for (const CalendarPtr& category : dataManager->getCalendarWithType(0, dataManager->calendarList(), true))
            if (category && !category->isShared()) offered.append(category);
    }
    CustomNSPopUpButton* button = UIUtilities::createCalendarPopUpButtonWithFrame(
        QRectF(controlX, 0, 90, 19), this, [this](PopUpButton* b) { selectCalendar(b); }, offered);
    m_calendarRow->setView(button);
    // By key: two categories may share a name.
    const SettingPtr setting = currentSetting();
    if (setting) button->selectItemWithTag(setting->calendarDefID());
    selectCalendar(button);
    updateView();
}

void AddNewNoteView::setNoteContentText(const QString& text)
{
    m_contentView->setContentText(text);
}

void AddNewNoteView::focusToContent()
{
    m_contentView->setFocus();
}

void AddNewNoteView::changeModeNote()
{
    m_contentView->setModeNoteState();
}

void AddNewNoteView::selectCalendar(QObject*)
{
    PopUpButton* button = calendarBtn();
    if (!button) return;
    const QString title = button->titleOfSelectedItem();
    const double width = TextMeasure::sizeOfText(title, lucida(12)).width() + 50;
    button->setFrameSize(QSizeF(width, button->frame().height()));

    sqlite3* database = RecordStore::sharedDatabase();
    const CalendarPtr category = database ? Calendar::initWithPrimaryKey(selectedTag(button), database) : CalendarPtr();
    const QStringList parts = category ? category->tagList().split(QLatin1Char('/')) : QStringList();
    if (parts.size() < 2) {
        m_tagDetailView->setObjectValue({});
        m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    } else {
        m_tagDetailView->setObjectValue(parts.mid(1));
    }
    m_tagDetailView->resizeTokenField();
}

void AddNewNoteView::tagChanged()
{
    updateView();
}

// ---- saving ------------------------------------------------------------------------------

qint64 AddNewNoteView::categoryKeyToStore() const
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return selectedTag(calendarBtn());
    const CalendarList& categories = dataManager->calendarList();
    const auto exists = [&categories](qint64 key) {
        return std::any_of(categories.begin(), categories.end(),
                           [key](const CalendarPtr& c) { return c && c->primaryKey() == key; });
    };
    const qint64 chosen = selectedTag(calendarBtn());
    if (exists(chosen)) return chosen;
    const SettingPtr setting = currentSetting();
    if (setting && exists(setting->calendarDefID())) return setting->calendarDefID();
    if (const PopUpButton* button = calendarBtn()) {
        for (const PopUpItem& item : button->items())
            if (item.isSelectable() && exists(item.tag)) return item.tag;
    }
    return 0;
}

void AddNewNoteView::addNote(QObject*)
{
    const QString text = m_contentView->getContentText();
    if (isBlankNote(text)) return;
    const qint64 key = categoryKeyToStore();
    if (key <= 0) {
        qWarning() << "The new note was not stored: no category exists to hold it";
        return;
    }

    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setBuiltIn(0);
    note->setIsInitialTask(1);
    note->setTaskName(NoteText::taskName(text));
    note->setNotes(text);
    note->setStartTime(m_createTextField->dateValue());
    note->setCalendarId(key);
    sqlite3* database = RecordStore::sharedDatabase();
    const CalendarPtr category = database ? Calendar::initWithPrimaryKey(key, database) : CalendarPtr();
    // The bar stores the new tags with the note.
    note->setTagList(EventSaving::tagListFor(m_tagDetailView->objectValue(), category ? category->tagList() : QString()));

    QuickAddView* bar = m_parentView ? m_parentView->parentView() : nullptr;
    if (!bar) {
        qWarning() << "The new note has no quick-add bar to store it";
        return;
    }
    bar->addNewTask(note);
}

void AddNewNoteView::cancelAdd(QObject*)
{
    QuickAddView* bar = m_parentView ? m_parentView->parentView() : nullptr;
    if (bar) bar->resetData();
}

// ---- height and drawing --------------------------------------------------------------------

void AddNewNoteView::updateView()
{
    resizeWithHeight(rowStep * m_allRowView.size() + 314 + m_tagDetailView->frame().height());
    for (qsizetype i = 0; i < m_allRowView.size(); ++i) {
        DetailRow* row = m_allRowView.at(i);
        row->setFrameOrigin(QPointF(row->frame().x(), firstRowY + rowStep * i));
    }
    m_tagDetailView->setFrameOrigin(QPointF(m_tagDetailView->frame().x(), m_tagRow->frame().y()));
}

void AddNewNoteView::resizeWithHeight(double height)
{
    if (m_parentView && parentWidget() && isDescendantOf(m_parentView)) {
        m_parentView->resizeWithHeight(height);
        return;
    }
    setFrameSize(QSizeF(frame().width(), height + 12));
}

void AddNewNoteView::resizeHeightWithOffset(double offset)
{
    resizeWithHeight(offset + frame().height() - 12);
}

void AddNewNoteView::placeButtons()
{
    const double height = frame().height();
    m_cancelBtn->setFrame(QRectF(5, height - 29, 90, 24));
    m_addNoteBtn->setFrame(QRectF(frame().width() - 95, height - 29, 90, 24));
}

void AddNewNoteView::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    placeButtons();
}

void AddNewNoteView::drawRect(QPainter& painter, const QRectF&)
{
    painter.setPen(QPen(noteFormLineColor, 0.5));
    painter.drawRect(bounds().adjusted(0.25, 0.25, -0.25, -0.25));
    // Under the editor, and above the buttons.
    const double width = bounds().width();
    painter.drawLine(QPointF(0, editorHeight + 0.5), QPointF(width, editorHeight + 0.5));
    const double buttonsTop = bounds().height() - 34.5;
    if (buttonsTop > m_tagDetailView->frame().bottom())
        painter.drawLine(QPointF(0, buttonsTop), QPointF(width, buttonsTop));
}
