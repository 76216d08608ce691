#include "Common.h"
#include "Utilities.h"

#include "LogCapture.h"

#include <QColor>

#include <gtest/gtest.h>

namespace {

struct Rgb {
    int red, green, blue;
};

QColor rgb(const Rgb& c)
{
    return QColor(c.red, c.green, c.blue);
}

void expectRgb(const QColor& color, const Rgb& expected, const std::string& where)
{
    ASSERT_TRUE(color.isValid()) << where;
    EXPECT_EQ(color.red(), expected.red) << where;
    EXPECT_EQ(color.green(), expected.green) << where;
    EXPECT_EQ(color.blue(), expected.blue) << where;
    EXPECT_EQ(color.alpha(), 255) << where;
}

TEST(Palette, WebIntegersAreTheirOwnTableNotTheLightestShade)
{
    struct Case {
        qint64 group, colour, web;
        Rgb lightest;
    };
    // The first six are among the colours whose web integer is no shade.
    const Case cases[] = {
        {1, 4, 0xE3E316, {214, 214, 19}},
        {0, 0, 0x18A4DC, {15, 161, 220}},
        {0, 3, 0xAEE100, {153, 201, 21}},
        {1, 2, 0xA8A86B, {201, 201, 96}},
        {2, 4, 0xFFD414, {240, 217, 167}},
        {3, 0, 0x115192, {4, 83, 162}},
        {0, 1, 0xFFA024, {255, 160, 36}},
        {2, 7, 0x737373, {115, 115, 115}},
        {3, 7, 0x4C4C4C, {76, 76, 76}},
    };
    for (const Case& c : cases) {
        const std::string where = std::to_string(c.group) + "/" + std::to_string(c.colour);
        EXPECT_EQ(Utilities::getHexColor(c.group, c.colour), c.web) << where;
        qint64 group = -1, colour = -1;
        Utilities::getGroup(group, colour, c.web);
        EXPECT_EQ(group, c.group) << where;
        EXPECT_EQ(colour, c.colour) << where;
        expectRgb(Utilities::getColorInGroupID(c.group, c.colour, 2), c.lightest, where);
    }
    EXPECT_EQ(Utilities::getHexColor(1, 4), 14934806);
}

TEST(Palette, EveryColourSurvivesTheRoundTripThroughTheWebService)
{
    for (qint64 group = 0; group < 4; ++group) {
        for (qint64 colour = 0; colour < 8; ++colour) {
            qint64 backGroup = -1, backColour = -1;
            Utilities::getGroup(backGroup, backColour, Utilities::getHexColor(group, colour));
            EXPECT_EQ(backGroup, group) << colour;
            EXPECT_EQ(backColour, colour) << group;
        }
    }
}

TEST(Palette, AWebIntegerInNoEntryGivesTheFirstColour)
{
    // Shade 2 of group 1, colour 4 is not its web integer: no match either.
    for (qint64 web : {qint64(0), qint64(-1), qint64(0xFFFFFF), qint64(0xD6D613), qint64(1) << 40,
                       std::numeric_limits<qint64>::min()}) {
        qint64 group = 9, colour = 9;
        Utilities::getGroup(group, colour, web);
        EXPECT_EQ(group, 0) << web;
        EXPECT_EQ(colour, 0) << web;
    }
}

TEST(Palette, ColorObjectCarriesTheThreeShadesInOrder)
{
    const ColorObject color = Utilities::colorInGroup(1, 4);
    const Rgb shades[] = {{136, 136, 14}, {173, 173, 24}, {214, 214, 19}};
    ASSERT_EQ(color.arrayOfRGB().size(), 9);
    for (int shade = 0; shade < 3; ++shade) {
        EXPECT_FLOAT_EQ(color.arrayOfRGB()[shade * 3 + 0], shades[shade].red / 255.0f) << shade;
        EXPECT_FLOAT_EQ(color.arrayOfRGB()[shade * 3 + 1], shades[shade].green / 255.0f) << shade;
        EXPECT_FLOAT_EQ(color.arrayOfRGB()[shade * 3 + 2], shades[shade].blue / 255.0f) << shade;
    }
    EXPECT_TRUE(ColorObject().arrayOfRGB().isEmpty());
}

TEST(Palette, ColorObjectAndSingleShadesAgreeForEveryColour)
{
    for (qint64 group = 0; group < 4; ++group) {
        for (qint64 colour = 0; colour < 8; ++colour) {
            const ColorObject object = Utilities::colorInGroup(group, colour);
            ASSERT_EQ(object.arrayOfRGB().size(), 9);
            for (qint64 shade = 0; shade < 3; ++shade) {
                const QColor single = Utilities::getColorInGroupID(group, colour, shade);
                const std::string where = std::to_string(group * 8 + colour) + " shade " + std::to_string(shade);
                EXPECT_EQ(single.red(), qRound(object.arrayOfRGB()[shade * 3 + 0] * 255)) << where;
                EXPECT_EQ(single.green(), qRound(object.arrayOfRGB()[shade * 3 + 1] * 255)) << where;
                EXPECT_EQ(single.blue(), qRound(object.arrayOfRGB()[shade * 3 + 2] * 255)) << where;
            }
        }
    }
}

TEST(Palette, GroupOutsideThePaletteHasNoColour)
{
    for (qint64 group : {qint64(4), qint64(-1), qint64(1000), std::numeric_limits<qint64>::min()}) {
        EXPECT_TRUE(Utilities::colorInGroup(group, 0).arrayOfRGB().isEmpty()) << group;
        EXPECT_FALSE(Utilities::getColorInGroupID(group, 0, 1).isValid()) << group;
    }
}

TEST(Palette, ColourIdsAndShadesOutsideTheTablesAreClamped)
{
    struct Case {
        qint64 colour, shade, expectedColour, expectedShade;
    };
    const Case cases[] = {
        {8, 1, 7, 1},   {99, 0, 7, 0}, {-1, 2, 0, 2}, {std::numeric_limits<qint64>::min(), 0, 0, 0},
        {3, 3, 3, 2},   {3, -5, 3, 0}, {std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max(), 7, 2},
    };
    for (const Case& c : cases) {
        const std::string where = std::to_string(c.colour) + "/" + std::to_string(c.shade);
        EXPECT_EQ(Utilities::getColorInGroupID(2, c.colour, c.shade),
                  Utilities::getColorInGroupID(2, c.expectedColour, c.expectedShade)) << where;
        EXPECT_EQ(Utilities::colorInGroup(2, c.colour).arrayOfRGB(),
                  Utilities::colorInGroup(2, c.expectedColour).arrayOfRGB()) << where;
        EXPECT_EQ(Utilities::getHexColor(2, c.colour), Utilities::getHexColor(2, c.expectedColour)) << where;
    }
    // The web integer of an unknown group is still one of the palette's.
    EXPECT_EQ(Utilities::getHexColor(7, 7), Utilities::getHexColor(3, 7));
    EXPECT_EQ(Utilities::getHexColor(-2, 4), Utilities::getHexColor(0, 4));
}

TEST(Palette, NearestColourOfGreysAndSaturatedColours)
{
    struct Case {
        const char* name;
        Rgb color;
        qint64 position;
    };
    const Case cases[] = {
        {"black", {0, 0, 0}, 31},
        {"middle grey", {128, 128, 128}, 15},
        {"dark grey", {50, 50, 50}, 31},
        {"the darker palette grey", {91, 91, 91}, 23},
        {"pure blue", {0, 0, 255}, 16},
        {"pure red", {255, 0, 0}, 1},
        // Saturation and brightness outweigh the hue: a yellow green wins.
        {"pure green", {0, 255, 0}, 3},
        // The reference of group 1, colour 4 is not its shade 1, which is
        // nearer to group 1, colour 2.
        {"shade 1 of group 1, colour 4", {173, 173, 24}, 10},
        {"reference of group 1, colour 4", {203, 203, 20}, 12},
        // A red just short of the full circle (hue 0.99) is far from the
        // reds near hue 0: hues are compared without wrapping round, so the
        // blue wins where a wrapped hue would pick the orange of position 1.
        {"red of hue 0.99", {255, 0, 15}, 16},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utilities::getClosestColorPosWithColor(rgb(c.color)), c.position) << c.name;
}

TEST(Palette, EachReferenceColourFindsItsOwnPosition)
{
    for (qint64 pos = 0; pos < 32; ++pos) {
        if (pos == 12) continue;  // its reference differs from shade 1, checked above
        const QColor reference = Utilities::getColorInGroupID(pos / 8, pos % 8, 1);
        EXPECT_EQ(Utilities::getClosestColorPosWithColor(reference), pos);
    }
}

TEST(Palette, NearestColourIgnoresAlphaAndTheColourModel)
{
    EXPECT_EQ(Utilities::getClosestColorPosWithColor(QColor(128, 128, 128, 0)), 15);
    const QColor hsv = QColor::fromHsv(240, 255, 255);
    EXPECT_EQ(Utilities::getClosestColorPosWithColor(hsv), 16);
    EXPECT_EQ(Utilities::getClosestColorPosWithColor(QColor::fromCmykF(0, 0, 0, 1)), 31);
}

TEST(Palette, InvalidColourGivesTheFirstPositionAndIsLogged)
{
    LogCapture log;
    EXPECT_EQ(Utilities::getClosestColorPosWithColor(QColor()), 0);
    EXPECT_TRUE(log.contains("invalid colour"));
}

TEST(Palette, FixedColoursOfTheApplication)
{
    const std::pair<QColor, Rgb> cases[] = {
        {Common::appBackgroundColor(), {237, 237, 237}},   {Common::focusPaneColorBackground(), {240, 240, 240}},
        {Common::weekMonthViewColor(), {150, 150, 150}},   {Common::addNewViewColor(), {239, 239, 239}},
        {Common::commonBackgroundColor(), {249, 249, 249}}, {Common::selectedDayColor(), {170, 73, 73}},
    };
    int index = 0;
    for (const auto& [color, expected] : cases) expectRgb(color, expected, std::to_string(index++));
}

}  // namespace
