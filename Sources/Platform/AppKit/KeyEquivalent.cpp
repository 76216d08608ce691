#include "KeyEquivalent.h"

#include "Event.h"

#include <QHash>
#include <QShortcut>
#include <QWidget>

namespace KeyEquivalent {

namespace {

// The Qt key of the key equivalent's character, 0 for none.
int qtKeyOf(QChar character)
{
    static const QHash<char16_t, int> specials = {
        {KeyCharacter::CarriageReturn, Qt::Key_Return}, {KeyCharacter::NewLine, Qt::Key_Return},
        {KeyCharacter::Enter, Qt::Key_Enter},           {KeyCharacter::Escape, Qt::Key_Escape},
        {KeyCharacter::Tab, Qt::Key_Tab},               {KeyCharacter::Backspace, Qt::Key_Backspace},
        {KeyCharacter::Delete, Qt::Key_Backspace},      {KeyCharacter::ForwardDelete, Qt::Key_Delete},
        {KeyCharacter::UpArrow, Qt::Key_Up},            {KeyCharacter::DownArrow, Qt::Key_Down},
        {KeyCharacter::LeftArrow, Qt::Key_Left},        {KeyCharacter::RightArrow, Qt::Key_Right},
        {KeyCharacter::Home, Qt::Key_Home},             {KeyCharacter::End, Qt::Key_End},
        {KeyCharacter::PageUp, Qt::Key_PageUp},         {KeyCharacter::PageDown, Qt::Key_PageDown},
        {u' ', Qt::Key_Space},
    };
    if (const auto it = specials.constFind(character.unicode()); it != specials.constEnd()) return *it;
    if (!character.isPrint()) return 0;
    // Qt names the keys of letters by their upper case.
    return int(character.toUpper().unicode());
}

}  // namespace

QKeySequence sequenceOf(const QString& keyEquivalent, unsigned modifierMask)
{
    if (keyEquivalent.isEmpty()) return {};
    const QChar character = keyEquivalent.front();
    const int key = qtKeyOf(character);
    if (key == 0) return {};
    Qt::KeyboardModifiers modifiers;
    if (modifierMask & CommandKeyMask) modifiers |= Qt::ControlModifier;
    if (modifierMask & ControlKeyMask) modifiers |= Qt::MetaModifier;
    if (modifierMask & AlternateKeyMask) modifiers |= Qt::AltModifier;
    if ((modifierMask & ShiftKeyMask) || (character.isLetter() && character.isUpper()))
        modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, Qt::Key(key)));
}

QList<QKeySequence> sequencesOf(const QString& keyEquivalent, unsigned modifierMask)
{
    const QKeySequence sequence = sequenceOf(keyEquivalent, modifierMask);
    if (sequence.isEmpty()) return {};
    QList<QKeySequence> sequences{sequence};
    const QKeyCombination combination = sequence[0];
    if (combination.key() == Qt::Key_Return)
        sequences.append(QKeySequence(QKeyCombination(combination.keyboardModifiers(), Qt::Key_Enter)));
    return sequences;
}

QList<QShortcut*> makeShortcuts(QWidget* owner, const QString& keyEquivalent, unsigned modifierMask,
                                const std::function<void()>& activated)
{
    QList<QShortcut*> shortcuts;
    if (!owner) return shortcuts;
    for (const QKeySequence& sequence : sequencesOf(keyEquivalent, modifierMask)) {
        auto* shortcut = new QShortcut(sequence, owner);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setAutoRepeat(false);
        QObject::connect(shortcut, &QShortcut::activated, owner, activated);
        shortcuts.append(shortcut);
    }
    return shortcuts;
}

}  // namespace KeyEquivalent
