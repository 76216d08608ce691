#pragma once

#include "EventDetailView.h"
#include "View.h"

#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class EventDetailView;
class QuickAddView;
class SegmentedControl;
class TaskDetailView;
class TextField;

// A form that another part of the program puts into the add panel's note or
// category tab. The panel owns it and tells it what the quick-add bar does;
// every call but view() is optional.
class AddPanelForm {
public:
    virtual ~AddPanelForm();
    // The form's view, given the page's frame; the panel adds it to the page.
    virtual View* view() = 0;
    // Back to an empty form.
    virtual void resetData() {}
    // The note form: the text typed into the quick-add field becomes the
    // note's content, then the keyboard focus goes to that content.
    virtual void setNoteContentText(const QString& text) { (void)text; }
    virtual void focusToContent() {}
    // The note form: switches between plain text and checklist input.
    virtual void changeModeNote() {}
};

// The add panel under the quick-add bar: its title, the type control
// (event, task, note, category) and a page per kind without tabs of its own,
// each holding that kind's add-new form. Flipped.
class AddView : public View, public AddFormHost {
    Q_OBJECT

public:
    // The tags of menuSegmentedControl()'s segments.
    enum EditorTag { EventEditor = 0, TaskEditor = 1, NoteEditor = 2, ProjectEditor = 3 };
    // Where the type control and the pages start.
    static constexpr double menuY = 23;
    static constexpr double pagesY = 50;
    // The first heights of the forms, by tag.
    static constexpr std::array<double, 4> formHeights = {183, 183, 183, 69};

    // Makes the note or category form of a new panel; installed by the notes
    // and categories subsystems. Until one is installed that tab is empty.
    using FormMaker = std::function<std::unique_ptr<AddPanelForm>(AddView* panel, const QRectF& frame)>;
    static void setFormMaker(EditorTag tag, FormMaker maker);

    explicit AddView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~AddView() override;

    // The bar that holds the panel (its superview unless set otherwise).
    QuickAddView* parentView() const { return m_parentView; }
    void setParentView(QuickAddView* parentView) { m_parentView = parentView; }

    TextField* addNewLabel() const { return m_addNewLabel; }
    SegmentedControl* menuSegmentedControl() const { return m_menuSegmentedControl; }
    // The pages' holder: shown while a type is chosen.
    View* tabView() const { return m_tabView; }
    // The page of a tag's form, and which page shows ("" for none).
    View* page(int tag) const;
    QString selectedTabIdentifier() const { return m_selectedTab; }
    // The tag of the page showing; -1 while none does.
    int shownEditor() const;

    EventDetailView* eventDetailView() const { return m_eventForm; }
    TaskDetailView* taskDetailView() const { return m_taskForm; }
    AddPanelForm* noteForm() const { return m_noteForm.get(); }
    AddPanelForm* categoryForm() const { return m_categoryForm.get(); }

    // The type control's action: enters the adding state on the chosen
    // type's form; nothing while no type is selected.
    void menuControl(QObject* sender);
    // Select a type's page and prepare its form.
    void addEvent(QObject* sender = nullptr);
    void addTask(QObject* sender = nullptr);
    void addNote(QObject* sender = nullptr);
    void addProject(QObject* sender = nullptr);
    // Selects the segment and page of the tag without resetting the form.
    void setFocusModule(int tag);
    // Switches the note input mode (on and off) and tells the note form.
    void changeModeNote();
    bool isNoteMode() const { return m_noteMode; }
    // A form's content height changed: the panel and the bar follow.
    void resizeWithHeight(double height) override;
    // Empties the four forms.
    void resetData();

    void drawRect(QPainter& painter, const QRectF& dirty) override;

private:
    void selectTab(int tag);
    void followSelectedDay();
    // The panel fits the form just shown.
    void fitForm(int tag);

    QPointer<QuickAddView> m_parentView;
    TextField* m_addNewLabel = nullptr;
    SegmentedControl* m_menuSegmentedControl = nullptr;
    View* m_tabView = nullptr;
    std::array<View*, 4> m_pages{};
    QString m_selectedTab;
    EventDetailView* m_eventForm = nullptr;
    TaskDetailView* m_taskForm = nullptr;
    std::unique_ptr<AddPanelForm> m_noteForm;
    std::unique_ptr<AddPanelForm> m_categoryForm;
    bool m_noteMode = false;
};
