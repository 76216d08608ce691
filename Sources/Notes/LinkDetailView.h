#pragma once

#include "View.h"

// The links page of an item; it posts "Task changed" with itself as object
// after a link is changed.
class LinkDetailView : public View {
    Q_OBJECT

public:
    explicit LinkDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkDetailView() override;
};
