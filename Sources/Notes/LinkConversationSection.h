#pragma once

#include "LinkSection.h"

class ConversationTableView;
class CustomNSTextField;
class ImageSegmentedControl;
class LinkListTableView;
class ScrollView;
class SegmentedControl;
class TextField;

// The links section the notes subsystem installs under every item editor:
// the item's links and, for a shared item, its conversation. An unshared
// item shows the title label over its links; an item the user shares gets
// the tab strip; one shared with the user shows only its conversation.
// The scroll view and the empty-list message are shared by both pages and
// move to the page shown. Flipped.
class LinkConversationSection : public LinkSection {
    Q_OBJECT

public:
    // Tab values, as the main view's currentItemContentTab holds them.
    static constexpr int linksTab = 2;
    static constexpr int conversationTab = 1;
    static constexpr double tabViewTop = 45;

    explicit LinkConversationSection(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkConversationSection() override;

    // Installs this section as the one the editors make.
    static void install();

    // The section's height for the larger of its link and comment counts.
    static double heightForRows(int rows);

    ImageSegmentedControl* tabsView() const { return m_tabsView; }
    TextField* linkLabel() const { return m_linkLabel; }
    CustomNSTextField* noLinkText() const { return m_noLinkText; }
    ScrollView* scrollView() const { return m_scrollView; }
    LinkListTableView* linkListTableView() const { return m_linkListTableView; }
    ConversationTableView* commentListView() const { return m_commentListView; }
    View* tabView() const { return m_tabView; }
    // The page shown: linksTab or conversationTab.
    int shownPage() const { return m_shownPage; }
    bool isTaskShared() const { return m_isTaskShared; }
    bool isTaskHasShared() const { return m_isTaskHasShared; }

    void loadCurrentLinks(const TaskPtr& item) override;
    void updateFrameHeight() override;
    bool saveChanges() override;
    void setFocusTab(int tab);
    void switchTabs(SegmentedControl* control);

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    void showLinks();
    void showConversation();
    // Puts the list, or the empty-list message without rows, on the page.
    void fillPage(View* page, View* list, int rows);

    ImageSegmentedControl* m_tabsView = nullptr;
    TextField* m_linkLabel = nullptr;
    CustomNSTextField* m_noLinkText = nullptr;
    ScrollView* m_scrollView = nullptr;
    LinkListTableView* m_linkListTableView = nullptr;
    ConversationTableView* m_commentListView = nullptr;
    View* m_tabView = nullptr;
    View* m_assetPage = nullptr;
    View* m_conversationPage = nullptr;
    int m_shownPage = linksTab;
    bool m_isTaskShared = false;
    bool m_isTaskHasShared = false;
};
