#pragma once

#include "PopoverViewController.h"

// The popover of the items with unread comments, from the main window's button.
class NotificationViewController : public PopoverViewController {
    Q_OBJECT

public:
    explicit NotificationViewController(QObject* parent = nullptr);
    ~NotificationViewController() override;

    // Shows a new content view beside the view (nothing without a view).
    void showNotificationViewPopOverAtPositionView(View* view);
protected:
    View* makeContentView(const QRectF& frame) override;
    void turnOffOpener() override;
};
