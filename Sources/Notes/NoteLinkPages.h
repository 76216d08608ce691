#pragma once

#include "EditorPages.h"

// The notes subsystem's pages for the editor popover: the note editor, the
// Links page and the add-link page. The note details answer no view yet.
class NoteLinkPages : public NotePages {
public:
    EditorContent makeNoteView(const TaskPtr& note, View* positioningView, View* parentView) override;
    EditorContent makeNoteDetailView(const TaskPtr& note, View* parentView) override;
    EditorContent makeLinkDetailView(const TaskPtr& item, View* positioningView) override;
    EditorContent makeAddLinkView(const TaskPtr& item, View* positioningView, int previousViewType) override;

    // The one instance the shell installs.
    static NoteLinkPages& shared();
};
