#pragma once

#include "ShellHost.h"

// A delegate for the window controller's tests: a fixed screen and tray
// item, and counts of what the controller asked for.
class FakeShellHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override { return fullFrame ? fullSize : visibleSize; }
    QPointF statusItemPosition() const override { return position; }
    void statusItemNeedsDisplay() override { ++statusRedraws; }
    void activateIgnoringOtherApps() override { ++activations; }

    QSizeF fullSize = QSizeF(1280, 800);
    QSizeF visibleSize = QSizeF(1280, 776);
    QPointF position = QPointF(900, 778);
    int statusRedraws = 0;
    int activations = 0;
};
