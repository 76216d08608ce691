#include "LinkConversationSection.h"

#include "ConversationTableView.h"
#include "CustomNSTextField.h"
#include "EditorShared.h"
#include "Font.h"
#include "ImageSegmentedControl.h"
#include "LinkListTableView.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "ScrollView.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "ZVWSync.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr double sectionMargin = 7;
constexpr double sectionRowPitch = 57;
constexpr double sectionListsAtMost = 171;
constexpr double emptyPageHeight = 19;
const QColor sectionFrameColor(Qt::lightGray);

}  // namespace

LinkConversationSection::LinkConversationSection(const QRectF& frame, QWidget* parent) : LinkSection(frame, parent)
{
    const double width = frame.width();
    const double inner = std::max(0.0, width - 2 * sectionMargin);
    const QImage assetIcon = NamedImages::imageNamed(QStringLiteral("tab_asset_normal"));
    const QImage conversationIcon = NamedImages::imageNamed(QStringLiteral("tab_conversation_normal"));
    m_tabsView = new ImageSegmentedControl(
        QRectF(0, 0, inner, tabViewTop), {linksTab, conversationTab}, {assetIcon, conversationIcon},
        {assetIcon, conversationIcon},
        {TextTable::localizedString(QStringLiteral("tabAssetText")),
         TextTable::localizedString(QStringLiteral("tabConversationText"))},
        tabViewTop, this);
    m_tabsView->setFrameOrigin(QPointF(sectionMargin, 5));
    m_tabsView->setTarget(this, [this](SegmentedControl* control) { switchTabs(control); });

    m_linkLabel = TextField::labelWithString(TextTable::localizedString(QStringLiteral("linksText")),
                                             QRectF(sectionMargin, 15, inner, 19));
    m_linkLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 14));
    m_linkLabel->setDrawsBackground(false);
    m_linkLabel->setSelectable(false);
    addSubview(m_linkLabel);

    m_noLinkText = new CustomNSTextField(QRectF(0, 0, inner, emptyPageHeight));
    m_noLinkText->setStringValue(TextTable::localizedString(QStringLiteral("noCurrentLinksText")));
    m_noLinkText->setTextFont(Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 13));
    m_noLinkText->setEditable(false);
    m_noLinkText->setBordered(false);
    m_noLinkText->setBezeled(false);
    m_noLinkText->setDrawsBackground(false);
    m_noLinkText->setNeedDrawBg(false);

    m_scrollView = new ScrollView(QRectF(0, 0, inner, 50));
    m_scrollView->setHasVerticalScroller(true);
    const double rowsWidth = std::max(0.0, inner - ScrollView::scrollerWidth);
    m_linkListTableView = new LinkListTableView(QRectF(0, 0, rowsWidth, 50));
    m_linkListTableView->setParentView(this);
    m_commentListView = new ConversationTableView(QRectF(0, 0, rowsWidth, 50));

    m_tabView = new View(QRectF(sectionMargin, tabViewTop, inner, std::max(0.0, frame.height() - 50)), this);
    m_tabView->setFlipped(true);
    m_assetPage = new View(m_tabView->bounds(), m_tabView);
    m_conversationPage = new View(m_tabView->bounds(), m_tabView);
    for (View* page : {m_assetPage, m_conversationPage}) {
        page->setFlipped(true);
        page->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    }
    m_conversationPage->hide();
}

LinkConversationSection::~LinkConversationSection()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    // The list not shown has no parent to take it along.
    for (View* list : std::initializer_list<View*>{m_linkListTableView, m_commentListView, m_noLinkText, m_scrollView})
        if (list && !list->parentWidget()) delete list;
}

void LinkConversationSection::install()
{
    LinkSection::setFactory([](const QRectF& frame, QWidget* parent) -> LinkSection* {
        return new LinkConversationSection(frame, parent);
    });
}

double LinkConversationSection::heightForRows(int rows)
{
    const double lists = rows > 2 ? sectionListsAtMost : rows > 0 ? sectionRowPitch * rows : emptyPageHeight;
    return tabViewTop + lists + sectionMargin;
}

// ---- loading and pages -------------------------------------------------------------------

void LinkConversationSection::loadCurrentLinks(const TaskPtr& shownItem)
{
    LinkSection::loadCurrentLinks(shownItem);
    const TaskPtr current = item();
    m_linkListTableView->setCurrentItem(current);
    m_isTaskHasShared = current && current->hasShared();
    m_isTaskShared = current && current->isShared();
    m_linkListTableView->loadCurrentLinks();
    // An instance of a series carries its series' conversation.
    qint64 key = current ? current->primaryKey() : 0;
    if (current && key < 1 && current->repeatType() != 0) key = current->parentId();
    m_commentListView->setItemKey(key);
    m_commentListView->setCommentType(ConversationTableView::itemComments);
    m_commentListView->loadComments();
    MainViewAccess* mainView = MainViewAccess::current();
    setFocusTab(mainView ? mainView->currentItemContentTab() : linksTab);
}

void LinkConversationSection::setFocusTab(int tab)
{
    if (m_isTaskShared) {
        // Shared with the user: only its conversation, under the title.
        m_tabsView->hide();
        m_linkLabel->show();
        m_tabsView->selectSegmentWithTag(conversationTab);
        showConversation();
        return;
    }
    m_linkLabel->setHidden(m_isTaskHasShared);
    m_tabsView->setHidden(!m_isTaskHasShared);
    m_tabsView->selectSegmentWithTag(tab);
    if (tab == conversationTab) {
        showConversation();
    } else if (tab == linksTab) {
        showLinks();
    } else {
        m_shownPage = linksTab;
        m_assetPage->show();
        m_conversationPage->hide();
    }
}

void LinkConversationSection::fillPage(View* page, View* list, int rows)
{
    View* shown = rows > 0 ? static_cast<View*>(m_scrollView) : static_cast<View*>(m_noLinkText);
    View* other = rows > 0 ? static_cast<View*>(m_noLinkText) : static_cast<View*>(m_scrollView);
    if (other->parentWidget()) {
        other->hide();
        other->setParent(nullptr);
    }
    if (rows > 0 && m_scrollView->documentView() != list) {
        // The list leaving the scroll view stays ours.
        if (View* previous = m_scrollView->documentView()) {
            previous->hide();
            previous->setParent(nullptr);
        }
        m_scrollView->setDocumentView(list);
        list->show();
    }
    page->addSubview(shown);
    shown->setFrameOrigin(QPointF(0, 0));
    shown->show();
    m_assetPage->setHidden(page != m_assetPage);
    m_conversationPage->setHidden(page != m_conversationPage);
}

void LinkConversationSection::showLinks()
{
    m_shownPage = linksTab;
    const int rows = m_linkListTableView->numberOfRows();
    m_linkLabel->setStringValue(TextTable::localizedString(QStringLiteral("tabAssetText")));
    m_noLinkText->setStringValue(TextTable::localizedString(QStringLiteral("noCurrentLinksText")));
    fillPage(m_assetPage, m_linkListTableView, rows);
    m_tabsView->selectedSegmentWithIndex(0);
    updateFrameHeight();
}

void LinkConversationSection::showConversation()
{
    m_shownPage = conversationTab;
    const int rows = m_commentListView->numberOfRows();
    m_linkLabel->setStringValue(TextTable::localizedString(QStringLiteral("tabConversationText")));
    m_noLinkText->setStringValue(TextTable::localizedString(QStringLiteral("noConversationText")));
    fillPage(m_conversationPage, m_commentListView, rows);
    m_tabsView->selectedSegmentWithIndex(1);
    updateFrameHeight();
    // Comments that could not be marked stay counted as new.
    if (!m_commentListView->markShownRead())
        qWarning() << "The comments of item" << m_commentListView->itemKey() << "could not be marked read";
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kRefreshCommentCount, this);
}

void LinkConversationSection::switchTabs(SegmentedControl* control)
{
    const int segment = control ? control->selectedSegment() : -1;
    if (segment < 0) return;
    const int tag = control->tagForSegment(segment);
    if (tag == -1) return;
    setFocusTab(tag);
}

// ---- height and saving -------------------------------------------------------------------

void LinkConversationSection::updateFrameHeight()
{
    const int rows = std::max(m_linkListTableView->numberOfRows(), m_commentListView->numberOfRows());
    const double height = heightForRows(rows);
    const double lists = height - tabViewTop - sectionMargin;
    const double inner = std::max(0.0, frame().width() - 2 * sectionMargin);
    const double scrollHeight = rows > 0 ? lists : 0;
    m_tabView->setFrame(QRectF(sectionMargin, tabViewTop, inner, lists));
    m_scrollView->setFrameSize(QSizeF(inner, scrollHeight));
    m_noLinkText->setFrameSize(QSizeF(inner, emptyPageHeight));
    const double rowsWidth = std::max(0.0, inner - ScrollView::scrollerWidth);
    for (TableView* list : std::initializer_list<TableView*>{m_linkListTableView, m_commentListView}) {
        list->setFrameSize(QSizeF(rowsWidth, std::max(scrollHeight, list->heightOfAllRows())));
        list->placeVisibleRows();
    }
    setFrameSize(QSizeF(frame().width(), height));
    setNeedsDisplay();
}

bool LinkConversationSection::saveChanges()
{
    const bool saved = m_linkListTableView->saveChanges(true);
    const SettingPtr setting = currentSetting();
    if (saved && setting && setting->autoZVWSync() != 0)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(10));
    return saved;
}

void LinkConversationSection::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    LinkSection::drawRect(painter, dirtyRect);
    if (!m_scrollView->parentWidget() || m_scrollView->frame().height() <= 0) return;
    const QRectF area(m_scrollView->mapTo(this, QPoint(0, 0)), m_scrollView->frame().size());
    painter.setPen(QPen(sectionFrameColor, 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(-0.25, -0.25, 0.25, 0.25));
}
