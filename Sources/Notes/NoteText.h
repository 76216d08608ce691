#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The stored form of a note's text and the rules every note editor applies
// to it. A note is one text; lines part at U+000A only, and a line that
// starts with one of the two marks is a checklist item. Positions are
// UTF-16 units, as the text view counts them.
namespace NoteText {

inline constexpr QChar openMark = QChar(0x274E);
inline constexpr QChar doneMark = QChar(0x2705);

inline bool isMark(QChar c)
{
    return c == openMark || c == doneMark;
}

// The pair the editor writes when it starts an item: an open mark and a blank.
QString newItem();

// The lines of a text, parted at line feeds; the line after a final line
// feed is included even when empty, so an empty text is one empty line.
QStringList separateLines(const QString& text);

// The title: the first line that is not empty once every mark is deleted
// from it; only the marks go, the blank after a mark stays.
QString taskName(const QString& notes);

// A character range of the laid-out text, [start, end).
struct Range {
    int start = 0;
    int end = 0;
    bool operator==(const Range&) const = default;
};

struct Edit {
    QString text;
    int caret = 0;
    bool changed = false;
    bool operator==(const Edit&) const = default;
};

// The mode switch over the visual lines the selection [start, start +
// length) touches. newMode 0 turns those lines into open items (a
// continuation of a wrapped line never gets a mark), 1 turns items back into
// plain lines (the mark goes, and the blank after it when there is one).
Edit switchMode(const QString& text, int start, int length, const QList<Range>& visualLines, int newMode);

// Return typed in checklist mode with the caret now at caret: a new line
// starts with an open item. Unchanged unless the caret follows a line feed.
Edit returnInChecklist(const QString& text, int caret);

// Toggles the mark at index; the rest of the line stays.
QString changeStateAtIndex(const QString& text, int index);

// Where an empty selection at caret moves so that typing never starts in
// front of a mark: past the mark and its blank.
int caretAfterMark(const QString& text, int caret);

// The index of the first character of line `line`; -1 past the last line.
int lineStart(const QString& text, int line);

}  // namespace NoteText
