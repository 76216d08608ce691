#pragma once

#include "CategoryDetailPanel.h"
#include "ModelTypes.h"
#include "View.h"

#include <QPointer>

// The category list's table. Until the category list is built it lists
// nothing: it keeps what it was asked, so the main view's refresh can be
// read back.
class CategoryListTableView : public View {
    Q_OBJECT

public:
    explicit CategoryListTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryListTableView() override;

    // Loads the rows again, keeping the item (none: no item) in view.
    void reloadData(const TaskPtr& item);
    void moveToTop(const TaskPtr& item);
    // Opens the editor of a listed item, or of a listed category: true then.
    // Nothing is listed yet, so both answer false.
    bool showPopupEditDetail(const TaskPtr& item);
    bool showPopupCalendarEditDetail(const CalendarPtr& category);
    // The open detail panel of a category; null while none is open.
    CategoryDetailPanel* categoryDetailPanel() const { return m_detailPanel; }

    int reloadCount() const { return m_reloadCount; }
    TaskPtr lastReloadedItem() const { return m_lastReloadedItem; }
    int moveToTopCount() const { return m_moveToTopCount; }
    TaskPtr lastMovedItem() const { return m_lastMovedItem; }
    int showPopupEditDetailCount() const { return m_showPopupCount; }
    TaskPtr lastShownItem() const { return m_lastShownItem; }
    int showPopupCalendarEditDetailCount() const { return m_showCalendarPopupCount; }
    CalendarPtr lastShownCategory() const { return m_lastShownCategory; }

private:
    int m_reloadCount = 0;
    TaskPtr m_lastReloadedItem;
    int m_moveToTopCount = 0;
    TaskPtr m_lastMovedItem;
    int m_showPopupCount = 0;
    TaskPtr m_lastShownItem;
    int m_showCalendarPopupCount = 0;
    CalendarPtr m_lastShownCategory;
    QPointer<CategoryDetailPanel> m_detailPanel;
};
