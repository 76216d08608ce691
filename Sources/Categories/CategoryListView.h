#pragma once

#include "View.h"

#include <QPointer>

class CategoryListTableView;
class CategoryViewController;
class ScrollView;

// The list module's categories page: a grey-bordered frame around the
// scrolling category table, which does the work.
class CategoryListView : public View {
    Q_OBJECT

public:
    // When the rows are first loaded: at once, or by the first reloadData
    // (the main window's opening reloads every list, so a load while it is
    // built would count every category's tasks twice).
    enum class FirstLoad { Now, AtFirstReload };
    explicit CategoryListView(const QRectF& frame, QWidget* parent = nullptr, FirstLoad firstLoad = FirstLoad::Now);
    ~CategoryListView() override;

    // Has the table rebuild its rows from the data manager.
    void reloadData();
    // Fits the scroll view to the panel's height and redraws the rows.
    void rearrangeView();
    // Opens the add-project popover at the sender.
    void addCategory(View* sender);

    CategoryListTableView* categoryListTableView() const { return m_tableView; }
    ScrollView* tableScrollView() const { return m_scrollView; }
    CategoryViewController* categoryViewController() const { return m_categoryViewController; }

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    CategoryListTableView* m_tableView = nullptr;
    ScrollView* m_scrollView = nullptr;
    CategoryViewController* m_categoryViewController = nullptr;
};
