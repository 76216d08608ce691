#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

#include <functional>

// Renders a drawing into a transparent image of width × height pixels with a
// painter turned as a non-flipped view's is (y up, origin bottom left), and
// reads pixels back in the same coordinates.
struct YUpCanvas {
    QImage image;

    YUpCanvas(int width, int height, const std::function<void(QPainter&)>& draw)
        : image(width, height, QImage::Format_ARGB32_Premultiplied)
    {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.translate(0, height);
        painter.scale(1, -1);
        draw(painter);
    }

    // The pixel whose bottom-left corner is (x, y) in our coordinates.
    QColor at(int x, int y) const { return image.pixelColor(x, image.height() - 1 - y); }
};
