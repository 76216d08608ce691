#pragma once

#include "CustomNSView.h"
#include "Date.h"
#include "DropTarget.h"
#include "ModelTypes.h"
#include "PlannerDropRules.h"

#include <QImage>
#include <QPointer>

class ActionLabelView;
class Menu;
class QMimeData;
class TextField;

// One day of a planner: a month planner cell, a week planner day header, a
// day column of the week band or of the hour grid. It shows the weekday and
// the day number (a click on the number goes to the day), offers a menu that
// makes an all-day event on its day, and takes dropped items, moving them to
// its day (and on the hour grid to the dropped time).
class PlannerCellView : public CustomNSView, public DraggingDestination {
    Q_OBJECT

public:
    explicit PlannerCellView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerCellView() override;

    bool isFlipped() const override { return true; }

    Date cellDate() const { return m_cellDate; }
    // Stores the day at 00:00; a new day makes the number a link to it when
    // the owner is a month or week planner.
    void setCellDate(const Date& date);
    View* parentView() const { return m_parentView; }
    void setParentView(View* owner) { m_parentView = owner; }
    bool isToday() const { return m_isToday; }

    void setTodayState(bool today);
    void setBlankInfo();
    void setDayName(const QString& name);
    void loadDayNumber();
    void grayOutDate(bool gray);
    // The day label spans the strip; the weekday label leaves a margin
    // round the today mark of the selected day.
    void placeLabels();

    TextField* dayName() const { return m_dayName; }
    ActionLabelView* day() const { return m_day; }

    Menu menuForEvent();
    void rightMouseDown(const Event& event) override;
    void createNewADE();

    // The item of a drop: from inside the program, decodable and not shared;
    // null otherwise.
    static TaskPtr itemForDrop(const QMimeData& payload, bool fromThisProgram);
    unsigned draggingEntered(const DraggingInfo& info) override;
    // Moving over the cell answers as entering did, without a new picture.
    unsigned draggingUpdated(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    // The picture the cell gave the last item dragged over it (a running
    // drag keeps its first picture, so this one is for looking at).
    QImage dragImage() const { return m_dragImage; }
    // The size of the picture of an item dragged over this cell.
    QSizeF dragImageSizeOf(const Task& item) const;

    bool changeNoteInfoByDrag(const TaskPtr& note);
    bool changeTaskInfoByDrag(const TaskPtr& task);
    bool convertTaskToSTaskByDrag(const TaskPtr& task, const PlannerDropRules::DropTime& time);
    void changeEventInfoByMoveInWeekPane(const TaskPtr& event, const PlannerDropRules::DropTime& time);
    void changeEventInfoByDrag(const TaskPtr& event);

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void paintDayNumber();
    bool ownerIsHourGrid() const;
    // Makes the cell's day the selected day of every view.
    void selectDropDay();
    // The dropped time on the hour grid from the dragged image's top edge.
    PlannerDropRules::DropTime dropTimeOf(const DraggingInfo& info) const;
    // Moves a repeating event after the question; the new times are set by
    // the caller's job before the chosen scope's command.
    void moveRepeatingEvent(const TaskPtr& event, const std::function<void()>& setTimes);

    Date m_cellDate;
    TextField* m_dayName = nullptr;
    ActionLabelView* m_day = nullptr;
    bool m_isToday = false;
    bool m_isGrayedOut = false;
    QPointer<View> m_parentView;
    QImage m_dragImage;
};
