#pragma once

#include "VRLPopoverWindow.h"

#include <QObject>
#include <QPointer>

#include <memory>

// A light popover: one view in a drawn bubble, shown as a child window of a
// parent window with a chosen attachment point of the bubble laid on a point
// of the parent, and faded in and out. Made once and reused: closed means
// ordered out with alpha 1, still configured. The popover owns its view.
class VRLPopover : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    // The length of a fade, before the kit's animation scale (tests set 0).
    static constexpr double fadeSeconds = 0.25;

    // Null shows an empty view of 100 × 100.
    explicit VRLPopover(View* contentView = nullptr, QObject* parent = nullptr);
    ~VRLPopover() override;

    View* contentView() const { return m_contentView; }
    VRLPopoverWindow* popoverWindow() const { return m_popoverWindow.get(); }
    bool isVisible() const { return m_popoverWindow->isVisible(); }

    // `point` is in the parent's window coordinates (our screen coordinates
    // without a parent). Does nothing while shown.
    void displayPopoverInWindow(Window* parentWindow, const QPointF& point, bool chooseBestLocation = false);
    // Does nothing while not shown.
    void closePopover();
    int bestPositionInWindow(Window* parentWindow, const QPointF& point) const;

    bool animates() const { return m_animates; }
    void setAnimates(bool animates) { m_animates = animates; }
    // Whether showing makes the popover the key window (the default). One
    // that lists suggestions for a field leaves the keyboard with the field:
    // its window is shown without being activated.
    bool becomesKeyWhenShown() const { return m_becomesKeyWhenShown; }
    void setBecomesKeyWhenShown(bool becomesKey);
    bool closesWhenPopoverResignsKey() const { return m_closesWhenPopoverResignsKey; }
    void setClosesWhenPopoverResignsKey(bool closes) { m_closesWhenPopoverResignsKey = closes; }
    bool closesWhenApplicationBecomesInactive() const { return m_closesWhenApplicationBecomesInactive; }
    void setClosesWhenApplicationBecomesInactive(bool closes) { m_closesWhenApplicationBecomesInactive = closes; }

    // The window's appearance under the popover's names.
    int position() const { return m_popoverWindow->popoverPosition(); }
    void setPosition(int position) { m_popoverWindow->setPopoverPosition(position); }
    QColor backgroundColor() const { return m_popoverWindow->popoverBackgroundColor(); }
    void setBackgroundColor(const QColor& color) { m_popoverWindow->setPopoverBackgroundColor(color); }
    double distance() const { return m_popoverWindow->distance(); }
    void setDistance(double distance) { m_popoverWindow->setDistance(distance); }
    QColor borderColor() const { return m_popoverWindow->borderColor(); }
    void setBorderColor(const QColor& color) { m_popoverWindow->setBorderColor(color); }
    double borderWidth() const { return m_popoverWindow->borderWidth(); }
    void setBorderWidth(double width) { m_popoverWindow->setBorderWidth(width); }
    double cornerRadius() const { return m_popoverWindow->cornerRadius(); }
    void setCornerRadius(double radius) { m_popoverWindow->setCornerRadius(radius); }
    bool drawsArrow() const { return m_popoverWindow->drawsArrow(); }
    void setDrawsArrow(bool draws) { m_popoverWindow->setDrawsArrow(draws); }
    double arrowWidth() const { return m_popoverWindow->arrowWidth(); }
    void setArrowWidth(double width) { m_popoverWindow->setArrowWidth(width); }
    double arrowHeight() const { return m_popoverWindow->arrowHeight(); }
    void setArrowHeight(double height) { m_popoverWindow->setArrowHeight(height); }
    bool drawRoundCornerBesideArrow() const { return m_popoverWindow->drawRoundCornerBesideArrow(); }
    void setDrawRoundCornerBesideArrow(bool draws) { m_popoverWindow->setDrawRoundCornerBesideArrow(draws); }
    double viewMargin() const { return m_popoverWindow->viewMargin(); }
    void setViewMargin(double margin) { m_popoverWindow->setViewMargin(margin); }
    bool isMovable() const { return m_popoverWindow->isMovable(); }
    void setMovable(bool movable) { m_popoverWindow->setMovable(movable); }
    bool isResizable() const { return m_popoverWindow->isResizable(); }
    void setResizable(bool resizable) { m_popoverWindow->setResizable(resizable); }

    // WindowDelegate: closes when the switch is on.
    void windowDidResignKey(Window* window) override;

    // Raises a list shown without focus once it is on screen.
    bool eventFilter(QObject* watched, QEvent* event) override;

    void applicationDidResignActive();

private:
    QPointer<View> m_contentView;
    std::unique_ptr<VRLPopoverWindow> m_popoverWindow;
    bool m_animates = true;
    bool m_becomesKeyWhenShown = true;
    bool m_raiseWhenExposed = false;
    bool m_closesWhenPopoverResignsKey = false;
    bool m_closesWhenApplicationBecomesInactive = false;
};
