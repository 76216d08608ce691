#include "CustomTextView.h"
#include "NoteText.h"

#include <gtest/gtest.h>

using NoteText::Edit;
using NoteText::Range;

namespace NoteTextTests {

// ❎ and ✅ written out, so the tables read like the text the user sees.
QString t(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The visual lines of a text laid out without wrapping: each line runs to
// the start of the next, and the empty line after a final line feed is none.
QList<Range> unwrapped(const QString& text)
{
    QList<Range> lines;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n')) {
            lines.append({start, i + 1});
            start = i + 1;
        }
    }
    if (start < text.size() || text.isEmpty()) lines.append({start, static_cast<int>(text.size())});
    return lines;
}

TEST(NoteTextTest, ModeSwitchMarksOrUnmarksTheLinesTheSelectionTouches)
{
    struct Case {
        const char* what;
        const char* text;
        int start, length, mode;
        const char* expected;
        int caret;
        bool changed;
    };
    const Case cases[] = {
        {"empty note to checklist", "", 0, 0, 0, "❎ ", 2, true},
        {"one line, caret at its end", "Milk", 4, 0, 0, "❎ Milk", 6, true},
        {"caret in the middle line", "a\nb\nc", 3, 0, 0, "a\n❎ b\nc", 5, true},
        {"caret at a line start touches that line only", "a\nb", 2, 0, 0, "a\n❎ b", 4, true},
        {"an item stays an item", "❎ a", 1, 0, 0, "❎ a", 1, false},
        {"select-all marks the empty last line too", "a\nb\n", 0, 4, 0, "❎ a\n❎ b\n❎ ", 6, true},
        {"item back to plain text", "❎ x", 3, 0, 1, "x", 1, true},
        {"a mark without its blank keeps the next character", "❎x", 2, 0, 1, "x", 1, true},
        {"a done item too", "a\n✅ b\nc", 5, 0, 1, "a\nb\nc", 3, true},
        {"plain stays plain", "abc", 1, 0, 1, "abc", 1, false},
        {"select-all over items", "❎ a\n✅ b", 0, 7, 1, "a\nb", 0, true},
        {"caret before the removed pair", "❎ a", 0, 0, 1, "a", 0, true},
        {"all of the text was the pair", "❎ ", 2, 0, 1, "", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString text = t(c.text);
        const Edit edit = NoteText::switchMode(text, c.start, c.length, unwrapped(text), c.mode);
        EXPECT_EQ(edit.text, t(c.expected));
        EXPECT_EQ(edit.caret, c.caret);
        EXPECT_EQ(edit.changed, c.changed);
    }
}

TEST(NoteTextTest, ContinuationOfAWrappedLineGetsNoMark)
{
    // "alpha beta gamma" wrapped after "beta ": the caret in the second
    // visual line changes nothing, marked or not.
    const QString text = t("alpha beta gamma");
    const QList<Range> wrapped = {{0, 11}, {11, 16}};
    const Edit edit = NoteText::switchMode(text, 13, 0, wrapped, 0);
    EXPECT_EQ(edit.text, text);
    EXPECT_EQ(edit.caret, 13);
    EXPECT_FALSE(edit.changed);
    // The first visual line still begins the line.
    EXPECT_EQ(NoteText::switchMode(text, 2, 0, wrapped, 0).text, t("❎ alpha beta gamma"));
}

TEST(NoteTextTest, ReturnCaretToggleAndPasteRules)
{
    struct ReturnCase {
        const char* text;
        int caret;
        const char* expected;
        int expectedCaret;
    };
    const ReturnCase returns[] = {
        {"❎ a\n", 4, "❎ a\n❎ ", 6},
        {"❎ a\nb", 4, "❎ a\n❎ b", 6},
        {"❎ a", 3, "❎ a", 3},  // Return did not make a line feed before the caret
        {"", 0, "", 0},
    };
    for (const ReturnCase& c : returns) {
        SCOPED_TRACE(c.text);
        const Edit edit = NoteText::returnInChecklist(t(c.text), c.caret);
        EXPECT_EQ(edit.text, t(c.expected));
        EXPECT_EQ(edit.caret, c.expectedCaret);
    }

    struct CaretCase {
        const char* text;
        int caret, expected;
    };
    const CaretCase carets[] = {
        {"❎ a", 0, 2}, {"\n❎ a", 1, 3}, {"a❎ b", 1, 3}, {"❎x", 0, 1}, {"❎ a", 3, 3}, {"❎", 0, 1}, {"ab", 1, 1},
    };
    for (const CaretCase& c : carets) EXPECT_EQ(NoteText::caretAfterMark(t(c.text), c.caret), c.expected) << c.text;

    const QString note = t("p\nq\n❎ r");
    const int third = NoteText::lineStart(note, 2);
    EXPECT_EQ(third, 4);
    const QString checked = NoteText::changeStateAtIndex(note, third);
    EXPECT_EQ(checked, t("p\nq\n✅ r"));
    EXPECT_EQ(NoteText::changeStateAtIndex(checked, third), note);
    EXPECT_EQ(NoteText::changeStateAtIndex(note, 0), note) << "a plain character is no mark";
    EXPECT_EQ(NoteText::changeStateAtIndex(note, 99), note);
    EXPECT_EQ(NoteText::lineStart(note, 3), -1);

    struct PasteCase {
        const char* text;
        const char* expected;
    };
    const PasteCase pastes[] = {
        {"x✅ y❎ z", "x\n✅ y\n❎ z"}, {"❎ a\n✅ b", "❎ a\n✅ b"}, {"a ❎❎", "a \n❎\n❎"}, {"", ""},
    };
    for (const PasteCase& c : pastes) EXPECT_EQ(CustomTextView::marksOnOwnLines(t(c.text)), t(c.expected)) << c.text;
}

TEST(NoteTextTest, TitleIsTheFirstLineLeftOnceTheMarksAreGone)
{
    const char* const cases[][2] = {
        {"\n\nGroceries", "Groceries"}, {"❎✅\nMilk", "Milk"}, {"\n\n", ""}, {"", ""},
        {"\n✅ done\nnext", " done"},   {"❎ \n❎ ", " "},      {"  a\nb", "  a"}, {"a❎b", "ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(NoteText::taskName(t(c[0])), t(c[1])) << c[0];

    EXPECT_EQ(NoteText::separateLines(t("a\n")), QStringList({"a", ""}));
    EXPECT_EQ(NoteText::separateLines(QString()), QStringList({""}));
    EXPECT_EQ(NoteText::separateLines(t("a\r\nb")), QStringList({"a\r", "b"})) << "only line feeds part lines";
}

}  // namespace NoteTextTests
