#pragma once

#include "DetailEditorHost.h"
#include "EventZoneRow.h"
#include "MonthView.h"
#include "ModelTypes.h"
#include "OwnTagList.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QPointer>

#include <functional>

class AlertRows;
class QuickAddHost;
class Button;
class CustomNSDatePicker;
class CustomNSTextField;
class CustomNSPopUpButton;
class CustomTextView;
class DetailRow;
class LinkSection;

class PopUpButton;
class RepeatRuleRows;

// What a host of the add form implements to size itself to the form: the
// add form asks its host instead of resizing itself.
class AddFormHost {
public:
    virtual ~AddFormHost();
    virtual void resizeWithHeight(double height) = 0;
};

// What the quick-add field that hosts an add form takes from it: the new
// item (the host names, stores and resets) and the cancel.
class QuickAddHost {
public:
    virtual ~QuickAddHost();
    virtual void addNewTask(const TaskPtr& item) = 0;
    virtual void resetData() = 0;
};

// The weekly rule's start and the stored tag list, as saving writes them.
namespace EventSaving {
// The start a weekly rule moves to when the start's weekday is not among
// the chosen ones (weekday numbers 1 Sunday .. 7 Saturday joined by "|"):
// the earliest of the chosen weekdays at the start's weekday ordinal of its
// month and its time of day, each taken as it is when later than the start,
// otherwise moved on by a week (interval 1) or interval - 1 weeks. The start
// itself when its weekday is chosen or none is.
Date adjustedWeeklyStart(const Date& start, const QString& weekdays, qint64 interval);
// Whether an occurrence of a series stands on the series' first day; a
// series row with no occurrence stored stands for its first one.
bool isFirstOccurrence(const Task& item);
// The key of the series an event belongs to (its own when it is the root).
qint64 seriesKey(const Task& item);
// Asks for the web push of items while automatic web sync is on.
void pushRequest();
}  // namespace EventSaving

// The form in which an event, an all-day event or a scheduled task is
// created (type 0, inside the add panel: Save and Cancel) or edited (type 1,
// inside the editor popover: its title, Done, Add link, and Revert as soon
// as a field differs from the record). Flipped: rows stack from the top.
//
// Whether a field changed is always decided by comparing the control with
// the same field of the record; the form keeps no copy of its own.
class EventDetailView : public View, public DetailEditorHost, public TagTokenHost {
    Q_OBJECT

public:
    static constexpr double rowStep = 25;

    explicit EventDetailView(const QRectF& frame, QWidget* parent = nullptr);
    ~EventDetailView() override;

    bool isFlipped() const override { return true; }

    int type() const override { return m_type; }
    void setType(int type);
    TaskPtr task() const override { return m_task; }
    void setTask(const TaskPtr& task) { m_task = task; }
    QWidget* parentView() const { return m_parentView; }
    void setParentView(QWidget* parentView) { m_parentView = parentView; }
    // Where the selected day comes from; none means today.
    void setMonthView(MonthView* monthView) { m_monthView = monthView; }

    void resetData();
    void setDefaultInfoForAddNew();
    void loadDataFromTask(const TaskPtr& item);

    void updateView() override;
    void resizeWithHeight(double height);
    void resizeHeightWithOffset(double offset) override;

    void updateTagListWithCal(const CalendarPtr& category, const TaskPtr& item);
    void setEnable(bool enabled);
    void customResignFirstResponder();

    // Control actions.
    void toggleAllDay();
    void selectCalendar();
    // Change handlers ("NSTextField has changed" of their controls).
    void titleChanged();
    void locationChanged();
    void urlChanged();
    void startTimeChanged();
    void endTimeChanged();
    void tagChanged();
    void textDidEndEditing(CustomTextView* textView);
    void changeItemTo(const TimezoneObj& zone);
    // Add link: saves without closing, asks the main window to reload and
    // opens the add-link page.
    void addNewLink();
    void popupAddLink();

    // Saving. Done saves and closes; the scope questions of a repeating
    // series go through the alert presenter.
    void doneEdit();
    void saveChanges(bool close);
    void revertEdit();
    // Undoes unsaved changes from the copy made when the record was loaded.
    void revertInfo();
    void addEvent();
    void cancelAdd();
    void checkChangeInfo();
    // Writes the whole form into the record: scope 0 as a single event,
    // 1 all occurrences, 2 all future ones.
    void summaryInfo(int scope);
    // Writes only the repeat kind and end, category, alerts and tags.
    void getChanges();
    // The repeat options text the form stands for ("interval/weekdays/flag");
    // a weekly rule without a weekday takes the start's when asked.
    QString formRepeatOptions(bool startWeekdayWhenNone) const;
    // The zone number saving writes: the one picked, else the record's.
    qint64 chosenZoneId() const { return m_zoneId; }

    bool otherRulesChanged() const { return m_otherRulesChanged; }
    bool alldayRuleChanged() const { return m_alldayRuleChanged; }
    bool repeatRuleChanged() const { return m_repeatRuleChanged; }
    bool repeatOptionChanged() const { return m_repeatOptionChanged; }
    // The record as loaded, which a revert restores.
    TaskPtr keptCopy() const { return m_keptCopy; }

    // The controls and rows, for the saving code and the tests.
    CustomTextView* title() const { return m_title; }
    DetailRow* locationRow() const { return m_locationRow; }
    CustomNSTextField* locationTextField() const { return m_locationTextField; }
    DetailRow* allDayRow() const { return m_allDayRow; }
    Button* allDayBtn() const { return m_allDayBtn; }
    DetailRow* startRow() const { return m_startRow; }
    CustomNSDatePicker* startTextField() const { return m_startTextField; }
    DetailRow* endRow() const { return m_endRow; }
    CustomNSDatePicker* endTextField() const { return m_endTextField; }
    DetailRow* tzRow() const { return m_tzRow; }
    View* timezoneView() const { return m_zone.view; }
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
    Button* addEventBtn() const { return m_addEventBtn; }
    Button* cancelBtn() const { return m_cancelBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    Button* revertBtn() const { return m_revertBtn; }
    Button* addLinkBtn() const { return m_addLinkBtn; }
    Date previousStartTime() const { return m_previousStartTime; }
    bool changedCal() const { return m_changedCal; }

    // DetailEditorHost
    View* formView() override { return this; }
    QList<DetailRow*>& allRowView() override { return m_allRowView; }
    const QList<DetailRow*>& allRowView() const { return m_allRowView; }
    bool isRevertShown() const override;
    void showRevert() override;
    Date startDate() const override;

    // The title area's height for a title measuring that high.
    static double titleAreaHeight(double measuredHeight);
    // How high the title's text measures at that width: whole 18-point lines.
    static double measuredTitleHeight(const QString& text, double width);
    // The tags shown for a category's and an item's tag lists: both lists'
    // names, once each.
    static QStringList tagsToShow(const QString& categoryTags, const QString& itemTags);
    // The names of a tag-list text ("/a/b"): the parts after the first.
    static QStringList tagNames(const QString& tagList);
    // The item's own tags as saving writes them: the tokens its category
    // does not give, each led by "/", in token order.
    static QString ownTagList(const QStringList& tokens, const QString& categoryTags);

    void mouseDown(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    DetailRow* makeRow(const QString& caption, double height = 19);
    Button* makeButton(const QString& title, const QRectF& frame);
    void placeZoneRow();
    void fitDatePicker(CustomNSDatePicker* picker);
    void setMinimumDates(const Date& start);
    void buildCalendarPopUp();
    void selectCategoryOfItem(const CalendarPtr& category);
    void insertCategoryOnTop(const CalendarPtr& category, int tag);
    void placeBottomButtons();
    CalendarPtr chosenCategory() const;
    bool isStoredDetachedOccurrence() const;
    bool checksApply() const;
    QString titleToStore() const;
    void writeCommonFields(const TaskPtr& item, bool forNewItem);
    CalendarPtr categoryToStore(bool fallBackToDefault) const;
    void afterSave(bool close, bool posted = true);
    void postClose(bool taskChanged);
    void calendarUpkeep();
    void tagFilterUpkeep();
    void askAndSave(bool close);
    bool isFirstOccurrence() const;
    qint64 rootKey() const;
    bool untilForever() const;

    int m_type = 0;
    TaskPtr m_task;
    QPointer<QWidget> m_parentView;
    QPointer<MonthView> m_monthView;
    double m_builtHeight = 0;

    CustomTextView* m_title = nullptr;
    DetailRow* m_locationRow = nullptr;
    CustomNSTextField* m_locationTextField = nullptr;
    DetailRow* m_allDayRow = nullptr;
    Button* m_allDayBtn = nullptr;
    DetailRow* m_startRow = nullptr;
    CustomNSDatePicker* m_startTextField = nullptr;
    DetailRow* m_endRow = nullptr;
    CustomNSDatePicker* m_endTextField = nullptr;
    Date m_previousStartTime;
    DetailRow* m_tzRow = nullptr;
    ZoneRowContent m_zone;
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
    Button* m_addEventBtn = nullptr;
    Button* m_cancelBtn = nullptr;
    Button* m_doneBtn = nullptr;
    Button* m_revertBtn = nullptr;
    Button* m_addLinkBtn = nullptr;
    QList<DetailRow*> m_allRowView;
    bool m_changedCal = false;
    bool m_otherRulesChanged = false;
    bool m_alldayRuleChanged = false;
    bool m_repeatRuleChanged = false;
    bool m_repeatOptionChanged = false;
    TaskPtr m_keptCopy;
    qint64 m_zoneId = 0;
    QPointer<QObject> m_detailViewController;
};
