#include "TimezoneSearchView.h"

#include "Button.h"
#include "Event.h"
#include "NamedImages.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Screen.h"
#include "ScrollView.h"
#include "VRLPopover.h"
#include "Window.h"

#include <QDebug>
#include <QApplication>
#include <QLineEdit>

#include <algorithm>
#include <any>
#include <cmath>

namespace {

const QString kFloatingCity = QStringLiteral("Floating");

void postClose(const NotificationPayload& object = {})
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTimeZoneListCloseNotification, object);
}

// The press or release's point in our screen coordinates: its window's
// origin plus its window location (a window-less event is taken as it is).
QPointF screenPointOf(const Event& event)
{
    if (!event.window) return event.locationInWindow;
    const auto* window = qobject_cast<const Window*>(event.window);
    const QRectF frame = window ? window->frame() : Screen::fromQt(QRectF(event.window->geometry()));
    return {frame.x() + event.locationInWindow.x(), frame.y() + event.locationInWindow.y()};
}

}  // namespace

// ---- rows ------------------------------------------------------------------------

TimezoneItemView::TimezoneItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    m_label = TextField::labelWithString(QString(), QRectF(QPointF(0, 0), frame.size()), this);
    m_label->setDrawsBackground(false);
    m_label->setTextColor(Qt::black);
    m_label->setAlignment(Qt::AlignLeft);
    m_label->setSelectable(false);
    m_label->setBordered(false);
    m_label->setBezeled(false);
    m_label->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    // Presses go to the row, so that the list selects it.
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
}

TimezoneItemView::~TimezoneItemView() = default;

void TimezoneItemView::setObj(const TimezoneObj& zone)
{
    m_obj = zone;
    // The floating zone follows the machine's clock: it has no offset of its
    // own to show.
    m_label->setStringValue(zone.cityName == kFloatingCity ? kFloatingCity : zone.tzName);
}

// ---- the list ----------------------------------------------------------------------

MyTableView::MyTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent) {}

int MyTableView::numberOfRows() const
{
    return m_dataSource ? m_dataSource->numberOfRowsInTableView() : 0;
}

TableRowView* MyTableView::rowViewForRow(int row)
{
    return m_dataSource ? m_dataSource->rowViewForRowInTableView(row) : nullptr;
}

void MyTableView::reloadAndFit()
{
    reloadData();
    const double height = std::max(rowHeight(), rowCount() * rowPitch());
    setFrameSize(QSizeF(frame().width(), height));
}

void MyTableView::keyDown(const Event& event)
{
    if (event.keyCode == KeyCode::Return || event.keyCode == KeyCode::KeypadEnter)
        postClose();
    else if (event.keyCode == KeyCode::Escape)
        postClose(false);

    // The table's own handling: the arrows move a single selection.
    if (event.keyCode == KeyCode::DownArrow || event.keyCode == KeyCode::UpArrow) {
        if (rowCount() == 0) return;
        const int selected = selectedRow();
        int row = 0;
        if (selected < 0)
            row = event.keyCode == KeyCode::DownArrow ? 0 : rowCount() - 1;
        else
            row = std::clamp(selected + (event.keyCode == KeyCode::DownArrow ? 1 : -1), 0, rowCount() - 1);
        selectRowIndexes({row}, false);
        scrollRowToVisible(row);
        return;
    }
    TableView::keyDown(event);
}

void MyTableView::mouseUp(const Event& event)
{
    postClose(event);
    TableView::mouseUp(event);
}

// ---- the picker ----------------------------------------------------------------------

TimezoneSearchView::TimezoneSearchView(const QRectF& frame, double leftSpace, QWidget* parent) : View(frame, parent)
{
    const double w = frame.width();
    if (!std::isfinite(leftSpace) || leftSpace < 0) {
        qWarning() << "A time-zone picker's indent must be a length, not" << leftSpace << "; 0 is used";
        leftSpace = 0;
    }
    m_searchField = new TextField(QRectF(leftSpace, 0, std::max(0.0, w - leftSpace - buttonWidth), fieldHeight), this);
    m_searchField->setDrawsBackground(false);
    m_searchField->setBordered(false);
    m_searchField->setBezeled(false);
    m_searchField->setWraps(false);
    m_searchField->setDelegate(this);
    QObject::connect(m_searchField->editor(), &QLineEdit::textEdited, this, [this] { controlTextDidChange(); });

    m_dropdownBtn = new Button(QRectF(w - buttonWidth, 0, buttonWidth, fieldHeight), this);
    m_dropdownBtn->setImage(NamedImages::imageNamed(QStringLiteral("timezone")));
    m_dropdownBtn->setBordered(false);
    m_dropdownBtn->setTarget(this, [this](Button*) { showAll(); });

    m_scrollView = new ScrollView(QRectF(0, 0, w, listHeight));
    m_scrollView->setHasVerticalScroller(true);
    m_listView = new MyTableView(QRectF(0, 0, w, rowHeight));
    m_listView->setRowHeight(rowHeight);
    m_listView->setGridStyleMask(TableView::SolidHorizontalGridLine);
    m_listView->setBackgroundColor(Qt::white);
    m_listView->setAutoresizingMask(ViewWidthSizable);
    m_listView->setDataSource(this);
    m_scrollView->setDocumentView(m_listView);
    QObject::connect(m_listView, &TableView::selectionChanging, this, [this] {
        // A row pressed in the list is the choice.
        if (!isListShown()) return;
        const int row = m_listView->selectedRow();
        if (row < 0) return;
        chooseRow(row);
        closeListDataView();
    });
    QObject::connect(m_listView, &TableView::selectionChanged, this, [this] {
        // A row reached with the keys only shows its city until chosen.
        if (!isListShown()) return;
        const int row = m_listView->selectedRow();
        if (row >= 0 && row < m_filteredItems.size()) m_searchField->setStringValue(m_filteredItems[row]->obj().cityName);
    });

    m_popover = std::make_unique<VRLPopover>(m_scrollView);
    m_popover->setPosition(m_position);
    m_popover->setArrowHeight(0);
    m_popover->setBackgroundColor(Qt::transparent);
    // The list only suggests: the keys typed go on into the field.
    m_popover->setBecomesKeyWhenShown(false);
    // It shrinks to fewer matches (fitListHeight).
    m_popover->popoverWindow()->setMinimumSize(0, 0);

    NotificationCenter::defaultCenter().addObserver(this, kTimeZoneListCloseNotification, nullptr,
                                                    [this](const Notification& n) { closeList(n); });
}

TimezoneSearchView::~TimezoneSearchView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    m_listView->setDataSource(nullptr);
    // The row views are the picker's, wherever the table left them.
    for (const QPointer<TimezoneItemView>& row : m_rowViews) delete row.data();
    m_rowViews.clear();
    m_filteredItems.clear();
    m_popover.reset();
}

void TimezoneSearchView::setPosition(int position)
{
    m_position = position;
    m_popover->setPosition(position);
}

void TimezoneSearchView::setEnalble(bool enable)
{
    m_enalble = enable;
    m_searchField->setEditable(enable);
    m_dropdownBtn->setEnabled(enable);
}

TimezoneSearchViewDelegate* TimezoneSearchView::delegate() const
{
    if (m_delegateIsObject && !m_delegateObject) return nullptr;
    return m_delegate;
}

void TimezoneSearchView::setDelegate(TimezoneSearchViewDelegate* delegate)
{
    m_delegate = delegate;
    auto* object = dynamic_cast<QObject*>(delegate);
    m_delegateObject = object;
    m_delegateIsObject = object != nullptr;
}

void TimezoneSearchView::setItemsSource(std::function<QList<TimezoneObj>()> source)
{
    setItems({});
    m_itemsSource = std::move(source);
}

void TimezoneSearchView::takeItemsFromSource()
{
    if (!m_itemsSource) return;
    const std::function<QList<TimezoneObj>()> source = std::move(m_itemsSource);
    m_itemsSource = nullptr;
    // The picker holds no table and no rows yet: nothing listed to close.
    storeItems(source());
}

const QList<TimezoneObj>& TimezoneSearchView::items() const
{
    // Taking the table changes what the picker holds, not what it shows.
    if (m_itemsSource) const_cast<TimezoneSearchView*>(this)->takeItemsFromSource();
    return m_items;
}

void TimezoneSearchView::setItems(const QList<TimezoneObj>& items)
{
    m_itemsSource = nullptr;
    // The rows of the old table go with it.
    if (isListShown()) closeListDataView();
    m_filteredItems.clear();
    m_listView->reloadAndFit();
    for (const QPointer<TimezoneItemView>& row : m_rowViews) delete row.data();
    storeItems(items);
}

void TimezoneSearchView::storeItems(const QList<TimezoneObj>& items)
{
    m_rowViews.assign(std::size_t(items.size()), nullptr);
    m_items = items;
    m_foldedItems.clear();
    m_foldedItems.reserve(std::size_t(items.size()));
    for (const TimezoneObj& zone : items) m_foldedItems.emplace_back(foldedForSearch(zone.tzName), foldedForSearch(zone.cityName));
}

void TimezoneSearchView::setCurrentTZ(const std::optional<TimezoneObj>& zone)
{
    m_currentTZ = zone;
    if (zone) m_searchField->setStringValue(zone->cityName);
}

QString TimezoneSearchView::foldedForSearch(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing) folded.append(c);
    return folded.toCaseFolded();
}

bool TimezoneSearchView::zoneMatches(const TimezoneObj& zone, const QString& text, bool excludeFloating)
{
    if (excludeFloating && zone.cityName == kFloatingCity) return false;
    if (text.isEmpty()) return true;
    const QString needle = foldedForSearch(text);
    return foldedForSearch(zone.tzName).contains(needle) || foldedForSearch(zone.cityName).contains(needle);
}

void TimezoneSearchView::search(const QString& text)
{
    // zoneMatches with the table's names folded once.
    takeItemsFromSource();
    m_filteredItems.clear();
    const QString needle = foldedForSearch(text);
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const TimezoneObj& zone = m_items[i];
        if (m_excludeFloatingTZ && zone.cityName == kFloatingCity) continue;
        const auto& [name, city] = m_foldedItems[std::size_t(i)];
        if (!needle.isEmpty() && !name.contains(needle) && !city.contains(needle)) continue;
        m_filteredItems.append(rowViewForZone(int(i)));
    }
}

TimezoneItemView* TimezoneSearchView::rowViewForZone(int index)
{
    QPointer<TimezoneItemView>& row = m_rowViews[std::size_t(index)];
    if (!row) {
        row = new TimezoneItemView(QRectF(0, 0, frame().width(), 20));
        row->setObj(m_items[index]);
    }
    return row;
}

TableRowView* TimezoneSearchView::rowViewForRowInTableView(int row)
{
    return row >= 0 && row < m_filteredItems.size() ? m_filteredItems[row] : nullptr;
}

void TimezoneSearchView::reloadList()
{
    // Always on the main thread: the picker lives there.
    m_listView->reloadAndFit();
    fitListHeight();
}

void TimezoneSearchView::fitListHeight()
{
    // As high as its rows, up to listHeight: below the last row there would
    // be only the popover's clear background, which shows black where no
    // compositor blends it.
    const QSizeF wanted(m_scrollView->frame().width(), std::min(listHeight, m_listView->frame().height()));
    if (m_scrollView->frame().size() == wanted) return;
    VRLPopoverWindow* list = m_popover->popoverWindow();
    // The list stays attached where it was, above or below the control.
    const QPointF attached = list->frame().topLeft() + list->popoverWindowFrame()->attachmentPoint();
    list->setPopoverContentSize(wanted);
    list->setFrameOrigin(attached - list->popoverWindowFrame()->attachmentPoint());
}

void TimezoneSearchView::controlTextDidChange()
{
    if (!isListShown()) showListDataView();
    search(m_searchField->stringValue());
    reloadList();
}

void TimezoneSearchView::showAll()
{
    if (isListShown()) {
        closeListDataView();
        return;
    }
    showListDataView();
    search();
    reloadList();
}

bool TimezoneSearchView::doCommand(TextField*, FieldCommand command)
{
    switch (command) {
    case FieldCommand::MoveDown:
        if (!m_filteredItems.isEmpty()) makeListViewBecomFirstResponder(0);
        return true;
    case FieldCommand::MoveUp:
        if (!m_filteredItems.isEmpty()) makeListViewBecomFirstResponder(int(m_filteredItems.size()) - 1);
        return true;
    case FieldCommand::Cancel:
        postClose();
        return false;
    case FieldCommand::InsertNewline:
        takeTypedZone();
        return true;
    default: return false;
    }
}

void TimezoneSearchView::makeListViewBecomFirstResponder(int row)
{
    m_popover->popoverWindow()->makeKeyAndOrderFront();
    m_listView->scrollRowToVisible(row);
    m_listView->selectRowIndexes({row}, true);
    m_listView->becomeFirstResponder();
}

bool TimezoneSearchView::isListShown() const
{
    return m_popover->isVisible();
}

Window* TimezoneSearchView::pickerWindow() const
{
    return qobject_cast<Window*>(window());
}

QPointF TimezoneSearchView::listAttachmentPoint(int position, const QRectF& pickerInWindow, const QPointF& frameOrigin,
                                                bool showInPopover, const QPointF& originInOwnCoordinates)
{
    double x = pickerInWindow.x() + pickerInWindow.width() / 2;
    const double top = pickerInWindow.y() + pickerInWindow.height();
    double y = 0;
    if (position == 1)
        y = top - fieldHeight - 3;
    else if (position == 3)
        y = top + 10;
    else
        y = frameOrigin.y();
    if (showInPopover) {
        const double cx = originInOwnCoordinates.x();
        y = -originInOwnCoordinates.y();
        if (cx < -23) x += -10 - cx;
    }
    return {x, y};
}

void TimezoneSearchView::showListDataView()
{
    Window* parent = pickerWindow();
    const QRectF inWindow = convertRectToWindow(bounds());
    const QPointF point = listAttachmentPoint(m_position, inWindow, frame().topLeft(), m_showInPopover,
                                              convertPointFromWindow(frame().topLeft()));
    m_popover->displayPopoverInWindow(parent, point, false);
    if (parent) parent->makeKeyAndOrderFront();
    m_searchField->becomeFirstResponder();
    m_searchField->editor()->end(false);
}

bool TimezoneSearchView::closeListDataView()
{
    if (!isListShown()) return false;
    m_popover->closePopover();
    if (m_currentTZ) m_searchField->setStringValue(m_currentTZ->cityName);
    if (Window* parent = pickerWindow()) {
        parent->makeKeyAndOrderFront();
        if (QWidget* focus = parent->focusWidget()) focus->clearFocus();
    }
    return true;
}

void TimezoneSearchView::chooseRow(int row)
{
    if (row < 0 || row >= m_filteredItems.size()) return;
    const TimezoneObj zone = m_filteredItems[row]->obj();
    setCurrentTZ(zone);
    if (TimezoneSearchViewDelegate* receiver = delegate()) receiver->changeItemTo(zone);
}

void TimezoneSearchView::takeTypedZone()
{
    if (isListShown() && m_listView->selectedRow() >= 0) {
        closeAndChooseSelection();
        return;
    }
    const QString typed = m_searchField->stringValue().trimmed();
    if (!isListShown() && m_currentTZ && typed == m_currentTZ->cityName) return;
    if (!typed.isEmpty()) search(typed);
    if (typed.isEmpty() || m_filteredItems.isEmpty()) {
        // Names no zone: the zone in force stays, and the field says so.
        closeListDataView();
        if (m_currentTZ) m_searchField->setStringValue(m_currentTZ->cityName);
        QApplication::beep();
        return;
    }
    chooseRow(0);
    closeListDataView();
}

void TimezoneSearchView::closeAndChooseSelection()
{
    const int row = m_listView->selectedRow();
    if (closeListDataView() && row >= 0) chooseRow(row);
}

void TimezoneSearchView::closeList(const Notification& notification)
{
    if (!notification.hasObject()) {
        closeAndChooseSelection();
        return;
    }
    const std::any& object = notification.object();
    if (const auto* flag = std::any_cast<bool>(&object)) {
        if (*flag)
            closeAndChooseSelection();
        else
            closeListDataView();
        return;
    }
    if (const auto* number = std::any_cast<qint64>(&object)) {
        if (*number != 0)
            closeAndChooseSelection();
        else
            closeListDataView();
        return;
    }
    if (const auto* event = std::any_cast<Event>(&object)) closeListForEvent(*event);
}

void TimezoneSearchView::closeListForEvent(const Event& event)
{
    // The field and the button deal with their own presses.
    QPointF inPicker = event.locationInWindow;
    const QWidget* own = window();
    if (event.window && event.window != own) {
        const auto* ownWindow = qobject_cast<const Window*>(own);
        const QRectF frame = ownWindow ? ownWindow->frame() : Screen::fromQt(QRectF(own->geometry()));
        inPicker = screenPointOf(event) - frame.topLeft();
    }
    if (bounds().contains(convertPointFromWindow(inPicker))) return;

    VRLPopoverWindow* list = m_popover->popoverWindow();
    if (event.window != list) {
        closeListDataView();
        return;
    }
    if (event.type != EventType::LeftMouseUp) return;
    const int row = m_listView->rowAtPoint(m_listView->convertPointFromWindow(event.locationInWindow));
    if (row < 0) return;
    m_listView->selectRowIndexes({row}, false);
    closeAndChooseSelection();
}
