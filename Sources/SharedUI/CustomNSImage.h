#pragma once

#include <QImage>

// Images that stretch vertically by three slices: the top and bottom caps
// keep their rows, the middle is scaled to the height left between them.
// The main view's backgrounds are made this way for any window height.
class CustomNSImage {
public:
    // The image `toHeight` high (rounded to whole rows) and as wide as
    // `image`. A cap of 0, or one not smaller than the image's height, answers
    // `image` itself (the same data). A negative cap, or a height that is not
    // a positive number or is beyond maxHeight, answers `image` too, logged.
    // When the two caps are taller than the result, the bottom one is drawn
    // over the top one.
    static QImage stretchableImageWithTopCapHeight(const QImage& image, int cap, double toHeight);

    static constexpr int maxHeight = 16384;
};
