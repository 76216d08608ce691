#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "ScheduledTimer.h"
#include "View.h"

#include <QImage>
#include <QPointF>

class ImageView;

// What a grid of hours gives the working-hours band laid over it. The day
// grid shows the band and sketches new events in its document; a week
// planner only takes new events from it (its band never shows).
class TimeManagerHost {
public:
    virtual ~TimeManagerHost();

    // True for the day grid: 46 points an hour and a band that shows; false
    // for a week planner: 47 points an hour, new events only.
    virtual bool isDayGridHost() const = 0;
    // What the main view reloads and opens the new item's editor in.
    virtual QObject* hostObject() = 0;

    // ---- the day grid ----
    // The day shown, at 00:00.
    virtual Date shownDay() const = 0;
    // Shows the sketch of a new event (frame in the grid's document), or hides it.
    virtual void showEventSketch(const QImage& image, const QRectF& frame);
    virtual void hideEventSketch();

    // ---- a week planner ----
    // Its first day, the width of one day column, and its own sketch.
    virtual Date startDate() const;
    virtual double itemWidth() const;
    virtual void drawDraggingEvent(const TaskPtr& item, qint64 fromWeekday, qint64 toWeekday, double startY,
                                   double height);
    virtual void clearDraggingEvent();
};

// The working hours of the shown weekday over an hour grid: the hours
// outside them shaded grey, two handles on the right to drag the start and
// the end (saved as that weekday's hours, every week), and on today a start
// that never lies before the clock and follows it every 60 s. It is also
// where new events are made: a double click on the empty grid makes one at
// the clicked quarter hour, a drag sketches one and makes it on release.
//
// Flipped; edges are kept in points of the host (46 points an hour on the
// day grid with the line of hour h at (h + 0.5) x 46, 47 elsewhere); the
// start and end accessors speak hours. Main thread only.
class TimeManagerView : public View {
    Q_OBJECT

public:
    static constexpr double dayGridHourHeight = 46;
    static constexpr double plannerHourHeight = 47;
    static constexpr double maxEndPoint = 1126.08;
    static constexpr double stripHeight = 5;
    static constexpr double handleWidth = 10;
    static constexpr double handleHeight = 6;
    // How often the start follows the clock on today, in seconds.
    static constexpr double clockInterval = 60;

    explicit TimeManagerView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TimeManagerView() override;

    // Loads the shown weekday's hours (day grid, while active only).
    void resetData();
    // The clock's tick: on today the start follows the time; on a new day
    // the band and the main view load again.
    void resizeWithTime();

    // The edges in hours (fractions allowed).
    double startTime() const;
    void setStartTime(double hours);
    double endTime() const;
    void setEndTime(double hours);
    // The edges as stored, in points.
    double startEdge() const { return m_startTime; }
    double endEdge() const { return m_endTime; }
    double minStart() const { return m_minStart; }
    double maxEnd() const { return m_maxEnd; }

    TimeManagerHost* parentView() const { return m_parentView; }
    void setParentView(TimeManagerHost* host) { m_parentView = host; }
    bool isActive() const { return m_isActive; }
    void setIsActive(bool active);
    Date today() const { return m_today; }
    void setToday(const Date& day) { m_today = day; }

    bool isStartTimeMoving() const { return m_isStartTimeMoving; }
    bool isEndTimeMoving() const { return m_isEndTimeMoving; }
    bool drawEvent() const { return m_drawEvent; }
    bool isClockTimerRunning() const { return m_startTimer.isValid(); }
    ImageView* startImageView() const { return m_startImageView; }
    ImageView* endImageView() const { return m_endImageView; }
    TaskPtr draggingTask() const { return m_draggingTask; }

    // The start (false) or end (true) strip, in the band's coordinates.
    QRectF trackRect(bool end) const;

    // The band's shade: grey 175/255 at alpha 0.7.
    static QColor shadeColor();

    // The quarter hour of a y of the host grid, and its snapped y.
    struct QuarterHour {
        qint64 hour = 0;
        qint64 minute = 0;
        qint64 pointY = 0;
    };
    QuarterHour quarterHourAt(double y) const;

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void cursorUpdate(const Event& event) override;
    void updateTrackingAreas() override;

private:
    bool isDayGrid() const { return !m_parentView || m_parentView->isDayGridHost(); }
    double hourHeight() const { return isDayGrid() ? dayGridHourHeight : plannerHourHeight; }
    // The current time of day in hours on the shown day when it is today, else 0.
    double nowHours() const;
    void ensureTrackingArea();
    void placeHandles();
    // Saves the dragged edge as the shown weekday's hours.
    void saveDraggedEdge();
    // Makes and stores a new event, and has the main view open it.
    void insertNewEvent(const TaskPtr& item);
    TaskPtr newEventAt(const Date& start, qint64 minutes) const;
    void sketch(const QPointF& point);
    void finishSketch();

    double m_startTime = 0;
    double m_endTime = 0;
    double m_minStart = 0;
    double m_maxEnd = maxEndPoint;
    ImageView* m_startImageView = nullptr;
    ImageView* m_endImageView = nullptr;
    ScheduledTimer m_startTimer;
    Date m_today;
    int m_startTrackingArea = 0;
    int m_endTrackingArea = 0;
    bool m_isStartTimeMoving = false;
    bool m_isEndTimeMoving = false;
    TimeManagerHost* m_parentView = nullptr;
    bool m_isActive = false;
    qint64 m_savedHour = 0;
    qint64 m_savedMin = 0;
    qint64 m_savedPointY = 0;
    qint64 m_endHour = 0;
    qint64 m_endMin = 0;
    qint64 m_endPointY = 0;
    qint64 m_height = 0;
    bool m_drawEvent = false;
    CalendarPtr m_defaultCal;
    QPointF m_startPoint;
    QPointF m_endPoint;
    TaskPtr m_draggingTask;
};
