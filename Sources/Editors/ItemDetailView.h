#pragma once

#include "DetailEditorHost.h"
#include "MonthView.h"
#include "ModelTypes.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QPointer>

#include <functional>

class AlertRows;
class Button;
class CustomNSDatePicker;
class CustomNSTextField;
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

// What the event form and the task form have in common: the title that
// grows with its text, the location, start, category, URL, description and
// tag rows, the links section, the buttons at the bottom (Save and Cancel
// in the add form, type 0; Add link, Revert and Done in the edit form,
// type 1) and the stacking of the rows. Each form builds its own rows
// between these, in its own order, and keeps its own saving.
//
// Whether a field changed is always decided by comparing the control with
// the same field of the record; the form keeps no copy of its own.
//
// No Q_OBJECT: the refresh rule tells the forms apart by their own class
// names, and a base without a meta-object stays out of their chain.
class ItemDetailView : public View, public DetailEditorHost, public TagTokenHost {
public:
    static constexpr double rowStep = 25;

    ~ItemDetailView() override;

    bool isFlipped() const override { return true; }

    int type() const override { return m_type; }
    TaskPtr task() const override { return m_task; }
    void setTask(const TaskPtr& task) { m_task = task; }
    QWidget* parentView() const { return m_parentView; }
    void setParentView(QWidget* parentView) { m_parentView = parentView; }
    // Where the selected day of a new item comes from; none means today.
    void setMonthView(MonthView* monthView) { m_monthView = monthView; }

    // The defaults of a new item.
    virtual void resetData() = 0;
    virtual void loadDataFromTask(const TaskPtr& item) = 0;

    void updateView() override;
    // Makes Tab visit the form's controls in reading order.
    void orderKeyboardFocus();
    void resizeWithHeight(double height);
    void resizeHeightWithOffset(double offset) override;

    void updateTagListWithCal(const CalendarPtr& category, const TaskPtr& item);
    void customResignFirstResponder();

    // Control actions.
    void selectCalendar();
    virtual void addNewLink() = 0;
    // Change handlers ("NSTextField has changed" of their controls).
    void locationChanged();
    void urlChanged();
    void tagChanged();
    void textDidEndEditing(CustomTextView* textView);

    // Saving. Done saves and closes.
    void doneEdit();
    virtual void saveChanges(bool close) = 0;
    void revertEdit();
    // Undoes unsaved changes from the copy made when the record was loaded.
    void revertInfo();
    virtual void cancelAdd() = 0;
    // The record as loaded, which a revert restores.
    TaskPtr keptCopy() const { return m_keptCopy; }

    // The controls and rows both forms have.
    CustomTextView* title() const { return m_title; }
    DetailRow* locationRow() const { return m_locationRow; }
    CustomNSTextField* locationTextField() const { return m_locationTextField; }
    DetailRow* startRow() const { return m_startRow; }
    CustomNSDatePicker* startTextField() const { return m_startTextField; }
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
    Button* cancelBtn() const { return m_cancelBtn; }
    Button* saveBtn() const { return m_saveBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    Button* revertBtn() const { return m_revertBtn; }
    Button* addLinkBtn() const { return m_addLinkBtn; }

    // DetailEditorHost
    View* formView() override { return this; }
    QList<DetailRow*>& allRowView() override { return m_allRowView; }
    const QList<DetailRow*>& allRowView() const { return m_allRowView; }
    bool isRevertShown() const override;
    void showRevert() override;

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

protected:
    ItemDetailView(const QRectF& frame, QWidget* parent);

    // The pieces both forms build, each called where the form's own rows
    // leave room for it, so that the controls keep their order.
    void buildTitle(double width);
    void buildLocationRow();
    void buildStartRow();
    // The URL, description and tag rows and the links section.
    void buildLowerRows();
    // Add link, Cancel, Save (which runs save), Revert and Done.
    void buildBottomButtons(const std::function<void()>& save);
    // Runs the handler whenever the control posts "NSTextField has changed".
    void observeChanges(const void* control, const std::function<void()>& handler);
    // The location, URL and tag fields' change handlers.
    void observeCommonChanges();

    DetailRow* makeRow(const QString& caption, double height = 19);
    Button* makeButton(const QString& title, const QRectF& frame);
    void fitDatePicker(CustomNSDatePicker* picker);
    // Sizes the title to its text; the event form makes room for the mark
    // of a scheduled task.
    virtual void fitTitle();
    void placeBottomButtons();
    void showEditButtons();

    // What another program (through the store's import) or the web sync
    // changed in the stored item while the form was open, compared field by
    // field: the form against the item as loaded and the item as stored now.
    class ElsewhereMerge {
    public:
        // changedHere: the form differs from the load; changedThere: the
        // stored item does; same: the form already holds the stored value.
        // A field left as loaded takes the stored value; one changed on both
        // sides keeps the person's.
        void field(bool changedHere, bool changedThere, bool same, const std::function<void()>& take);
        void text(const QString& form, const QString& loaded, const QString& stored,
                  const std::function<void(const QString&)>& set);
        bool clashed() const { return m_clash; }

    private:
        bool m_clash = false;
    };
    // Before a save: merges the fields both forms have (the title as saving
    // writes it, location, link, notes, alerts) and then the form's own
    // (ownFields, which may set what the person changed into now), takes
    // the rest of the record as stored now (the item keeps its key: a
    // generated occurrence has none of its own), and tells the person once
    // when both sides changed a field. now: the item as the form would load
    // it from what is stored now.
    void takeChangesMadeElsewhere(const TaskPtr& now, const std::function<QString()>& titleToStore,
                                  const std::function<void(ElsewhereMerge&, const Task& opened, Task& now)>& ownFields);

    // Clears the form and takes the item, keeping a copy for revert; false
    // when there is none.
    bool beginLoading(const TaskPtr& item);
    // The item's notes and links, then the layout; Revert hidden.
    void finishLoading(const TaskPtr& item);

    void buildCalendarPopUp();
    // Selects the item's category; one the pop-up does not offer (a shared
    // item's among them) is shown on top with its own key.
    void selectCategoryOfItem(const CalendarPtr& category);
    void insertCategoryOnTop(const CalendarPtr& category, int tag);
    CalendarPtr chosenCategory() const;
    bool checksApply() const;

    int m_type = 0;
    TaskPtr m_task;
    TaskPtr m_keptCopy;  // the item as loaded
    QPointer<QWidget> m_parentView;
    QPointer<MonthView> m_monthView;
    double m_builtHeight = 0;

    CustomTextView* m_title = nullptr;
    DetailRow* m_locationRow = nullptr;
    CustomNSTextField* m_locationTextField = nullptr;
    DetailRow* m_startRow = nullptr;
    CustomNSDatePicker* m_startTextField = nullptr;
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
    Button* m_saveBtn = nullptr;
    Button* m_cancelBtn = nullptr;
    Button* m_doneBtn = nullptr;
    Button* m_revertBtn = nullptr;
    Button* m_addLinkBtn = nullptr;
    QList<DetailRow*> m_allRowView;
};
