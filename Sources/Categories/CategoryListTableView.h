#pragma once

#include "CategoryDetailPanel.h"
#include "CategoryListItemView.h"
#include "Menu.h"
#include "Notification.h"
#include "ModelTypes.h"
#include "OutlineView.h"
#include "ScheduledTimer.h"

#include <QPointer>

#include <functional>
#include <vector>

// The category list's table: the visible ordinary categories in three
// groups by kind (mixed, event-only, task-only), each under a header row.
// A double click opens a category's detail panel; Delete and the context
// menu delete one; the main view's requests about items are forwarded to
// the panel. Its own data source; main thread only.
class CategoryListTableView : public OutlineView {
    Q_OBJECT

public:
    static constexpr double categoryRowHeight = 55;
    static constexpr double headerRowHeight = 18;
    // The list module's categories tab.
    static constexpr int projectsModule = 3;

    explicit CategoryListTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryListTableView() override;

    // Rebuilds the rows from the data manager and sets its active-project
    // count to the number of category rows. Not while a question is open:
    // the rebuild waits for its answer.
    void loadData();
    // Reads the task counts of the categories the next load shows, one per
    // turn of the event loop, for the load to take (the start does it while
    // its window waits to open). The next load stops it; a category not
    // read by then is counted by the load itself.
    void prepareNextLoad();
    bool isPreparingLoad() const { return m_prepareTimer.isValid(); }
    // Header rows (InfoListItemView) and category rows, in row order.
    const std::vector<TableRowView*>& arrayOfCategories() const { return m_rows; }
    CategoryListItemView* selectedItem() const { return m_selectedItem.data(); }

    // Opens the detail panel on the category; false for none.
    bool showPopupCalendarEditDetail(const CalendarPtr& category);
    void popupEditDetail(CategoryListItemView* row);
    // Open the panel on the item's category and hand the item to its
    // outline; false when the category is not a visible ordinary one.
    bool revealToTask(const TaskPtr& item);
    bool showPopupEditDetail(const TaskPtr& item);
    // Forwarded to the open panel's outline; nothing without a panel.
    void reloadData(const TaskPtr& item);
    void moveToTop(const TaskPtr& item);
    // The floating detail panel; null until first opened.
    CategoryDetailPanel* categoryDetailPanel() const { return m_detailPanel; }

    // The category menu for the row under the pointer; empty off the
    // category rows.
    Menu menuForEvent(const Event& event);
    void editCategory();
    void deleteCategory();
    // Deletes the selected category after asking; refuses to delete the
    // only visible own ordinary category when it is the default one.
    void applyDelete();
    void shareStatusChanged(const Notification& notification);
    // The bottom of the last row; 0 without rows.
    // The table as tall as its rows, at least as its scroll view shows.
    void fitHeightToRows();

    // ---- outline answers -------------------------------------------------
    int numberOfChildrenOfItem(TableRowView* item) const override;
    TableRowView* childOfItem(int index, TableRowView* item) const override;
    bool isGroupItem(TableRowView* item) const override;
    bool shouldSelectItem(TableRowView* item) const override;
    double heightOfRowByItem(TableRowView* item) const override;

    using OutlineView::reloadData;
    void mouseDown(const Event& event) override;
    void keyDown(const Event& event) override;
    void rightMouseDown(const Event& event) override;

private:
    void loadNow();
    CategoryDetailPanel* openPanelOn(const CalendarPtr& category);
    CalendarPtr visibleCategoryOf(const TaskPtr& item) const;
    std::function<void()> commandForAction(const QString& action);

    std::vector<TableRowView*> m_rows;
    // The rows of the last load wait here, hidden, for their deletion: a
    // move within the window leaves the window's focus chain alone, where
    // taking them out of it walks every widget of the window.
    QWidget* m_leavingRows = nullptr;
    QPointer<CategoryListItemView> m_selectedItem;
    QPointer<CategoryDetailPanel> m_detailPanel;
    double m_lastMouseDown = 0;
    bool m_loadWaits = false;
    ScheduledTimer m_prepareTimer;
};
