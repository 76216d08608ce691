#pragma once

#include "ScheduledTimer.h"
#include "View.h"

// A horizontal progress bar. Indeterminate (the default), it shows work
// under way of unknown length: a band of stripes that slides along the
// track while the animation runs. Determinate, it fills the track to
// doubleValue between minValue and maxValue.
//
// The animation's frames come from the scheduler, so a test advances them;
// the bar moves only while the event loop turns (or the owner repaints).
class ProgressIndicator : public View {
    Q_OBJECT

public:
    explicit ProgressIndicator(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~ProgressIndicator() override;

    bool isIndeterminate() const { return m_indeterminate; }
    void setIndeterminate(bool indeterminate);
    double minValue() const { return m_min; }
    double maxValue() const { return m_max; }
    // A range whose ends are not finite or whose maximum is not above the
    // minimum is refused (logged) and the old one kept.
    void setRange(double minValue, double maxValue);
    double doubleValue() const { return m_value; }
    // Clamped to the range; a non-finite value counts as the minimum.
    void setDoubleValue(double value);

    // Start and stop the stripes' motion; both may be called any number of
    // times. A hidden or determinate bar keeps its timer off.
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_animating; }
    // How far the stripes have moved, in stripe periods: grows by one frame
    // at each tick of the animation.
    int animationFrame() const { return m_frame; }

    // The filled part of a determinate bar in a track of that width.
    static double filledWidth(double trackWidth, double minValue, double maxValue, double value);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

    static constexpr double framesPerSecond = 30;
    static constexpr double stripePeriod = 16;

private:
    void tick();

    bool m_indeterminate = true;
    double m_min = 0;
    double m_max = 100;
    double m_value = 0;
    bool m_animating = false;
    int m_frame = 0;
    ScheduledTimer m_timer;
};
