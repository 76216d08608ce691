#include "DetailEditorHost.h"

#include "Task.h"

DetailEditorHost::~DetailEditorHost() = default;

Date DetailEditorHost::repeatEndAsShown(const Task& item) const
{
    return item.repeatEndDate();
}

QRectF EditorRowGeometry::controlFrame(double x, double yFromTop, double width, double height, double heightOfRow)
{
    return QRectF(x, heightOfRow - yFromTop - height, width, height);
}
