#include "QuickAddLine.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* typed;
    char prefix;
    const char* text;
};

TEST(QuickAddLineTest, SplitsThePrefixFromTheTrimmedLine)
{
    const LineCase cases[] = {
        {"Lunch", 0, "Lunch"},
        {"  \tLunch with Ann \t ", 0, "Lunch with Ann"},
        {"#tCall", 't', "Call"},
        {"#nMilk", 'n', "Milk"},
        {"#eDentist", 'e', "Dentist"},
        // The blanks after a prefix are not part of the name.
        {"  #t  Call ", 't', "Call"},
        {"#t Pay rent", 't', "Pay rent"},
        {"#n\t Milk and eggs", 'n', "Milk and eggs"},
        {"#e Dentist", 'e', "Dentist"},
        // Case and unknown prefixes belong to the name.
        {"#TCall", 0, "#TCall"},
        {"#xCall", 0, "#xCall"},
        {"# tCall", 0, "# tCall"},
        // A prefix alone or a blank line leaves no name.
        {"#t", 't', ""},
        {"  #e\t", 'e', ""},
        {"", 0, ""},
        {" \t ", 0, ""},
        {"#", 0, "#"},
        // Only the first prefix counts.
        {"#t#nMilk", 't', "#nMilk"},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.typed);
        const QuickAddLine parsed = parseQuickAddLine(QString::fromUtf8(c.typed));
        EXPECT_EQ(parsed.prefix, c.prefix);
        EXPECT_EQ(parsed.text, QString::fromUtf8(c.text));
    }
}

TEST(QuickAddLineTest, KeepsLineBreaksAndInnerSpaces)
{
    const QuickAddLine parsed = parseQuickAddLine(QStringLiteral("\t#nfirst line\nsecond  \n "));
    EXPECT_EQ(parsed.prefix, 'n');
    EXPECT_EQ(parsed.text, QStringLiteral("first line\nsecond  \n"));
}

}  // namespace
