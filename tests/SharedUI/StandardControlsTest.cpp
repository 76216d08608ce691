// The standard controls the views are made of: the factories' tags, menus
// and looks, and the small custom controls they use.
#include "UIUtilities.h"

#include "ActionLabelView.h"
#include "Button.h"
#include "Calendar.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSView.h"
#include "LabelClickRecorder.h"
#include "LogCapture.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "TextTable.h"
#include "VerticalNSPopUpButtonCell.h"
#include "VerticalNSSegmentedCell.h"
#include "VerticalNSTextFieldCell.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace StandardControlsTests {

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, const QPointF& point)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void click(QWidget* widget, const QPointF& point)
{
    sendMouse(widget, QEvent::MouseButtonPress, point);
    sendMouse(widget, QEvent::MouseButtonRelease, point);
}

QImage swatch(const QColor& colour)
{
    QImage image(12, 12, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

std::vector<int> tagsOf(const PopUpButton& button)
{
    std::vector<int> tags;
    for (const PopUpItem& item : button.items()) tags.push_back(item.separator ? -1 : item.tag);
    return tags;
}

CalendarPtr category(qint64 key, const QString& name, qint64 projectType, qint64 taskOrEvent)
{
    auto calendar = std::make_shared<Calendar>();
    calendar->setPrimaryKey(key);
    calendar->setCalendarName(name);
    calendar->setProjectType(projectType);
    calendar->setTaskOrEvent(taskOrEvent);
    calendar->setColorGroupId(0);
    calendar->setColorNameId(2);
    return calendar;
}

QStringList titlesOf(const std::vector<PopUpItem>& items)
{
    QStringList titles;
    for (const PopUpItem& item : items) titles << (item.separator ? QStringLiteral("---") : item.title);
    return titles;
}

// The rows of ink (pixels darker than mid grey) of a picture.
std::pair<int, int> inkRows(const QImage& image)
{
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100 && qAlpha(image.pixel(x, y)) > 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return {top, bottom};
}

}  // namespace

TEST(StandardControls, PopUpTagsFollowTheArrayOrTheItemOrder)
{
    using E = UIUtilities::PopUpElement;
    const std::vector<E> texts{QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")};
    const std::vector<E> withGap{QStringLiteral("One"), QString(), QStringLiteral("Three")};

    std::unique_ptr<PopUpButton> plain(
        UIUtilities::createButtonWithFrame(QRectF(0, 0, 120, 22), QStringLiteral("Kinds"), 12, nullptr, {}, texts));
    EXPECT_EQ(tagsOf(*plain), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(plain->menuTitle(), QStringLiteral("Kinds"));
    EXPECT_EQ(plain->indexOfSelectedItem(), 0) << "the face shows the first item";
    EXPECT_FALSE(plain->pullsDown());

    // Without the separator rule an empty text is an untitled item.
    std::unique_ptr<PopUpButton> gapPlain(
        UIUtilities::createButtonWithFrame(QRectF(0, 0, 120, 22), QString(), 12, nullptr, {}, withGap));
    EXPECT_EQ(tagsOf(*gapPlain), (std::vector<int>{1, 2, 3}));
    // With it, the same list gives 1, a separator and 3.
    std::unique_ptr<PopUpButton> gapRule(
        UIUtilities::createPopUpButtonWithFrame(QRectF(0, 0, 120, 22), QString(), 12, nullptr, {}, withGap));
    EXPECT_EQ(tagsOf(*gapRule), (std::vector<int>{1, -1, 3}));
    std::unique_ptr<CustomNSPopUpButton> gapCustom(
        UIUtilities::createCustomButtonWithFrame(QRectF(0, 0, 120, 22), QString(), 12, nullptr, {}, withGap));
    EXPECT_EQ(tagsOf(*gapCustom), (std::vector<int>{1, -1, 3}));

    // A tag array's numbers are read as 32-bit integers; a short one leaves
    // the rest at 0, logged, rather than reading past its end.
    LogCapture log;
    std::unique_ptr<PopUpButton> tagged(UIUtilities::createButtonWithFrame(
        QRectF(0, 0, 120, 22), QString(), 12, nullptr, {}, texts, QList<qint64>{10, (qint64(1) << 32) + 7}));
    EXPECT_EQ(tagsOf(*tagged), (std::vector<int>{10, 7, 0}));
    EXPECT_TRUE(log.contains(QStringLiteral("no tag")));
}

TEST(StandardControls, ImageItemsSendTheActionOnlyWhereTheListHasNoSeparatorRule)
{
    using E = UIUtilities::PopUpElement;
    const std::vector<E> items{QStringLiteral("Text"), swatch(Qt::red)};
    int plainActions = 0, ruleActions = 0;
    std::unique_ptr<PopUpButton> plain(UIUtilities::createCustomButtonCellWithFrame(
        QRectF(0, 0, 120, 22), QString(), 12, nullptr, [&plainActions](PopUpButton*) { ++plainActions; }, items));
    std::unique_ptr<PopUpButton> rule(UIUtilities::createPopUpButtonWithFrame(
        QRectF(0, 0, 120, 22), QString(), 12, nullptr, [&ruleActions](PopUpButton*) { ++ruleActions; }, items));
    for (PopUpButton* button : {plain.get(), rule.get()}) {
        ASSERT_EQ(button->numberOfItems(), 2);
        EXPECT_TRUE(button->itemAtIndex(1)->title.isEmpty()) << "an image item has no title";
        EXPECT_FALSE(button->itemAtIndex(1)->image.isNull());
        EXPECT_EQ(button->itemAtIndex(1)->tag, 2);
        EXPECT_EQ(button->textFont().pixelSize(), 12);
    }
    EXPECT_TRUE(plain->performClickOnItem(1));
    EXPECT_EQ(plainActions, 1);
    EXPECT_TRUE(rule->performClickOnItem(1));
    EXPECT_EQ(ruleActions, 0) << "choosing the image sends nothing";
    EXPECT_EQ(rule->indexOfSelectedItem(), 1);
    EXPECT_TRUE(rule->performClickOnItem(0));
    EXPECT_EQ(ruleActions, 1) << "texts still do";
}

TEST(StandardControls, CategoryChooserGroupsTheCategoriesUnderHeaders)
{
    const QString general = TextTable::localizedString(QStringLiteral("groupZoravelText"));
    const QString events = TextTable::localizedString(QStringLiteral("groupEventOnlyText"));
    const QString tasks = TextTable::localizedString(QStringLiteral("groupTaskOnlyText"));
    const QString checklists = TextTable::localizedString(QStringLiteral("checkListText"));

    EXPECT_TRUE(UIUtilities::calendarMenuItems({}).empty());

    const std::vector<PopUpItem> onlyChecklists =
        UIUtilities::calendarMenuItems({category(4, QStringLiteral("Packing"), 1, 0)});
    EXPECT_EQ(titlesOf(onlyChecklists), (QStringList{checklists, QStringLiteral("Packing")}));

    // Given out of order, with one of an unknown kind: each group keeps the
    // order it was given in, unknown kinds are left out.
    const CalendarList mixed{category(1, QStringLiteral("Home"), 0, 0),    category(2, QStringLiteral("Trips"), 1, 0),
                             category(3, QStringLiteral("Chores"), 0, 1),  category(5, QStringLiteral("Odd"), 7, 0),
                             category(6, QStringLiteral("Meetings"), 0, 2), category(7, QStringLiteral("Work"), 0, 3),
                             category(8, QStringLiteral("Errands"), 0, 1)};
    const std::vector<PopUpItem> items = UIUtilities::calendarMenuItems(mixed);
    EXPECT_EQ(titlesOf(items),
              (QStringList{general, QStringLiteral("Home"), QStringLiteral("Work"), QStringLiteral("---"), events,
                           QStringLiteral("Meetings"), QStringLiteral("---"), tasks, QStringLiteral("Chores"),
                           QStringLiteral("Errands"), QStringLiteral("---"), checklists, QStringLiteral("Trips")}));
    for (const PopUpItem& item : items) {
        if (item.separator) continue;
        if (item.header) {
            EXPECT_FALSE(item.isSelectable()) << item.title.toStdString();
            continue;
        }
        EXPECT_EQ(item.indentationLevel, 1);
        EXPECT_EQ(item.image.size(), QSize(14, 10)) << "the colour swatch";
        EXPECT_GT(item.tag, 0);
    }
    EXPECT_EQ(items[1].tag, 1);
    EXPECT_EQ(items[12].tag, 2);

    // Both forms carry the same menu and select nothing on their own: the
    // face shows the first category, never a header.
    int chosen = 0;
    std::unique_ptr<CustomNSPopUpButton> custom(UIUtilities::createCalendarPopUpButtonWithFrame(
        QRectF(0, 0, 150, 22), nullptr, [&chosen](PopUpButton* b) { chosen = b->selectedItem()->tag; }, mixed));
    std::unique_ptr<PopUpButton> plain(
        UIUtilities::createCalendarNSPopUpButtonWithFrame(QRectF(0, 0, 150, 22), nullptr, {}, mixed));
    EXPECT_EQ(titlesOf(custom->items()), titlesOf(items));
    EXPECT_EQ(titlesOf(plain->items()), titlesOf(items));
    EXPECT_EQ(custom->menuTitle(), QStringLiteral("Calendar"));
    EXPECT_EQ(custom->titleOfSelectedItem(), QStringLiteral("Home"));
    EXPECT_FALSE(custom->performClickOnItem(0)) << "a header cannot be chosen";
    EXPECT_TRUE(custom->performClickOnItem(5));
    EXPECT_EQ(chosen, 6);
    EXPECT_TRUE(UIUtilities::createCalendarNSPopUpButtonWithFrame(QRectF(), nullptr, {}, {})->items().empty());
}

TEST(StandardControls, SegmentedControlSharesTheFrameAndTogglesEachSegment)
{
    int actions = 0;
    std::unique_ptr<SegmentedControl> control(UIUtilities::createSegmentedControlWithFrame(
        QRectF(12, 30, 100, 40), {QStringLiteral("S"), QStringLiteral("M"), QStringLiteral("L")}, nullptr,
        [&actions](SegmentedControl*) { ++actions; }));
    ASSERT_EQ(control->segmentCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(control->widthForSegment(i), 92.0 / 3, 1e-9);
        EXPECT_EQ(control->tagForSegment(i), i + 1);
    }
    EXPECT_EQ(control->frame().topLeft(), QPointF(12, 30)) << "placed at the frame's origin";
    EXPECT_NEAR(control->frame().width(), 92, 1e-9) << "fitted to its segments, edge to edge";
    EXPECT_EQ(control->frame().height(), UIUtilities::miniSegmentedHeight) << "its own small height";
    EXPECT_EQ(control->trackingMode(), SegmentSwitchTracking::SelectAny);

    control->show();
    click(control.get(), control->frameOfSegment(0).center());
    click(control.get(), control->frameOfSegment(2).center());
    EXPECT_TRUE(control->isSelectedForSegment(0));
    EXPECT_TRUE(control->isSelectedForSegment(2));
    click(control.get(), control->frameOfSegment(0).center());
    EXPECT_FALSE(control->isSelectedForSegment(0)) << "each segment toggles on its own";
    EXPECT_EQ(actions, 3);

    std::unique_ptr<SegmentedControl> empty(
        UIUtilities::createSegmentedControlWithFrame(QRectF(0, 0, 100, 20), {}, nullptr, {}));
    EXPECT_EQ(empty->segmentCount(), 0);
}

TEST(StandardControls, ButtonsKeepTheirTitleLookWhenTheTextOrColourChanges)
{
    std::unique_ptr<Button> bold(UIUtilities::createButton(QStringLiteral("Save"), 12, Qt::red, true, Qt::AlignLeft,
                                                           ButtonType::MomentaryPushIn, QRectF(0, 0, 80, 24), nullptr,
                                                           {}, QImage(), QImage(), true));
    UIUtilities::setAttributedTitle(QStringLiteral("Saved"), bold.get());
    const AttributedTitle title = bold->attributedTitle();
    EXPECT_EQ(title.text, QStringLiteral("Saved"));
    EXPECT_EQ(title.color, QColor(Qt::red));
    EXPECT_TRUE(title.font.isBold());
    EXPECT_EQ(title.font.pixelSize(), 12);
    EXPECT_EQ(title.alignment, Qt::AlignLeft);
    EXPECT_TRUE(bold->isBordered());

    // The colour: whatever was set, for any non-empty title; the standard
    // control text colour while there is none.
    bold->setTextColor(QColor(20, 120, 40));
    EXPECT_EQ(bold->textColor(), QColor(20, 120, 40));
    bold->setTitle(QString());
    EXPECT_EQ(bold->textColor(), QColor(Qt::black));

    // A null title sets nothing; the images overlap the (empty) title.
    int clicks = 0;
    std::unique_ptr<Button> image(UIUtilities::createButton(
        QString(), 13, Qt::black, Qt::AlignCenter, ButtonType::Toggle, QRectF(0, 0, 20, 20), nullptr,
        [&clicks](Button*) { ++clicks; }, swatch(Qt::blue), swatch(Qt::green), false));
    EXPECT_TRUE(image->title().isEmpty());
    EXPECT_FALSE(image->attributedTitle().font.isBold());
    EXPECT_EQ(image->imagePosition(), ImagePosition::ImageOverlaps);
    EXPECT_FALSE(image->isBordered());
    image->performClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(image->currentImage().pixelColor(5, 5), QColor(Qt::green)) << "the selected image while on";
}

TEST(StandardControls, CheckboxIsAnUnborderedToggleWithImagesOfItsSize)
{
    int clicks = 0;
    std::unique_ptr<Button> box(UIUtilities::createCheckboxWithFrame(
        QRectF(0, 0, 18, 16), nullptr, [&clicks](Button*) { ++clicks; }, swatch(Qt::white), swatch(Qt::darkGreen)));
    EXPECT_EQ(box->buttonType(), ButtonType::Toggle);
    EXPECT_FALSE(box->isBordered());
    EXPECT_TRUE(box->title().isEmpty());
    EXPECT_EQ(box->image().deviceIndependentSize(), QSizeF(18, 16));
    EXPECT_EQ(box->alternateImage().deviceIndependentSize(), QSizeF(18, 16));
    box->show();
    click(box.get(), QPointF(9, 8));
    EXPECT_EQ(box->state(), OnState);
    EXPECT_EQ(clicks, 1);

    // Without pictures it is still a toggle, just an empty one.
    std::unique_ptr<Button> bare(UIUtilities::createCheckboxWithFrame(QRectF(0, 0, 18, 16), nullptr, {}, {}, {}));
    EXPECT_TRUE(bare->image().isNull());
}

TEST(StandardControls, StandardLabelsAndTheCentredLabel)
{
    std::unique_ptr<TextField> label(UIUtilities::getCommonTextFieldWithFrame(QRectF(0, 0, 100, 20)));
    EXPECT_FALSE(label->isEditable());
    EXPECT_FALSE(label->isSelectable());
    EXPECT_FALSE(label->isBordered());
    EXPECT_FALSE(label->isBezeled());
    EXPECT_FALSE(label->drawsBackground());
    EXPECT_EQ(label->textColor(), QColor(Qt::black));
    EXPECT_EQ(label->textFont().pixelSize(), 13);
    EXPECT_FALSE(label->hasLabelPainter());

    std::unique_ptr<TextField> centred(UIUtilities::getCommonTextFieldCenterVerticalWithFrame(QRectF(0, 0, 100, 20)));
    std::unique_ptr<TextField> plain(UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(QRectF(0, 0, 100, 20)));
    EXPECT_TRUE(centred->hasLabelPainter());
    EXPECT_TRUE(plain->hasLabelPainter());

    // The placement: two points in from the text area's sides, centred one
    // point high on whole points (halves away from zero).
    EXPECT_EQ(VerticalNSTextFieldCell::titleRectForBounds(QRectF(1, 1, 98, 38), QRectF(0, 0, 100, 40), 15),
              QRectF(3, 12, 94, 39));
    EXPECT_EQ(VerticalNSTextFieldCell::titleRectForBounds(QRectF(1, 1, 98, 18), QRectF(0, 10, 100, 20), 16),
              QRectF(3, 11, 94, 19));

    // Drawn: the line sits in the middle of a tall label, and the engraved
    // copy adds grey ink just above the black.
    centred->setFrame(QRectF(0, 0, 100, 60));
    plain->setFrame(QRectF(0, 0, 100, 60));
    centred->setStringValue(QStringLiteral("Middle"));
    plain->setStringValue(QStringLiteral("Middle"));
    const QImage withShadow = centred->snapshot();
    const QImage withoutShadow = plain->snapshot();
    const auto [top, bottom] = inkRows(withoutShadow);
    ASSERT_GE(bottom, top);
    EXPECT_NEAR((top + bottom) / 2.0, 29.0, 4.0);
    int grey = 0;
    for (int y = 0; y < withShadow.height(); ++y)
        for (int x = 0; x < withShadow.width(); ++x)
            if (withShadow.pixelColor(x, y) != withoutShadow.pixelColor(x, y)) ++grey;
    EXPECT_GT(grey, 0) << "the shadow copy shows";
}

TEST(StandardControls, CustomViewFillsItsWholeBoundsAndKeepsA64BitTag)
{
    CustomNSView view(QRectF(0, 0, 40, 30));
    EXPECT_TRUE(view.isFlipped());
    EXPECT_FALSE(view.backgroundColor().isValid());
    view.setTag(qint64(1) << 40);
    EXPECT_EQ(view.tag(), qint64(1) << 40);
    view.setTag(-5);
    EXPECT_EQ(view.tag(), -5);
    EXPECT_EQ(view.viewWithTag(-5), &view);

    view.setBackgroundColor(QColor(10, 200, 30));
    QImage canvas(40, 30, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        view.drawRect(painter, QRectF(0, 0, 5, 5));  // only a corner asked for
    }
    EXPECT_EQ(canvas.pixelColor(39, 29), QColor(10, 200, 30));
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(10, 200, 30));

    // Never set: nothing is painted.
    CustomNSView bare(QRectF(0, 0, 10, 10));
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        bare.drawRect(painter, bare.bounds());
    }
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
}

TEST(StandardControls, PopUpCellsMoveTheFaceOrDrawOnlyTheTitle)
{
    // The custom pop-up hands its cell a frame 8 points further left and 8
    // points wider.
    CustomNSPopUpButton custom(QRectF(0, 0, 120, 22));
    QRectF drawnIn;
    custom.setCellPainter([&drawnIn](QPainter&, const PopUpButton&, const QRectF& frame) { drawnIn = frame; });
    (void)custom.snapshot();
    EXPECT_EQ(drawnIn, QRectF(-8, 0, 128, 22));

    // The title cell: x and width of the standard title, centred one point
    // high; only the title is drawn, so an empty pop-up shows nothing.
    const QRectF standard = PopUpButton::titleRectForBounds(QRectF(0, 0, 120, 30));
    EXPECT_EQ(VerticalNSPopUpButtonCell::titleRectForBounds(QRectF(0, 0, 120, 30), 16),
              QRectF(standard.x(), 6, standard.width(), 16));
    PopUpButton titled(QRectF(0, 0, 120, 30));
    VerticalNSPopUpButtonCell::install(titled);
    titled.setAutoFillBackground(false);
    QImage empty = titled.snapshot();
    EXPECT_EQ(inkRows(empty).second, -1) << "no bezel, no arrows";
    titled.addItemWithTitle(QStringLiteral("Weekly"), 1);
    const auto [top, bottom] = inkRows(titled.snapshot());
    ASSERT_GE(bottom, top);
    EXPECT_NEAR((top + bottom) / 2.0, 14.0, 4.0);
}

TEST(StandardControls, SegmentCellDrawsEachSegment4PointsHigher)
{
    // A tall control has room for the whole raise; the add panel's 20-point
    // type control has less, and its labels rise only as far as they stay
    // whole inside it. The selection fill never moves.
    struct Case {
        double height;
        bool wholeRaise;
    };
    for (const Case c : {Case{40, true}, Case{20, false}}) {
        SCOPED_TRACE(c.height);
        const auto makeControl = [&c] {
            auto control = std::make_unique<SegmentedControl>(QRectF(0, 0, 120, c.height));
            control->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
            control->setSegmentCount(2);
            control->setLabel(QStringLiteral("Day"), 0);
            control->setLabel(QStringLiteral("Week"), 1);
            return control;
        };
        auto standard = makeControl();
        auto raised = makeControl();
        VerticalNSSegmentedCell::install(*raised);
        const QRect inside(4, 1, 112, int(c.height) - 2);
        const auto [standardTop, standardBottom] = inkRows(standard->snapshot().copy(inside));
        const auto [raisedTop, raisedBottom] = inkRows(raised->snapshot().copy(inside));
        ASSERT_GE(standardBottom, standardTop);
        if (c.wholeRaise) {
            EXPECT_EQ(raisedTop, standardTop - 4);
            EXPECT_EQ(raisedBottom, standardBottom - 4);
        } else {
            EXPECT_LT(raisedTop, standardTop) << "raised";
            EXPECT_GE(raisedTop, 1) << "but not cut by the control's top edge";
        }

        standard->setSelectedSegment(1);
        raised->setSelectedSegment(1);
        const QImage plainLook = standard->snapshot(), raisedLook = raised->snapshot();
        for (const int y : {2, int(c.height) / 2, int(c.height) - 3})
            EXPECT_EQ(raisedLook.pixelColor(64, y), plainLook.pixelColor(64, y)) << "the selection fill at row " << y;
    }
}

TEST(StandardControls, ActionLabelInsetsItsLabelAndReportsClicksWithItsObject)
{
    std::unique_ptr<View> cell = std::make_unique<View>(QRectF(0, 0, 200, 60));
    auto* dayLabel = new ActionLabelView(QRectF(10, 10, 120, 24), cell.get());
    EXPECT_EQ(dayLabel->label()->frame(), QRectF(15, 0, 90, 24));
    dayLabel->setFrame(QRectF(10, 10, 160, 30));
    EXPECT_EQ(dayLabel->label()->frame(), QRectF(15, 0, 130, 30)) << "15 points in from both sides again";
    dayLabel->setStringValue(QStringLiteral("12"));
    dayLabel->setTextColor(Qt::darkRed);
    dayLabel->setFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 11), Qt::AlignRight);
    EXPECT_EQ(dayLabel->label()->stringValue(), QStringLiteral("12"));
    EXPECT_EQ(dayLabel->label()->alignment(), Qt::AlignRight);

    auto target = std::make_unique<LabelClickRecorder>();
    dayLabel->addTarget(target.get(), QVariant(QStringLiteral("2026-12-12")));
    cell->show();
    // On the label itself: the click reaches the view through the label.
    QWidget* hit = dayLabel->label();
    click(hit, QPointF(20, 10));
    ASSERT_EQ(target->received.size(), 1);
    EXPECT_EQ(target->received.front(), QVariant(QStringLiteral("2026-12-12")));
    // In the inset, beside the label.
    click(dayLabel, QPointF(3, 5));
    EXPECT_EQ(target->received.size(), 2);

    // A target that is gone is not called.
    target.reset();
    click(dayLabel, QPointF(3, 5));
}

}  // namespace StandardControlsTests
