#pragma once

#include <QList>

// One palette colour as the drawing code takes it: nine components in 0..1,
// red, green, blue of shade 0 (darkest), then of shade 1, then of shade 2
// (positions 0-2, 3-5, 6-8). A new object holds no components; an object
// whose arrayOfRGB is empty stands for "no palette colour" (a group outside
// the palette) and should be drawn as nothing rather than read.
// A plain value: a copy is independent of the object it was made from.
class ColorObject {
public:
    static constexpr qsizetype componentCount = 9;

    const QList<float>& arrayOfRGB() const { return m_arrayOfRGB; }
    QList<float>& arrayOfRGB() { return m_arrayOfRGB; }
    void setArrayOfRGB(const QList<float>& components) { m_arrayOfRGB = components; }

    bool isEmpty() const { return m_arrayOfRGB.isEmpty(); }

private:
    QList<float> m_arrayOfRGB;
};
