#include "LinkDetailView.h"

LinkDetailView::LinkDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

LinkDetailView::~LinkDetailView() = default;
