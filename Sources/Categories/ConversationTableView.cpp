#include "ConversationTableView.h"

#include "Color.h"
#include "CommentItemView.h"
#include "CoreData.h"
#include "ZVComment.h"

#include <algorithm>

ConversationTableView::ConversationTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setBackgroundColor(Color::calibratedRGB(1, 1, 1, 1));
    setRowHeight(CommentItemView::startingHeight);
    setPlacesVisibleRowsOnly(true);
}

ConversationTableView::~ConversationTableView() = default;

bool ConversationTableView::markShownRead()
{
    CoreData* manager = CoreData::shared();
    const auto unread = [](const ZVCommentPtr& comment) { return comment && comment->status() != 1; };
    // Nothing new shown, nothing to write: opening the tab asks for no lock.
    if (!manager || std::none_of(m_comments.cbegin(), m_comments.cend(), unread)) return true;
    if (!manager->saveChangeFromView({}, [&] { return manager->markCommentsStatus(1, m_itemKey, m_commentType); }, window()))
        return false;
    for (const ZVCommentPtr& comment : std::as_const(m_comments))
        if (comment) comment->setStatus(1);
    return true;
}

void ConversationTableView::loadComments()
{
    const std::vector<QPointer<CommentItemView>> old = std::move(m_rows);
    m_totalHeight = 0;
    m_rowWidth = frame().width();
    const CoreData* manager = CoreData::shared();
    m_comments = manager ? manager->getConversationsFor(m_itemKey, m_commentType) : QList<ZVCommentPtr>();
    m_heights.clear();
    m_heights.reserve(std::size_t(m_comments.size()));
    for (const ZVCommentPtr& comment : std::as_const(m_comments)) {
        m_heights.push_back(CommentItemView::rowHeightFor(comment ? comment->content() : QString(), m_rowWidth));
        m_totalHeight += m_heights.back();
    }
    m_rows.assign(std::size_t(m_comments.size()), nullptr);
    m_rowsWaiting = false;
    reloadData();
    // Later: a reload may come while one of the old rows handles an event.
    for (const QPointer<CommentItemView>& row : old)
        if (row) row->deleteLater();
}

CommentItemView* ConversationTableView::rowAt(int row)
{
    if (row < 0 || row >= int(m_rows.size())) return nullptr;
    QPointer<CommentItemView>& view = m_rows[std::size_t(row)];
    if (!view) {
        view = new CommentItemView(QRectF(0, 0, m_rowWidth, CommentItemView::startingHeight), this);
        view->setCommentData(m_comments[row]);
    }
    return view;
}

std::vector<CommentItemView*> ConversationTableView::arrayOfComments()
{
    std::vector<CommentItemView*> rows;
    rows.reserve(m_rows.size());
    for (int row = 0; row < int(m_rows.size()); ++row) rows.push_back(rowAt(row));
    return rows;
}

TableRowView* ConversationTableView::rowViewForRow(int row)
{
    // Out of sight and in no scroll area, every row would be asked for: a
    // long conversation waits until it shows.
    if (isHidden() && !enclosingScrollView()) {
        m_rowsWaiting = true;
        return nullptr;
    }
    return rowAt(row);
}

void ConversationTableView::showEvent(QShowEvent* event)
{
    TableView::showEvent(event);
    if (!m_rowsWaiting) return;
    m_rowsWaiting = false;
    reloadData();
}

double ConversationTableView::heightOfRow(int row) const
{
    if (row < 0 || row >= int(m_heights.size())) return 1;
    return m_heights[std::size_t(row)];
}
