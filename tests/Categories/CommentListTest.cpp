// The comment list over a real data manager and stored comments: order,
// row heights from the measured text, names, dates in the display zone and
// the bubble.
#include "CategoriesTestFixture.h"
#include "CommentItemView.h"
#include "ConversationTableView.h"
#include "Screenshot.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "Utilities.h"
#include "ZVComment.h"

#include <QImage>

#include <gtest/gtest.h>

namespace CommentListTests {
namespace {

constexpr qint64 parisZone = 1;
constexpr qint64 newYorkZone = 2;

class CommentListTest : public CategoriesViewTest {
protected:
    void TearDown() override
    {
        Utilities::setTimeZoneNameResolver(nullptr);
        CategoriesViewTest::TearDown();
    }

    // A comment as the web sync stores it (the first name in the column
    // the stored databases use for it).
    void storeComment(qint64 itemKey, qint64 type, const Date& created, const QString& content,
                      const QString& first = QStringLiteral("Ann"), const QString& last = QStringLiteral("Lee"))
    {
        auto comment = std::make_shared<ZVComment>();
        comment->setItemKey(itemKey);
        comment->setType(type);
        comment->setCreatedDate(created);
        comment->setUpdatedDate(created);
        comment->setContent(content);
        comment->setFirstName(first);
        comment->setLastName(last);
        comment->setZvwKey(500 + ++m_webKeys);
        ASSERT_TRUE(comment->insertIntoDatabase(db()).has_value());
    }

    ConversationTableView* loaded(qint64 itemKey, qint64 type, double width = 330)
    {
        auto* table = new ConversationTableView(QRectF(0, 0, width, 300), window->contentView());
        table->setItemKey(itemKey);
        table->setCommentType(type);
        table->loadComments();
        return table;
    }

private:
    qint64 m_webKeys = 0;
};

}  // namespace

TEST_F(CommentListTest, RowsAreTheStoredCommentsOldestFirstEachAsHighAsItsText)
{
    const QString longText = QStringLiteral("A comment long enough to need several lines in the list, ").repeated(4);
    storeComment(9, ConversationTableView::itemComments, localDate(2014, 1, 12, 8), longText, QStringLiteral("Mia"),
                 QStringLiteral("Roe"));
    storeComment(9, ConversationTableView::itemComments, localDate(2014, 1, 10, 8), QStringLiteral("first"));
    storeComment(9, ConversationTableView::categoryComments, localDate(2014, 1, 11, 8), QStringLiteral("category"));
    storeComment(8, ConversationTableView::itemComments, localDate(2014, 1, 11, 8), QStringLiteral("other item"));

    struct Case {
        qint64 key;
        qint64 type;
        QStringList names;
        QStringList texts;
    };
    const Case cases[] = {
        {9, ConversationTableView::itemComments, {"Ann Lee", "Mia Roe"}, {"first", longText}},
        {9, ConversationTableView::categoryComments, {"Ann Lee"}, {"category"}},
        {7, ConversationTableView::itemComments, {}, {}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "key " << test.key << " kind " << test.type);
        ConversationTableView* table = loaded(test.key, test.type);
        const std::vector<CommentItemView*> rows = table->arrayOfComments();
        ASSERT_EQ(int(rows.size()), test.names.size());
        EXPECT_EQ(table->numberOfRows(), int(rows.size()));
        double total = 0;
        for (int index = 0; index < int(rows.size()); ++index) {
            const CommentItemView* row = rows[std::size_t(index)];
            EXPECT_EQ(row->commentor()->stringValue(), test.names[index]);
            EXPECT_EQ(row->commentContent()->stringValue(), test.texts[index]);
            const TextField* content = row->commentContent();
            const double textHeight =
                TextMeasure::heightOfText(test.texts[index], content->textFont(), content->frame().width());
            EXPECT_DOUBLE_EQ(content->frame().height(), textHeight + 10);
            EXPECT_DOUBLE_EQ(row->frame().height(), textHeight + 40);
            EXPECT_DOUBLE_EQ(table->heightOfRow(index), row->frame().height());
            EXPECT_DOUBLE_EQ(row->frame().width(), 330);
            total += row->frame().height();
        }
        EXPECT_DOUBLE_EQ(table->totalHeight(), total);
        EXPECT_EQ(table->heightOfRow(int(rows.size())), 1);
    }
    // The long text wraps: its row is taller than a one-line row.
    const std::vector<CommentItemView*> rows = loaded(9, ConversationTableView::itemComments)->arrayOfComments();
    const double oneLine = TextMeasure::lineHeight(rows[0]->commentContent()->textFont());
    EXPECT_DOUBLE_EQ(rows[0]->frame().height(), oneLine + 40);
    EXPECT_GT(rows[1]->frame().height(), 2 * oneLine + 40);

    // A second load replaces the rows rather than adding to them.
    ConversationTableView* table = loaded(9, ConversationTableView::itemComments);
    table->loadComments();
    EXPECT_EQ(table->arrayOfComments().size(), 2u);
}

TEST_F(CommentListTest, DateIsShownInTheDisplayZoneOnlyWithZoneSupport)
{
    Utilities::setTimeZoneNameResolver([](qint64 id) {
        return id == parisZone ? QStringLiteral("Europe/Paris")
                               : id == newYorkZone ? QStringLiteral("America/New_York") : QString();
    });
    dataManager().setAppRootTZ(parisZone);
    setting().setCurrentTZ(newYorkZone);
    storeComment(4, ConversationTableView::itemComments, localDate(2024, 1, 15, 15, 0), QStringLiteral("at three"));

    const struct {
        bool support;
        int shownHour;
    } cases[] = {{true, 9}, {false, 15}};
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << "zone support " << test.support);
        setting().setTzSupport(test.support);
        const CommentItemView* row = loaded(4, ConversationTableView::itemComments)->arrayOfComments().at(0);
        EXPECT_EQ(row->commentTime()->stringValue(),
                  Utilities::getStringFromDate(localDate(2024, 1, 15, test.shownHour, 0), true));
    }
}

TEST_F(CommentListTest, LongNameIsCutBeforeTheDateAndEveryRowHasTheBubble)
{
    storeComment(3, ConversationTableView::categoryComments, localDate(2014, 1, 14, 9),
                 QStringLiteral("Short."), QStringLiteral("Bartholomew-Maximilian"),
                 QStringLiteral("Featherstonehaugh-Worthington"));
    storeComment(3, ConversationTableView::categoryComments, localDate(2014, 1, 14, 10),
                 QStringLiteral("A reply that goes on for a while so that the bubble has to hold two lines of it."));
    ConversationTableView* table = loaded(3, ConversationTableView::categoryComments, 300);
    table->setFrameSize(QSizeF(300, table->totalHeight()));
    table->show();
    QApplication::processEvents();
    saveScreenshot(table, QStringLiteral("comment-list"));

    const QImage picture = table->grab().toImage();
    for (const CommentItemView* row : table->arrayOfComments()) {
        EXPECT_LE(row->commentor()->frame().right(), row->commentTime()->frame().left());
        EXPECT_FALSE(row->commentor()->wraps());
        // The whole date with its time fits its field.
        const TextField* date = row->commentTime();
        EXPECT_GE(date->textArea().width(), TextMeasure::sizeOfText(date->stringValue(), date->textFont()).width());
        const QRectF rowRect = row->frame();
        // Inside the bubble below the text, and the white corner outside
        // its rounding.
        EXPECT_EQ(picture.pixelColor(QPoint(int(rowRect.right()) - 8, int(rowRect.bottom()) - 4)),
                  QColor(199, 213, 233));
        EXPECT_EQ(picture.pixelColor(QPoint(int(rowRect.left()) + 2, int(rowRect.top()) + 1)), QColor(Qt::white));
    }
}

}  // namespace CommentListTests
