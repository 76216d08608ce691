#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

// Text measuring for views that size rows and labels to their text.
namespace StringExtensions {

// The given width and the height the text needs when wrapped to it (no
// padding); line breaks in the text start new lines.
QSizeF sizeWithWidth(const QString& text, float width, const QFont& font);
// The width of the text set in one line.
double widthWithFont(const QString& text, const QFont& font);

}  // namespace StringExtensions
