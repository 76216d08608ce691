#include "TextTable.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTableTest, KnownKeysGiveTheirEnglishText)
{
    EXPECT_EQ(TextTable::localizedString(QStringLiteral("okText")), QStringLiteral("OK"));
    EXPECT_EQ(TextTable::localizedString(QStringLiteral("cancelText")), QStringLiteral("Cancel"));
    EXPECT_TRUE(TextTable::hasText(QStringLiteral("okText")));
}

TEST(TextTableTest, UnknownKeyGivesTheEmptyText)
{
    EXPECT_EQ(TextTable::localizedString(QStringLiteral("noSuchKeyText")), QString(""));
    EXPECT_FALSE(TextTable::hasText(QStringLiteral("noSuchKeyText")));
}

TEST(TextTableTest, EveryKeyOfTheTableHasAText)
{
    const QStringList keys = TextTable::allKeys();
    EXPECT_TRUE(keys.contains(QStringLiteral("okText")));
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    for (const QString& key : keys) EXPECT_TRUE(TextTable::hasText(key)) << key.toStdString();
}

}  // namespace
