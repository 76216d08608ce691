#pragma once

#include "Window.h"

// The About panel: the product's name and version. The main window shows it
// as a child window of its own.
class AboutUsPanel : public Panel {
    Q_OBJECT

public:
    AboutUsPanel();
    ~AboutUsPanel() override;
};
