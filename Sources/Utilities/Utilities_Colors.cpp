#include "Utilities.h"

#include "Color.h"

#include <QDebug>

#include <algorithm>
#include <array>

namespace {

constexpr qint64 kGroupCount = 4;
constexpr qint64 kColorsPerGroup = 8;
constexpr qint64 kShadeCount = 3;
constexpr qint64 kPaletteSize = kGroupCount * kColorsPerGroup;

// Shades 0 (darkest) to 2 (lightest) of each colour, one table per group.
constexpr quint8 kShades[kGroupCount][kColorsPerGroup][kShadeCount][3] = {
    {
        {{8, 126, 174}, {13, 151, 207}, {15, 161, 220}},  // 0
        {{190, 109, 0}, {239, 148, 27}, {255, 160, 36}},  // 1
        {{141, 111, 71}, {176, 147, 110}, {190, 162, 126}},  // 2
        {{97, 139, 11}, {144, 196, 0}, {153, 201, 21}},  // 3
        {{174, 159, 113}, {186, 171, 126}, {187, 172, 128}},  // 4
        {{122, 54, 122}, {171, 86, 171}, {185, 95, 185}},  // 5
        {{112, 87, 112}, {127, 99, 127}, {164, 137, 164}},  // 6
        {{134, 90, 90}, {167, 128, 128}, {182, 145, 145}},  // 7
    },
    {
        {{41, 82, 163}, {76, 117, 198}, {92, 133, 214}},  // 0
        {{177, 68, 14}, {229, 106, 46}, {239, 114, 52}},  // 1
        {{147, 147, 37}, {168, 169, 41}, {201, 201, 96}},  // 2
        {{13, 120, 19}, {21, 189, 30}, {23, 211, 33}},  // 3
        {{136, 136, 14}, {173, 173, 24}, {214, 214, 19}},  // 4
        {{82, 41, 163}, {109, 61, 206}, {133, 92, 214}},  // 5
        {{128, 101, 180}, {151, 126, 200}, {173, 150, 219}},  // 6
        {{106, 106, 106}, {136, 136, 136}, {162, 161, 161}},  // 7
    },
    {
        {{6, 6, 181}, {24, 24, 211}, {52, 52, 245}},  // 0
        {{163, 41, 41}, {202, 80, 80}, {214, 92, 92}},  // 1
        {{88, 65, 21}, {123, 91, 28}, {152, 112, 33}},  // 2
        {{42, 105, 73}, {15, 139, 109}, {3, 150, 124}},  // 3
        {{171, 139, 0}, {210, 177, 101}, {240, 217, 167}},  // 4
        {{74, 113, 108}, {97, 139, 134}, {112, 168, 162}},  // 5
        {{177, 54, 95}, {203, 100, 134}, {213, 118, 150}},  // 6
        {{64, 63, 63}, {91, 91, 91}, {115, 115, 115}},  // 7
    },
    {
        {{0, 52, 105}, {0, 65, 129}, {4, 83, 162}},  // 0
        {{81, 28, 22}, {103, 41, 35}, {118, 51, 44}},  // 1
        {{62, 39, 17}, {114, 80, 46}, {145, 104, 63}},  // 2
        {{32, 101, 36}, {47, 143, 51}, {56, 175, 63}},  // 3
        {{141, 120, 31}, {168, 144, 62}, {186, 161, 51}},  // 4
        {{27, 136, 122}, {45, 196, 176}, {51, 215, 193}},  // 5
        {{88, 57, 72}, {100, 69, 84}, {110, 79, 94}},  // 6
        {{2, 2, 2}, {47, 47, 47}, {76, 76, 76}},  // 7
    },
};

// The colours the nearest-colour rule compares with, by palette position.
constexpr quint8 kNearestReferences[kPaletteSize][3] = {
    {13, 151, 207},  // 0
    {239, 148, 27},  // 1
    {176, 147, 110},  // 2
    {144, 196, 0},  // 3
    {186, 171, 126},  // 4
    {171, 86, 171},  // 5
    {127, 99, 127},  // 6
    {167, 128, 128},  // 7
    {76, 117, 198},  // 8
    {229, 106, 46},  // 9
    {168, 169, 41},  // 10
    {21, 189, 30},  // 11
    {203, 203, 20},  // 12
    {109, 61, 206},  // 13
    {151, 126, 200},  // 14
    {136, 136, 136},  // 15
    {24, 24, 211},  // 16
    {202, 80, 80},  // 17
    {123, 91, 28},  // 18
    {15, 139, 109},  // 19
    {210, 177, 101},  // 20
    {97, 139, 134},  // 21
    {203, 100, 134},  // 22
    {91, 91, 91},  // 23
    {0, 65, 129},  // 24
    {103, 41, 35},  // 25
    {114, 80, 46},  // 26
    {47, 143, 51},  // 27
    {168, 144, 62},  // 28
    {45, 196, 176},  // 29
    {100, 69, 84},  // 30
    {47, 47, 47},  // 31
};

constexpr qint64 kWebIntegers[kPaletteSize] = {
    0x18A4DC,  // 1615068, position 0
    0xFFA024,  // 16752676, position 1
    0xBEA27E,  // 12493438, position 2
    0xAEE100,  // 11460864, position 3
    0xBBAC80,  // 12299392, position 4
    0xB95FB9,  // 12148665, position 5
    0xA489A4,  // 10783140, position 6
    0xB69191,  // 11964817, position 7
    0x5C85D6,  // 6063574, position 8
    0xEF7234,  // 15692340, position 9
    0xA8A86B,  // 11053163, position 10
    0x17D321,  // 1561377, position 11
    0xE3E316,  // 14934806, position 12
    0x855CD6,  // 8740054, position 13
    0xAD96DB,  // 11376347, position 14
    0xA2A1A1,  // 10658209, position 15
    0x3434F5,  // 3421429, position 16
    0xD65C5C,  // 14048348, position 17
    0x987021,  // 9990177, position 18
    0x108E78,  // 1085048, position 19
    0xFFD414,  // 16765972, position 20
    0x70A8A2,  // 7383202, position 21
    0xD57696,  // 13989526, position 22
    0x737373,  // 7566195, position 23
    0x115192,  // 1134994, position 24
    0x76332C,  // 7746348, position 25
    0x91683F,  // 9529407, position 26
    0x38AF3F,  // 3714879, position 27
    0xBAA133,  // 12230963, position 28
    0x33D7C1,  // 3397569, position 29
    0x6E4F5E,  // 7229278, position 30
    0x4C4C4C,  // 5000268, position 31
};

bool isPaletteGroup(qint64 group)
{
    return group >= 0 && group < kGroupCount;
}

qint64 clampColorID(qint64 colorID)
{
    return std::clamp<qint64>(colorID, 0, kColorsPerGroup - 1);
}

qint64 clampShade(qint64 shade)
{
    return std::clamp<qint64>(shade, 0, kShadeCount - 1);
}

QColor rgb255Of(const quint8 (&rgb)[3])
{
    return Color::calibratedRGB(rgb[0] / 255.0, rgb[1] / 255.0, rgb[2] / 255.0);
}

struct HSBF {
    double hue;
    double saturation;
    double brightness;
};

HSBF hsbOf(const QColor& color)
{
    const Color::HSB hsb = Color::hsb(color);
    return {hsb.hue, hsb.saturation, hsb.brightness};
}

// The references never change, so their hue, saturation and brightness are
// worked out once rather than at every look-up.
const std::array<HSBF, kPaletteSize>& referenceHSB()
{
    static const std::array<HSBF, kPaletteSize> table = [] {
        std::array<HSBF, kPaletteSize> result{};
        for (qint64 pos = 0; pos < kPaletteSize; ++pos) result[pos] = hsbOf(rgb255Of(kNearestReferences[pos]));
        return result;
    }();
    return table;
}

// Colours synced from the calendar store were matched with this exact
// arithmetic before, so it is kept to the letter: each difference rounded to
// single precision, the sum in single precision, and the hue compared as a
// plain number (0.99 and 0.01 are 0.98 apart, not 0.02).
float distance(const HSBF& a, const HSBF& b)
{
    const float hue = float(a.hue - b.hue);
    const float saturation = float(a.saturation - b.saturation);
    const float brightness = float(a.brightness - b.brightness);
    return hue * hue + saturation * saturation + brightness * brightness;
}

}  // namespace

ColorObject Utilities::colorInGroup(qint64 group, qint64 colorID)
{
    ColorObject color;
    if (!isPaletteGroup(group)) return color;
    const auto& shades = kShades[group][clampColorID(colorID)];
    QList<float>& components = color.arrayOfRGB();
    components.reserve(ColorObject::componentCount);
    for (const auto& shade : shades)
        for (quint8 component : shade) components.append(float(component) / 255.0f);
    return color;
}

QColor Utilities::getColorInGroupID(qint64 group, qint64 colorID, qint64 pos)
{
    if (!isPaletteGroup(group)) return QColor();
    return rgb255Of(kShades[group][clampColorID(colorID)][clampShade(pos)]);
}

qint64 Utilities::getHexColor(qint64 group, qint64 name)
{
    const qint64 clampedGroup = std::clamp<qint64>(group, 0, kGroupCount - 1);
    return kWebIntegers[clampedGroup * kColorsPerGroup + clampColorID(name)];
}

QColor Utilities::getReferenceColor(qint64 group, qint64 name)
{
    const qint64 clampedGroup = std::clamp<qint64>(group, 0, kGroupCount - 1);
    return rgb255Of(kNearestReferences[clampedGroup * kColorsPerGroup + clampColorID(name)]);
}

void Utilities::getGroup(qint64& group, qint64& name, qint64 intValueColor)
{
    const auto* found = std::find(std::begin(kWebIntegers), std::end(kWebIntegers), intValueColor);
    const qint64 pos = found == std::end(kWebIntegers) ? 0 : found - std::begin(kWebIntegers);
    group = pos / kColorsPerGroup;
    name = pos % kColorsPerGroup;
}

qint64 Utilities::getClosestColorPosWithColor(const QColor& color)
{
    if (!color.isValid()) {
        qWarning("An invalid colour has no nearest palette colour; the first one is used.");
        return 0;
    }
    const HSBF wanted = hsbOf(color);
    const auto& references = referenceHSB();
    float best = 100000000.0f;
    qint64 bestPos = -1;
    for (qint64 pos = 0; pos < kPaletteSize; ++pos) {
        const float d = distance(wanted, references[pos]);
        if (d < best) {
            best = d;
            bestPos = pos;
        }
    }
    return bestPos;
}
