#pragma once

#include "View.h"

class CategoryDetailView;

// The detail panel of one category, opened from the category list.
class CategoryDetailPanel : public View {
    Q_OBJECT

public:
    explicit CategoryDetailPanel(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryDetailPanel() override;

    CategoryDetailView* categoryDetailView() const { return m_detailView; }

private:
    CategoryDetailView* m_detailView = nullptr;
};
