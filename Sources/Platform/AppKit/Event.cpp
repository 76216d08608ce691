#include "Event.h"

#include <QHash>

namespace EventTranslation {

unsigned modifierFlagsOfKey(Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) flags |= ShiftKeyMask;
    if (modifiers.testFlag(Qt::ControlModifier)) flags |= CommandKeyMask;
    if (modifiers.testFlag(Qt::MetaModifier)) flags |= ControlKeyMask;
    if (modifiers.testFlag(Qt::AltModifier)) flags |= AlternateKeyMask;
    return flags;
}

unsigned modifierFlagsOfMouse(Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) flags |= ShiftKeyMask;
    if (modifiers.testFlag(Qt::ControlModifier)) flags |= ControlKeyMask;
    if (modifiers.testFlag(Qt::MetaModifier)) flags |= CommandKeyMask;
    if (modifiers.testFlag(Qt::AltModifier)) flags |= AlternateKeyMask;
    return flags;
}

quint16 keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (qtKey == Qt::Key_Enter) return KeyCode::KeypadEnter;
    if (qtKey == Qt::Key_Return) return modifiers.testFlag(Qt::KeypadModifier) ? KeyCode::KeypadEnter : KeyCode::Return;
    static const QHash<int, quint16> codes = {
        {Qt::Key_Tab, KeyCode::Tab},         {Qt::Key_Backtab, KeyCode::Tab},
        {Qt::Key_Space, KeyCode::Space},     {Qt::Key_Backspace, KeyCode::Delete},
        {Qt::Key_Escape, KeyCode::Escape},   {Qt::Key_Home, KeyCode::Home},
        {Qt::Key_PageUp, KeyCode::PageUp},   {Qt::Key_Delete, KeyCode::ForwardDelete},
        {Qt::Key_End, KeyCode::End},         {Qt::Key_PageDown, KeyCode::PageDown},
        {Qt::Key_Left, KeyCode::LeftArrow},  {Qt::Key_Right, KeyCode::RightArrow},
        {Qt::Key_Down, KeyCode::DownArrow},  {Qt::Key_Up, KeyCode::UpArrow},
        {Qt::Key_A, KeyCode::A}, {Qt::Key_S, KeyCode::S}, {Qt::Key_D, KeyCode::D}, {Qt::Key_F, KeyCode::F},
        {Qt::Key_H, KeyCode::H}, {Qt::Key_G, KeyCode::G}, {Qt::Key_Z, KeyCode::Z}, {Qt::Key_X, KeyCode::X},
        {Qt::Key_C, KeyCode::C}, {Qt::Key_V, KeyCode::V}, {Qt::Key_B, KeyCode::B}, {Qt::Key_Q, KeyCode::Q},
        {Qt::Key_W, KeyCode::W}, {Qt::Key_E, KeyCode::E}, {Qt::Key_R, KeyCode::R}, {Qt::Key_Y, KeyCode::Y},
        {Qt::Key_T, KeyCode::T}, {Qt::Key_O, KeyCode::O}, {Qt::Key_U, KeyCode::U}, {Qt::Key_I, KeyCode::I},
        {Qt::Key_P, KeyCode::P}, {Qt::Key_L, KeyCode::L}, {Qt::Key_J, KeyCode::J}, {Qt::Key_K, KeyCode::K},
        {Qt::Key_N, KeyCode::N}, {Qt::Key_M, KeyCode::M},
    };
    return codes.value(qtKey, KeyCode::Unknown);
}

QString charactersIgnoringModifiersOf(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers)
{
    static const QHash<int, char16_t> specials = {
        {Qt::Key_Backspace, KeyCharacter::Delete},     {Qt::Key_Delete, KeyCharacter::Delete},
        {Qt::Key_Return, KeyCharacter::CarriageReturn}, {Qt::Key_Enter, KeyCharacter::Enter},
        {Qt::Key_Escape, KeyCharacter::Escape},       {Qt::Key_Tab, KeyCharacter::Tab},
        {Qt::Key_Backtab, KeyCharacter::Tab},         {Qt::Key_Up, KeyCharacter::UpArrow},
        {Qt::Key_Down, KeyCharacter::DownArrow},      {Qt::Key_Left, KeyCharacter::LeftArrow},
        {Qt::Key_Right, KeyCharacter::RightArrow},    {Qt::Key_Home, KeyCharacter::Home},
        {Qt::Key_End, KeyCharacter::End},             {Qt::Key_PageUp, KeyCharacter::PageUp},
        {Qt::Key_PageDown, KeyCharacter::PageDown},
    };
    if (const auto it = specials.constFind(qtKey); it != specials.constEnd()) return QString(QChar(*it));
    // Letters as the key shows them, whatever Ctrl or Alt made of the text;
    // Shift still chooses the case, as it does for the typed text.
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        const QChar letter(char16_t(u'a' + (qtKey - Qt::Key_A)));
        return QString(modifiers.testFlag(Qt::ShiftModifier) ? letter.toUpper() : letter);
    }
    if (!text.isEmpty() && text.front().isPrint()) return text.left(1);
    if (qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde) return QString(QChar(char16_t(qtKey)));
    return {};
}

}  // namespace EventTranslation
