#pragma once

#include <QObject>
#include <QVariant>
#include <QVariantList>

// A click target of ActionLabelView: keeps the objects it was called with.
class LabelClickRecorder : public QObject {
    Q_OBJECT

public:
    QVariantList received;
    Q_INVOKABLE void labelClickAction(const QVariant& object) { received << object; }
};
