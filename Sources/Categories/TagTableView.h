#pragma once

#include "ModelTypes.h"
#include "TableView.h"

#include <QList>
#include <QPointer>
#include <QStringList>

#include <vector>

class Menu;
class TagItemView;
class TagView;

// The tag list of the tag popover: one row per tag of the data manager's
// tag list, in its order, 26 high. A row's view is made when it first comes
// into view, so a long list opens in one frame; a row never shown keeps its
// tag's flag. The boxes become the tags' shown flags when the filter is
// applied. The Delete key and the context menu delete
// the selected tag, after a question the user can switch off.
class TagTableView : public TableView {
    Q_OBJECT

public:
    static constexpr double tagRowHeight = 26;

    explicit TagTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TagTableView() override;

    // A row for each tag of the data manager's list.
    void loadData();
    // Marks each row's tag shown when its box is on and hidden when not;
    // answers the names of the shown ones, in row order.
    QStringList getShowTagList();

    // The tags of the rows, in order.
    const TagList& tags() const { return m_tags; }
    // The row's view, made now if it was not yet; null past the end.
    TagItemView* rowAt(int row);
    TagView* parentView() const { return m_parentView; }
    void setParentView(TagView* view) { m_parentView = view; }

    // 0 without rows, else the bottom edge of the last row.
    double yPositionPastLastRow() const;

    // The selected row's tag goes: asked first while the settings want it,
    // then deleted through the data manager once no question is open.
    void applyDelete();
    void deleteTag();
    // The tag menu for a right click on a row (selected alone first); empty
    // below the last row.
    Menu menuForEvent(const Event& event);

    int numberOfRows() const override { return int(m_tags.size()); }
    TableRowView* rowViewForRow(int row) override;
    double heightOfRow(int) const override { return tagRowHeight; }
    void keyDown(const Event& event) override;
    void rightMouseDown(const Event& event) override;

private:
    void removeTagRow(const TagPtr& tag);

    TagList m_tags;
    std::vector<QPointer<TagItemView>> m_arrayOfTags;
    QPointer<TagView> m_parentView;
};
