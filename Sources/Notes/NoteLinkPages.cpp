#include "NoteLinkPages.h"

#include "LinkDetailView.h"

#include <QPointer>

EditorContent NoteLinkPages::makeNoteView(const TaskPtr&, View*, View*)
{
    return {};
}

EditorContent NoteLinkPages::makeNoteDetailView(const TaskPtr&, View*)
{
    return {};
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

EditorContent NoteLinkPages::makeAddLinkView(const TaskPtr&, View*, int)
{
    return {};
}

NoteLinkPages& NoteLinkPages::shared()
{
    static NoteLinkPages pages;
    return pages;
}
