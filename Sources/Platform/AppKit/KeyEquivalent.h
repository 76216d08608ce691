#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>

class QObject;
class QShortcut;
class QWidget;

// Key equivalents: a character and a modifier mask (Event.h's flags), as
// buttons and menu rows carry them, turned into Qt key sequences. Command is
// the Ctrl key, Control the Meta key. An upper-case letter implies Shift.
// Return ("\r" or "\n"), Escape ("\x1b"), Tab and Backspace are the keys of
// those characters; the arrows and paging keys are the private-use
// characters of KeyCharacter.
namespace KeyEquivalent {

// Empty when there is nothing to press: no character, or a control
// character no key gives.
QKeySequence sequenceOf(const QString& keyEquivalent, unsigned modifierMask);

// Whether Return also answers on the keypad's Enter: the sequences to
// listen for (none, one, or Return and Enter).
QList<QKeySequence> sequencesOf(const QString& keyEquivalent, unsigned modifierMask);

// Shortcuts of the window holding `owner`, live while that window is active
// and `owner` is visible and enabled, running `activated`. They are children
// of `owner` and go with it. Answers them (none when there is no key).
QList<QShortcut*> makeShortcuts(QWidget* owner, const QString& keyEquivalent, unsigned modifierMask,
                                const std::function<void()>& activated);

}  // namespace KeyEquivalent
