#pragma once

#include "View.h"

#include <QtGlobal>

class CustomNSTextField_NSNumberFormatter;
class TextField;

// A custom duration typed as hours (0-23) and minutes (0-59). The two
// number fields are its only state: the holder loads them with setHours and
// setMins and reads them back when the control reports a change.
//
// Either field's end of editing reaches the holder as one "NSTextField has
// changed" with this control as its object.
class HourAndMinute : public View {
    Q_OBJECT

public:
    explicit HourAndMinute(const QRectF& frame, QWidget* parent = nullptr);
    ~HourAndMinute() override;

    // The fields' texts read as numbers: their leading digits, 0 without.
    qint64 getHours() const;
    qint64 getMinutes() const;
    // Written as they are, without a range check and without a notification.
    void setHours(qint64 hours);
    void setMins(qint64 minutes);

    // Both fields; the labels stay as they are.
    void setEnable(bool enable);

    CustomNSTextField_NSNumberFormatter* durationHourTextField() const { return m_durationHourTextField; }
    CustomNSTextField_NSNumberFormatter* durationMinuteTextField() const { return m_durationMinuteTextField; }
    TextField* hoursLabel() const { return m_hoursLabel; }
    TextField* minutesLabel() const { return m_minutesLabel; }

private:
    void hasChange();

    CustomNSTextField_NSNumberFormatter* m_durationHourTextField = nullptr;
    CustomNSTextField_NSNumberFormatter* m_durationMinuteTextField = nullptr;
    TextField* m_hoursLabel = nullptr;
    TextField* m_minutesLabel = nullptr;
};
