#pragma once

#include "AlertResponse.h"

#include <QString>
#include <QStringList>

class QWidget;

enum class AlertStyle { Warning, Informational, Critical };

// What a modal alert shows. Texts are final (already looked up in the
// TextTable). Buttons appear in the order added and answer 1000, 1001, 1002 ...
struct AlertRequest {
    AlertStyle style = AlertStyle::Warning;
    QString messageText;
    QString informativeText;
    QStringList buttonTitles;
    bool showsSuppressionButton = false;
    bool suppressionState = false;        // the do-not-ask-again box as the alert opens
    QWidget* accessoryView = nullptr;     // not owned; shown under the texts

    // The answer the new button gives.
    int addButtonWithTitle(const QString& title)
    {
        buttonTitles.append(title);
        return AlertResponse::firstButton + static_cast<int>(buttonTitles.size()) - 1;
    }
};
