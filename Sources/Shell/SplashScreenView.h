#pragma once

#include "View.h"

#include <QImage>

#include <functional>

// The picture shown while the main window is being built: the banner
// "splashscreen", 7 points from the left edge and vertically centred, 5
// points lower. A view too narrow for it (a small screen) shows it scaled
// down to its width less 7 points each side. Without the image the view
// stays empty (transparent).
class SplashScreenView : public View {
    Q_OBJECT

public:
    explicit SplashScreenView(const QRectF& frame, QWidget* parent = nullptr);

    QImage image() const { return m_image; }
    // Where the image goes in the view (its own coordinates, y up).
    QRectF imageRect() const;
    static QRectF imageRect(const QSizeF& viewSize, const QSizeF& imageSize);
    // Run once, in the event-loop turn after the view was first drawn.
    void setFirstDrawnHandler(std::function<void()> handler) { m_firstDrawn = std::move(handler); }

protected:
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    QImage m_image;
    std::function<void()> m_firstDrawn;
};
