#pragma once

#include "ModelTypes.h"
#include "View.h"

class CategoryDetailListItemView;

// The content of a category's detail panel: its tabs and the outline of the
// category's items.
class CategoryDetailView : public View {
    Q_OBJECT

public:
    explicit CategoryDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryDetailView() override;

    // Brings the tab to the front (a negative tab is taken as 0).
    void setFocusTab(int tab);
    int focusTab() const { return m_focusTab; }

    CategoryDetailListItemView* detailView() const { return m_listView; }

    // The category shown; setting it loads the outline.
    CalendarPtr calendar() const { return m_calendar; }
    void setCalendar(const CalendarPtr& calendar);

private:
    int m_focusTab = 0;
    CalendarPtr m_calendar;
    CategoryDetailListItemView* m_listView = nullptr;
};
