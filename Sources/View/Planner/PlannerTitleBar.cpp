#include "PlannerTitleBar.h"

#include "Font.h"
#include "NamedImages.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "View.h"

namespace PlannerTitleBar {

TextField* makeTitle(View* parent, const QRectF& frame)
{
    TextField* title = UIUtilities::getCommonTextFieldWithFrame(frame);
    title->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 17));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    title->setTextColor(Qt::gray);
    title->setStringValue(TextTable::localizedString(QStringLiteral("plannerTitle")));
    parent->addSubview(title);
    return title;
}

SegmentedControl* makeControl(View* parent, const QPointF& origin, std::function<void(int)> onSegment)
{
    auto* control = new SegmentedControl(QRectF(origin, QSizeF(90, 24)), parent);
    control->setSegmentCount(3);
    control->setImage(NamedImages::imageNamed(QStringLiteral("month_prev")), 0);
    control->setWidth(20, 0);
    control->setLabel(TextTable::localizedString(QStringLiteral("todayText")), 1);
    control->setWidth(50, 1);
    control->setImage(NamedImages::imageNamed(QStringLiteral("month_next")), 2);
    control->setWidth(20, 2);
    double controlWidth = 4;
    for (int s = 0; s < 3; ++s) {
        control->setTag(s + 1, s);
        controlWidth += control->widthForSegment(s);
    }
    control->setFrame(QRectF(origin, QSizeF(controlWidth, 24)));
    control->setTarget(parent, [onSegment = std::move(onSegment)](SegmentedControl* c) {
        onSegment(c->selectedSegment());
    });
    return control;
}

}  // namespace PlannerTitleBar
