// The header row of item lists: its layout, the quick-add field's hand-over
// to the owner, and a selection that looks unselected.
#include "InfoListItemView.h"

#include "TextField.h"
#include "TextTable.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

TEST(InfoListItemViewTest, LaysItsFieldsOutOnEveryFrameChange)
{
    InfoListItemView row;
    row.setFrame(QRectF(0, 0, 300, 18));
    EXPECT_EQ(row.leftTextField()->frame(), QRectF(5, 0, 200, 16));
    EXPECT_EQ(row.dateTextField()->frame(), QRectF(140, 0, 150, 16));
    EXPECT_EQ(row.quickAddTask()->frame(), QRectF(20, 2, 260, 24));
    row.setLargeMargin(true);
    EXPECT_EQ(row.leftTextField()->frame().left(), 20);
    EXPECT_TRUE(row.quickAddTask()->isHidden());
}

TEST(InfoListItemViewTest, ReturnHandsANonEmptyTextToTheOwnerAndEmptiesTheFieldWithoutOne)
{
    InfoListItemView row(QRectF(0, 0, 300, 26));
    QStringList received;
    row.setQuickAddHandler([&](const QString& text) { received << text; });
    EXPECT_TRUE(row.doCommand(row.quickAddTask(), FieldCommand::InsertNewline));
    EXPECT_TRUE(received.isEmpty()) << "an empty field sends nothing";
    row.quickAddTask()->setStringValue(QStringLiteral("Buy milk"));
    row.doCommand(row.quickAddTask(), FieldCommand::InsertNewline);
    EXPECT_EQ(received, QStringList{QStringLiteral("Buy milk")});
    EXPECT_EQ(row.quickAddTask()->stringValue(), QStringLiteral("Buy milk")) << "the owner's field keeps its text";
    EXPECT_FALSE(row.doCommand(row.quickAddTask(), FieldCommand::Cancel));

    InfoListItemView orphan(QRectF(0, 0, 300, 26));
    orphan.quickAddTask()->setStringValue(QStringLiteral("Lost"));
    orphan.quickAdd();
    EXPECT_TRUE(orphan.quickAddTask()->stringValue().isEmpty());

    const QString taskPlaceholder = row.quickAddTask()->placeholderString();
    row.setPlaceholderTextForQuickAdd(2);
    EXPECT_EQ(row.quickAddTask()->placeholderString(), taskPlaceholder);
    row.setPlaceholderTextForQuickAdd(1);
    EXPECT_EQ(row.quickAddTask()->placeholderString(), TextTable::localizedString(QStringLiteral("quickAddListText")));
}

TEST(InfoListItemViewTest, ASelectedHeaderIsDrawnWhite)
{
    InfoListItemView row(QRectF(0, 0, 100, 18));
    QImage image(100, 18, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    row.drawSelectionInRect(painter, row.bounds());
    painter.end();
    EXPECT_EQ(image.pixelColor(50, 9), QColor(Qt::white));
}
