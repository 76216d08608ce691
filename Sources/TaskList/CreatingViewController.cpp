#include "CreatingViewController.h"

#include "Button.h"
#include "View.h"

// Placeholder until the popover is built: it shows nothing yet.
CreatingViewController::CreatingViewController(Button* addNewBtn, QObject* parent)
    : QObject(parent), m_addNewBtn(addNewBtn)
{
}

CreatingViewController::~CreatingViewController() = default;

void CreatingViewController::showViewPopOverAtPositionView(View*, qint32) {}
