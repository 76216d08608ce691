#include "TagTableView.h"

#include "AlertPresenter.h"
#include "Common.h"
#include "CoreData.h"
#include "Event.h"
#include "Menu.h"
#include "Setting.h"
#include "Tag.h"
#include "TagItemView.h"
#include "TagView.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QDebug>

TagTableView::TagTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setBackgroundColor(Common::appBackgroundColor());
    setGridStyleMask(SolidHorizontalGridLine);
    setRowHeight(tagRowHeight);
}

TagTableView::~TagTableView() = default;

void TagTableView::loadData()
{
    const QList<TagItemView*> old = m_arrayOfTags;
    m_arrayOfTags.clear();
    const CoreData* manager = CoreData::shared();
    const TagList tags = manager ? manager->tagList() : TagList();
    m_arrayOfTags.reserve(tags.size());
    for (const TagPtr& tag : tags) {
        auto* row = new TagItemView(QRectF(0, 0, bounds().width(), tagRowHeight), this);
        row->setTag(tag);
        m_arrayOfTags.append(row);
    }
    reloadData();
    // Later: this may run under a row's own event (its box's click).
    for (TagItemView* row : old) row->deleteLater();
}

QStringList TagTableView::getShowTagList()
{
    QStringList names;
    for (TagItemView* row : m_arrayOfTags) {
        const TagPtr tag = row->tag();
        if (!tag) continue;
        const bool shown = row->showHideBtn()->state() == 1;
        tag->setIsHidden(!shown);
        if (shown) names.append(tag->tagName());
    }
    return names;
}

double TagTableView::yPositionPastLastRow() const
{
    return m_arrayOfTags.isEmpty() ? 0 : rectOfRow(int(m_arrayOfTags.size()) - 1).bottom();
}

TableRowView* TagTableView::rowViewForRow(int row)
{
    return row >= 0 && row < m_arrayOfTags.size() ? m_arrayOfTags[row] : nullptr;
}

void TagTableView::keyDown(const Event& event)
{
    // Every other key stops here: arrows included, the list moves nothing.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0) applyDelete();
}

Menu TagTableView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0 || row >= m_arrayOfTags.size()) return Menu();
    if (!isRowSelected(row)) {
        scrollRowToVisible(row);
        selectRowIndexes({row}, false);
    }
    const MenuTarget target = [table = QPointer<TagTableView>(this)](const QString& action) {
        if (action != QLatin1String("deleteTag:")) return std::function<void()>();
        return std::function<void()>([table] {
            if (table) table->deleteTag();
        });
    };
    return UIUtilities::createMenuForTagWithTarget(target);
}

void TagTableView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

void TagTableView::deleteTag()
{
    applyDelete();
}

void TagTableView::applyDelete()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_arrayOfTags.size()) return;
    // The tag, not its index: the list may be loaded again while the
    // question is open.
    const TagPtr tag = m_arrayOfTags[row]->tag();
    if (!tag) return;
    CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    if (setting && setting->showWarningDeleteTag() != 0) {
        AlertRequest question;
        question.style = AlertStyle::Warning;
        const int ok = question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        question.messageText = TextTable::localizedString(QStringLiteral("deleteTagText"));
        question.informativeText = TextTable::localizedString(QStringLiteral("deleteTagMessage"));
        question.showsSuppressionButton = true;
        const AlertResponse answer = AlertPresenter::current().runModal(question);
        setting->setShowWarningDeleteTag(answer.suppressed ? 0 : 1);
        if (!setting->dehydrate()) qWarning() << "The settings could not be saved after the tag question";
        if (answer.button != ok) return;
    }
    // No row leaves while a question is up: the rows under it would move.
    if (!AlertPresenter::isAlertRunning()) {
        removeTagRow(tag);
        return;
    }
    AlertPresenter::whenNoAlertRuns([table = QPointer<TagTableView>(this), tag] {
        if (table) table->removeTagRow(tag);
    });
}

void TagTableView::removeTagRow(const TagPtr& tag)
{
    int row = -1;
    for (int index = 0; index < m_arrayOfTags.size(); ++index)
        if (m_arrayOfTags[index]->tag() == tag) row = index;
    if (row < 0) return;
    m_arrayOfTags.removeAt(row);
    // The table takes the row view over and lets it go once it has left.
    removeRowWithSlideAndFade(row);
    if (CoreData* manager = CoreData::shared()) manager->doDeleteTag(tag);
    if (m_parentView) m_parentView->reloadData();
}
