#include "NoteView.h"

NoteView::NoteView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

NoteView::~NoteView() = default;
