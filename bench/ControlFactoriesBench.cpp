// The cost of making the standard controls: an editor or a pane builds a few
// dozen of them when it opens, so a hundred should take well under 10 ms.
#include "Button.h"
#include "Calendar.h"
#include "CustomNSPopUpButton.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "UIUtilities.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

QImage swatch(const QColor& colour)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

CalendarList categories()
{
    CalendarList list;
    for (int i = 0; i < 10; ++i) {
        auto category = std::make_shared<Calendar>();
        category->setPrimaryKey(i + 1);
        category->setCalendarName(QStringLiteral("Category %1").arg(i + 1));
        category->setProjectType(i % 4 == 3 ? 1 : 0);
        category->setTaskOrEvent(i % 3);
        category->setColorGroupId(i % 4);
        category->setColorNameId(i % 8);
        list.append(category);
    }
    return list;
}

// A hundred controls in the mix a pane uses, made into one parent that is
// then dropped with them: 30 labels, 20 buttons, 10 check boxes, 20
// pop-ups of five items, 10 category choosers over ten categories and 10
// segmented controls.
void BM_MakeHundredFactoryControls(benchmark::State& state)
{
    const QImage normal = swatch(Qt::white);
    const QImage selected = swatch(Qt::darkGreen);
    const CalendarList list = categories();
    const std::vector<UIUtilities::PopUpElement> items{QStringLiteral("None"), QStringLiteral("Daily"), QString(),
                                                       QStringLiteral("Weekly"), QStringLiteral("Monthly")};
    const QStringList segments{QStringLiteral("S"), QStringLiteral("M"), QStringLiteral("T")};
    for (auto _ : state) {
        auto parent = std::make_unique<View>(QRectF(0, 0, 620, 900));
        for (int i = 0; i < 10; ++i) {
            const QRectF row(10, 10 + 30 * i, 200, 22);
            parent->addSubview(UIUtilities::getCommonTextFieldWithFrame(row));
            parent->addSubview(UIUtilities::getCommonTextFieldCenterVerticalWithFrame(row));
            parent->addSubview(UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(row));
            parent->addSubview(UIUtilities::createButton(QStringLiteral("Save"), 12, Qt::black, true,
                                                         Qt::AlignCenter, ButtonType::MomentaryPushIn, row, nullptr,
                                                         {}, QImage(), QImage(), true));
            parent->addSubview(UIUtilities::createButton(QString(), 12, Qt::black, Qt::AlignCenter,
                                                         ButtonType::Toggle, row, nullptr, {}, normal, selected,
                                                         false));
            parent->addSubview(UIUtilities::createCheckboxWithFrame(QRectF(10, 10, 16, 16), nullptr, {}, normal,
                                                                    selected));
            parent->addSubview(
                UIUtilities::createPopUpButtonWithFrame(row, QStringLiteral("Repeat"), 12, nullptr, {}, items));
            parent->addSubview(
                UIUtilities::createCustomButtonWithFrame(row, QStringLiteral("Alert"), 12, nullptr, {}, items));
            parent->addSubview(UIUtilities::createCalendarPopUpButtonWithFrame(row, nullptr, {}, list));
            parent->addSubview(UIUtilities::createSegmentedControlWithFrame(row, segments, nullptr, {}));
        }
        benchmark::DoNotOptimize(parent.get());
    }
}
BENCHMARK(BM_MakeHundredFactoryControls)->Unit(benchmark::kMillisecond);

}  // namespace
