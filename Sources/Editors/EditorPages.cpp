#include "EditorPages.h"

namespace {
EditorPages::TaskEditorMaker& taskEditorMakerSlot()
{
    static EditorPages::TaskEditorMaker maker;
    return maker;
}
EditorPages::RowReloader& rowReloaderSlot()
{
    static EditorPages::RowReloader reloader;
    return reloader;
}
NotePages* installedNotePages = nullptr;
}  // namespace

void EditorPages::setTaskEditorMaker(TaskEditorMaker maker)
{
    taskEditorMakerSlot() = std::move(maker);
}

const EditorPages::TaskEditorMaker& EditorPages::taskEditorMaker()
{
    return taskEditorMakerSlot();
}

void EditorPages::setRowReloader(RowReloader reloader)
{
    rowReloaderSlot() = std::move(reloader);
}

bool EditorPages::reloadRow(QWidget* parentView)
{
    const RowReloader& reloader = rowReloaderSlot();
    return parentView && reloader && reloader(parentView);
}

NotePages::~NotePages() = default;

NotePages* NotePages::current()
{
    return installedNotePages;
}

void NotePages::setCurrent(NotePages* pages)
{
    installedNotePages = pages;
}
