#pragma once

#include "ColorObject.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>

class Font;

// The small pictures item boxes, list rows, menus and icons are painted with,
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
};
