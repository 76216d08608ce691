#pragma once

#include "CustomNSView.h"

#include <QColor>

class TextField;

// One hour row of the day grid, 46 points high: the hour's label on the
// left, the hour's line across its middle and (pattern 1) a dotted line at
// the half hour below it.
class TimeLineView : public CustomNSView {
    Q_OBJECT

public:
    enum PatternType { HourAndHalfHour = 1, HourOnly = 2 };

    explicit TimeLineView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TimeLineView() override;

    TextField* timeLabel() const { return m_timeLabel; }
    QColor lineColor() const { return m_lineColor; }
    void setLineColor(const QColor& color);
    int patternType() const { return m_patternType; }
    void setPatternType(int patternType);

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

    // Whether rows draw their lines from kept strips where the strips give
    // the pen's pixels (on unless a check turns it off to compare).
    static void setDrawsLinesFromStrips(bool strips);

private:
    void drawLine(QPainter& painter, double left, double right, double y, bool dashed) const;

    TextField* m_timeLabel = nullptr;
    QColor m_lineColor = Qt::black;
    int m_patternType = HourAndHalfHour;
};
