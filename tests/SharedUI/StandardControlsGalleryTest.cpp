// Every standard control side by side as a view builds them, to look at.
#include "UIUtilities.h"

#include "ActionLabelView.h"
#include "Button.h"
#include "Calendar.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSView.h"
#include "Screenshot.h"
#include "SegmentedControl.h"
#include "TextField.h"

#include <gtest/gtest.h>

namespace StandardControlsGalleryTests {

namespace {

CalendarPtr category(qint64 key, const QString& name, qint64 projectType, qint64 taskOrEvent, qint64 color)
{
    auto calendar = std::make_shared<Calendar>();
    calendar->setPrimaryKey(key);
    calendar->setCalendarName(name);
    calendar->setProjectType(projectType);
    calendar->setTaskOrEvent(taskOrEvent);
    calendar->setColorGroupId(0);
    calendar->setColorNameId(color);
    return calendar;
}

}  // namespace

TEST(StandardControlsGallery, EveryFactoryControl)
{
    CustomNSView sheet(QRectF(0, 0, 640, 420));
    sheet.setBackgroundColor(QColor(236, 236, 236));
    const auto caption = [&sheet](const QString& text, double y) {
        TextField* label = UIUtilities::getCommonTextFieldWithFrame(QRectF(10, y, 150, 22));
        label->setStringValue(text);
        label->setAlignment(Qt::AlignRight);
        sheet.addSubview(label);
    };
    using E = UIUtilities::PopUpElement;
    const std::vector<E> repeat{QStringLiteral("None"), QStringLiteral("Daily"), QString(), QStringLiteral("Weekly")};
    const CalendarList categories{category(1, QStringLiteral("Home"), 0, 0, 2), category(2, QStringLiteral("Work"), 0, 2, 5),
                                  category(3, QStringLiteral("Packing"), 1, 0, 7)};

    caption(QStringLiteral("Buttons"), 10);
    sheet.addSubview(UIUtilities::createButton(QStringLiteral("Save"), 12, Qt::black, true, Qt::AlignCenter,
                                               ButtonType::MomentaryPushIn, QRectF(170, 8, 80, 26), nullptr, {},
                                               QImage(), QImage(), true));
    sheet.addSubview(UIUtilities::createButton(QStringLiteral("Cancel"), 12, QColor(160, 30, 30), Qt::AlignCenter,
                                               ButtonType::MomentaryPushIn, QRectF(260, 8, 80, 26), nullptr, {},
                                               QImage(), QImage(), true));
    Button* imageButton = UIUtilities::createButton(
        QString(), 12, Qt::black, Qt::AlignCenter, ButtonType::Toggle, QRectF(350, 9, 24, 24), nullptr, {},
        UIUtilities::getIconForType(1, false, false, QColor(61, 98, 187), QSizeF(22, 22)),
        UIUtilities::getIconForType(1, false, true, QColor(61, 98, 187), QSizeF(22, 22)), false);
    sheet.addSubview(imageButton);

    caption(QStringLiteral("Check boxes"), 45);
    const QImage boxOff = UIUtilities::getNormalImageForTaskWithColor(QColor(61, 98, 187), QSizeF(18, 18), false);
    const QImage boxOn = UIUtilities::getDoneImageForTaskWithColor(QColor(61, 98, 187), QSizeF(18, 18), false);
    sheet.addSubview(UIUtilities::createCheckboxWithFrame(QRectF(170, 47, 18, 18), nullptr, {}, boxOff, boxOn));
    Button* checked = UIUtilities::createCheckboxWithFrame(QRectF(200, 47, 18, 18), nullptr, {}, boxOff, boxOn);
    checked->setState(OnState);
    sheet.addSubview(checked);

    caption(QStringLiteral("Pop-ups"), 80);
    sheet.addSubview(UIUtilities::createButtonWithFrame(QRectF(170, 78, 100, 24), QString(), 12, nullptr, {}, repeat));
    sheet.addSubview(
        UIUtilities::createCustomButtonCellWithFrame(QRectF(280, 78, 100, 24), QString(), 12, nullptr, {}, repeat));
    sheet.addSubview(UIUtilities::createCustomButtonWithFrame(QRectF(398, 78, 100, 24), QString(), 12, nullptr, {}, repeat));
    sheet.addSubview(UIUtilities::createPopUpButtonWithFrame(QRectF(510, 78, 110, 24), QString(), 12, nullptr, {}, repeat));

    caption(QStringLiteral("Category"), 120);
    sheet.addSubview(UIUtilities::createCalendarPopUpButtonWithFrame(QRectF(178, 118, 150, 24), nullptr, {}, categories));
    sheet.addSubview(UIUtilities::createCalendarNSPopUpButtonWithFrame(QRectF(340, 118, 150, 24), nullptr, {}, categories));

    caption(QStringLiteral("Segments"), 160);
    SegmentedControl* segments = UIUtilities::createSegmentedControlWithFrame(
        QRectF(170, 163, 150, 20), {QStringLiteral("Mo"), QStringLiteral("We"), QStringLiteral("Fr")}, nullptr, {});
    segments->setSelected(true, 0);
    segments->setSelected(true, 2);
    sheet.addSubview(segments);

    caption(QStringLiteral("Labels"), 200);
    TextField* plain = UIUtilities::getCommonTextFieldWithFrame(QRectF(170, 195, 140, 32));
    plain->setStringValue(QStringLiteral("Standard label"));
    sheet.addSubview(plain);
    CustomNSView* bar = new CustomNSView(QRectF(320, 195, 150, 32), &sheet);
    bar->setBackgroundColor(QColor(200, 205, 215));
    TextField* engraved = UIUtilities::getCommonTextFieldCenterVerticalWithFrame(QRectF(0, 0, 150, 32));
    engraved->setStringValue(QStringLiteral("Centred, engraved"));
    bar->addSubview(engraved);
    TextField* centred = UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(QRectF(480, 195, 150, 32));
    centred->setStringValue(QStringLiteral("Centred"));
    sheet.addSubview(centred);

    caption(QStringLiteral("Link"), 245);
    TextField* link = UIUtilities::getCommonTextFieldWithFrame(QRectF(170, 245, 250, 22));
    link->setStringValue(QStringLiteral("https://example.org/guide"));
    UIUtilities::getUrlFormInNSTextField(link);
    sheet.addSubview(link);

    caption(QStringLiteral("Clickable label"), 285);
    auto* dayLabel = new ActionLabelView(QRectF(170, 283, 120, 24), &sheet);
    dayLabel->setStringValue(QStringLiteral("12 December"));
    dayLabel->setTextColor(QColor(61, 98, 187));

    caption(QStringLiteral("Base views"), 325);
    for (int i = 0; i < 4; ++i) {
        auto* swatch = new CustomNSView(QRectF(170 + 40 * i, 323, 32, 32), &sheet);
        swatch->setBackgroundColor(QColor::fromHsv(50 * i, 120, 220));
    }

    // No two controls of the sheet overlap.
    const QList<View*> controls = sheet.subviews();
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->frame().intersects(controls[j]->frame()))
                << controls[i]->metaObject()->className() << " and " << controls[j]->metaObject()->className()
                << " at " << controls[i]->frame().y();

    EXPECT_FALSE(saveScreenshot(&sheet, QStringLiteral("standard-controls")).isEmpty());
}

}  // namespace StandardControlsGalleryTests
