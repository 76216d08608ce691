#include "AddLinkView.h"

AddLinkView::AddLinkView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

AddLinkView::~AddLinkView() = default;
