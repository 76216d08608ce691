#pragma once

#include "TextField.h"

// The white entry field of the tag popover: black text in "Lucida Grande",
// no border, editable. When its editing ends it posts "NSTextField has
// changed" with itself as the object.
class CustomNSTextField_Background : public TextField {
    Q_OBJECT

public:
    static const QString textFieldChangedNotification;  // "NSTextField has changed"

    explicit CustomNSTextField_Background(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    CustomNSTextField_Background(const QRectF& frame, double fontSize, QWidget* parent = nullptr);
    ~CustomNSTextField_Background() override;

    void controlTextDidEndEditing();
};
