#pragma once

#include <QObject>
#include <QPointer>

class Popover;
class PopoverListView;
class View;

// Shows the popover of the items with new comments. The popover and its view
// are made on first use and kept; the list stays empty until its subsystem
// fills it.
class NotificationViewController : public QObject {
    Q_OBJECT

public:
    explicit NotificationViewController(QObject* parent = nullptr);
    ~NotificationViewController() override;

    // Shows the popover below the view (nothing without a view).
    void showNotificationViewPopOverAtPositionView(View* view);

    Popover* popover() const { return m_popover; }
    PopoverListView* contentView() const;

private:
    Popover* m_popover = nullptr;
};
