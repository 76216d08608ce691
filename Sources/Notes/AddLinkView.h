#pragma once

#include "View.h"

// The form that links an item to others; it posts "Task changed" with
// itself as object after a link is added.
class AddLinkView : public View {
    Q_OBJECT

public:
    explicit AddLinkView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~AddLinkView() override;
};
