#pragma once

#include "View.h"

// The red mark of the current time on today's grid: a dot at the left and a
// thin line from it to the right edge. The grid moves it; it draws only.
class CurrentTimeIndicatorView : public View {
    Q_OBJECT

public:
    explicit CurrentTimeIndicatorView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CurrentTimeIndicatorView() override;

    bool isFlipped() const override { return false; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
};
