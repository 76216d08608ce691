#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// Images by name: our own PNG files in Resources/Images (made by
// scripts/make-images.py), and the few pictures drawn in code.
//
// Always look an image up with its name written out in the call:
//
//     NamedImages::imageNamed(QStringLiteral("zvm_icon"))
//
// A test reads every source file for this call and checks that each name has
// a file or is drawn in code, as it does for the text table's keys.
//
// A name is a file name without ".png"; "<name>@2x.png", when present, is the
// picture at twice the pixels, used for a device pixel ratio above 1. The
// image carries its ratio, so its logical size is the same either way.
// Images are read once and kept. A name with no image gives a null image and
// one log line; the caller goes on without the picture.
class NamedImages {
public:
    static QImage imageNamed(const QString& name, qreal devicePixelRatio = 1.0);
    // Both sizes of the image, for the tray and window icons.
    static QIcon iconNamed(const QString& name);

    // The black-on-transparent templates drawn in code (16 × 16 points):
    // two diagonal arrows pointing out of / into the picture's corners.
    static bool isDrawnInCode(const QString& name);
    static QStringList namesDrawnInCode();

    static QString imagesFolder();
};
