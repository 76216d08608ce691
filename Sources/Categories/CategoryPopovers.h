#pragma once

#include <QString>

class Popover;
class QObject;
class View;

namespace CategoryPopovers {

// Shows the popover below the view, making it first (owned by owner, with
// a list view under the title) when popover is null. No view shows
// nothing, logged.
void showBelow(Popover*& popover, QObject* owner, const QString& title, View* view);

}  // namespace CategoryPopovers
