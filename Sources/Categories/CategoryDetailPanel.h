#pragma once

#include "Window.h"

class CategoryDetailView;

// The floating panel that shows one category's detail beside the main
// window; the category list makes it on first use and keeps it.
class CategoryDetailPanel : public Panel {
    Q_OBJECT

public:
    static constexpr double panelWidth = 340;

    // Sized to the main window's height (mainViewHeight), at most.
    explicit CategoryDetailPanel(const QRectF& contentRect = QRectF());
    ~CategoryDetailPanel() override;

    CategoryDetailView* categoryDetailView() const { return m_detailView; }
    // A key window also when no control needs the keyboard.
    bool becomesKeyOnlyIfNeeded() const { return m_becomesKeyOnlyIfNeeded; }
    void setBecomesKeyOnlyIfNeeded(bool onlyIfNeeded) { m_becomesKeyOnlyIfNeeded = onlyIfNeeded; }

private:
    CategoryDetailView* m_detailView = nullptr;
    bool m_becomesKeyOnlyIfNeeded = true;
};
