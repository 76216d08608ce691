#pragma once

#include <QObject>
#include <QPointer>

class Popover;
class PopoverListView;
class View;

// Shows the category visibility popover. The popover and its view are made on
// first use and kept; the list stays empty until its subsystem fills it.
class CategoryShowHideViewController : public QObject {
    Q_OBJECT

public:
    explicit CategoryShowHideViewController(QObject* parent = nullptr);
    ~CategoryShowHideViewController() override;

    // Shows the popover below the view (nothing without a view).
    void categoryShowHideViewPopOverAtPositionView(View* view);

    Popover* popover() const { return m_popover; }
    PopoverListView* contentView() const;

private:
    Popover* m_popover = nullptr;
};
