#include "DetailRow.h"

#include "Button.h"
#include "LogCapture.h"
#include "PopUpButton.h"
#include "Screenshot.h"
#include "TextField.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

// Runs the deletions the row queued.
void flushDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int timesInRow(DetailRow& row, View* view)
{
    return int(row.subviews().count(view));
}

struct CaptionCase {
    const char* name;
    bool large;
    QRectF frame;
    double fontSize;
};

}  // namespace

TEST(DetailRow, EachInitialiserGivesItsCaptionStyle)
{
    const CaptionCase cases[] = {
        {"standard", false, QRectF(0, 0, 80, 19), 12},
        {"large", true, QRectF(0, 0, 75, 23), 13},
    };
    for (const CaptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<DetailRow> row(c.large ? DetailRow::initWithLargeTextFieldInFrame(QRectF(10, 20, 300, 30))
                                               : new DetailRow(QRectF(10, 20, 300, 30)));
        TextField* caption = row->label();
        ASSERT_NE(caption, nullptr);
        EXPECT_FALSE(row->isFlipped());
        EXPECT_EQ(row->frame(), QRectF(10, 20, 300, 30));
        EXPECT_EQ(caption->superview(), row.get());
        EXPECT_EQ(caption->frame(), c.frame);
        EXPECT_EQ(caption->textFont().name(), "Lucida Grande");
        EXPECT_EQ(caption->textFont().pixelSize(), c.fontSize);
        EXPECT_EQ(caption->textColor(), QColor(123, 123, 123));
        EXPECT_EQ(caption->textColor().alpha(), 255);
        EXPECT_EQ(caption->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
        EXPECT_TRUE(caption->stringValue().isEmpty());
        EXPECT_FALSE(caption->isEditable());
        EXPECT_FALSE(caption->isSelectable());
        EXPECT_FALSE(caption->drawsBackground());
        EXPECT_FALSE(caption->isBezeled());
        EXPECT_FALSE(caption->isBordered());
        // Not flipped: the caption at y 0 hangs along the row's bottom edge.
        EXPECT_EQ(caption->geometry().bottom() + 1, 30);
        EXPECT_EQ(row->view(), nullptr);
        EXPECT_EQ(row->reserveView(), nullptr);
    }
}

TEST(DetailRow, TheSameControlSetTwiceIsInTheRowOnceAndStaysAlive)
{
    DetailRow row(QRectF(0, 0, 300, 24));
    QPointer<View> field = new TextField(QRectF(85, 0, 150, 22));
    row.setView(field);
    row.setView(field);
    flushDeletions();
    ASSERT_FALSE(field.isNull());
    EXPECT_EQ(row.view(), field.data());
    EXPECT_EQ(timesInRow(row, field), 1);
    EXPECT_EQ(row.subviews().size(), 2);  // the caption and the field
    EXPECT_EQ(field->frame(), QRectF(85, 0, 150, 22));  // as the caller set it
    EXPECT_TRUE(field->isVisibleTo(&row));
}

TEST(DetailRow, ASecondControlReplacesTheFirstInEitherSlot)
{
    using Setter = void (DetailRow::*)(View*);
    using Getter = View* (DetailRow::*)() const;
    const struct {
        const char* name;
        Setter set;
        Getter get;
    } slots[] = {
        {"view", &DetailRow::setView, &DetailRow::view},
        {"reserveView", &DetailRow::setReserveView, &DetailRow::reserveView},
    };
    for (const auto& slot : slots) {
        SCOPED_TRACE(slot.name);
        DetailRow row(QRectF(0, 0, 300, 24));
        QPointer<View> first = new PopUpButton(QRectF(85, 0, 100, 22));
        QPointer<View> second = new TextField(QRectF(190, 0, 40, 22));
        (row.*slot.set)(first);
        (row.*slot.set)(second);
        EXPECT_EQ((row.*slot.get)(), second.data());
        EXPECT_EQ(timesInRow(row, second), 1);
        ASSERT_FALSE(first.isNull());  // not deleted under a running handler
        EXPECT_EQ(first->superview(), nullptr);
        EXPECT_EQ(timesInRow(row, first), 0);
        flushDeletions();
        EXPECT_TRUE(first.isNull());
        EXPECT_FALSE(second.isNull());
    }
}

TEST(DetailRow, MainAndReserveControlsAreHeldApart)
{
    DetailRow row(QRectF(0, 0, 300, 24));
    QPointer<View> popUp = new PopUpButton(QRectF(85, 0, 100, 22));
    QPointer<View> value = new TextField(QRectF(190, 0, 40, 22));
    row.setView(popUp);
    row.setReserveView(value);
    EXPECT_EQ(row.view(), popUp.data());
    EXPECT_EQ(row.reserveView(), value.data());
    EXPECT_EQ(row.subviews().size(), 3);

    // Emptying one slot leaves the other alone.
    row.setReserveView(nullptr);
    flushDeletions();
    EXPECT_TRUE(value.isNull());
    EXPECT_EQ(row.reserveView(), nullptr);
    EXPECT_EQ(row.view(), popUp.data());
    EXPECT_EQ(timesInRow(row, popUp), 1);
}

TEST(DetailRow, AControlStillHeldOrGivenBackIsNotDeleted)
{
    {
        // The main control moved into the reserve slot is still the row's.
        DetailRow row(QRectF(0, 0, 300, 24));
        QPointer<View> a = new Button(QRectF(85, 0, 60, 22));
        row.setView(a);
        row.setReserveView(a);
        row.setView(new Button(QRectF(150, 0, 60, 22)));
        flushDeletions();
        ASSERT_FALSE(a.isNull());
        EXPECT_EQ(row.reserveView(), a.data());
        EXPECT_EQ(timesInRow(row, a), 1);
    }
    {
        // Swapped out and straight back in before the event loop ran.
        DetailRow row(QRectF(0, 0, 300, 24));
        QPointer<View> a = new Button(QRectF(85, 0, 60, 22));
        QPointer<View> b = new Button(QRectF(150, 0, 60, 22));
        row.setView(a);
        row.setView(b);
        row.setView(a);
        flushDeletions();
        ASSERT_FALSE(a.isNull());
        EXPECT_EQ(row.view(), a.data());
        EXPECT_EQ(timesInRow(row, a), 1);
        EXPECT_TRUE(b.isNull());
    }
}

TEST(DetailRow, AReplacedControlTheOwnerMovedElsewhereIsLeftToIt)
{
    DetailRow row(QRectF(0, 0, 300, 24));
    View other(QRectF(0, 0, 100, 100));
    QPointer<View> field = new TextField(QRectF(85, 0, 100, 22));
    row.setView(field);
    other.addSubview(field);
    row.setView(new TextField(QRectF(85, 0, 100, 22)));
    flushDeletions();
    ASSERT_FALSE(field.isNull());
    EXPECT_EQ(field->superview(), &other);
}

TEST(DetailRow, LabelWidthChangesOnlyTheCaptionsWidth)
{
    const struct {
        const char* name;
        double width;
        double expected;
    } cases[] = {
        {"wider", 120, 120},
        {"narrower", 40.5, 40.5},
        {"negative", -5, 0},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), 0},
        {"infinite", std::numeric_limits<double>::infinity(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<DetailRow> row(DetailRow::initWithLargeTextFieldInFrame(QRectF(0, 0, 260, 30)));
        row->label()->setFrameOrigin(QPointF(4, 3));
        LogCapture log;
        row->setLabelWidth(c.width);
        EXPECT_EQ(row->label()->frame(), QRectF(4, 3, c.expected, 23));
        EXPECT_EQ(log.contains("caption"), c.width != c.expected);
    }
}

TEST(DetailRow, SetLabelReplacesTheCaptionWithoutTouchingTheSubviews)
{
    QPointer<TextField> loose;
    QPointer<TextField> original;
    {
        DetailRow row(QRectF(0, 0, 300, 24));
        original = row.label();
        const QList<View*> before = row.subviews();
        loose = TextField::labelWithString("Alert");
        row.setLabel(loose);
        EXPECT_EQ(row.label(), loose.data());
        EXPECT_EQ(row.subviews(), before);
        EXPECT_EQ(loose->superview(), nullptr);
        EXPECT_FALSE(original.isNull());
        row.setLabel(loose);  // again: nothing changes, nothing is deleted
        EXPECT_FALSE(loose.isNull());
    }
    // The row owned both captions: the child and the one never added.
    EXPECT_TRUE(original.isNull());
    EXPECT_TRUE(loose.isNull());
}

TEST(DetailRow, Screenshot)
{
    View editor(QRectF(0, 0, 320, 70));
    editor.setAutoFillBackground(true);
    QPalette palette = editor.palette();
    palette.setColor(QPalette::Window, Qt::white);
    editor.setPalette(palette);

    auto* alert = new DetailRow(QRectF(10, 38, 300, 22));
    alert->label()->setStringValue("Alert:");
    auto* popUp = new PopUpButton(QRectF(85, 0, 140, 22));
    popUp->addItemWithTitle("Minutes before");
    alert->setView(popUp);
    alert->setReserveView(new TextField(QRectF(230, 0, 50, 22)));
    static_cast<TextField*>(alert->reserveView())->setStringValue("15");
    editor.addSubview(alert);

    auto* category = DetailRow::initWithLargeTextFieldInFrame(QRectF(10, 6, 300, 26));
    category->label()->setStringValue("Name:");
    auto* name = new TextField(QRectF(80, 0, 200, 23));
    name->setStringValue("Holidays");
    category->setView(name);
    editor.addSubview(category);

    editor.resize(320, 70);
    // Each row's controls lie beside its caption, inside the row.
    for (DetailRow* row : {alert, category}) {
        const QRectF caption = row->label()->frame();
        for (View* control : {row->view(), row->reserveView()}) {
            if (!control) continue;
            EXPECT_GE(control->frame().left(), caption.right());
            EXPECT_TRUE(row->bounds().contains(control->frame()));
        }
    }
    EXPECT_FALSE(saveScreenshot(&editor, "detail-row").isEmpty());
}
