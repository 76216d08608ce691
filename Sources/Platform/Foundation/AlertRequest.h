#pragma once

#include "AlertResponse.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

enum class AlertStyle { Warning, Informational, Critical };

// One entry of the pop-up an alert may carry under its texts: what the user
// reads and the tag the answer gives back when it is chosen.
struct AlertChoice {
    QString title;
    qint64 tag = 0;
    bool operator==(const AlertChoice&) const = default;
};

// What a modal alert shows. Texts are final (already looked up in the
// TextTable). Buttons appear in the order added and answer 1000, 1001, 1002 ...
// A request without buttons shows one "OK" answering 1000.
// The pop-up is plain data: the presenter decides how to show it, so the
// code that raises an alert never builds a widget.
struct AlertRequest {
    AlertStyle style = AlertStyle::Warning;
    QString messageText;
    QString informativeText;
    QStringList buttonTitles;
    bool showsSuppressionButton = false;
    bool suppressionState = false;        // the do-not-ask-again box as the alert opens
    QList<AlertChoice> accessoryChoices;  // the pop-up's entries in order; none, no pop-up
    qint64 accessoryChosenTag = 0;        // the entry chosen as the alert opens
    QString accessoryTitle;               // names the pop-up for assistive technology
    // A text shown under the informative text, in italics, not editable;
    // with choices too, the pop-up comes first.
    QString accessoryText;
    // The alert's own picture in place of the style's; null keeps the style's.
    QImage iconImage;
    // Hangs from the main window when the shell has one on screen; a plain
    // centred alert otherwise.
    bool attached = true;
    // The window an attached alert hangs from instead of the main window
    // (a window of the UI kit); none, the main window.
    QPointer<QObject> attachedTo;
    // Asked every 0.1 s while the alert is up: once it answers true, what
    // the alert waited for has come and it ends by itself, answering
    // `stopped`. None, only a button ends it.
    std::function<bool()> endsWhen;

    // The answer the new button gives.
    int addButtonWithTitle(const QString& title)
    {
        buttonTitles.append(title);
        return AlertResponse::firstButton + static_cast<int>(buttonTitles.size()) - 1;
    }

    bool offersChoice(qint64 tag) const
    {
        for (const AlertChoice& choice : accessoryChoices)
            if (choice.tag == tag) return true;
        return false;
    }
};
