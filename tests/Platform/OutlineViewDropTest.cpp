// Drags from and drops on an outline: where a pointer drops (between rows as
// a child index of a parent, or onto a row), the data source's judgement of
// each position, and drags started from rows.
#include "DragSource.h"
#include "OutlineView.h"
#include "TableRowView.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace {

const QString rowType = QStringLiteral("application/x-zoravel-test-row");

// A header (18 high) with two items, then a loose item; items 30 high.
// Drops are allowed between rows only, and recorded.
class DropOutline : public OutlineView {
public:
    DropOutline() : OutlineView(QRectF(0, 0, 200, 400))
    {
        setRowHeight(30);
        setVerticalSpacing(0);
        header = make();
        a = make();
        b = make();
        loose = make();
        children[nullptr] = {header, loose};
        children[header] = {a, b};
        registerForDraggedTypes({rowType});
        reloadData();
        expandItem(nullptr, true);
    }
    ~DropOutline() override
    {
        for (TableRowView* row : owned) delete row;
    }
    TableRowView* make()
    {
        auto* row = new TableRowView();
        owned.push_back(row);
        return row;
    }
    int numberOfChildrenOfItem(TableRowView* item) const override
    {
        const auto found = children.find(item);
        return found == children.end() ? 0 : int(found->second.size());
    }
    TableRowView* childOfItem(int index, TableRowView* item) const override { return children.at(item)[std::size_t(index)]; }
    bool isItemExpandable(TableRowView* item) const override { return item == header; }
    double heightOfRowByItem(TableRowView* item) const override { return item == header ? 18 : rowHeight(); }

    std::unique_ptr<QMimeData> pasteboardWriterForItem(TableRowView* item) override
    {
        if (item == header) return nullptr;
        auto payload = std::make_unique<QMimeData>();
        payload->setData(rowType, QByteArray::number(rowForItem(item)));
        return payload;
    }
    unsigned validateDrop(const DraggingInfo&, TableRowView* item, int childIndex) override
    {
        validated.push_back({item, childIndex});
        return childIndex < 0 ? DragOperationNone : DragOperationGeneric;
    }
    bool acceptDrop(const DraggingInfo& info, TableRowView* item, int childIndex) override
    {
        accepted.push_back({item, childIndex});
        droppedPayload = info.draggingPasteboard().data(rowType);
        return true;
    }

    TableRowView *header, *a, *b, *loose;
    std::map<TableRowView*, std::vector<TableRowView*>> children;
    std::vector<TableRowView*> owned;
    std::vector<DropPosition> validated;
    std::vector<DropPosition> accepted;
    QByteArray droppedPayload;
};

Event mouseAt(const View& view, const QPointF& point, EventType type)
{
    Event event;
    event.type = type;
    event.clickCount = type == EventType::LeftMouseDown ? 1 : 0;
    event.locationInWindow = view.convertPointToWindow(point);
    return event;
}

}  // namespace

TEST(OutlineViewDrop, APointerNearARowEdgeDropsBetweenRowsAndInTheMiddleOntoTheRow)
{
    // Rows of 40 with a gap of 10 between the second and the third.
    const std::vector<std::pair<double, double>> rows{{0, 40}, {40, 40}, {90, 40}};
    const struct {
        double y;
        OutlineView::DropSpot spot;
    } cases[] = {
        {-5, {0, false}},  {0, {0, false}},   {9.9, {0, false}},  {10, {0, true}},  {29.9, {0, true}},
        {30, {1, false}},  {45, {1, false}},  {60, {1, true}},    {75, {2, false}}, {85, {2, false}},
        {99, {2, false}},  {100, {2, true}}, {110, {2, true}},  {125, {3, false}},  {500, {3, false}},
    };
    for (const auto& c : cases) EXPECT_EQ(OutlineView::dropSpotForY(rows, c.y), c.spot) << c.y;
    EXPECT_EQ(OutlineView::dropSpotForY({}, 12), (OutlineView::DropSpot{0, false}));
    EXPECT_EQ(OutlineView::dropSpotForY(rows, std::nan("")), (OutlineView::DropSpot{0, false}));
}

TEST(OutlineViewDrop, TheGapIsAChildIndexOfTheParentOfTheRowBelowIt)
{
    DropOutline outline;
    ASSERT_EQ(outline.numberOfRows(), 4);  // header 0-18, a 18-48, b 48-78, loose 78-108
    using P = OutlineView::DropPosition;
    const struct {
        double y;
        P position;
    } cases[] = {
        {1, {nullptr, 0}},         {9, {outline.header, -1}}, {20, {outline.header, 0}}, {33, {outline.a, -1}},
        {46, {outline.header, 1}}, {80, {nullptr, 1}},        {100, {outline.loose, -1}}, {107, {nullptr, 2}},
        {300, {nullptr, 2}},
    };
    for (const auto& c : cases) EXPECT_EQ(outline.dropPositionForPoint(QPointF(20, c.y)), c.position) << c.y;
}

TEST(OutlineViewDrop, ARowDraggedOverTheOutlineIsJudgedAtEachPositionAndDroppedOnlyWhereAllowed)
{
    DropOutline outline;
    std::vector<std::pair<bool, bool>> answers;  // move accepted, drop accepted
    QPointF dropAt;
    DragSource::setRunner([&](DragSource::Drag& drag) {
        const QPoint at = dropAt.toPoint();
        QDragEnterEvent enter(at, Qt::MoveAction, drag.payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&outline, &enter);
        QDragMoveEvent move(at, Qt::MoveAction, drag.payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&outline, &move);
        QDropEvent drop(QPointF(at), Qt::MoveAction, drag.payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&outline, &drop);
        answers.emplace_back(move.isAccepted(), drop.isAccepted());
        return DragSource::Outcome{drop.isAccepted() ? DragOperationGeneric : DragOperationNone, {}};
    });
    const auto dragRow = [&](int row, const QPointF& to) {
        dropAt = to;
        const QPointF from = outline.rectOfRow(row).center();
        outline.mouseDown(mouseAt(outline, from, EventType::LeftMouseDown));
        outline.mouseDragged(mouseAt(outline, from + QPointF(0, 8), EventType::LeftMouseDragged));
    };

    dragRow(3, QPointF(20, 20));  // the loose item into the header, before a
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers.back(), std::make_pair(true, true));
    ASSERT_EQ(outline.accepted.size(), 1u);
    EXPECT_EQ(outline.accepted.back(), (OutlineView::DropPosition{outline.header, 0}));
    EXPECT_EQ(outline.droppedPayload, QByteArray("3"));

    dragRow(1, QPointF(20, 33));  // onto a row: refused while moving and at the drop
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers.back(), std::make_pair(false, false));
    EXPECT_EQ(outline.accepted.size(), 1u) << "a refused drop is not performed";
    EXPECT_EQ(outline.validated.back(), (OutlineView::DropPosition{outline.a, -1}));

    dragRow(0, QPointF(20, 107));  // the header gives no payload: no drag
    EXPECT_EQ(answers.size(), 2u);
    // A move without a press on a row starts nothing either.
    outline.mouseDragged(mouseAt(outline, QPointF(20, 40), EventType::LeftMouseDragged));
    EXPECT_EQ(answers.size(), 2u);
    DragSource::setRunner({});
}
