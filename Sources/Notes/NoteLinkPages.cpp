#include "NoteLinkPages.h"

#include "AddLinkView.h"
#include "LinkDetailView.h"
#include "NoteDetailView.h"
#include "NoteView.h"

#include <QPointer>

EditorContent NoteLinkPages::makeNoteView(const TaskPtr& note, View* positioningView, View* parentView)
{
    auto* editor = new NoteView(QRectF(0, 0, 280, 500));
    editor->loadDataFromNote(note);
    editor->setParentView(parentView ? parentView : positioningView);
    editor->contentView()->setRootView(positioningView);
    EditorContent content;
    content.view = editor;
    QPointer<NoteView> guarded(editor);
    content.revertInfo = [guarded] {
        if (guarded) guarded->revertInfo();
    };
    return content;
}

EditorContent NoteLinkPages::makeNoteDetailView(const TaskPtr& note, View* parentView)
{
    auto* page = new NoteDetailView(QRectF(0, 0, 280, 200));
    page->loadDataFromNote(note);
    page->setRootView(parentView);
    EditorContent content;
    content.view = page;
    content.anchor = parentView;
    content.revertInfo = [] {};
    return content;
}

EditorContent NoteLinkPages::makeLinkDetailView(const TaskPtr& item, View* positioningView)
{
    auto* page = new LinkDetailView(QRectF(0, 0, 280, 525));
    page->setParentView(positioningView);
    page->loadData(item);
    EditorContent content;
    content.view = page;
    QPointer<LinkDetailView> guarded(page);
    content.revertInfo = [guarded] {
        if (guarded) guarded->revertInfo();
    };
    return content;
}

EditorContent NoteLinkPages::makeAddLinkView(const TaskPtr& item, View* positioningView, int previousViewType)
{
    auto* page = new AddLinkView(QRectF(0, 0, 280, 525));
    page->loadCurrentData(item);
    page->setRootView(positioningView);
    page->setPreviousViewType(previousViewType);
    EditorContent content;
    content.view = page;
    return content;
}

NoteLinkPages& NoteLinkPages::shared()
{
    static NoteLinkPages pages;
    return pages;
}
