#pragma once

#include "ModelTypes.h"
#include "View.h"

// The task list's table. Until the task list is built it lists nothing: it
// keeps what it was asked, so the main view's refresh can be read back.
class TaskListTableView : public View {
    Q_OBJECT

public:
    explicit TaskListTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TaskListTableView() override;

    // Loads the rows again, keeping the item (none: no item) in view.
    void reloadData(const TaskPtr& item);
    // Brings the item's row to the top of the list.
    void moveToTop(const TaskPtr& item);
    // Opens the item's editor when the item is listed: true then. Nothing is
    // listed yet, so the answer is false.
    bool showPopupEditDetail(const TaskPtr& item);
    // Drops the selection.
    void deselectAll();

    int reloadCount() const { return m_reloadCount; }
    TaskPtr lastReloadedItem() const { return m_lastReloadedItem; }
    int moveToTopCount() const { return m_moveToTopCount; }
    TaskPtr lastMovedItem() const { return m_lastMovedItem; }
    int showPopupEditDetailCount() const { return m_showPopupCount; }
    TaskPtr lastShownItem() const { return m_lastShownItem; }
    int deselectCount() const { return m_deselectCount; }

private:
    int m_reloadCount = 0;
    TaskPtr m_lastReloadedItem;
    int m_moveToTopCount = 0;
    TaskPtr m_lastMovedItem;
    int m_showPopupCount = 0;
    TaskPtr m_lastShownItem;
    int m_deselectCount = 0;
};
