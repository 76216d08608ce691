#pragma once

#include "ModelTypes.h"

#include <QObject>
#include <QPointer>

class View;

// Opens the item editors in a popover beside the view that asks. Made on
// first use by the view that opens editors and kept by it.
//
// The editors themselves are not written yet: the controller keeps the last
// request (which editor, the item, the views) so that callers and tests can
// see what was asked, logs it, and shows nothing.
class DetailViewController : public QObject {
    Q_OBJECT

public:
    explicit DetailViewController(QObject* parent = nullptr);
    ~DetailViewController() override;

    // The task editor for a task (taskType 1), else the event editor.
    void editTask(const TaskPtr& item, View* positioningView);
    // The item's editor on its links page.
    void detailLink(const TaskPtr& item, View* positioningView);
    void editNote(const TaskPtr& note, View* positioningView, View* parent);

    enum class Request { None, TaskEditor, EventEditor, Links, NoteEditor };
    struct LastRequest {
        Request request = Request::None;
        TaskPtr item;
        QPointer<View> positioningView;
        QPointer<View> parentView;
    };
    // The last request; Request::None before the first.
    const LastRequest& lastRequest() const { return m_lastRequest; }
    // How many requests came so far.
    int requestCount() const { return m_requestCount; }

private:
    void keep(Request request, const TaskPtr& item, View* positioningView, View* parent);

    LastRequest m_lastRequest;
    int m_requestCount = 0;
};
