#pragma once

#include "ScheduledTimer.h"
#include "View.h"

#include <QColor>

// A small spinning progress indicator: twelve spokes round the middle of
// the bounds, the leading one darkest, the others fading behind it. It turns
// by one spoke per step while animating and is hidden-looking (nothing
// drawn) while stopped, as an indeterminate spinner of a classic desktop is.
// The steps come from the current Scheduler, so tests turn it by advancing
// a manual scheduler.
class ProgressSpinner : public View {
    Q_OBJECT

public:
    static constexpr int spokeCount = 12;
    static constexpr double stepSeconds = 1.0 / 12.0;

    explicit ProgressSpinner(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~ProgressSpinner() override;

    // Starting a running spinner or stopping a stopped one changes nothing.
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_timer.isValid(); }

    // The leading spoke, 0 to spokeCount - 1; spoke 0 points straight up
    // and the spokes count clockwise.
    int phase() const { return m_phase; }

    QColor spokeColor() const { return m_color; }
    void setSpokeColor(const QColor& color);

    // The spokes stay drawn while stopped (a frozen spinner) when set; by
    // default a stopped spinner draws nothing.
    bool displaysWhenStopped() const { return m_displaysWhenStopped; }
    void setDisplaysWhenStopped(bool displays);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

    // The opacity of spoke `index` when `phase` leads: 1 for the leading
    // spoke, falling evenly to a quarter for the one just ahead of it.
    static double spokeOpacity(int index, int phase);

private:
    void step();

    ScheduledTimer m_timer;
    int m_phase = 0;
    QColor m_color = QColor(70, 70, 75);
    bool m_displaysWhenStopped = false;
};
