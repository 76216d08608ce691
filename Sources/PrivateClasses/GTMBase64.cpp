#include "GTMBase64.h"

#include <array>

namespace {

constexpr char kWebSafeCharset[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr char kPaddingChar = '=';

// Decode table entries besides the 6-bit values.
constexpr qint8 kInvalid = -1;
constexpr qint8 kSkip = -2;
constexpr qint8 kPadding = -3;

using DecodeTable = std::array<qint8, 256>;

constexpr DecodeTable makeDecodeTable(const char* charset)
{
    DecodeTable table{};
    table.fill(kInvalid);
    for (qint8 value = 0; value < 64; ++value)
        table[static_cast<unsigned char>(charset[value])] = value;
    for (unsigned char c : {9, 10, 11, 12, 13, 32, 160, 255})
        table[c] = kSkip;
    table[static_cast<unsigned char>(kPaddingChar)] = kPadding;
    return table;
}

constexpr DecodeTable kWebSafeDecodeTable = makeDecodeTable(kWebSafeCharset);

qsizetype encodedLength(qsizetype byteCount, bool padded)
{
    if (padded) return (byteCount + 2) / 3 * 4;
    return (byteCount * 8 + 5) / 6;
}

std::optional<QString> baseEncode(const QByteArray& data, const char* charset, bool padded)
{
    if (data.isEmpty()) return std::nullopt;

    const qsizetype length = encodedLength(data.size(), padded);
    QByteArray out;
    out.reserve(length);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = data.size();
    qsizetype i = 0;
    for (; i + 3 <= size; i += 3) {
        const quint32 group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out.append(charset[(group >> 18) & 0x3F]);
        out.append(charset[(group >> 12) & 0x3F]);
        out.append(charset[(group >> 6) & 0x3F]);
        out.append(charset[group & 0x3F]);
    }
    const qsizetype left = size - i;
    if (left > 0) {
        const quint32 group = (bytes[i] << 16) | (left == 2 ? bytes[i + 1] << 8 : 0);
        out.append(charset[(group >> 18) & 0x3F]);
        out.append(charset[(group >> 12) & 0x3F]);
        if (left == 2) out.append(charset[(group >> 6) & 0x3F]);
        if (padded) out.append(left == 2 ? 1 : 2, kPaddingChar);
    }
    Q_ASSERT_X(out.size() == length, "GTMBase64", "how did we calc the length wrong?");
    return QString::fromLatin1(out);
}

// After the first "=" of a group that held two characters, a second "=" must
// come; after the padding only skipped bytes may stand. NUL ends the input.
bool paddingTailIsValid(const char* src, qsizetype length, qsizetype pos, int charsInGroup,
                        const DecodeTable& table)
{
    bool needSecondPad = charsInGroup == 2;
    for (; pos < length && src[pos] != '\0'; ++pos) {
        const qint8 value = table[static_cast<unsigned char>(src[pos])];
        if (value == kSkip) continue;
        if (value == kPadding && needSecondPad) {
            needSecondPad = false;
            continue;
        }
        return false;
    }
    return !needSecondPad;
}

std::optional<QByteArray> baseDecode(const QByteArray& text, const DecodeTable& table)
{
    const char* src = text.constData();
    const qsizetype length = text.size();
    QByteArray out;
    out.reserve(length / 4 * 3 + 2);

    quint32 accumulator = 0;
    int charsInGroup = 0;
    for (qsizetype pos = 0; pos < length && src[pos] != '\0'; ++pos) {
        const qint8 value = table[static_cast<unsigned char>(src[pos])];
        if (value == kSkip) continue;
        if (value == kInvalid) return std::nullopt;
        if (value == kPadding) {
            if (charsInGroup < 2 || !paddingTailIsValid(src, length, pos + 1, charsInGroup, table))
                return std::nullopt;
            break;
        }
        accumulator = (accumulator << 6) | static_cast<quint32>(value);
        if (++charsInGroup == 4) {
            out.append(static_cast<char>(accumulator >> 16));
            out.append(static_cast<char>(accumulator >> 8));
            out.append(static_cast<char>(accumulator));
            accumulator = 0;
            charsInGroup = 0;
        }
    }

    switch (charsInGroup) {
    case 1:
        return std::nullopt;
    case 2:  // 12 bits: one byte and 4 spare bits that must be zero
        if (accumulator & 0xF) return std::nullopt;
        out.append(static_cast<char>(accumulator >> 4));
        break;
    case 3:  // 18 bits: two bytes and 2 spare bits that must be zero
        if (accumulator & 0x3) return std::nullopt;
        out.append(static_cast<char>(accumulator >> 10));
        out.append(static_cast<char>(accumulator >> 2));
        break;
    default:
        break;
    }
    if (out.isEmpty()) return std::nullopt;
    return out;
}

}  // namespace

std::optional<QString> GTMBase64::stringByWebSafeEncodingData(const QByteArray& data, bool padded)
{
    return baseEncode(data, kWebSafeCharset, padded);
}

std::optional<QByteArray> GTMBase64::webSafeDecodeString(const QString& string)
{
    for (QChar c : string) {
        if (c.unicode() > 0x7F) return std::nullopt;
    }
    return baseDecode(string.toLatin1(), kWebSafeDecodeTable);
}
