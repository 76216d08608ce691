#pragma once

#include "ModelTypes.h"

#include <QObject>
#include <QPointer>

class View;

// Opens the item editors in a popover beside the view that asks. Made on
// first use by the view that opens editors and kept by it.
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
};
