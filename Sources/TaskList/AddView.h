#pragma once

#include "View.h"

class SegmentedControl;

// The add form of the quick-add bar: a switch between the editors of a new
// event, task, note or project, and the note input mode.
class AddView : public View {
    Q_OBJECT

public:
    // The tags of menuSegmentedControl()'s segments.
    enum EditorTag { EventEditor = 0, TaskEditor = 1, NoteEditor = 2, ProjectEditor = 3 };

    explicit AddView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~AddView() override;

    void setIsQuickAdd(bool quickAdd) { m_isQuickAdd = quickAdd; }
    bool isQuickAdd() const { return m_isQuickAdd; }

    // Switches the note input mode (on and off).
    void changeModeNote();
    bool isNoteMode() const { return m_noteMode; }

    SegmentedControl* menuSegmentedControl() const { return m_menuSegmentedControl; }
    // Shows the editor of the selected segment: shownEditor() becomes its
    // tag, -1 while no segment is selected.
    void menuControl(QObject* sender);
    int shownEditor() const { return m_shownEditor; }

private:
    bool m_isQuickAdd = false;
    bool m_noteMode = false;
    int m_shownEditor = -1;
    SegmentedControl* m_menuSegmentedControl = nullptr;
};
