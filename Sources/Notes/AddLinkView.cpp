#include "AddLinkView.h"

#include "Button.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "EditorShared.h"
#include "Font.h"
#include "LinkRules.h"
#include "LinkSearchResultView.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "ScrollView.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "ZVWSync.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>

namespace {

constexpr double addLinkButtonWidth = 75;
constexpr double addLinkButtonHeight = 24;
constexpr double searchBoxHeight = 22;
constexpr double resultPitch = 27;
constexpr double resultsShownAtMost = 270;
constexpr double currentLinkPitch = 57;
constexpr double currentLinksShownAtMost = 285;
constexpr double currentHeadingHeight = 19;
const QColor addLinkLineColor(Qt::lightGray);

void postAutoSyncIfOn(qint64 what)
{
    const SettingPtr setting = currentSetting();
    if (setting && setting->autoZVWSync() != 0)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, what);
}

}  // namespace

AddLinkLayout AddLinkView::layoutFor(double width, int results, int currentLinks)
{
    AddLinkLayout layout;
    const double inner = std::max(0.0, width - 2 * margin);
    double y = margin;
    layout.searchBox = QRectF(margin, y, inner, searchBoxHeight);
    y += searchBoxHeight;
    if (results > 0) {
        y += margin;
        const double listHeight = std::min(resultPitch * results, resultsShownAtMost);
        layout.results = QRectF(margin, y, inner, listHeight);
        y += listHeight + margin;
        layout.addButton = QRectF(width - margin - addLinkButtonWidth, y, addLinkButtonWidth, addLinkButtonHeight);
        y += addLinkButtonHeight;
    } else {
        layout.results = QRectF(margin, y, inner, 0);
        layout.addButton = QRectF(width - margin - addLinkButtonWidth, y, addLinkButtonWidth, 0);
    }
    if (currentLinks > 0) {
        y += 8;
        layout.heading = QRectF(margin, y, inner, currentHeadingHeight);
        y += currentHeadingHeight + margin;
        const double listHeight = std::min(currentLinkPitch * currentLinks, currentLinksShownAtMost);
        layout.currentLinks = QRectF(margin, y, inner, listHeight);
        y += listHeight;
    } else {
        layout.heading = QRectF(margin, y, inner, 0);
        layout.currentLinks = QRectF(margin, y, inner, 0);
    }
    y += margin;
    layout.back = QRectF(margin, y, addLinkButtonWidth, addLinkButtonHeight);
    layout.done = QRectF(width - margin - addLinkButtonWidth, y, addLinkButtonWidth, addLinkButtonHeight);
    layout.height = y + addLinkButtonHeight;
    return layout;
}

AddLinkView::AddLinkView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    const double inner = std::max(0.0, width - 2 * margin);
    m_searchBox = new TextField(QRectF(margin, margin, inner, searchBoxHeight), this);
    m_searchBox->setTextFont(lucida(12));
    m_searchBox->setPlaceholderString(TextTable::localizedString(QStringLiteral("search2AddLinkWatermark")));
    m_searchBox->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_searchBox->setEditable(true);
    m_searchBox->setWraps(false);
    QObject::connect(m_searchBox->editor(), &QLineEdit::textEdited, this, [this] { controlTextDidChange(); });

    m_searchResultScrollView = new ScrollView(QRectF(margin, 0, inner, 0), this);
    m_searchResultScrollView->setHasVerticalScroller(true);
    m_searchResultListView = new LinkSearchResultView(QRectF(0, 0, std::max(0.0, inner - ScrollView::scrollerWidth), 0));
    m_searchResultListView->setParentView(this);
    m_searchResultScrollView->setDocumentView(m_searchResultListView);

    m_currentLinkLabel = TextField::labelWithString(TextTable::localizedString(QStringLiteral("currentLinkText")),
                                                    QRectF(margin, 0, inner, currentHeadingHeight));
    m_currentLinkLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 14));
    addSubview(m_currentLinkLabel);

    m_currentLinkScrollView = new ScrollView(QRectF(margin, 0, inner, 0), this);
    m_currentLinkScrollView->setHasVerticalScroller(true);
    m_currentLinkListTableView =
        new LinkListTableView(QRectF(0, 0, std::max(0.0, inner - ScrollView::scrollerWidth), 0));
    m_currentLinkListTableView->setParentView(this);
    m_currentLinkScrollView->setDocumentView(m_currentLinkListTableView);

    const auto makeButton = [this](const QString& title, std::function<void(Button*)> action) {
        Button* button = UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter,
                                                   ButtonType::MomentaryPushIn,
                                                   QRectF(0, 0, addLinkButtonWidth, addLinkButtonHeight), this,
                                                   std::move(action), QImage(), QImage(), true);
        addSubview(button);
        return button;
    };
    m_addBtn = makeButton(TextTable::localizedString(QStringLiteral("addText")), [this](Button*) { addLink(); });
    m_addBtn->setEnabled(false);
    m_backBtn = makeButton(TextTable::localizedString(QStringLiteral("backText")), [this](Button*) { back(); });
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), [this](Button*) { doneEdit(); });
    updateView();
}

AddLinkView::~AddLinkView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
}

DetailViewController* AddLinkView::detailViewController()
{
    // Back replaces this page in the popover that shows it.
    if (DetailViewController* controller = DetailViewController::showing(this)) return controller;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    return m_detailViewController;
}

// ---- loading and searching ---------------------------------------------------------------

void AddLinkView::loadCurrentData(const TaskPtr& item)
{
    m_currentItem = item ? item->copy() : nullptr;
    if (CoreData* dataManager = CoreData::shared()) dataManager->setModifyingTask(m_currentItem);
    loadCurrentLinks();
    updateView();
}

void AddLinkView::loadCurrentLinks()
{
    m_currentLinkListTableView->setCurrentItem(m_currentItem);
    m_currentLinkListTableView->loadCurrentLinks();
}

void AddLinkView::search()
{
    const QString text = m_searchBox->stringValue();
    if (text.isEmpty()) return;
    TaskList linked;
    for (TableRowView* row : m_currentLinkListTableView->arrayOfLinks())
        if (const TaskPtr item = LinkListTableView::itemOfRow(row)) linked.append(item);
    m_searchResultListView->loadSearchResultWithSearchText(text, linked, m_currentItem);
}

void AddLinkView::controlTextDidChange()
{
    search();
    updateView();
}

void AddLinkView::setAddButtonState()
{
    m_addBtn->setEnabled(m_searchResultListView->hasSelection());
}

// ---- linking and leaving -----------------------------------------------------------------

void AddLinkView::addLink()
{
    CoreData* dataManager = CoreData::shared();
    if (!m_currentItem || !dataManager) return;
    const qint64 rootKey = LinkRules::linkKey(*m_currentItem);
    const TaskList picked = m_searchResultListView->selectedItems();
    if (picked.isEmpty()) return;
    QList<qint64> keys;
    keys.reserve(picked.size());
    for (const TaskPtr& item : picked) keys.append(LinkRules::linkKey(*item));
    std::optional<QList<qint64>> made;
    if (!dataManager->saveChangeFromView({}, [&] { return (made = dataManager->addLinks(rootKey, keys)).has_value(); }, window()))
        made.reset();
    if (!made) {
        qWarning() << "The links of item" << rootKey << "could not be stored; none was added";
        return;
    }
    // A pair linked meanwhile from elsewhere is already listed: only what
    // was made now joins the list and asks for a push.
    TaskList added;
    for (const TaskPtr& item : picked)
        if (made->contains(LinkRules::linkKey(*item))) added.append(item);
    // A pick linked meanwhile from elsewhere: the list is read again, so
    // that it shows the link once and the pick leaves the results.
    if (added.size() == picked.size())
        m_currentLinkListTableView->addExtLinks(added);
    else
        loadCurrentLinks();
    if (added.isEmpty()) {
        search();
        updateView();
        return;
    }
    postAutoSyncIfOn(qint64(8));
    if (MainViewAccess* mainView = MainViewAccess::current()) {
        QVariantMap keysToReload;
        for (const qint64 key : *made) keysToReload.insert(QString::number(key), QString::number(key));
        keysToReload.insert(QString::number(rootKey), QString::number(rootKey));
        mainView->reloadDataWithInfo(keysToReload);
    }
    search();
    updateView();
}

void AddLinkView::saveCurrentLinks()
{
    if (m_currentLinkListTableView->saveChanges(true)) postAutoSyncIfOn(qint64(10));
}

void AddLinkView::back()
{
    customResignFirstResponder();
    saveCurrentLinks();
    backToPreviousView();
}

void AddLinkView::doneEdit()
{
    customResignFirstResponder();
    const bool saved = m_currentLinkListTableView->saveChanges(true);
    if (CoreData* dataManager = CoreData::shared()) dataManager->pushAddedItemInPreviewToAdesIfNeed();
    if (saved) postAutoSyncIfOn(qint64(10));
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationOnMainThreadName(kPopoverShouldClose, this);
    center.postNotificationOnMainThreadName(kTaskChanged, this);
}

void AddLinkView::backToPreviousView()
{
    if (!m_currentItem) return;
    if (m_previousViewType == 1)
        popupLinkDetail(m_currentItem, m_rootView);
    else
        popupEditDetail(m_currentItem, m_rootView);
}

void AddLinkView::popupEditDetail(const TaskPtr& item, View* positioningView)
{
    if (!item || !positioningView) return;
    // The stored item: the page's copy may be older than the saves made here.
    TaskPtr shown = item;
    if (CoreData* dataManager = CoreData::shared(); dataManager && item->primaryKey() > 0) {
        if (const TaskPtr stored = Task::initWithPrimaryKey(item->primaryKey())) shown = stored;
    }
    if (shown->taskType() == ItemKind::Note)
        detailViewController()->editNote(shown, positioningView, positioningView);
    else
        detailViewController()->editTask(item, positioningView);
}

void AddLinkView::popupLinkDetail(const TaskPtr& item, View* positioningView)
{
    if (!item || !positioningView) return;
    detailViewController()->detailLink(item, positioningView);
}

void AddLinkView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

// ---- layout and drawing ------------------------------------------------------------------

void AddLinkView::updateView()
{
    const double width = frame().width();
    const int results = m_searchResultListView->numberOfRows();
    const int links = m_currentLinkListTableView->numberOfRows();
    m_layout = layoutFor(width, results, links);
    m_searchBox->setFrame(m_layout.searchBox);
    m_searchResultScrollView->setFrame(m_layout.results);
    m_searchResultScrollView->setHidden(results == 0);
    const double rowsWidth = std::max(0.0, m_layout.results.width() - ScrollView::scrollerWidth);
    m_searchResultListView->setFrameSize(
        QSizeF(rowsWidth, std::max(m_layout.results.height(), m_searchResultListView->heightOfAllRows())));
    m_searchResultListView->placeVisibleRows();
    m_addBtn->setFrame(m_layout.addButton);
    m_addBtn->setHidden(results == 0);
    m_currentLinkLabel->setFrame(m_layout.heading);
    m_currentLinkLabel->setHidden(links == 0);
    m_currentLinkScrollView->setFrame(m_layout.currentLinks);
    m_currentLinkScrollView->setHidden(links == 0);
    const double linkRowsWidth = std::max(0.0, m_layout.currentLinks.width() - ScrollView::scrollerWidth);
    m_currentLinkListTableView->setFrameSize(
        QSizeF(linkRowsWidth, std::max(m_layout.currentLinks.height(), m_currentLinkListTableView->heightOfAllRows())));
    m_currentLinkListTableView->placeVisibleRows();
    m_backBtn->setFrame(m_layout.back);
    m_doneBtn->setFrame(m_layout.done);
    // The popover follows the page's frame.
    setFrameSize(QSizeF(width, m_layout.height));
    setNeedsDisplay();
}

void AddLinkView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    View::drawRect(painter, dirtyRect);
    const double width = bounds().width();
    const auto line = [&](double y) { painter.fillRect(QRectF(0, y, width, 1), addLinkLineColor); };
    const auto frameAround = [&](const QRectF& area) {
        painter.setPen(addLinkLineColor);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(-0.5, -0.5, 0.5, 0.5));
    };
    if (m_layout.results.height() > 0) {
        line(m_layout.searchBox.bottom() + 3);
        line(m_layout.addButton.top() - 4);
        frameAround(m_layout.results);
    }
    if (m_layout.heading.height() > 0) line(m_layout.heading.top() - 4);
    if (m_layout.currentLinks.height() > 0) frameAround(m_layout.currentLinks);
    line(m_layout.done.top() - 4);
}
