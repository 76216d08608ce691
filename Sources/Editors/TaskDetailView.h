#pragma once

#include <functional>

#include "DetailEditorHost.h"
#include "MonthView.h"
#include "ModelTypes.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QPointer>
#include <QVariantMap>

class AlertRows;
class Button;
class CustomNSDatePicker;
class CustomNSTextField;
class CustomTextView;
class DetailRow;
class HourAndMinute;
class LinkSection;
class PopUpButton;
class RepeatRuleRows;
class TextField;

// The form in which a task is created (type 0, inside the add panel: Save
// and Cancel) or edited (type 1, inside the editor popover: its title, the
// star, the completed box, Done, Add link, and Revert as soon as a field
// differs from the record). Flipped: rows stack from the top.
//
// A task differs from an event in its star, its completed box, a duration
// (preset or typed), and a due date with its own box: the alert rows exist
// only while the task is due, and the start follows the due date.
class TaskDetailView : public View, public DetailEditorHost, public TagTokenHost {
    Q_OBJECT

public:
    static constexpr double rowStep = 25;
    // The duration pop-up: tag 1 none, 2..7 the presets, 9 typed.
    static constexpr int noDurationTag = 1;
    static constexpr int customDurationTag = 9;

    explicit TaskDetailView(const QRectF& frame, QWidget* parent = nullptr);
    ~TaskDetailView() override;

    bool isFlipped() const override { return true; }

    int type() const override { return m_type; }
    void setType(int type);
    TaskPtr task() const override { return m_task; }
    void setTask(const TaskPtr& task) { m_task = task; }
    QWidget* parentView() const { return m_parentView; }
    void setParentView(QWidget* parentView) { m_parentView = parentView; }
    // Where the selected day of a new task comes from; none means today.
    void setMonthView(MonthView* monthView) { m_monthView = monthView; }

    void resetData();
    void loadDataFromTask(const TaskPtr& item);

    void updateView() override;
    void resizeWithHeight(double height);
    void resizeHeightWithOffset(double offset) override;

    void updateTagListWithCal(const CalendarPtr& category, const TaskPtr& item);
    void setEnable(bool enabled);
    void customResignFirstResponder();
    void setDue();

    // Control actions.
    void toggleDone();
    void duration();
    void hasDue();
    void selectCalendar();
    void selectStar();
    void addNewLink();
    // Change handlers ("NSTextField has changed" of their controls).
    void locationChanged();
    void urlChanged();
    void startTimeChanged();
    void dueTimeChanged();
    void durationChanged();
    void tagChanged();
    void textDidEndEditing(CustomTextView* textView);

    // Saving.
    void doneEdit();
    void saveChanges(bool close);
    void summaryInfo();
    void revertEdit();
    void revertInfo();
    void addTask();
    void cancelAdd();

    // The controls and rows, for the tests and the popover.
    CustomTextView* title() const { return m_title; }
    Button* starBtn() const { return m_starBtn; }
    DetailRow* completedRow() const { return m_completedRow; }
    Button* completedBtn() const { return m_completedBtn; }
    TextField* completedDate() const { return m_completedDate; }
    DetailRow* locationRow() const { return m_locationRow; }
    CustomNSTextField* locationTextField() const { return m_locationTextField; }
    DetailRow* durationRow() const { return m_durationRow; }
    PopUpButton* durationBtn() const { return m_durationBtn; }
    HourAndMinute* durationOther() const { return m_durationOther; }
    DetailRow* startRow() const { return m_startRow; }
    CustomNSDatePicker* startTextField() const { return m_startTextField; }
    DetailRow* dueRow() const { return m_dueRow; }
    Button* hasDueBtn() const { return m_hasDueBtn; }
    CustomNSDatePicker* dueTextField() const { return m_dueTextField; }
    TextField* noneBtn() const { return m_noneBtn; }
    RepeatRuleRows& repeatRules() const { return *m_repeatRules; }
    DetailRow* calendarRow() const { return m_calendarRow; }
    PopUpButton* calendarBtn() const;
    AlertRows& alertRows() const { return *m_alertRows; }
    DetailRow* urlRow() const override { return m_urlRow; }
    CustomNSTextField* urlTextField() const { return m_urlTextField; }
    DetailRow* descRow() const { return m_descRow; }
    CustomTextView* desc() const { return m_desc; }
    DetailRow* tagRow() const { return m_tagRow; }
    TagTokenDetailView* tagDetailView() const { return m_tagDetailView; }
    LinkSection* currentLinkSection() const { return m_currentLinkSection; }
    Button* addTaskBtn() const { return m_addTaskBtn; }
    Button* cancelBtn() const { return m_cancelBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    Button* revertBtn() const { return m_revertBtn; }
    Button* addLinkBtn() const { return m_addLinkBtn; }
    double startToDueDuration() const { return m_startToDueDuration; }

    // DetailEditorHost
    View* formView() override { return this; }
    QList<DetailRow*>& allRowView() override { return m_allRowView; }
    const QList<DetailRow*>& allRowView() const { return m_allRowView; }
    bool isRevertShown() const override;
    void showRevert() override;
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
    // What follows writing an edited task: its alarm, the done mark, the
    // working list, do today, the system calendar (by its category's kind)
    // and the push request. beforeCalendarStore runs just before the
    // system calendar is told.
    static void afterTaskStored(const TaskPtr& task, const std::function<void()>& beforeCalendarStore = {});
    // The end of the working day on that date's weekday, from the working
    // hours kept per weekday (minutes after midnight).
    static Date workingEndOnDay(const Date& day, const QVariantMap& dayManagers);
    // The due date a task gets when its due box is ticked: the working end
    // of the start's day (of today when the start lies in the past), or of
    // the day after when that end is already past.
    static Date defaultDueDate(const Date& start, const Date& now, const QVariantMap& dayManagers);

    // Where a new task goes when the add form saves it, and what clears the
    // add panel on Cancel.
    class Host {
    public:
        virtual ~Host();
        virtual void addNewTask(const TaskPtr& task) = 0;
        virtual void resetData() = 0;
    };

    void mouseDown(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    DetailRow* makeRow(const QString& caption, double height = 19);
    Button* makeButton(const QString& title, const QRectF& frame);
    void fitDatePicker(CustomNSDatePicker* picker);
    void buildCalendarPopUp();
    void selectCategoryOfItem(const CalendarPtr& category);
    void insertCategoryOnTop(const CalendarPtr& category, int tag);
    void placeBottomButtons();
    void showDueControl(bool due);
    void setCompletedDateText(const Date& date);
    CalendarPtr chosenCategory() const;
    bool checksApply() const;
    qint64 durationMinutesForForm() const;
    Host* host() const;
    void writeFormInto(Task& item, bool withNameAndStar);
    void warnAboutRepeatingTask();

    int m_type = 0;
    TaskPtr m_task;
    QPointer<QWidget> m_parentView;
    TaskPtr m_keptCopy;  // the task as loaded
    QPointer<MonthView> m_monthView;
    double m_builtHeight = 0;
    double m_startToDueDuration = 0;

    CustomTextView* m_title = nullptr;
    Button* m_starBtn = nullptr;
    DetailRow* m_completedRow = nullptr;
    Button* m_completedBtn = nullptr;
    TextField* m_completedDate = nullptr;
    DetailRow* m_locationRow = nullptr;
    CustomNSTextField* m_locationTextField = nullptr;
    DetailRow* m_durationRow = nullptr;
    PopUpButton* m_durationBtn = nullptr;
    HourAndMinute* m_durationOther = nullptr;
    DetailRow* m_startRow = nullptr;
    CustomNSDatePicker* m_startTextField = nullptr;
    DetailRow* m_dueRow = nullptr;
    Button* m_hasDueBtn = nullptr;
    CustomNSDatePicker* m_dueTextField = nullptr;
    TextField* m_noneBtn = nullptr;
    RepeatRuleRows* m_repeatRules = nullptr;
    DetailRow* m_calendarRow = nullptr;
    AlertRows* m_alertRows = nullptr;
    DetailRow* m_urlRow = nullptr;
    CustomNSTextField* m_urlTextField = nullptr;
    DetailRow* m_descRow = nullptr;
    CustomTextView* m_desc = nullptr;
    DetailRow* m_tagRow = nullptr;
    TagTokenDetailView* m_tagDetailView = nullptr;
    LinkSection* m_currentLinkSection = nullptr;
    Button* m_addTaskBtn = nullptr;
    Button* m_cancelBtn = nullptr;
    Button* m_doneBtn = nullptr;
    Button* m_revertBtn = nullptr;
    Button* m_addLinkBtn = nullptr;
    QList<DetailRow*> m_allRowView;
};

// The task editor as the popover shows it: 280 wide, in edit mode, the task
// loaded, beside the view that opened it.
TaskDetailView* makeTaskDetailView(const TaskPtr& task, QWidget* positioningView, QWidget* parent = nullptr);
