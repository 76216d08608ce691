#pragma once

#include <QImage>
#include <QRectF>
#include <QString>

// One layer of a drag image: the picture, where it sits in the dragged
// item's frame, and the key that names the layer.
struct DraggingImageComponent {
    QString key;
    QRectF frame;
    QImage contents;
};
