#pragma once

#include "TextField.h"

#include <QtGlobal>

// The small number fields (alert values, hours and minutes): digits only, at
// most `maxLength` of them as typed, brought within [minValue, maxValue] when
// editing ends (an empty field takes minValue), and "NSTextField has
// changed" (kTextFieldHasChangedNotification, object the field as a
// TextField*) at every end of editing, in range or not.
//
// The field uses its end-of-editing call for itself: listen to the
// notification instead of calling setOnEndEditing.
class CustomNSTextField_NSNumberFormatter : public TextField {
    Q_OBJECT

public:
    explicit CustomNSTextField_NSNumberFormatter(const QRectF& frame = QRectF(), QWidget* parent = nullptr);

    qint64 minValue() const { return m_minValue; }
    void setMinValue(qint64 minValue) { m_minValue = minValue; }
    qint64 maxValue() const { return m_maxValue; }
    void setMaxValue(qint64 maxValue) { m_maxValue = maxValue; }
    qint64 maxLength() const { return m_maxLength; }
    // Keeps only lengths above 0. The formatter made with the field keeps
    // the length it was made with.
    void setMaxLength(qint64 maxLength);

    // The text editing ends with: `text` when it is a number within the
    // bounds, else the nearest bound written as a plain integer (minValue
    // for an empty text).
    static QString clampedText(const QString& text, qint64 minValue, qint64 maxValue);

    // A click anywhere puts the insertion point after the last digit.
    void mouseDown(const Event& event) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void controlTextDidEndEditing();
    void moveInsertionPointToEnd();

    qint64 m_minValue = 1;
    qint64 m_maxValue = 99;
    qint64 m_maxLength = 2;
};
