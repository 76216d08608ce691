// Faults planted on purpose, one per test. Each must end its run with a
// sanitizer report and a failing exit (CTest checks both), so a build whose
// options would let a report slip by fails here instead of passing quietly.
#include <QString>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace {

// Hides a value from the optimizer, so the planted faults survive -O1.
template <class T>
T opaque(T value)
{
    volatile T copy = value;
    return copy;
}

TEST(SanitizerReports, HeapUseAfterFree)
{
    int* const values = opaque(new int[4]{1, 2, 3, 4});
    delete[] values;
    EXPECT_EQ(opaque(values)[1], 2);
}

// The fault the sanitizer build was brought in for: a lambda without a return
// type hands back a string builder over its own temporaries.
TEST(SanitizerReports, StringBuilderOverTemporariesReadAfterTheLambdaReturns)
{
    const auto line = [](int minutes) { return QString::number(minutes) + QStringLiteral(" min"); };
    const QString text = line(opaque(5));
    EXPECT_EQ(text, QStringLiteral("5 min"));
}

TEST(SanitizerReports, SignedOverflow)
{
    const int sum = opaque(INT_MAX) + 1;
    EXPECT_LT(sum, 0);
}

TEST(SanitizerReports, LeakFoundAtExit)
{
    static void* volatile block;
    block = std::malloc(64);
    block = nullptr;
    EXPECT_EQ(block, nullptr);
}

}  // namespace
