#pragma once

#include "Date.h"
#include "FocusPaneItemView.h"
#include "Menu.h"
#include "ModelTypes.h"
#include "ScheduledTimer.h"
#include "TableView.h"

#include <QHash>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <vector>

class DetailViewController;


// The focus pane's list: one row for each all-day event, due task, done
// task and note of a day, in that order, each group by sharing rank. It
// selects, opens the editor on a double click, offers the item commands in
// its context menu and deletes the selected row's item on the Delete key.
// Its own data source. Main thread only.
class FocusPaneDetailView : public TableView {
    Q_OBJECT

public:
    static constexpr double rowHeightOfList = 16;

    explicit FocusPaneDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~FocusPaneDetailView() override;

    // Rebuilds the rows for the day.
    void loadDataOnDate(const Date& date);
    // Re-reads the items of the rows whose item key (the series' key for a
    // generated instance) is a key of the table, written "%ld".
    void reloadData(const QHash<QString, QVariant>& changedItems);
    using TableView::reloadData;
    // Brings one item's row up to date after an edit elsewhere: drops it
    // when it lost its due date, appends it when it gained one.
    void moveToTop(const TaskPtr& item);
    // Scrolls to the item's row, selects it and opens its editor; false when
    // no laid-out row matches.
    bool showPopupEditDetail(const TaskPtr& item);
    // For events only: scrolls to the row and selects it.
    bool revealToEvent(const TaskPtr& item);
    void popupEditDetail(FocusPaneItemView* row);
    void popupLinkDetail();
    void applyDelete();

    // The commands of the context menus, by action name; empty for none.
    std::function<void()> commandForAction(const QString& action);
    // The menu for a right click at the event; empty outside the rows.
    Menu menuForEvent(const Event& event);

    // Which rows a day's pool gives, in display order (pure: the tests and
    // the benchmark call it). The user name is the account user's.
    static TaskList itemsForDay(const TaskList& pool, const Date& day, const QString& userName);
    static bool isDueTaskListed(const Task& task, const QString& userName);
    static bool isDoneTaskListed(const Task& task);
    // Whether an item is a repeating event's series or a generated instance.
    static bool isRepeating(const Task& task);
    // Whether the item is its series' first occurrence.
    static bool isFirstOccurrence(const Task& task);
    // Finds a row: the editor rule, or the stricter reveal rule.
    enum class Match { Editor, Reveal };
    int rowMatching(const Task& wanted, Match rule) const;

    const std::vector<FocusPaneItemView*>& arrayOfTasks() const { return m_arrayOfTasks; }
    // Takes the rows (and owns them from here) in place of the present ones.
    void setArrayOfTasks(std::vector<FocusPaneItemView*> rows);
    Date date() const { return m_date; }
    FocusPaneItemView* selectedItem() const { return m_selectedItem; }
    int selectedCount() const { return m_selectedCount; }
    double lastMouseDown() const { return m_lastMouseDown; }
    DetailViewController* detailViewController() const { return m_detailViewController; }
    // The item of the selected row; null without one.
    TaskPtr selectedTask() const;

    int numberOfRows() const override { return int(m_arrayOfTasks.size()); }
    TableRowView* rowViewForRow(int row) override;

    void mouseDown(const Event& event) override;
    void rightMouseDown(const Event& event) override;
    void keyDown(const Event& event) override;

private:
    void clearRows();
    FocusPaneItemView* appendRow(const TaskPtr& item);
    void handleSingleClick();
    void selectDone();
    void duplicateTask();
    void duplicateNote();
    void copyToMakeLink();
    void editNote();
    void selectRowAlone(int row);

    std::vector<FocusPaneItemView*> m_arrayOfTasks;
    Date m_date;
    QPointer<FocusPaneItemView> m_selectedItem;
    int m_selectedCount = 0;
    double m_lastMouseDown = 0;
    ScheduledTimer m_singleClickTimer;
    DetailViewController* m_detailViewController = nullptr;
};
