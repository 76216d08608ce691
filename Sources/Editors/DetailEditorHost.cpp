#include "DetailEditorHost.h"

DetailEditorHost::~DetailEditorHost() = default;

QRectF EditorRowGeometry::controlFrame(double x, double yFromTop, double width, double height, double rowHeight)
{
    return QRectF(x, rowHeight - yFromTop - height, width, height);
}
