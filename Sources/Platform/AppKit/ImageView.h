#pragma once

#include "View.h"

#include <QImage>

enum class ImageScaling {
    ProportionallyDown,  // shrunk to fit, keeping its proportions; never enlarged
    None,                // at its own size, centred (cut at the edges when larger)
    AxesIndependently,   // stretched to the view's size
};

// Shows an image centred in its bounds. A null image draws nothing.
class ImageView : public View {
    Q_OBJECT

public:
    explicit ImageView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    ImageScaling imageScaling() const { return m_scaling; }
    void setImageScaling(ImageScaling scaling);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

    // Where an image of the given size is drawn in the bounds (y down);
    // empty for an empty image or bounds.
    static QRectF imageRect(const QSizeF& imageSize, const QRectF& bounds, ImageScaling scaling);

private:
    QImage m_image;
    ImageScaling m_scaling = ImageScaling::ProportionallyDown;
};
