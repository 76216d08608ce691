#pragma once

#include "Window.h"

class CategoryDetailView;

// The floating panel that shows one category's detail beside the main
// window; the category list makes it on first use and keeps it. It is its
// own delegate: its close button reverts the category, and it sizes its
// view when the user resizes it. Only its height can change, from 170 to
// the main window's height.
class CategoryDetailPanel : public Panel, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr double panelWidth = 350;
    static constexpr double builtHeight = 400;
    static constexpr double minimumHeight = 170;

    CategoryDetailPanel();
    ~CategoryDetailPanel() override;

    // Where the panel opens beside a window (our coordinates): its top level
    // with the window's, on the window's left when the area has room there,
    // else on its right, kept inside the area.
    static QRectF frameBeside(const QRectF& window, const QSizeF& size, const QRectF& area);
    // The panel's frame for content of a new height: the top edge stays
    // where it is (the rows under the pointer stay there), and the panel
    // ends at the area's bottom rather than sliding up; never below the
    // least height.
    static QRectF frameForHeight(const QRectF& old, double height, double leastHeight, const QRectF& area);

    CategoryDetailView* categoryDetailView() const { return m_detailView; }
    // A key window also when no control needs the keyboard.
    bool becomesKeyOnlyIfNeeded() const { return m_becomesKeyOnlyIfNeeded; }
    void setBecomesKeyOnlyIfNeeded(bool onlyIfNeeded) { m_becomesKeyOnlyIfNeeded = onlyIfNeeded; }

    // The detail view takes the keyboard now and again when the panel
    // becomes key (the activation restores the field that had it last).
    void makeDetailViewFirstResponder();

    bool windowShouldClose(Window* window) override;
    void windowDidBecomeKey(Window* window) override;
    void windowWillClose(Window* window) override;
    void windowDidResize(Window* window) override;
    void windowDidResignKey(Window* window) override;

private:
    CategoryDetailView* m_detailView = nullptr;
    bool m_becomesKeyOnlyIfNeeded = true;
    bool m_detailViewTakesKeys = false;
};
