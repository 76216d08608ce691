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
    setPlacesVisibleRowsOnly(true);
}

TagTableView::~TagTableView() = default;

void TagTableView::loadData()
{
    const std::vector<QPointer<TagItemView>> old = std::move(m_arrayOfTags);
    const CoreData* manager = CoreData::shared();
    m_tags = manager ? manager->tagList() : TagList();
    m_arrayOfTags.assign(std::size_t(m_tags.size()), nullptr);
    reloadData();
    // Later: this may run under a row's own event (its box's click).
    for (const QPointer<TagItemView>& row : old)
        if (row) row->deleteLater();
}

TagItemView* TagTableView::rowAt(int row)
{
    if (row < 0 || row >= int(m_arrayOfTags.size())) return nullptr;
    QPointer<TagItemView>& view = m_arrayOfTags[std::size_t(row)];
    if (!view) {
        // Made with no size: the table's placing is its first frame change,
        // which lays the row out.
        view = new TagItemView(QRectF(), this);
        view->setTag(m_tags[row]);
    }
    return view;
}

QStringList TagTableView::getShowTagList()
{
    QStringList names;
    for (int row = 0; row < int(m_tags.size()); ++row) {
        const TagPtr& tag = m_tags[row];
        if (!tag) continue;
        // A row never shown was never clicked: its box is the tag's flag.
        const TagItemView* view = m_arrayOfTags[std::size_t(row)];
        const bool shown = view ? view->showHideBtn()->state() == 1 : !tag->isHidden();
        tag->setIsHidden(!shown);
        if (shown) names.append(tag->tagName());
    }
    return names;
}

double TagTableView::yPositionPastLastRow() const
{
    return m_tags.isEmpty() ? 0 : rectOfRow(int(m_tags.size()) - 1).bottom();
}

TableRowView* TagTableView::rowViewForRow(int row)
{
    return rowAt(row);
}

void TagTableView::keyDown(const Event& event)
{
    // Every other key stops here: arrows included, the list moves nothing.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0) applyDelete();
}

Menu TagTableView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0 || row >= int(m_tags.size())) return Menu();
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
    if (row < 0 || row >= int(m_tags.size())) return;
    // The tag, not its index: the list may be loaded again while the
    // question is open.
    const TagPtr tag = m_tags[row];
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
        // The box left as it was is no change to write.
        const qint64 askAgain = answer.suppressed ? 0 : 1;
        if (askAgain != setting->showWarningDeleteTag() &&
            !manager->saveSettingFromView([askAgain](Setting& kept) { kept.setShowWarningDeleteTag(askAgain); }))
            qWarning() << "The settings could not be saved after the tag question";
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
    if (!m_tags.contains(tag)) return;
    // The row leaves only with a kept delete; a refused one was told.
    CoreData* manager = CoreData::shared();
    if (!manager || !manager->saveChangeFromView({}, [&] { return manager->doDeleteTag(tag); })) {
        qWarning() << "Tag" << tag->tagName() << "could not be deleted";
        return;
    }
    // Looked up again: the list may have been loaded anew under the alert.
    const int row = int(m_tags.indexOf(tag));
    if (row >= 0) {
        m_tags.removeAt(row);
        m_arrayOfTags.erase(m_arrayOfTags.begin() + row);
        // The table takes the row view over and lets it go once it has left.
        removeRowWithSlideAndFade(row);
    }
    if (m_parentView) m_parentView->reloadData();
}
