#pragma once

#include "TaskImageRenderer.h"

// Draws the pictures that dragged items carry with the drawn images of
// UIUtilities, in the colour of the item's category. The shell installs one
// at start-up.
//
// An item whose category is missing is drawn in the first palette colour
// (group 0, colour 0); a group or colour id outside the palette is clamped
// to it, so stored data the palette does not know still draws.
class ItemImageRenderer : public TaskImageRenderer {
public:
    // Makes the one process-wide renderer the current one.
    static void install();

    QImage dayBoxImage(const Task& task, const QSizeF& size, bool squareBox, bool highlight) const override;
    QImage plannerItemImage(const Task& task, const QSizeF& size, bool weekly, bool squareBox,
                            bool highlight) const override;
    QImage smallImage(qint64 colorGroupId, qint64 colorNameId, double alpha, const QSizeF& size, double radius,
                      const QString& text) const override;
};
