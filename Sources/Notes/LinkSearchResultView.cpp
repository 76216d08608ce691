#include "LinkSearchResultView.h"

#include "AddLinkView.h"
#include "Button.h"
#include "Calendar.h"
#include "CoreData.h"
#include "CustomNSTextField.h"
#include "Font.h"
#include "LinkRules.h"
#include "NamedImages.h"
#include "Task.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr double searchIconSize = 10;
constexpr double searchIconX = 25;
constexpr double searchTitleX = 40;

Font searchRowFont()
{
    return Font::fontWithName(QStringLiteral("Lucida Grande"), 13);
}

// The kind icon of a match in its category's colour; none for a kind the
// list does not show.
QImage kindIconOf(const Task& item)
{
    CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(item.calendarId()) : CalendarPtr();
    const QColor color = category ? Utilities::getColorInGroupID(category->colorGroupId(), category->colorNameId(), 1)
                                  : QColor(Qt::gray);
    const QSizeF size(searchIconSize, searchIconSize);
    switch (item.taskType()) {
    case ItemKind::Note: return UIUtilities::getIconForType(3, false, false, color, size);
    case ItemKind::Task: return UIUtilities::getIconForType(1, false, item.status() != 0, color, size);
    case ItemKind::Event: return UIUtilities::getIconForType(0, item.isSheduledTask(), false, color, size);
    default: return QImage();
    }
}

}  // namespace

// ---- a match -----------------------------------------------------------------------------

LinkSearchListItemView::LinkSearchListItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    setFlipped(true);
    m_selectBtn = UIUtilities::createCheckboxWithFrame(
        QRectF(0, 2, 20, 20), this, [this](Button*) { select(); },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    addSubview(m_selectBtn);
    m_title = new CustomNSTextField(QRectF(searchTitleX, 3, std::max(0.0, std::round(frame.width() - 47)), 25), this);
    m_title->setEditable(false);
    m_title->setSelectable(false);
    m_title->setDrawsBackground(false);
    m_title->setBordered(false);
    m_title->setBezeled(false);
    m_title->setTextFont(searchRowFont());
    m_title->setTopAligned(true);
}

LinkSearchListItemView::~LinkSearchListItemView() = default;

void LinkSearchListItemView::setData(const TaskPtr& item)
{
    m_data = item ? item->copy() : nullptr;
    m_title->setStringValue(m_data ? m_data->taskName() : QString());
    m_icon = m_data ? kindIconOf(*m_data) : QImage();
    const bool done = m_data && m_data->taskType() == ItemKind::Task && m_data->status() == 1;
    if (done) {
        m_title->setLabelPainter([](QPainter& painter, const TextField& field) {
            QFont font = field.textFont().widgetFont();
            font.setStrikeOut(true);
            painter.setFont(font);
            painter.setPen(field.textColor());
            const QRectF area = field.rect();
            const QString shown = QFontMetricsF(font).elidedText(field.stringValue(), Qt::ElideRight, area.width());
            painter.drawText(area, Qt::AlignLeft | Qt::AlignTop, shown);
        });
    } else {
        m_title->setLabelPainter(nullptr);
    }
    update();
}

bool LinkSearchListItemView::isSelected() const
{
    return m_selectBtn->state() != 0;
}

void LinkSearchListItemView::select()
{
    if (m_parentView) m_parentView->setAddButtonStateIfNeed();
}

void LinkSearchListItemView::resizeEvent(QResizeEvent* event)
{
    TableRowView::resizeEvent(event);
    m_title->setFrameSize(QSizeF(std::max(0.0, std::round(frame().width() - 47)), 25));
}

void LinkSearchListItemView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawRect(painter, dirtyRect);
    if (m_icon.isNull()) return;
    const double top = (bounds().height() - searchIconSize) / 2;
    painter.drawImage(QRectF(searchIconX, top, searchIconSize, searchIconSize), m_icon);
}

void LinkSearchListItemView::drawSelectionInRect(QPainter&, const QRectF&) {}

// ---- the list ----------------------------------------------------------------------------

LinkSearchResultView::LinkSearchResultView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setFlipped(true);
    setRowHeight(resultRowHeight);
    setBackgroundColor(Qt::white);
    setGridStyleMask(SolidHorizontalGridLine);
    setPlacesVisibleRowsOnly(true);
}

LinkSearchResultView::~LinkSearchResultView()
{
    // Rows never placed have no parent to take them along.
    for (QPointer<LinkSearchListItemView>& row : m_rows)
        if (row && !row->parentWidget()) delete row.data();
}

void LinkSearchResultView::loadSearchResultWithSearchText(const QString& text, const TaskList& excludeList,
                                                          const TaskPtr& currentItem)
{
    // Later: a checkbox's own action may have led here.
    for (QPointer<LinkSearchListItemView>& row : m_rows)
        if (row) row->deleteLater();
    m_rows.clear();
    m_results.clear();
    CoreData* dataManager = CoreData::shared();
    if (dataManager && currentItem)
        m_results = LinkRules::searchResults(dataManager->allTasksEventsAdes(), text, *currentItem, excludeList);
    m_rows.resize(size_t(m_results.size()));
    setAddButtonStateIfNeed();
    reloadData();
    update();
}

LinkSearchListItemView* LinkSearchResultView::itemAt(int row)
{
    if (row < 0 || row >= int(m_rows.size())) return nullptr;
    QPointer<LinkSearchListItemView>& slot = m_rows[size_t(row)];
    if (!slot) {
        slot = new LinkSearchListItemView(QRectF(0, 0, frame().width(), resultRowHeight));
        slot->setParentView(this);
        slot->setData(m_results.at(row));
    }
    return slot;
}

TaskList LinkSearchResultView::selectedItems() const
{
    TaskList picked;
    for (const QPointer<LinkSearchListItemView>& row : m_rows)
        if (row && row->isSelected() && row->data()) picked.append(row->data());
    return picked;
}

bool LinkSearchResultView::hasSelection() const
{
    return std::any_of(m_rows.begin(), m_rows.end(),
                       [](const QPointer<LinkSearchListItemView>& row) { return row && row->isSelected(); });
}

void LinkSearchResultView::setAddButtonStateIfNeed()
{
    if (auto* page = qobject_cast<AddLinkView*>(m_parentView.data())) page->setAddButtonState();
}
