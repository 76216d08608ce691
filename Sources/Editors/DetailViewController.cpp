#include "DetailViewController.h"

#include "Task.h"
#include "View.h"

#include <QDebug>

DetailViewController::DetailViewController(QObject* parent) : QObject(parent) {}

DetailViewController::~DetailViewController() = default;

void DetailViewController::editTask(const TaskPtr& item, View* positioningView)
{
    if (!item) {
        qWarning() << "An editor was asked for without an item";
        return;
    }
    keep(item->taskType() == 1 ? Request::TaskEditor : Request::EventEditor, item, positioningView, nullptr);
}

void DetailViewController::detailLink(const TaskPtr& item, View* positioningView)
{
    if (!item) {
        qWarning() << "A link list was asked for without an item";
        return;
    }
    keep(Request::Links, item, positioningView, nullptr);
}

void DetailViewController::editNote(const TaskPtr& note, View* positioningView, View* parent)
{
    if (!note) {
        qWarning() << "A note editor was asked for without a note";
        return;
    }
    keep(Request::NoteEditor, note, positioningView, parent);
}

void DetailViewController::keep(Request request, const TaskPtr& item, View* positioningView, View* parent)
{
    m_lastRequest = LastRequest{request, item, positioningView, parent};
    ++m_requestCount;
    qInfo().noquote() << "The item editors come later; asked for" << static_cast<int>(request) << "of item"
                      << item->primaryKey();
}
