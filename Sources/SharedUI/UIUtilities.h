#pragma once

#include "ColorObject.h"
#include "ContextMenuRow.h"
#include "Menu.h"
#include "ModelTypes.h"
#include "PopUpButton.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <variant>
#include <vector>

class Button;
class CustomNSPopUpButton;
class Font;
class PopUpButton;
class QObject;
class SegmentedControl;
class TextField;
enum class ButtonType;

// Class-level helpers of the views: drawn images, the standard controls and
// context menus.
//
// Drawn images:
// the small pictures item boxes, list rows, menus and icons are painted with,
// drawn anew on every call in the colour of the item's category. Nothing is
// cached: a call costs a few microseconds and the colours change with the
// category.
//
// Every image is drawn in its own coordinates with y up (origin at the
// bottom-left corner); its device pixel ratio is 1. A size with no area, or
// one too large to draw, gives a null image (logged by the kit), whatever the
// method.
//
// Colours come from the palette as a ColorObject (shades 0, 1 and 2). An
// empty object means "no colour": the backgrounds then draw no fill, and a
// malformed one (not nine components) counts as empty, logged.
class UIUtilities {
public:
    // The colour swatch of a category (14 × 10 in the category menus): the
    // three shades from the bottom (darkest) to the top, outlined in black.
    static QImage getCalendarColorImage(const ColorObject& color, const QSizeF& size);

    // The whole rect with corners rounded by radius, filled with shade 2 at
    // colorAlpha; no border. A size with no area gives an image without size.
    static QImage getTaskBackgroundImageNoGradient(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                                   double radius);

    // The rounded rect filled with the three shades from the top (darkest) to
    // the bottom at colorAlpha, outlined in shade 0 with a 1-point line; when
    // highlighted, outlined with a 3-point line in the highlight colour
    // instead. With no colour only the highlight border (if any) is drawn.
    static QImage getTaskBackgroundImage(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                         double radius, bool isHighlighted);

    // The time grid's form: the shades run from the bottom (darkest) up, no
    // border unless highlighted.
    static QImage getTaskBackgroundImageFlipped(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                                double radius, bool isHighlighted);

    // The small picture an item carries while dragged (100 × 20): the
    // gradient without a border and the text in white, left aligned in
    // (5, 0, width − 5, height), cut with "…" when too long.
    static QImage getTaskImageRepresentative(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                             double radius, const QString& text);

    // The icon of an item's kind (taskType 0 event, 1 task, 3 note) in a
    // colour square with a white mark; any other type gives a transparent
    // image. isScheduleTask turns an event's round square into a plain one
    // (a task placed on the day grid); isDone ticks a task's mark and draws a
    // note's highlighted mark.
    static QImage getIconForType(qint64 type, bool isScheduleTask, bool isDone, const QColor& color,
                                 const QSizeF& size);
    static QImage getIconForType(qint64 type, const QColor& color, const QSizeF& size);

    // A task's check box: a colour square the height of the image less two,
    // vertically centred, at the left edge; outlined in white when highlighted.
    // The done box carries a tick.
    static QImage getNormalImageForTaskWithColor(const QColor& color, const QSizeF& size, bool isHilight);
    static QImage getDoneImageForTaskWithColor(const QColor& color, const QSizeF& size, bool isHilight);

    // The border of a highlighted item box: the selected day's red.
    static QColor highlightBorderColor();
    // The font of the drag image's text: what the desktop draws a bare
    // string in.
    static Font dragImageFont();

    // Every line of text these pictures draw is reported here (the text as
    // drawn, after cutting, its font and its rect), so the texts can be
    // checked without reading pixels. Null stops the reports.
    using TextObserver = std::function<void(const QString& line, const Font& font, const QRectF& rect)>;
    static void setTextObserver(TextObserver observer);

    // ---- standard controls (UIUtilities_Controls.cpp) ---------------------------
    // The controls that recur in every view, made alike so the views look
    // alike. Each call answers a new control without a parent, owned by the
    // caller. Actions follow the kit: a callable that runs while the target
    // (any QObject, usually the view that builds the control) lives; a null
    // target ties the action to nothing. Images are passed looked up (each
    // name in its own NamedImages::imageNamed call); a null image counts as
    // none.

    // A button. A null title sets no title; an empty one (the image
    // buttons') shows none. With a title: "Lucida Grande" (bold when asked)
    // of titleSize in titleColor, aligned as given. The normal image is
    // drawn under the title, the selected one shows while a toggle is on.
    static Button* createButton(const QString& title, int titleSize, const QColor& titleColor, bool isBold,
                                Qt::Alignment titleAlignment, ButtonType buttonType, const QRectF& frame,
                                QObject* target, std::function<void(Button*)> selector,
                                const QImage& normalStateImage, const QImage& selectedStateImage, bool hasBorder);
    static Button* createButton(const QString& title, int titleSize, const QColor& titleColor,
                                Qt::Alignment titleAlignment, ButtonType buttonType, const QRectF& frame,
                                QObject* target, std::function<void(Button*)> selector,
                                const QImage& normalStateImage, const QImage& selectedStateImage, bool hasBorder);
    // An unbordered toggle with no title, its images scaled to the frame.
    static Button* createCheckboxWithFrame(const QRectF& frame, QObject* target,
                                           std::function<void(Button*)> selector, const QImage& normalStateImage,
                                           const QImage& selectedStateImage);
    // New text, the title's colour, font and alignment kept.
    static void setAttributedTitle(const QString& text, Button* button);

    // Pop-ups over a list of texts and images. An image gives an untitled
    // item; a text an item in "Lucida Grande" of the size. Tags: tagArray's
    // (read as 32-bit), or 1, 2, 3... without one; item i takes tag i
    // whatever kind of item it becomes (a tag missing from a short array is
    // 0, logged). Nothing is selected: the face shows the first item.
    using PopUpElement = std::variant<QString, QImage>;
    using PopUpAction = std::function<void(PopUpButton*)>;
    // A plain pop-up; an empty text is an untitled item.
    static PopUpButton* createButtonWithFrame(const QRectF& frame, const QString& menuTitle, int size,
                                              QObject* target, PopUpAction selector,
                                              const std::vector<PopUpElement>& itemArray,
                                              const std::optional<QList<qint64>>& tagArray = std::nullopt);
    // The same on a face that is only its title, centred.
    static PopUpButton* createCustomButtonCellWithFrame(const QRectF& frame, const QString& menuTitle, int size,
                                                        QObject* target, PopUpAction selector,
                                                        const std::vector<PopUpElement>& itemArray,
                                                        const std::optional<QList<qint64>>& tagArray = std::nullopt);
    // These two make an empty text a separator, and their image items send
    // nothing when chosen.
    static CustomNSPopUpButton* createCustomButtonWithFrame(
        const QRectF& frame, const QString& menuTitle, int size, QObject* target, PopUpAction selector,
        const std::vector<PopUpElement>& itemArray, const std::optional<QList<qint64>>& tagArray = std::nullopt);
    static PopUpButton* createPopUpButtonWithFrame(const QRectF& frame, const QString& menuTitle, int size,
                                                   QObject* target, PopUpAction selector,
                                                   const std::vector<PopUpElement>& itemArray,
                                                   const std::optional<QList<qint64>>& tagArray = std::nullopt);

    // The category chooser: the categories under group headers (general,
    // events only, tasks only, checklists; empty groups left out, separators
    // between groups), each with its colour swatch and its key as tag.
    // Categories of an unknown projectType are left out. Nothing is selected.
    static CustomNSPopUpButton* createCalendarPopUpButtonWithFrame(const QRectF& frame, QObject* target,
                                                                   PopUpAction selector,
                                                                   const CalendarList& itemArray);
    static PopUpButton* createCalendarNSPopUpButtonWithFrame(const QRectF& frame, QObject* target,
                                                             PopUpAction selector, const CalendarList& itemArray);
    // The chooser's items, as the two above fill their pop-ups.
    static std::vector<PopUpItem> calendarMenuItems(const CalendarList& itemArray);

    // A small select-any segmented control, one segment per label, tags 1,
    // 2, 3..., the segments sharing the frame's width; sized to fit at the
    // frame's origin.
    static SegmentedControl* createSegmentedControlWithFrame(const QRectF& frame, const QStringList& items,
                                                             QObject* target,
                                                             std::function<void(SegmentedControl*)> selector);
    // The small control's height.
    static constexpr double miniSegmentedHeight = 16;

    // The standard label: black "Lucida Grande" 13 on no background, left
    // aligned, not selectable, no border.
    static TextField* getCommonTextFieldWithFrame(const QRectF& frame);
    // The same with its line centred vertically and an engraved shadow.
    static TextField* getCommonTextFieldCenterVerticalWithFrame(const QRectF& frame);
    // Centred, in the default font, without the shadow.
    static TextField* makeCommonTextFieldCenterVerticalWithFrame(const QRectF& frame);
    // ---- end of standard controls -----------------------------------------------

    // ---- context menus (UIUtilities_Menus.cpp) --------------------------------
    // A right click on an item, a selection, a category, a tag, a link row or
    // an empty planner cell opens one of these menus. Each menu is titled
    // "RightClick" and has no separators, submenus, check marks or keys. The
    // clicked view passes itself as the target and runs the chosen command.
    // Each menu also exists as rows (the ...Rows functions), pure functions of
    // what was clicked and of the data manager's answers.

    // Events and tasks.
    static Menu createMenuForTaskWithTarget(const MenuTarget& target, const TaskPtr& task);
    // Notes.
    static Menu createMenuForNote(const MenuTarget& target, const TaskPtr& task);
    // Several rows of the task list (subtype 1) or the note list (subtype 3);
    // bStar when every selected item is starred.
    static Menu createMenuForMultiTaskWithTarget(const MenuTarget& target, const TaskList& arrSelectedItems,
                                                 int subtype, int numofrows, bool bStar);
    static Menu createMenuForCategoryWithTarget(const MenuTarget& target, const CalendarPtr& project);
    static Menu createMenuForTagWithTarget(const MenuTarget& target);
    static Menu createMenuForLinkItem(const MenuTarget& target);
    static Menu createMenuForPlannerCell(const MenuTarget& target);

    // The rows of each menu. With a target, enabled rows carry its commands.
    static std::vector<ContextMenuRow> itemMenuRows(const Task& task, const ContextMenuFacts& facts,
                                                    const MenuTarget& target = {});
    static std::vector<ContextMenuRow> noteMenuRows(const Task& task, const ContextMenuFacts& facts,
                                                    const MenuTarget& target = {});
    // areLinked as in ContextMenuFacts.
    static std::vector<ContextMenuRow> multiTaskMenuRows(const TaskList& arrSelectedItems, int subtype,
                                                         int numofrows, bool bStar,
                                                         const std::function<bool(qint64, qint64)>& areLinked,
                                                         const MenuTarget& target = {});
    static std::vector<ContextMenuRow> categoryMenuRows(const Calendar& project, const MenuTarget& target = {});
    static std::vector<ContextMenuRow> tagMenuRows(const MenuTarget& target = {});
    static std::vector<ContextMenuRow> linkItemMenuRows(const MenuTarget& target = {});
    static std::vector<ContextMenuRow> plannerCellMenuRows(const MenuTarget& target = {});

    // The key an item takes part in links under: its own, or for a generated
    // instance of a repeating item (negative key), its series'.
    static qint64 seriesKey(const Task& item);
    // Pasting a link onto the item is offered when an item was copied, it is
    // neither the item nor another instance of the item's series, and no
    // active link joins the two series yet.
    static bool canPasteLink(const Task& item, const ContextMenuFacts& facts);
    // The data manager's answers for the item (none without a data manager).
    static ContextMenuFacts contextMenuFacts(const TaskPtr& item);
    // The menu of the rows, their titles looked up in the text table.
    static Menu menuWithRows(const std::vector<ContextMenuRow>& rows);
    // The English-table title of a menu row's key; "" for a key no menu uses.
    static QString menuTitleText(const QString& titleKey);
    // ---- end of context menus ---------------------------------------------------

    // ---- link style (UIUtilities_Links.cpp) ----
    // Shows the field's whole text as a link to itself (blue, underlined);
    // an empty text leaves no link. A null field is logged and ignored.
    static void getUrlFormInNSTextField(TextField* field);
};
