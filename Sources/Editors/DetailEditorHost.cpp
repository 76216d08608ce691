#include "DetailEditorHost.h"

DetailEditorHost::~DetailEditorHost() = default;

QRectF EditorRowGeometry::controlFrame(double x, double yFromTop, double width, double height, double heightOfRow)
{
    return QRectF(x, heightOfRow - yFromTop - height, width, height);
}
