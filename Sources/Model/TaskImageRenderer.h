#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

class Task;

// Draws the pictures of an item that drags carry. The day view and the
// planners draw items, and the records may not reach the views, so the views
// install a renderer at start-up. Until then (and in tests that do not care)
// every image is a transparent one of the asked size.
class TaskImageRenderer {
public:
    virtual ~TaskImageRenderer();

    // The day view's box of the item at that size; squareBox draws the event form.
    virtual QImage dayBoxImage(const Task& task, const QSizeF& size, bool squareBox, bool highlight) const;
    // A planner chip of the item: the week planner's form when weekly, else the month planner's.
    virtual QImage plannerItemImage(const Task& task, const QSizeF& size, bool weekly, bool squareBox,
                                    bool highlight) const;
    // A box shaded from the palette colour of a category (group and colour id)
    // at that alpha, with rounded corners of that radius and the text in it.
    virtual QImage smallImage(qint64 colorGroupId, qint64 colorNameId, double alpha, const QSizeF& size,
                              double radius, const QString& text) const;

    static const TaskImageRenderer& current();
    // Installs a renderer (not owned); null restores the blank one.
    static void setCurrent(const TaskImageRenderer* renderer);

protected:
    static QImage blankImage(const QSizeF& size);
};
