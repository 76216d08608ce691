#pragma once

#include "View.h"

#include <QTime>

class DatePicker;
class TextField;

// One weekday row of the working hours: the day's name, the start and the
// end of its working time. A changed time is stored at once under the
// day's key and the whole side file is rewritten.
class WorkingHourSettingItem : public View {
    Q_OBJECT

public:
    static constexpr double rowHeight = 25;

    explicit WorkingHourSettingItem(const QRectF& frame, QWidget* parent = nullptr);
    ~WorkingHourSettingItem() override;

    // The weekday (0 Sunday to 6 Saturday) and the times the row shows; the
    // end picker cannot go before the start.
    void setData(int weekDay, QTime startTime, QTime endTime);
    int weekDay() const { return m_weekDay; }
    QTime startTime() const { return m_startTime; }
    QTime endTime() const { return m_endTime; }

    void workingStartChanged();
    void workingEndChanged();

    TextField* dayNameLabel() const { return m_dayNameLabel; }
    DatePicker* workingStartTime() const { return m_workingStartTime; }
    DatePicker* workingEndTime() const { return m_workingEndTime; }

    // The 12- or 24-hour form of the user's locale.
    static bool localeUses24HourClock();

    bool isFlipped() const override { return true; }

private:
    // Stores the minutes under the key, rewrites the side file and tells the
    // rest of the program.
    void storeWorkingMinutes(const QString& key, int minutes);

    int m_weekDay = 0;
    QTime m_startTime;
    QTime m_endTime;
    TextField* m_dayNameLabel = nullptr;
    DatePicker* m_workingStartTime = nullptr;
    DatePicker* m_workingEndTime = nullptr;
};
