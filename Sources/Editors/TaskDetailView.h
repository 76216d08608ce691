#pragma once

#include "ItemDetailView.h"

#include <QVariantMap>

#include <functional>
#include <optional>

class Button;
class CustomNSDatePicker;
class DetailRow;
class HourAndMinute;
class PopUpButton;
class TextField;

// The form in which a task is created (type 0, inside the add panel: Save
// and Cancel) or edited (type 1, inside the editor popover: its title, the
// star, the completed box, Done, Add link, and Revert as soon as a field
// differs from the record). Flipped: rows stack from the top.
//
// A task differs from an event in its star, its completed box, a duration
// (preset or typed), and a due date with its own box: the alert rows exist
// only while the task is due, and the start follows the due date.
class TaskDetailView : public ItemDetailView {
    Q_OBJECT

public:
    // The duration pop-up: tag 1 none, 2..7 the presets, 9 typed.
    static constexpr int noDurationTag = 1;
    static constexpr int customDurationTag = 9;

    explicit TaskDetailView(const QRectF& frame, QWidget* parent = nullptr);
    ~TaskDetailView() override;

    void setType(int type);

    void resetData() override;
    void loadDataFromTask(const TaskPtr& item) override;

    void setEnable(bool enabled);
    void setDue();

    // Control actions.
    void toggleDone();
    void duration();
    void hasDue();
    void selectStar();
    void addNewLink() override;
    // Change handlers ("NSTextField has changed" of their controls).
    void startTimeChanged();
    void dueTimeChanged();
    // The user ended an edit of the due date (Enter, or the focus left it).
    void dueEditingEnded();
    void durationChanged();

    // Saving.
    void saveChanges(bool close) override;
    void summaryInfo();
    void addTask();
    void cancelAdd() override;

    // The form's own controls and rows, for the tests and the popover.
    Button* starBtn() const { return m_starBtn; }
    DetailRow* completedRow() const { return m_completedRow; }
    Button* completedBtn() const { return m_completedBtn; }
    TextField* completedDate() const { return m_completedDate; }
    DetailRow* durationRow() const { return m_durationRow; }
    PopUpButton* durationBtn() const { return m_durationBtn; }
    HourAndMinute* durationOther() const { return m_durationOther; }
    DetailRow* dueRow() const { return m_dueRow; }
    Button* hasDueBtn() const { return m_hasDueBtn; }
    CustomNSDatePicker* dueTextField() const { return m_dueTextField; }
    TextField* noneBtn() const { return m_noneBtn; }
    Button* addTaskBtn() const { return m_saveBtn; }
    double startToDueDuration() const { return m_startToDueDuration; }

    Date startDate() const override;

    // The preset durations in minutes, behind pop-up positions 1 to 6.
    static const QList<qint64>& presetMinutes();
    // The position 0..5 of the minutes among the presets, or -1.
    static qint64 defaultDurationPos(qint64 minutes);
    // What a duration pop-up's tag stores: whether the task has a duration,
    // and its minutes (the default for none, and for a custom 0).
    struct StoredDuration {
        qint64 hasDuration = 0;
        qint64 minutes = 0;
    };
    static StoredDuration durationToStore(int tag, qint64 customMinutes, qint64 defaultMinutes);
    // The due date a task gets when its due box is ticked: the working end
    // of the start's day (of today when the start lies in the past), or of
    // the day after when that end is already past.
    static Date defaultDueDate(const Date& start, const Date& now, const QVariantMap& dayManagers);

    // Where a new task goes when the add form saves it, and what clears the
    // add panel on Cancel: the quick-add field, as for the event form.
    using Host = QuickAddHost;

private:
    void showDueControl(bool due);
    void commitTypedDue(const Date& due);
    void setCompletedDateText(const Date& date);
    qint64 durationMinutesForForm() const;
    Host* host() const;
    void writeFormInto(Task& item, bool withNameAndStar);
    // The duration as saving writes it; none when the pop-up shows no choice.
    std::optional<StoredDuration> formDuration(qint64 defaultMinutes) const;
    QString formRepeatOptions() const;
    void showDuration(const Task& item);
    void takeChangesMadeElsewhere();
    void warnAboutRepeatingTask();

    double m_startToDueDuration = 0;
    // A typed due date not yet settled (the edit has not ended), and the due
    // date the picker showed after the last change.
    bool m_typedDuePending = false;
    Date m_shownDue;

    Button* m_starBtn = nullptr;
    DetailRow* m_completedRow = nullptr;
    Button* m_completedBtn = nullptr;
    TextField* m_completedDate = nullptr;
    DetailRow* m_durationRow = nullptr;
    PopUpButton* m_durationBtn = nullptr;
    HourAndMinute* m_durationOther = nullptr;
    DetailRow* m_dueRow = nullptr;
    Button* m_hasDueBtn = nullptr;
    CustomNSDatePicker* m_dueTextField = nullptr;
    TextField* m_noneBtn = nullptr;
};

// The task editor as the popover shows it: 280 wide, in edit mode, the task
// loaded, beside the view that opened it.
TaskDetailView* makeTaskDetailView(const TaskPtr& task, QWidget* positioningView, QWidget* parent = nullptr);
