#pragma once

#include "View.h"

class CategoryListTableView;

// The category list panel. Until the category list is built it draws
// nothing and counts its reloads.
class CategoryListView : public View {
    Q_OBJECT

public:
    explicit CategoryListView(const QRectF& frame, QWidget* parent = nullptr);
    ~CategoryListView() override;

    // Has the table load its data again.
    void reloadData();
    int reloadCount() const { return m_reloadCount; }

    CategoryListTableView* categoryListTableView() const { return m_tableView; }

private:
    int m_reloadCount = 0;
    CategoryListTableView* m_tableView = nullptr;
};
