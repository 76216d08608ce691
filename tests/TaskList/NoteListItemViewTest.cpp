// The note row: its three bands, its own copy of the note, its controls
// made on first layout, its link strip, and its own delete.
#include "TaskListTestFixture.h"

#include "Calendar.h"
#include "Color.h"
#include "CustomNSTextField.h"
#include "Link.h"
#include "LinkListForTableItem.h"
#include "NoteListItemView.h"
#include "Screenshot.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

TEST(NoteRowLayoutTest, TheTitleTakesTheBandsTheSummaryAndLinksLeave)
{
    struct Case {
        const char* name;
        bool summary, links;
        double titleHeight;
        double summaryY;  // -1: none
        double linksY;    // -1: none
    };
    const Case cases[] = {
        {"title only, centred over the row", false, false, 54, -1, -1},
        {"links", false, true, 36, -1, 36},
        {"summary", true, false, 36, 36, -1},
        {"summary and links", true, true, 18, 21, 36},
    };
    for (const Case& c : cases) {
        const NoteRowLayout out = NoteListItemView::layoutFor(320, c.summary, c.links);
        EXPECT_EQ(out.title, QRectF(30, 0, 201, c.titleHeight)) << c.name;
        EXPECT_EQ(out.date, QRectF(238, 0, 82, 18)) << c.name;
        EXPECT_EQ(out.summaryShown, c.summaryY >= 0) << c.name;
        if (c.summaryY >= 0) {
            EXPECT_EQ(out.summary, QRectF(30, c.summaryY, 283, 15)) << c.name;
        }
        EXPECT_EQ(out.linksShown, c.linksY >= 0) << c.name;
        if (c.linksY >= 0) {
            EXPECT_EQ(out.links, QRectF(25, c.linksY, 295, 15)) << c.name;
        }
    }
    // A row narrower than its date column gets no negative sizes.
    const NoteRowLayout narrow = NoteListItemView::layoutFor(40, true, true);
    EXPECT_GE(narrow.title.width(), 0);
    EXPECT_GE(narrow.summary.width(), 0);
    EXPECT_GE(narrow.links.width(), 0);
}

class NoteRowTest : public TaskListTest {
protected:
    TaskPtr note(const QString& name, const QString& notes = QString())
    {
        return add(3, name, [&](Task& t) {
            t.setNotes(notes);
            t.setStartTime(localDate(2014, 1, 12, 9));
        });
    }
    void link(const TaskPtr& from, const TaskPtr& to)
    {
        auto made = std::make_shared<Link>();
        made->setRootId(from->primaryKey());
        made->setTargetId(to->primaryKey());
        ASSERT_TRUE(dataManager().insertLink(made));
    }
    std::unique_ptr<NoteListItemView> rowFor(const TaskPtr& item, double width = 320)
    {
        auto row = std::make_unique<NoteListItemView>();
        row->setNote(item);
        row->setFrame(QRectF(0, 0, width, 55));
        return row;
    }
};

TEST_F(NoteRowTest, ShowsTitleSummaryDateAndLinksOfItsOwnCopy)
{
    const TaskPtr linked = task(QStringLiteral("Call the bank"));
    const TaskPtr minutes = note(QStringLiteral("Minutes"), QStringLiteral("Minutes\nBudget agreed\nmore"));
    link(minutes, linked);

    auto row = std::make_unique<NoteListItemView>();
    row->setNote(minutes);
    EXPECT_FALSE(row->hasBuiltControls()) << "a row out of view makes no controls";
    EXPECT_NE(row->note(), minutes) << "the row keeps its own copy";
    EXPECT_EQ(row->note()->primaryKey(), minutes->primaryKey());
    EXPECT_EQ(row->toolTip(), QStringLiteral("Minutes"));

    row->setFrame(QRectF(0, 0, 320, 55));
    ASSERT_TRUE(row->hasBuiltControls());
    EXPECT_EQ(row->noteTitle()->stringValue(), QStringLiteral("Minutes"));
    EXPECT_EQ(row->summaryRow()->stringValue(), QStringLiteral("Budget agreed")) << "the first line only repeats the title";
    EXPECT_EQ(row->createdDateRow()->stringValue(), Utilities::getShortDateStringWithMonthDay(localDate(2014, 1, 12, 9)));
    EXPECT_TRUE(row->hasLink());
    EXPECT_EQ(row->noteTitle()->frame().height(), 18);
    EXPECT_EQ(row->summaryRow()->frame().y(), 21);
    ASSERT_FALSE(row->linkItem()->isHidden());
    EXPECT_EQ(row->linkItem()->frame().y(), 36);
    ASSERT_EQ(row->linkItem()->linkItems().size(), 1);
    EXPECT_EQ(row->linkItem()->linkItems().front()->taskName(), QStringLiteral("Call the bank"));
    EXPECT_EQ(row->linkItem()->color(), Color::calibratedRGB(0, 0, 1));

    // Edits of the data manager's object show only once the note is given again.
    minutes->setTaskName(QStringLiteral("Minutes of Monday"));
    row->reload();
    EXPECT_EQ(row->noteTitle()->stringValue(), QStringLiteral("Minutes"));
    row->setNote(minutes);
    EXPECT_EQ(row->noteTitle()->stringValue(), QStringLiteral("Minutes of Monday"));
    EXPECT_EQ(row->summaryRow()->stringValue(), QStringLiteral("Minutes")) << "the first line no longer repeats the title";

    // Without summary and links the title fills the row, centred.
    const auto plain = rowFor(note(QStringLiteral("Plain")));
    EXPECT_EQ(plain->noteTitle()->frame().height(), 54);
    EXPECT_TRUE(plain->summaryRow()->isHidden());
    EXPECT_TRUE(plain->linkItem()->isHidden());
    EXPECT_FALSE(plain->hasLink());
}

// A title too long for its row starts where a one-letter title does: the
// row wraps it and cuts its end, rather than scrolling to its last letters.
TEST_F(NoteRowTest, ATitleTooLongForItsRowKeepsItsBeginning)
{
    // The columns inked by the title's first line (the rows from the first
    // inked one to the next blank one): the title may wrap.
    const auto inkColumns = [](TextField* field) {
        QImage image(field->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        field->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        std::vector<bool> columns(size_t(image.width()), false);
        bool started = false;
        for (int y = 0; y < image.height(); ++y) {
            bool inked = false;
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0) inked = columns[size_t(x)] = true;
            if (started && !inked) break;
            started = started || inked;
        }
        return columns;
    };
    const QString longTitle = QStringLiteral("Lunch with Ann and the whole team about the budget");
    auto longRow = rowFor(note(longTitle, longTitle + QStringLiteral("\nBudget agreed")), 200);
    auto shortRow = rowFor(note(QStringLiteral("L"), QStringLiteral("L\nBudget agreed")), 200);
    TextField* longName = longRow->noteTitle();
    TextField* shortName = shortRow->noteTitle();
    ASSERT_EQ(longName->frame(), shortName->frame());
    ASSERT_GT(TextMeasure::sizeOfText(longTitle, longName->textFont()).width(), longName->textArea().width());

    const std::vector<bool> longInk = inkColumns(longName);
    const std::vector<bool> shortInk = inkColumns(shortName);
    const int letterEnd = int(std::ceil(shortName->textArea().left() +
                                        TextMeasure::sizeOfText(QStringLiteral("L"), shortName->textFont()).width()));
    ASSERT_LT(letterEnd, int(shortInk.size()));
    ASSERT_TRUE(std::find(shortInk.begin(), shortInk.begin() + letterEnd, true) != shortInk.begin() + letterEnd);
    for (int x = 0; x < letterEnd; ++x) EXPECT_EQ(longInk[size_t(x)], shortInk[size_t(x)]) << "column " << x;
}

TEST_F(NoteRowTest, ColoursComeFromTheCategoryWhenTheNoteIsGiven)
{
    const TaskPtr item = note(QStringLiteral("Coloured"));
    const CalendarPtr category = dataManager().calendarWithPrimaryKey(1);
    ASSERT_TRUE(category);
    auto row = rowFor(item);
    EXPECT_EQ(row->cal(), category);
    EXPECT_EQ(row->projectColor(),
              Utilities::getColorInGroupID(category->colorGroupId(), category->colorNameId(), 0));

    const QColor before = row->projectColor();
    const qint64 other = (category->colorNameId() + 3) % 8;
    category->setColorNameId(other);
    EXPECT_EQ(row->projectColor(), before) << "the colour follows only a new setNote";
    row->setNote(item);
    EXPECT_EQ(row->projectColor(), Utilities::getColorInGroupID(category->colorGroupId(), other, 0));

    // A note whose category went is drawn in the palette's first colour.
    item->setCalendarId(987654);
    row->setNote(item);
    EXPECT_EQ(row->cal(), nullptr);
    EXPECT_EQ(row->projectColor(), Utilities::getColorInGroupID(0, 0, 0));

    // Drawn at rest and selected: the icon is made on first drawing, the
    // selected row's texts and links turn white.
    const TaskPtr linked = task(QStringLiteral("Linked task"));
    const TaskPtr shown = note(QStringLiteral("Drawn"), QStringLiteral("A summary line"));
    link(shown, linked);
    row->setNote(shown);
    QImage atRest(320, 55, QImage::Format_ARGB32_Premultiplied);
    atRest.fill(Qt::white);
    row->render(&atRest);
    EXPECT_FALSE(row->iconNormal().isNull());
    EXPECT_EQ(row->noteTitle()->textColor(), row->projectColor());
    EXPECT_EQ(row->linkItem()->color(), Color::calibratedRGB(0, 0, 1));
    row->setSelected(true);
    QImage selected = atRest;
    row->render(&selected);
    EXPECT_EQ(row->noteTitle()->textColor(), Color::white());
    EXPECT_EQ(row->summaryRow()->textColor(), Color::white());
    EXPECT_EQ(row->linkItem()->color(), Color::white());
    // The selection fills the row in the category's colour, under the tint.
    EXPECT_NE(selected.pixelColor(200, 50), atRest.pixelColor(200, 50));
    EXPECT_LT(selected.pixelColor(200, 50).lightness(), atRest.pixelColor(200, 50).lightness());
}

TEST_F(NoteRowTest, AGreyedRowGreysItsLinks)
{
    const TaskPtr linked = task(QStringLiteral("Other"));
    const TaskPtr item = note(QStringLiteral("Greyed"));
    link(item, linked);
    auto row = std::make_unique<NoteListItemView>();
    row->setIsAssetNeedGrayout(true);
    row->setNote(item);
    row->setFrame(QRectF(0, 0, 320, 55));
    EXPECT_TRUE(row->linkItem()->grayOut());
    EXPECT_EQ(row->linkItem()->color(), Color::darkGray());
}

TEST_F(NoteRowTest, DeletingAsksThenTellsTheListsEvenAfterACancel)
{
    watchTaskChanged();
    setting().setIsWarningForDeleting(1);
    const TaskPtr item = note(QStringLiteral("To delete"));
    auto row = rowFor(item);

    m_alerts.scriptButton(AlertResponse::secondButton);
    row->applyDelete();
    ASSERT_EQ(m_alerts.requests().size(), 1);
    const AlertRequest asked = m_alerts.requests().front();
    EXPECT_EQ(asked.buttonTitles, (QStringList{TextTable::localizedString(QStringLiteral("okText")),
                                               TextTable::localizedString(QStringLiteral("cancelText"))}));
    EXPECT_EQ(asked.messageText, TextTable::localizedString(QStringLiteral("deleteItemText")));
    EXPECT_EQ(asked.informativeText, TextTable::localizedString(QStringLiteral("deleteItemMessage")));
    EXPECT_TRUE(asked.showsSuppressionButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 1) << "a cancel tells the lists too";
    EXPECT_EQ(m_lastChangedObject, static_cast<const void*>(row.get()));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())), 1);

    m_alerts.scriptButton(AlertResponse::firstButton, true);
    row->applyDelete();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())), 0);
    EXPECT_EQ(setting().isWarningForDeleting(), 0) << "the ticked box asks no more";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 2);
}

TEST_F(NoteRowTest, ASharedNoteIsNotDeletedAndNothingIsPosted)
{
    watchTaskChanged();
    setting().setIsWarningForDeleting(1);
    const TaskPtr item = note(QStringLiteral("Shared"));
    auto row = rowFor(item);
    // The row reads a note the web service never saw from the store first.
    item->setIsShared(true);
    ASSERT_TRUE(item->dehydrate());
    row->applyDelete();
    EXPECT_TRUE(m_alerts.requests().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())), 1);
}
