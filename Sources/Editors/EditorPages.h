#pragma once

#include "ModelTypes.h"

#include <QPointer>

#include <functional>

class QWidget;
class View;

// A page made for the editor popover: the view (the popover takes it over),
// what undoes its unsaved changes when the popover closes, and where the
// popover stands (none: beside the view that asked).
struct EditorContent {
    View* view = nullptr;
    std::function<void()> revertInfo;
    View* anchor = nullptr;
};

// The pages the popover controller shows but other subsystems build: the
// task editor, and the notes subsystem's note and link pages. Each is
// installed once at start-up; until it is, the controller has no page for
// that open and shows nothing.
class EditorPages {
public:
    // Makes the task editor (280 × 100 at first), set to edit (type 1),
    // loaded with the item and told the positioning view as its parent.
    using TaskEditorMaker = std::function<EditorContent(const TaskPtr& item, View* positioningView)>;
    static void setTaskEditorMaker(TaskEditorMaker maker);
    static const TaskEditorMaker& taskEditorMaker();

    // Reloads a task-list row an editor was opened from; answers false for
    // any other view. The task list installs it, since the editors do not
    // know its rows.
    using RowReloader = std::function<bool(QWidget* parentView)>;
    static void setRowReloader(RowReloader reloader);
    static bool reloadRow(QWidget* parentView);
};

// What the notes subsystem builds for the controller (see docs/editors.md).
class NotePages {
public:
    virtual ~NotePages();
    // The note editor (280 × 500) beside a note-list row or any view that is
    // not a note's text pane.
    virtual EditorContent makeNoteView(const TaskPtr& note, View* positioningView, View* parentView) = 0;
    // The note's details (280 × 200) from its own text pane, anchored at
    // the parent view.
    virtual EditorContent makeNoteDetailView(const TaskPtr& note, View* parentView) = 0;
    // The item's links (280 × 525).
    virtual EditorContent makeLinkDetailView(const TaskPtr& item, View* positioningView) = 0;
    // The add-link page (280 × 525); the previous type lets it return to
    // the page that opened it.
    virtual EditorContent makeAddLinkView(const TaskPtr& item, View* positioningView, int previousViewType) = 0;

    static NotePages* current();
    // Installs the pages (not owned); null removes them.
    static void setCurrent(NotePages* pages);
};
