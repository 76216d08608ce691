#pragma once

#include "Date.h"
#include "EventDetailView.h"
#include "ModelTypes.h"
#include "ScheduledTimer.h"
#include "TaskDetailView.h"
#include "TextField.h"
#include "View.h"

#include <QHash>
#include <QVariant>

class AddView;
class Button;
class CreatingViewController;
class SearchView;

// The quick-add bar above the list module: the add button, the one-line
// field, the add panel and the search panel under them. Typing searches
// every loaded item; Return makes an event, task, note or category of the
// line; a type chosen in the add panel opens that kind's full form.
//
// States: collapsed (28 high), searching (grown to the main view's height
// less 35, results under the type control) and adding (a form in the panel,
// the bar as high as the form needs); a menu shortcut opens it adding and
// grown (quick add). It posts "Add notification" with itself as object when
// it changes state or height. Flipped; main thread only.
class QuickAddView : public View, public TextFieldDelegate, public QuickAddHost {
    Q_OBJECT

public:
    static const QString addNotification;  // "Add notification"
    static constexpr double collapsedHeight = 28;
    // How far the grown bar stays from the main view's bottom.
    static constexpr double expandedInset = 35;
    // Typing hands the keyboard back to the field after this delay, once
    // the bar has grown or shrunk.
    static constexpr double continueTypingDelay = 0.1;

    explicit QuickAddView(const QRectF& frame, QWidget* parent = nullptr);
    ~QuickAddView() override;

    TextField* searchAndAdd() const { return m_searchAndAdd; }
    Button* addNewBtn() const { return m_addNewBtn; }
    AddView* addView() const { return m_addView; }
    SearchView* searchView() const { return m_searchView; }
    CreatingViewController* creatingViewController() const { return m_creatingViewController; }
    bool isSearching() const { return m_isSearching; }
    bool isAdding() const { return m_isAdding; }
    bool isQuickAdd() const { return m_isQuickAdd; }
    // YES while the add panel shows: grown, adding, quick add. Anything
    // else only clears the flag.
    void setIsQuickAdd(bool quickAdd);

    // The field's text changed by the user: grows, shrinks and searches.
    void controlTextDidChange();
    // Return in the field makes an item of the line; other commands keep
    // their usual effect.
    bool doCommand(TextField* field, FieldCommand command) override;
    // Runs the search for the field's text while searching.
    void search();
    // The keyboard focus to the field, the insertion point at its end.
    void continueTyping();
    // Back to the collapsed, empty bar.
    void resetData() override;
    // Escape from the results (the field has its own): the bar folds as its
    // field's Escape folds it, and the field has the keyboard again.
    void keyDown(const Event& event) override;
    // A type was chosen in the add panel.
    void beginAddTask();
    // The add panel's height (its form's plus the title and the type
    // control): the bar follows while the panel shows.
    void resizeWithHeight(double height);
    // Names a prepared item when it has no name, stores it and collapses.
    void addNewTask(const TaskPtr& item) override;
    // A category named by the field's text.
    void addNewCategory();
    // The add button: opens the quick create popover when switched on,
    // closes every popover when switched off.
    void creatingNewObject(Button* sender);
    void creatingNewObjectByType(qint32 objType);
    // The changed items (keys "%ld") reach the open results.
    void reloadData(const QHash<QString, QVariant>& changedItems);

    // Now as the day grid shows it (the chosen zone's clock when the
    // time-zone support is on).
    static Date displayNow();
    // The day new items start on: the mini month's selected day, or today.
    static Date selectedDay();
    // The displayed time rounded up to the quarter hour, on the selected day.
    static Date roundedStartOnSelectedDay();

    bool isFlipped() const override { return true; }

private:
    void postAddNotification();
    void scheduleContinueTyping();
    double expandedHeight() const;
    // The name of an item that came without one.
    QString defaultName() const;

    TextField* m_searchAndAdd = nullptr;
    Button* m_addNewBtn = nullptr;
    AddView* m_addView = nullptr;
    SearchView* m_searchView = nullptr;
    CreatingViewController* m_creatingViewController = nullptr;
    bool m_isSearching = false;
    bool m_isAdding = false;
    bool m_isQuickAdd = false;
    ScheduledTimer m_continueTypingTimer;
};
