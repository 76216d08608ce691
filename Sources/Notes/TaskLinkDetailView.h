#pragma once

#include "InlineItemLinkRow.h"

class HourAndMinute;
class PopUpButton;
class TextField;

// A linked task edited in place inside a link list: its title, duration,
// start and due date, and the bar. It edits the task it was given and
// stores only on done, with the task editor's follow-up steps.
class TaskLinkDetailView : public InlineItemLinkRow {
    Q_OBJECT

public:
    explicit TaskLinkDetailView(const QRectF& frame = QRectF(0, 0, 280, 110.8), QWidget* parent = nullptr);
    ~TaskLinkDetailView() override;

    PopUpButton* durationBtn() const { return m_durationBtn; }
    HourAndMinute* durationOther() const { return m_durationOther; }
    CustomNSDatePicker* startTextField() const { return m_startTextField; }
    Button* hasDueBtn() const { return m_hasDueBtn; }
    CustomNSDatePicker* dueTextField() const { return m_dueTextField; }
    TextField* noneBtn() const { return m_noneBtn; }
    TaskPtr task() const { return m_task; }
    void setTask(const TaskPtr& task) { m_task = task; }

    void loadDataFromTask(const TaskPtr& task);
    void resetData();
    void hasDue();
    void setDue();
    void duration();
    // The index (0 to 5) of the preset of those minutes; -1 for none.
    static qint64 defaultDurationPos(qint64 minutes);
    void summaryInfo();
    void doneEdit() override;
    void reveal() override;
    void showDetail() override;

    TaskPtr linkedItem() const override { return m_task; }

private:
    DetailRow* m_durationRow = nullptr;
    PopUpButton* m_durationBtn = nullptr;
    HourAndMinute* m_durationOther = nullptr;
    DetailRow* m_startRow = nullptr;
    CustomNSDatePicker* m_startTextField = nullptr;
    DetailRow* m_dueRow = nullptr;
    Button* m_hasDueBtn = nullptr;
    TextField* m_noneBtn = nullptr;
    CustomNSDatePicker* m_dueTextField = nullptr;
    TaskPtr m_task;
};
