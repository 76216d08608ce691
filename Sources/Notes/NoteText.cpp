#include "NoteText.h"

#include <algorithm>

namespace NoteText {

namespace {

const QChar lineFeed(0x000A);

bool touches(const Range& line, int start, int end)
{
    if (line.start <= start && start < line.end) return true;
    if (line.start <= end && end < line.end) return true;
    // An empty range never lies within a selection: the layout's one line
    // of an empty text would otherwise be marked twice.
    return line.start < line.end && line.start >= start && line.end <= end;
}

bool beginsLine(const QString& text, int at)
{
    return at == 0 || (at <= text.size() && text.at(at - 1) == lineFeed);
}

// Deletes the mark at `at` and the blank after it when one follows; answers
// how many characters went.
int deleteMark(QString& text, int at)
{
    const int count = at + 1 < text.size() && text.at(at + 1) == QLatin1Char(' ') ? 2 : 1;
    text.remove(at, count);
    return count;
}

}  // namespace

QString newItem()
{
    return QString(openMark) + QLatin1Char(' ');
}

QStringList separateLines(const QString& text)
{
    return text.split(lineFeed);
}

QString taskName(const QString& notes)
{
    // Lines of marks only are skipped without copying them: a long text of
    // empty items costs one pass.
    const qsizetype size = notes.size();
    qsizetype from = 0;
    while (from <= size) {
        qsizetype to = from;
        bool hasText = false;
        while (to < size && notes.at(to) != lineFeed) {
            hasText = hasText || !isMark(notes.at(to));
            ++to;
        }
        if (hasText) {
            QString line = notes.mid(from, to - from);
            line.remove(openMark);
            line.remove(doneMark);
            return line;
        }
        from = to + 1;
    }
    return QString();
}

Edit switchMode(const QString& text, int start, int length, const QList<Range>& visualLines, int newMode)
{
    Edit edit{text, 0, false};
    QString& c = edit.text;
    const int n = static_cast<int>(text.size());
    start = std::clamp(start, 0, n);
    const int end = std::clamp(start + std::max(length, 0), 0, n);
    int shift = 0;  // characters added (negative: deleted) before the current point

    for (const Range& line : visualLines) {
        if (!touches(line, start, end)) continue;
        const int at = line.start + shift;
        if (at < 0 || at > c.size()) continue;
        if (newMode == 0) {
            if (!beginsLine(c, at) || (at < c.size() && isMark(c.at(at)))) continue;
            c.insert(at, newItem());
            shift += 2;
            edit.changed = true;
        } else if (at < c.size() && isMark(c.at(at))) {
            shift -= deleteMark(c, at);
            edit.changed = true;
        }
    }

    if (end == n) {
        const qsizetype lastFeed = c.lastIndexOf(lineFeed);
        if (newMode == 0) {
            qsizetype at = -1;
            if (c.isEmpty() || (lastFeed < 0 && !isMark(c.at(0))))
                at = 0;
            else if (lastFeed == c.size() - 1)
                at = c.size();
            else if (lastFeed >= 0 && !isMark(c.at(lastFeed + 1)))
                at = lastFeed + 1;
            if (at >= 0) {
                c.insert(at, newItem());
                shift += 2;
                edit.changed = true;
            }
        } else if (n > 0) {
            qsizetype at = -1;
            if (lastFeed < 0 && !c.isEmpty() && isMark(c.at(0)))
                at = 0;
            else if (lastFeed >= 0 && lastFeed + 1 < c.size() && isMark(c.at(lastFeed + 1)))
                at = lastFeed + 1;
            if (at >= 0) {
                shift -= deleteMark(c, static_cast<int>(at));
                edit.changed = true;
            }
        }
    }

    const int moved = start + shift;
    edit.caret = moved > 0 ? moved : (c.isEmpty() ? 0 : start);
    edit.caret = std::clamp(edit.caret, 0, static_cast<int>(c.size()));
    return edit;
}

Edit returnInChecklist(const QString& text, int caret)
{
    if (caret <= 0 || caret > text.size() || text.at(caret - 1) != lineFeed) return {text, caret, false};
    QString c = text;
    c.insert(caret, newItem());
    return {c, caret + 2, true};
}

QString changeStateAtIndex(const QString& text, int index)
{
    QString c = text;
    if (index < 0 || index >= c.size()) return c;
    if (c.at(index) == doneMark)
        c[index] = openMark;
    else if (c.at(index) == openMark)
        c[index] = doneMark;
    return c;
}

int caretAfterMark(const QString& text, int caret)
{
    if (caret < 0 || caret >= text.size() || !isMark(text.at(caret))) return caret;
    const bool blank = caret + 1 < text.size() && text.at(caret + 1) == QLatin1Char(' ');
    return caret + (blank ? 2 : 1);
}

int lineStart(const QString& text, int line)
{
    if (line < 0) return -1;
    int at = 0;
    for (int i = 0; i < line; ++i) {
        const qsizetype feed = text.indexOf(lineFeed, at);
        if (feed < 0) return -1;
        at = static_cast<int>(feed) + 1;
    }
    return at;
}

}  // namespace NoteText
