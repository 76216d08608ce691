// The day pane with its focus list as a user sees it: an all-day event, a
// due task with its badge, a done task and a note, one row selected, the
// list grown to its rows and collapsed to its header.
#include "FocusPaneTestFixture.h"

#include "Button.h"
#include "Screenshot.h"

#include <QImage>

namespace {

// The colour the user sees at a point of the day pane (our coordinates of
// the pane, y down from its top).
QColor colourAt(View& view, const QPointF& point)
{
    const QImage image = view.snapshot();
    return image.pixelColor(point.toPoint());
}

// The rows, counted from the top of the header, in which the date title
// leaves dark ink; empty when no title is drawn.
std::pair<int, int> titleInkRows(View& dayPane, const QPointF& paneTop)
{
    const QImage image = dayPane.snapshot();
    int first = -1, last = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 28; x < 258; ++x)
            if (image.pixelColor(QPointF(paneTop + QPointF(x, y)).toPoint()).lightness() < 100) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    return {first, last};
}

}  // namespace

TEST_F(FocusPaneTest, TheDayPaneShowsEveryKindOfRowGrownAndCollapsed)
{
    allDayEvent(QStringLiteral("Company holiday"));
    dueTask(QStringLiteral("Send the contract"), [](Task& t) { t.setAssigneeEmail(QStringLiteral("you@example.com")); });
    dueTask(QStringLiteral("Call the bank"));
    doneTask(QStringLiteral("Write the report"));
    note(QStringLiteral("Ideas for the launch"));
    m_dayPane->show();
    m_dayPane->reloadData();
    ASSERT_EQ(list().numberOfRows(), 5);
    select(QStringLiteral("Call the bank"));
    QApplication::processEvents();
    saveScreenshot(m_dayPane.get(), QStringLiteral("focus-pane-grown"));

    // Grown: five rows under the 30-point header; the selected row is pale
    // yellow, the list's background pale grey below the rows.
    const QPointF paneTop = QPointF(0, paneHeight - pane().frame().bottom());
    const double selectedRowY = paneTop.y() + 30 + 2 * 18 + 8;
    EXPECT_EQ(colourAt(*m_dayPane, QPointF(paneWidth - 40, selectedRowY)), QColor(249, 251, 193));
    EXPECT_DOUBLE_EQ(pane().frame().height(), 30 + 5 * 18 + 10);
    const QColor header = colourAt(*m_dayPane, paneTop + QPointF(300, 3));
    EXPECT_GT(header.lightness(), 200) << "the header's light gradient";
    // The date title is drawn, whole, inside the 30-point header, clear of
    // its bottom edge, grown as collapsed.
    const auto expectTitleInHeader = [this](const char* state) {
        const QPointF top(0, paneHeight - pane().frame().bottom());
        const auto [first, last] = titleInkRows(*m_dayPane, top);
        EXPECT_GE(first, 2) << state << ": a title below the header's top";
        EXPECT_LE(last, 27) << state << ": and above its bottom edge";
    };
    expectTitleInHeader("grown");

    pane().maximizeBtn()->performClick();
    QApplication::processEvents();
    saveScreenshot(m_dayPane.get(), QStringLiteral("focus-pane-collapsed"));
    EXPECT_DOUBLE_EQ(pane().frame().height(), 40) << "only the header and the handle";
    expectTitleInHeader("collapsed");
    EXPECT_EQ(colourAt(*m_dayPane, QPointF(100, 35)), QColor(233, 233, 233)) << "the handle under the header";
}
