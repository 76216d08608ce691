#pragma once

#include "ModelTypes.h"
// The outline keeps a guarded pointer to its quick-add field.
#include "TextField.h"
#include "CategoryDetailListItemView.h"
#include "View.h"

#include <QPointer>

class Box;
class CategoryBoxDetailView;
class ConversationTableView;
class ImageSegmentedControl;
class Notification;
class ScrollView;
class TextField;

// The content of a category's detail panel: the info box on top; for a
// category that is shared or has shares, a strip of two tabs, content and
// conversation; below, one scroll area that shows the category's content
// outline, its comments, or a line saying there is nothing to show. It
// commits, reverts and deletes the category, sizes the panel to what it
// shows, and keeps itself current while the panel is attached.
class CategoryDetailView : public View, public CategoryDetailListHost {
    Q_OBJECT

public:
    static constexpr int contentTab = 0;
    static constexpr int conversationTab = 1;
    static constexpr double tabStripHeight = 45;
    // The info box's height beside its tag field: when a category is shown,
    // and after the field changed height.
    static constexpr double boxChromeOnResize = 165;
    // The room a view without anything to list keeps below the info box.
    static constexpr double emptyViewMargin = 30;

    explicit CategoryDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryDetailView() override;

    // Reverts a category still shown, then shows this one.
    void setCalendar(const CalendarPtr& calendar);
    CalendarPtr calendar() const { return m_calendar; }

    // Refills the outline and the comment list and sizes the view and the
    // panel to them.
    void loadData() override;

    // The box's buttons.
    void okEdit();
    // False when a colour tried in the box could not be put back: the
    // panel then stays open.
    bool cancelEdit();
    bool doCancel();
    void deleteEdit();
    // The colour the box shows goes to the category at once.
    void reloadData();
    // The default switch was clicked.
    void setDefaultCategory();
    // The tag field grew or shrank by offset.
    void resizeHeightWithOffset(double offset);
    // Lays the strip, the tab area and the anchors out for the view's size.
    void updateViewSize();

    // Brings the tab to the front (a negative tab is taken as 0, logged).
    void setFocusTab(int tab);
    int focusTab() const { return m_focusTab; }
    // The strip's click.
    void switchTabs();
    // "content" or "conversation".
    QString selectedTabIdentifier() const { return m_selectedTab; }

    Box* categoryInfoBox() const { return m_categoryInfoBox; }
    CategoryBoxDetailView* boxView() const { return m_boxView; }
    ImageSegmentedControl* tabsView() const { return m_tabsView; }
    View* tabView() const { return m_tabView; }
    ScrollView* scrollView() const { return m_scrollView; }
    TextField* noDataLabel() const { return m_noDataLabel; }
    ConversationTableView* commentListView() const { return m_commentListView; }
    CategoryDetailListItemView* detailView() const { return m_listView; }
    View* topItemTemp() const override { return m_topItemTemp; }
    View* bottomItemTemp() const override { return m_bottomItemTemp; }
    qint64 tempColor() const { return m_tempColor; }
    // The info box's height (its content's), and where the tab area starts:
    // under the whole box.
    double infoBoxHeight() const;
    double tabAreaTop() const;

    void mouseDown(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

    // The panel is closing: the outline lets its records go.
    void panelWillClose();
    // The panel lost the keyboard.
    void panelDidResignKey();

private:
    void setInfoBoxHeight(double height);
    void resizePanelToView();
    void setPanelMinimumSize();
    void closePanel();
    bool panelAttached() const;
    void endEditing();
    void loadItemsOf(const CalendarPtr& calendar);
    void setDocument(View* content);
    void showInTab(View* content);
    void reloadDetailView();
    void checkIfExist();
    void shareStatusChanged(const Notification& notification);
    bool hasTabs() const;
    bool outlineHasRows() const { return !m_listView->rootItems().empty(); }

    Box* m_categoryInfoBox = nullptr;
    CategoryBoxDetailView* m_boxView = nullptr;
    ImageSegmentedControl* m_tabsView = nullptr;
    View* m_tabView = nullptr;
    TextField* m_noDataLabel = nullptr;
    ScrollView* m_scrollView = nullptr;
    ConversationTableView* m_commentListView = nullptr;
    CategoryDetailListItemView* m_listView = nullptr;
    View* m_topItemTemp = nullptr;
    View* m_bottomItemTemp = nullptr;
    CalendarPtr m_calendar;
    qint64 m_tempColor = 0;
    int m_focusTab = 0;
    QString m_selectedTab;
};
