// Note texts as stored, synced or pasted from the clipboard, through the
// rules the note editors apply: the marks put on lines of their own, the
// title, the mode switch, Return and the toggle of a mark.
#include "CustomTextView.h"
#include "FuzzSupport.h"
#include "NoteText.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

namespace {

QList<NoteText::Range> linesOf(const QString& text)
{
    QList<NoteText::Range> lines;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\n')) continue;
        lines.append({start, i + 1});
        start = i + 1;
    }
    if (start < text.size() || text.isEmpty()) lines.append({start, int(text.size())});
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    // The first two bytes place the selection; the rest is the text.
    const QString text = Fuzz::utf8Text(data + 2, size - 2);
    const int start = data[0] % (text.size() + 1);
    const int length = data[1] % (text.size() - start + 1);

    const QString pasted = CustomTextView::marksOnOwnLines(text);
    QString without = pasted;
    for (qsizetype i = 1; i < pasted.size(); ++i)
        Fuzz::require(!NoteText::isMark(pasted.at(i)) || pasted.at(i - 1) == QLatin1Char('\n'),
                      "every mark begins a line after a paste");
    Fuzz::require(pasted.size() >= text.size(), "a paste only adds line feeds");

    const QString title = NoteText::taskName(text);
    Fuzz::require(!title.contains(NoteText::openMark) && !title.contains(NoteText::doneMark), "no mark in a title");

    for (const int mode : {0, 1}) {
        const NoteText::Edit edit = NoteText::switchMode(text, start, length, linesOf(text), mode);
        Fuzz::require(edit.caret >= 0 && edit.caret <= edit.text.size(), "the caret stays in the text");
        Fuzz::require(edit.changed == (edit.text != text), "a change is reported exactly when the text changed");
    }
    const NoteText::Edit returned = NoteText::returnInChecklist(text, start);
    Fuzz::require(returned.caret <= returned.text.size(), "Return keeps the caret in the text");
    Fuzz::require(NoteText::changeStateAtIndex(text, start).size() == text.size(), "a toggle keeps the length");
    Fuzz::require(NoteText::caretAfterMark(text, start) <= text.size(), "the caret rule stays in the text");
    return 0;
}
