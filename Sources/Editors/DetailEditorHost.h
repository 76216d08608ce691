#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QList>
#include <QRectF>

class DetailRow;
class View;

// What the alert rows and the repeat-rule rows need of the editor they sit
// in. Both item editors implement it, so the rows are written once.
class DetailEditorHost {
public:
    virtual ~DetailEditorHost();

    // The view the rows are added to.
    virtual View* formView() = 0;
    // Every row of the editor, top to bottom; updateView stacks them.
    virtual QList<DetailRow*>& allRowView() = 0;
    // The URL row, which follows the alert block.
    virtual DetailRow* urlRow() const = 0;
    // 0 add form, 1 edit form of a stored item.
    virtual int type() const = 0;
    virtual TaskPtr task() const = 0;
    virtual bool isRevertShown() const = 0;
    virtual void showRevert() = 0;
    virtual void updateView() = 0;
    // The date of the editor's start control (the event's start, the
    // task's due date).
    virtual Date startDate() const = 0;
    // The item's repeat end on the clock the editor shows its start on.
    virtual Date repeatEndAsShown(const Task& item) const;
};

// The rows of the editors are 19 high and take their controls' frames as
// the editors lay them out, from the row's top down; a row itself is not
// flipped, so the frame is turned here.
namespace EditorRowGeometry {
constexpr double rowHeight = 19;
QRectF controlFrame(double x, double yFromTop, double width, double height, double heightOfRow = rowHeight);
}  // namespace EditorRowGeometry
