#include "LinkDetailView.h"

#include "Button.h"
#include "CoreData.h"
#include "CustomNSTextField.h"
#include "DetailViewController.h"
#include "EditorShared.h"
#include "Event.h"
#include "Font.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "ScrollView.h"
#include "Task.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "TextView.h"
#include "UIUtilities.h"
#include "ZVWSync.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace {

constexpr double linkHeadingHeight = 17;
constexpr double noLinksLabelHeight = 19;
constexpr double linkButtonHeight = 24;
constexpr double rowsShownAtMost = 4;
constexpr double rowPitchOfList = 57;
const QColor linkPageLineColor(Qt::lightGray);

Font linkPageBoldFont()
{
    return Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 14);
}

}  // namespace

double LinkDetailView::titleTextHeight(const QString& title, double textWidth)
{
    // The text view draws its lines a fixed line height apart, so the title
    // takes that much a line: a whole number, whatever the font's own leading.
    const auto lines = std::max<qsizetype>(1, TextMeasure::wrappedLines(title, linkPageBoldFont(), textWidth).size());
    return double(lines) * titleLineHeight;
}

LinkPageLayout LinkDetailView::layoutFor(double width, double titleTextHeight, double summaryHeight, int rows,
                                         double extendHeight, bool noLinksLabel)
{
    LinkPageLayout layout;
    const double inner = std::max(0.0, width - 2 * margin);
    const double titleHeight = titleTextHeight <= maxTitleHeight ? titleTextHeight + 5 : maxTitleHeight;
    double y = margin;
    layout.title = QRectF(margin, y, inner, titleHeight);
    y += titleHeight;
    if (summaryHeight > 0) {
        layout.summary = QRectF(margin, y, inner, summaryHeight);
        y += summaryHeight;
    }
    y += margin;
    layout.heading = QRectF(margin, y, inner, linkHeadingHeight);
    y += linkHeadingHeight + margin;
    const double shownRows = std::min(double(std::max(0, rows)), rowsShownAtMost);
    const double listHeight = extendHeight + rowPitchOfList * shownRows;
    layout.list = QRectF(margin, y, inner, listHeight);
    y += listHeight + margin;
    if (noLinksLabel) {
        layout.noLinksLabel = QRectF(margin, layout.heading.bottom() + margin, inner, noLinksLabelHeight);
        y += noLinksLabelHeight + margin;
    }
    layout.addLink = QRectF(margin, y, 90, linkButtonHeight);
    layout.done = QRectF(width - margin - 90, y, 90, linkButtonHeight);
    layout.height = y + linkButtonHeight;
    return layout;
}

LinkDetailView::LinkDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    m_titleScrollView = new ScrollView(QRectF(margin, margin, width - 2 * margin, 23), this);
    m_titleScrollView->setHasVerticalScroller(true);
    m_title = new TextView(QRectF(0, 0, width - 2 * margin, 23));
    m_title->setEditable(false);
    m_title->setTextFont(linkPageBoldFont(), titleLineHeight);
    m_title->setBackgroundColor(Qt::transparent);
    m_titleScrollView->setDocumentView(m_title);

    m_summary = new CustomNSTextField(QRectF(margin, 0, width - 2 * margin, 17), this);
    m_summary->setEditable(false);
    m_summary->setDrawsBackground(false);
    m_summary->setBordered(false);

    m_linkLabel = TextField::labelWithString(TextTable::localizedString(QStringLiteral("linksText")),
                                             QRectF(margin, 0, width - 2 * margin, linkHeadingHeight));
    m_linkLabel->setTextFont(linkPageBoldFont());
    addSubview(m_linkLabel);

    m_noLinksLabel = TextField::labelWithString(TextTable::localizedString(QStringLiteral("noCurrentLinksText")),
                                                QRectF(margin, 0, width - 2 * margin, noLinksLabelHeight));
    m_noLinksLabel->setTextFont(Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 13));
    m_noLinksLabel->setDrawsBackground(false);
    addSubview(m_noLinksLabel);
    m_noLinksLabel->hide();

    m_linksScrollView = new ScrollView(QRectF(margin, 0, width - 2 * margin, 0), this);
    m_linksScrollView->setHasVerticalScroller(true);
    m_linkListTableView =
        new LinkListTableView(QRectF(0, 0, std::max(0.0, width - 2 * margin - ScrollView::scrollerWidth), 0));
    m_linkListTableView->setCanExpandEditDetail(true);
    m_linkListTableView->setParentView(this);
    m_linksScrollView->setDocumentView(m_linkListTableView);

    const auto makeButton = [this](const QString& title, std::function<void(Button*)> action) {
        Button* button =
            UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter, ButtonType::MomentaryPushIn,
                                      QRectF(0, 0, 90, linkButtonHeight), this, std::move(action), QImage(), QImage(),
                                      true);
        addSubview(button);
        return button;
    };
    m_addLinkBtn =
        makeButton(TextTable::localizedString(QStringLiteral("addLinkText")), [this](Button*) { addNewLink(); });
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), [this](Button*) { done(); });
}

LinkDetailView::~LinkDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
}

DetailViewController* LinkDetailView::detailViewController()
{
    // The next page replaces this one in the popover that shows it.
    if (DetailViewController* controller = DetailViewController::showing(this)) return controller;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    return m_detailViewController;
}

// ---- loading and layout ------------------------------------------------------------------

void LinkDetailView::loadData(const TaskPtr& item)
{
    m_data = item ? item->copy() : nullptr;
    if (CoreData* dataManager = CoreData::shared()) dataManager->setModifyingTask(m_data);
    m_title->setString(m_data ? m_data->taskName() : QString());
    m_summary->setStringValue(m_data ? m_data->noteSummary() : QString());
    loadCurrentLinks();
    updateView();
}

void LinkDetailView::loadCurrentLinks()
{
    m_linkListTableView->setCurrentItem(m_data);
    m_linkListTableView->loadCurrentLinks();
}

void LinkDetailView::updateView()
{
    const double extend = m_linkListTableView->isNoteFirst() ? LinkListTableView::noteExtendHeight
                                                               : LinkListTableView::quickAddExtendHeight;
    layOut(extend);
}

void LinkDetailView::updateViewWithExtendHeight(double extendHeight, int expandType)
{
    (void)expandType;
    layOut(extendHeight);
}

void LinkDetailView::layOut(double extendHeight)
{
    const double width = frame().width();
    const double textWidth = std::max(0.0, width - 2 * margin - 10);
    const double titleText = titleTextHeight(m_title->string(), textWidth);
    const QString summary = m_summary->stringValue();
    const double summaryHeight = summary.isEmpty() ? 0 : m_summary->frame().height();
    const int rows = m_linkListTableView->numberOfRows();
    m_layout = layoutFor(width, titleText, summaryHeight, rows, extendHeight, rows == 0);

    m_titleScrollView->setFrame(m_layout.title);
    m_title->setFrameSize(QSizeF(m_layout.title.width(), std::max(m_layout.title.height(), titleText + 5)));
    m_summary->setHidden(summary.isEmpty());
    if (!summary.isEmpty()) m_summary->setFrame(m_layout.summary);
    m_linkLabel->setFrame(m_layout.heading);
    m_noLinksLabel->setHidden(rows != 0);
    if (rows == 0) m_noLinksLabel->setFrame(m_layout.noLinksLabel);
    m_linksScrollView->setFrame(m_layout.list);
    // The rows are as wide as what the scroller leaves of the list area.
    const double rowsWidth = std::max(0.0, m_layout.list.width() - ScrollView::scrollerWidth);
    m_linkListTableView->setFrameSize(
        QSizeF(rowsWidth, std::max(m_layout.list.height(), m_linkListTableView->heightOfAllRows())));
    // The list places only the rows in view, and its view has just changed.
    m_linkListTableView->placeVisibleRows();
    m_addLinkBtn->setFrame(m_layout.addLink);
    m_doneBtn->setFrame(m_layout.done);
    // The popover follows the page's frame.
    setFrameSize(QSizeF(width, m_layout.height));
    setNeedsDisplay();
}

// ---- actions -----------------------------------------------------------------------------

void LinkDetailView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

namespace {

void postLinkPageAutoSync(bool saved)
{
    const SettingPtr setting = currentSetting();
    if (saved && setting && setting->autoZVWSync() != 0)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(10));
}

}  // namespace

void LinkDetailView::addNewLink()
{
    customResignFirstResponder();
    postLinkPageAutoSync(m_linkListTableView->saveChanges(false));
    popupAddLink();
}

void LinkDetailView::done()
{
    customResignFirstResponder();
    const bool saved = m_linkListTableView->saveChanges(true);
    if (CoreData* dataManager = CoreData::shared()) dataManager->pushAddedItemInPreviewToAdesIfNeed();
    postLinkPageAutoSync(saved);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationOnMainThreadName(kPopoverShouldClose, this);
    center.postNotificationOnMainThreadName(kTaskChanged, this);
}

void LinkDetailView::showDetail()
{
    customResignFirstResponder();
    const bool saved = m_linkListTableView->saveChanges(false);
    if (CoreData* dataManager = CoreData::shared()) dataManager->pushAddedItemInPreviewToAdesIfNeed();
    postLinkPageAutoSync(saved);
    popupEditDetail();
}

void LinkDetailView::popupEditDetail()
{
    if (!m_data || !m_parentView) return;
    if (m_data->taskType() == 3)
        detailViewController()->editNote(m_data, m_parentView, m_parentView);
    else
        detailViewController()->editTask(m_data, m_parentView);
}

void LinkDetailView::popupAddLink()
{
    if (!m_data || !m_parentView || !m_parentView->window()->isVisible()) return;
    detailViewController()->addLink(m_data, m_parentView, 1);
}

void LinkDetailView::mouseUp(const Event& event)
{
    (void)event;
    customResignFirstResponder();
    if (!m_linkListTableView->isNoteFirst()) {
        m_linkListTableView->loadCurrentLinks();
        updateView();
    }
}

void LinkDetailView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    View::drawRect(painter, dirtyRect);
    const double width = bounds().width();
    painter.fillRect(QRectF(0, m_layout.heading.top() - 4, width, 1), linkPageLineColor);
    painter.fillRect(QRectF(0, m_layout.addLink.top() - 4, width, 1), linkPageLineColor);
    if (m_layout.list.height() > 0) {
        painter.setPen(linkPageLineColor);
        painter.drawRect(m_layout.list.adjusted(-0.5, -0.5, 0.5, 0.5));
    }
}
