#include "Font.h"

#include <QDebug>
#include <QHash>
#include <QMutex>
#include <QSet>

#include <cmath>
#include <utility>
#include <vector>

namespace {

const QString installedFace = QStringLiteral("DejaVu Sans");
const QString systemFaceName = QStringLiteral("Lucida Grande");
const QString boldSystemFaceName = QStringLiteral("Lucida Grande Bold");

struct FaceStyle {
    bool bold = false;
    bool italic = false;
};

// The faces the views name, and which style of the installed face each is.
const QHash<QString, FaceStyle>& knownFaces()
{
    static const QHash<QString, FaceStyle> faces = {
        {systemFaceName, {}},
        {boldSystemFaceName, {true, false}},
        {QStringLiteral("Helvetica"), {}},
        {QStringLiteral("Helvetica Bold"), {true, false}},
        {QStringLiteral("Helvetica Neue Italic"), {false, true}},
    };
    return faces;
}

FaceStyle faceStyleFor(const QString& name)
{
    const auto known = knownFaces().constFind(name);
    if (known != knownFaces().constEnd()) return known.value();
    static QMutex mutex;
    static QSet<QString> reported;
    QMutexLocker lock(&mutex);
    if (!reported.contains(name)) {
        reported.insert(name);
        qWarning() << "No font face is known as" << name << "- drawing with" << installedFace;
    }
    return {};
}

qreal checkedSize(qreal pixelSize)
{
    if (std::isfinite(pixelSize) && pixelSize > 0 && pixelSize < 10000) return pixelSize;
    qWarning() << "A font size of" << pixelSize << "pixels is no size; using" << Font::systemFontSize;
    return Font::systemFontSize;
}

}  // namespace

// A copy of the shared system font: views hold a font from the start and
// are made by the hundred, and a font made afresh costs a face set-up.
Font::Font() : Font(systemFont(systemFontSize)) {}

Font::Font(const QString& name, qreal pixelSize, bool bold, bool italic) : m_name(name), m_pixelSize(checkedSize(pixelSize))
{
    // A fractional size is drawn from the face at four times the size (or
    // near it), scaled down: the base is then large enough that rounding its
    // metrics to Qt's 1/64 pixel costs nothing visible.
    const bool whole = m_pixelSize == std::round(m_pixelSize);
    const int basePixels = whole ? int(m_pixelSize) : std::max(1, int(std::lround(m_pixelSize * 4)));
    m_scale = m_pixelSize / basePixels;
    m_base.setFamilies({installedFace});
    m_base.setPixelSize(basePixels);
    m_base.setBold(bold);
    m_base.setItalic(italic);
}

Font Font::fontWithName(const QString& name, qreal pixelSize)
{
    // Views ask for the same few fonts hundreds of times a layout. Handing
    // out copies of one font per name and size makes them cheap to make and
    // quick to compare (equal fonts share their data), and the text caches
    // find them at once. Per thread: a font's data is not shared between
    // threads.
    struct Request {
        QString name;
        qreal pixelSize;
    };
    thread_local std::vector<std::pair<Request, Font>> made;
    constexpr size_t keptFonts = 32;
    for (const auto& [request, font] : made)
        if (request.pixelSize == pixelSize && request.name == name) return font;
    const FaceStyle style = faceStyleFor(name);
    Font font(name, pixelSize, style.bold, style.italic);
    if (made.size() >= keptFonts) made.erase(made.begin());
    made.push_back({Request{name, pixelSize}, font});
    return font;
}

Font Font::systemFont(qreal pixelSize)
{
    return fontWithName(systemFaceName, pixelSize);
}

Font Font::boldSystemFont(qreal pixelSize)
{
    return fontWithName(boldSystemFaceName, pixelSize);
}

QFont Font::widgetFont() const
{
    QFont font = m_base;
    font.setPixelSize(std::max(1, int(std::lround(m_pixelSize))));
    return font;
}
