#pragma once

#include "ItemImageRenderer.h"

// The pictures dragged items carry, with the day view's own box: the large
// day-grid image of an item is a real item box of that size drawn into an
// image, so a dragged item looks exactly like its box. The other pictures
// are the shared ones.
class DayBoxImageRenderer : public ItemImageRenderer {
public:
    // Makes the one process-wide renderer the current one.
    static void install();

    // Off the main thread, or for an item not held by a shared pointer, the
    // shared drawing stands in: widgets live on the main thread only.
    QImage dayBoxImage(const Task& task, const QSizeF& size, bool squareBox, bool highlight) const override;
};
