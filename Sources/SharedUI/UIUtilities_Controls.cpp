#include "UIUtilities.h"

#include "Button.h"
#include "Calendar.h"
#include "CustomNSPopUpButton.h"
#include "Font.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "TextTable.h"
#include "Utilities.h"
#include "VerticalNSPopUpButtonCell.h"
#include "VerticalNSTextFieldCell.h"

#include <QDebug>

#include <limits>

namespace {

const QString standardFace = QStringLiteral("Lucida Grande");
const QString boldFace = QStringLiteral("Lucida Grande Bold");

// What the empty-text and image elements of a pop-up's list become.
struct PopUpRules {
    bool emptyTextIsSeparator = false;
    bool imagesSendAction = true;
};

// The tag the list gives item i: the array's, read as a 32-bit integer, or
// i + 1 without an array.
int tagOfItem(const std::optional<QList<qint64>>& tagArray, qsizetype i)
{
    if (!tagArray) return int(i + 1);
    if (i >= tagArray->size()) {
        qWarning() << "UIUtilities: no tag for pop-up item" << i << "of a list of" << tagArray->size() << "tags";
        return 0;
    }
    // Read as the platform's 32-bit number: the low 32 bits.
    return int(qint32(quint32(quint64(tagArray->at(i)))));
}

void fillPopUp(PopUpButton* button, const QString& menuTitle, int size, QObject* target,
               UIUtilities::PopUpAction selector, const std::vector<UIUtilities::PopUpElement>& itemArray,
               const std::optional<QList<qint64>>& tagArray, PopUpRules rules)
{
    button->setPullsDown(false);
    button->setMenuTitle(menuTitle);
    button->setTextFont(Font::fontWithName(standardFace, size));
    for (size_t i = 0; i < itemArray.size(); ++i) {
        const int tag = tagOfItem(tagArray, qsizetype(i));
        PopUpItem item;
        if (const QImage* image = std::get_if<QImage>(&itemArray[i])) {
            item.image = *image;
            item.tag = tag;
            item.sendsAction = rules.imagesSendAction;
        } else {
            const QString& text = std::get<QString>(itemArray[i]);
            if (text.isEmpty() && rules.emptyTextIsSeparator) {
                item = PopUpItem::separatorItem();
            } else {
                item.title = text;
                item.tag = tag;
            }
        }
        button->addItem(item);
    }
    button->setTarget(target, std::move(selector));
}

enum class CategoryGroup { General, EventsOnly, TasksOnly, Checklists, None };

CategoryGroup groupOf(const Calendar& category)
{
    if (category.projectType() == 1) return CategoryGroup::Checklists;
    if (category.projectType() != 0) return CategoryGroup::None;
    if (category.taskOrEvent() == 2) return CategoryGroup::EventsOnly;
    if (category.taskOrEvent() == 1) return CategoryGroup::TasksOnly;
    return CategoryGroup::General;
}

void fillCalendarPopUp(PopUpButton* button, QObject* target, UIUtilities::PopUpAction selector,
                       const CalendarList& itemArray)
{
    button->setMenuTitle(QStringLiteral("Calendar"));
    button->setTextFont(Font::systemFont(12));
    for (const PopUpItem& item : UIUtilities::calendarMenuItems(itemArray)) button->addItem(item);
    button->setTarget(target, std::move(selector));
}

}  // namespace

Button* UIUtilities::createButton(const QString& title, int titleSize, const QColor& titleColor, bool isBold,
                                  Qt::Alignment titleAlignment, ButtonType buttonType, const QRectF& frame,
                                  QObject* target, std::function<void(Button*)> selector,
                                  const QImage& normalStateImage, const QImage& selectedStateImage, bool hasBorder)
{
    auto* button = new Button(frame);
    if (!title.isNull())
        button->setAttributedTitle(
            AttributedTitle{title, titleColor, Font::fontWithName(isBold ? boldFace : standardFace, titleSize),
                            titleAlignment});
    if (!normalStateImage.isNull()) {
        button->setImage(normalStateImage);
        button->setImagePosition(ImagePosition::ImageOverlaps);
    }
    if (!selectedStateImage.isNull()) button->setAlternateImage(selectedStateImage);
    button->setButtonType(buttonType);
    button->setBordered(hasBorder);
    button->setTarget(target, std::move(selector));
    return button;
}

Button* UIUtilities::createButton(const QString& title, int titleSize, const QColor& titleColor,
                                  Qt::Alignment titleAlignment, ButtonType buttonType, const QRectF& frame,
                                  QObject* target, std::function<void(Button*)> selector,
                                  const QImage& normalStateImage, const QImage& selectedStateImage, bool hasBorder)
{
    return createButton(title, titleSize, titleColor, false, titleAlignment, buttonType, frame, target,
                        std::move(selector), normalStateImage, selectedStateImage, hasBorder);
}

Button* UIUtilities::createCheckboxWithFrame(const QRectF& frame, QObject* target,
                                             std::function<void(Button*)> selector, const QImage& normalStateImage,
                                             const QImage& selectedStateImage)
{
    auto* button = new Button(frame);
    button->setTitle(QString());
    // Drawn at the frame's size, whatever size the pictures were made in.
    const auto fitted = [&frame](const QImage& image) {
        if (image.isNull() || frame.isEmpty()) return image;
        const qreal ratio = image.devicePixelRatio();
        QImage scaled = image.scaled((frame.size() * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(ratio);
        return scaled;
    };
    if (!normalStateImage.isNull()) {
        button->setImage(fitted(normalStateImage));
        button->setImagePosition(ImagePosition::ImageOverlaps);
    }
    if (!selectedStateImage.isNull()) button->setAlternateImage(fitted(selectedStateImage));
    button->setButtonType(ButtonType::Toggle);
    button->setBordered(false);
    button->setTarget(target, std::move(selector));
    return button;
}

void UIUtilities::setAttributedTitle(const QString& text, Button* button)
{
    if (!button) return;
    AttributedTitle title = button->attributedTitle();
    title.text = text;
    button->setAttributedTitle(title);
}

PopUpButton* UIUtilities::createButtonWithFrame(const QRectF& frame, const QString& menuTitle, int size,
                                                QObject* target, PopUpAction selector,
                                                const std::vector<PopUpElement>& itemArray,
                                                const std::optional<QList<qint64>>& tagArray)
{
    auto* button = new PopUpButton(frame);
    fillPopUp(button, menuTitle, size, target, std::move(selector), itemArray, tagArray, PopUpRules{});
    return button;
}

PopUpButton* UIUtilities::createCustomButtonCellWithFrame(const QRectF& frame, const QString& menuTitle, int size,
                                                          QObject* target, PopUpAction selector,
                                                          const std::vector<PopUpElement>& itemArray,
                                                          const std::optional<QList<qint64>>& tagArray)
{
    auto* button = new PopUpButton(frame);
    VerticalNSPopUpButtonCell::install(*button);
    fillPopUp(button, menuTitle, size, target, std::move(selector), itemArray, tagArray, PopUpRules{});
    return button;
}

CustomNSPopUpButton* UIUtilities::createCustomButtonWithFrame(const QRectF& frame, const QString& menuTitle,
                                                              int size, QObject* target, PopUpAction selector,
                                                              const std::vector<PopUpElement>& itemArray,
                                                              const std::optional<QList<qint64>>& tagArray)
{
    auto* button = new CustomNSPopUpButton(frame);
    fillPopUp(button, menuTitle, size, target, std::move(selector), itemArray, tagArray,
              PopUpRules{.emptyTextIsSeparator = true, .imagesSendAction = false});
    return button;
}

PopUpButton* UIUtilities::createPopUpButtonWithFrame(const QRectF& frame, const QString& menuTitle, int size,
                                                     QObject* target, PopUpAction selector,
                                                     const std::vector<PopUpElement>& itemArray,
                                                     const std::optional<QList<qint64>>& tagArray)
{
    auto* button = new PopUpButton(frame);
    fillPopUp(button, menuTitle, size, target, std::move(selector), itemArray, tagArray,
              PopUpRules{.emptyTextIsSeparator = true, .imagesSendAction = false});
    return button;
}

std::vector<PopUpItem> UIUtilities::calendarMenuItems(const CalendarList& itemArray)
{
    // Sorted into the groups, each keeping the order it was given in.
    constexpr int groupCount = 4;
    std::vector<CalendarPtr> groups[groupCount];
    for (const CalendarPtr& category : itemArray) {
        if (!category) continue;
        const CategoryGroup group = groupOf(*category);
        if (group == CategoryGroup::None) continue;
        const qint64 key = category->primaryKey();
        if (key < std::numeric_limits<int>::min() || key > std::numeric_limits<int>::max()) {
            qWarning() << "UIUtilities: category key" << key << "does not fit a menu tag; left out of the chooser";
            continue;
        }
        groups[int(group)].push_back(category);
    }

    const QString headers[groupCount] = {
        TextTable::localizedString(QStringLiteral("groupZoravelText")),
        TextTable::localizedString(QStringLiteral("groupEventOnlyText")),
        TextTable::localizedString(QStringLiteral("groupTaskOnlyText")),
        TextTable::localizedString(QStringLiteral("checkListText")),
    };

    std::vector<PopUpItem> items;
    for (int g = 0; g < groupCount; ++g) {
        if (groups[g].empty()) continue;
        if (!items.empty()) items.push_back(PopUpItem::separatorItem());
        items.push_back(PopUpItem::headerItem(headers[g]));
        for (const CalendarPtr& category : groups[g]) {
            PopUpItem item;
            item.title = category->calendarName();
            item.indentationLevel = 1;
            item.image = getCalendarColorImage(
                Utilities::colorInGroup(category->colorGroupId(), category->colorNameId()), QSizeF(14, 10));
            item.tag = int(category->primaryKey());
            items.push_back(item);
        }
    }
    return items;
}

CustomNSPopUpButton* UIUtilities::createCalendarPopUpButtonWithFrame(const QRectF& frame, QObject* target,
                                                                     PopUpAction selector,
                                                                     const CalendarList& itemArray)
{
    auto* button = new CustomNSPopUpButton(frame);
    fillCalendarPopUp(button, target, std::move(selector), itemArray);
    return button;
}

PopUpButton* UIUtilities::createCalendarNSPopUpButtonWithFrame(const QRectF& frame, QObject* target,
                                                               PopUpAction selector, const CalendarList& itemArray)
{
    auto* button = new PopUpButton(frame);
    fillCalendarPopUp(button, target, std::move(selector), itemArray);
    return button;
}

SegmentedControl* UIUtilities::createSegmentedControlWithFrame(const QRectF& frame, const QStringList& items,
                                                               QObject* target,
                                                               std::function<void(SegmentedControl*)> selector)
{
    auto* control = new SegmentedControl();
    const int count = int(items.size());
    control->setSegmentCount(count);
    // Each segment's share leaves room for the dividers and the edge the
    // control's look was drawn with; fitted, the control is that much
    // narrower than the frame.
    const double width = count > 0 ? (frame.width() - (2.0 * count + 2)) / count : 0;
    for (int i = 0; i < count; ++i) {
        control->setLabel(items[i], i);
        control->setWidth(width, i);
        control->setTag(i + 1, i);
    }
    control->setTextFont(Font::fontWithName(standardFace, 10));
    control->setFrame(QRectF(frame.topLeft(), QSizeF(control->fittingWidth(), miniSegmentedHeight)));
    control->setTrackingMode(SegmentSwitchTracking::SelectAny);
    control->setTarget(target, std::move(selector));
    return control;
}

TextField* UIUtilities::getCommonTextFieldWithFrame(const QRectF& frame)
{
    TextField* label = TextField::labelWithString(QString(), frame);
    label->setTextColor(Qt::black);
    label->setTextFont(Font::fontWithName(standardFace, 13));
    label->setAlignment(Qt::AlignLeft);
    return label;
}

TextField* UIUtilities::getCommonTextFieldCenterVerticalWithFrame(const QRectF& frame)
{
    TextField* label = getCommonTextFieldWithFrame(frame);
    VerticalNSTextFieldCell cell;
    cell.setHasInnerShadow(true);
    cell.install(*label);
    return label;
}

TextField* UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(const QRectF& frame)
{
    TextField* label = TextField::labelWithString(QString(), frame);
    label->setTextColor(Qt::black);
    label->setAlignment(Qt::AlignLeft);
    VerticalNSTextFieldCell().install(*label);
    return label;
}
