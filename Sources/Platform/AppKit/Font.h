#pragma once

#include <QFont>
#include <QString>

// A font as the views name it: a face name and a size in PIXELS, fractions
// kept. The faces the code names are not installed on Linux; each maps to
// DejaVu Sans (bold or oblique where the name says so), and so does any name
// we do not know, with one log line per such name.
//
// Qt keeps no fractional pixel size: a QFont's size is rounded to a whole
// pixel when its face is loaded, whether set in pixels or in points (12.5 px
// would draw as 13). So a Font holds its face at a whole "base" pixel size
// and a scale: TextMeasure measures with the base face and scales the result,
// and Drawing::drawText scales the painter, so 12.5 px measures and draws as
// 12.5 px. A whole size is its own base, scale 1.
//
// Stock widgets (QLabel, QLineEdit) cannot scale their text: give them
// widgetFont(), the nearest whole pixel size.
class Font {
public:
    static constexpr qreal systemFontSize = 13.0;

    Font();  // the system font
    // A size that is not a positive number gives the system font size, logged.
    static Font fontWithName(const QString& name, qreal pixelSize);
    static Font systemFont(qreal pixelSize);
    static Font boldSystemFont(qreal pixelSize);

    const QString& name() const { return m_name; }  // as asked for
    qreal pixelSize() const { return m_pixelSize; }
    bool isBold() const { return m_base.bold(); }
    bool isItalic() const { return m_base.italic(); }
    QString family() const { return m_base.family(); }  // the installed face

    const QFont& baseFont() const { return m_base; }  // at a whole pixel size
    qreal baseScale() const { return m_scale; }       // pixelSize() / the base's pixel size
    QFont widgetFont() const;

    bool operator==(const Font& other) const
    {
        return m_pixelSize == other.m_pixelSize && m_base == other.m_base;
    }

private:
    Font(const QString& name, qreal pixelSize, bool bold, bool italic = false);

    QString m_name;
    qreal m_pixelSize;
    qreal m_scale = 1.0;
    QFont m_base;
};
