#pragma once

#include "View.h"

// The note editor's view; it posts "Task changed" with itself as object after
// an edit.
class NoteView : public View {
    Q_OBJECT

public:
    explicit NoteView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NoteView() override;
};
