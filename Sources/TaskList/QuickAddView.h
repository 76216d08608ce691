#pragma once

#include "ModelTypes.h"
#include "View.h"

class AddView;
class SearchView;

// The quick-add and search bar above the lists. It posts addNotification
// with itself as object when it grows or shrinks; until its fields come it
// keeps its height and counts what it was asked.
class QuickAddView : public View {
    Q_OBJECT

public:
    static const QString addNotification;  // "Add notification"

    explicit QuickAddView(const QRectF& frame, QWidget* parent = nullptr);
    ~QuickAddView() override;

    bool isSearching() const { return m_isSearching; }
    bool isAdding() const { return m_isAdding; }

    // Runs the current search again.
    void search();
    int searchCount() const { return m_searchCount; }
    // Shows the item's change in the open results or form.
    void reloadData(const TaskPtr& item);
    int reloadCount() const { return m_reloadCount; }
    TaskPtr lastReloadedItem() const { return m_lastReloadedItem; }
    // Empties the bar and closes its add form.
    void resetData();
    int resetCount() const { return m_resetCount; }

    SearchView* searchView() const { return m_searchView; }
    AddView* addView() const { return m_addView; }

private:
    bool m_isSearching = false;
    bool m_isAdding = false;
    int m_searchCount = 0;
    int m_reloadCount = 0;
    int m_resetCount = 0;
    TaskPtr m_lastReloadedItem;
    SearchView* m_searchView = nullptr;
    AddView* m_addView = nullptr;
};
