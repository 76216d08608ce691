#pragma once

#include "CustomNSView.h"
#include "Date.h"
#include "DraggingImageComponent.h"
#include "DropTarget.h"
#include "ModelTypes.h"

#include <QImage>

class ImageView;
class MonthCalendarView;
class QMimeData;
class TextField;

// One of the 48 cells of a month grid: a day (its number on a grey that says
// how busy the day is, a blue label for today, a dimmed number for days of
// other months, a red dot when tasks are due) or, in column 0, the week
// number. A click on a day selects it. A day cell also takes events, tasks
// and notes dragged from anywhere in the program and moves them to its day.
class MonthCellView : public CustomNSView, public DraggingDestination {
    Q_OBJECT

public:
    explicit MonthCellView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~MonthCellView() override;

    Date cellDate() const { return m_cellDate; }
    // Cut to midnight; the null date changes nothing.
    void setCellDate(const Date& date);
    int cellType() const { return m_cellType; }
    void setCellType(int cellType) { m_cellType = cellType; }
    int cellRow() const { return m_cellRow; }
    int cellCol() const { return m_cellCol; }
    void setCellPosition(int row, int column);
    // 0 a day, 1 the week number.
    int type() const { return m_type; }
    void setType(int type);
    bool gray() const { return m_gray; }
    // Also refreshes the look of the label (today, dimmed).
    void setGray(bool gray);
    bool hasDot() const { return m_hasDot; }
    void setHasDot(bool hasDot);
    double freeRatio() const { return m_freeRatio; }
    // Also sets the background to the ratio's grey.
    void setFreeRatio(double ratio);
    void setWeekNumber(int number);
    bool isToday() const;
    // The label's look again (today, dimmed): today moves at midnight.
    void refreshLabelLook();

    MonthCalendarView* parentView() const { return m_parentView; }
    void setParentView(MonthCalendarView* grid) { m_parentView = grid; }
    TextField* dayLabel() const { return m_dayLabel; }
    ImageView* dotView() const { return m_dotView; }

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;

    // Drops: only from inside the program, of a decodable item that is
    // not a checklist item and not shared; null when refused.
    static TaskPtr itemForDrop(const QMimeData& payload, bool fromThisProgram);
    unsigned draggingEntered(const DraggingInfo& info) override;
    unsigned draggingUpdated(const DraggingInfo& info) override;
    bool performDragOperation(const DraggingInfo& info) override;
    // The picture the cell gave the last item dragged over it (a running
    // drag keeps its first picture, so this one is for looking at).
    QImage dragImage() const { return m_dragImage; }
    // The three drop rules; false when the move was cancelled.
    bool changeTaskInfoByDrag(const TaskPtr& task);
    bool changeEventInfoByDrag(const TaskPtr& event);
    bool changeNoteInfoByDrag(const TaskPtr& note);

    // A task dropped on a day: its deadline moves there (its time of day
    // and its start's distance kept), or one without a deadline gets the
    // day's working end and an alert two days before; then it is saved and
    // pushed to the calendar store, as one unit. False when the save was
    // refused: the task is as it was, the person was told and `failureText`
    // logged.
    [[nodiscard]] static bool moveTaskToDay(const TaskPtr& task, const Date& day, const SettingPtr& setting,
                                            const char* failureText);
    // A note dropped on a day moves there at its time of day, saved as one
    // unit. False when the save was refused: the note is as it was, the
    // person was told and `failureText` logged.
    [[nodiscard]] static bool moveNoteToDay(const TaskPtr& note, const Date& day, const char* failureText);

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    bool inNavigator() const;

    Date m_cellDate;
    int m_cellType = 0;
    int m_cellRow = 0;
    int m_cellCol = 0;
    TextField* m_dayLabel = nullptr;
    bool m_gray = false;
    bool m_hasDot = false;
    ImageView* m_dotView = nullptr;
    double m_freeRatio = 0;
    MonthCalendarView* m_parentView = nullptr;
    int m_type = 0;
    QImage m_dragImage;
};
