#pragma once

#include "View.h"

// A group of controls framed by a rounded, lightly filled panel without a
// title. The controls go into contentView(), inset from the frame, which
// follows the box when it is resized.
class Box : public View {
    Q_OBJECT

public:
    explicit Box(const QRectF& frame = QRectF(), QWidget* parent = nullptr);

    View* contentView() const { return m_contentView; }
    // Room between the box's edge and its content, on every side.
    static constexpr double contentMargin = 5;
    // The box's frame for a content view of that frame (in the box's parent).
    static QRectF frameForContentRect(const QRectF& contentRect);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    View* m_contentView = nullptr;
};
