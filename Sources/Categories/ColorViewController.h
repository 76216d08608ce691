#pragma once

#include "PopoverViewController.h"

// What a view that opens the colour picker implements to take the colour
// picked: a palette position, group × 8 + colour (0 to 31).
class ColorReceiver {
public:
    virtual ~ColorReceiver();
    virtual void setColor(qint64 palettePosition) = 0;
};

// The colour picker's popover, above the clicked view. It never touches the
// main view's popup state, so it can open from inside another popover.
class ColorViewController : public PopoverViewController {
    Q_OBJECT

public:
    explicit ColorViewController(QObject* parent = nullptr);
    ~ColorViewController() override;

    // Shows a new picker beside the view (nothing without a view).
    void colorViewPopOverAtPositionView(View* view);

    // The view that asked for a colour; it gets setColor when it is a
    // ColorReceiver.
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }

    // The picked palette position goes to the parent view and the picker
    // closes; a parent that takes no colour changes nothing and the picker
    // stays open.
    void chooseColor(qint64 palettePosition);

protected:
    View* makeContentView(const QRectF& frame) override;

private:
    QPointer<View> m_parentView;
};
