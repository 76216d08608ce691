#pragma once

#include "ModelTypes.h"
#include "NoteContentView.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QPointer>

#include <functional>

class Button;
class CustomNSPopUpButton;
class CustomNSDatePicker;
class DetailRow;
class DetailViewController;
class LinkSection;
class PopUpButton;

// The editor of one note in the item popover: its text, created date,
// category and own tags, its links section, and Add link, Revert and Done.
// Edits stay in the controls until a save re-reads the note's row and
// writes them into it. Revert, and a close without Done, restore the note
// from the copy taken when it was loaded. It posts "Task changed" with
// itself as object after Done. Flipped.
class NoteView : public View, public NoteContentHost, public TagTokenHost {
    Q_OBJECT

public:
    static constexpr double contentHeight = 320;
    static constexpr double firstRowY = 334;
    static constexpr double rowStep = 25;
    static constexpr double controlX = 90;

    explicit NoteView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NoteView() override;

    NoteContentView* contentView() const { return m_contentView; }
    CustomNSDatePicker* createTextField() const { return m_createTextField; }
    PopUpButton* calendarBtn() const;
    TagTokenDetailView* tagDetailView() const { return m_tagDetailView; }
    LinkSection* currentLinkSection() const { return m_currentLinkSection; }
    Button* addLinkBtn() const { return m_addLinkBtn; }
    Button* revertBtn() const { return m_revertBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    bool isRevertShown() const;
    TaskPtr note() const { return m_note; }
    void setNote(const TaskPtr& note) { m_note = note; }
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }

    void loadDataFromNote(const TaskPtr& note);
    void loadDataFromNote(const TaskPtr& note, bool needLoadLink);
    void loadCurrentLinks();
    void resetData();
    void selectCalendar();
    void updateTagListWithCal(const CalendarPtr& category, const TaskPtr& note);
    void createdDateChanged();
    void tagChanged();
    // Stores the edits when anything changed; with close the popover closes
    // and "Task changed" follows. A refused save (told) leaves the editor
    // open with what was typed, and answers false.
    bool saveChanges(bool close);
    void summaryInfo();
    void revertEdit();
    void revertInfo();
    void doneEdit();
    void addNewLink();
    void popupAddLink();
    void setEnable(bool enabled);
    void customResignFirstResponder();
    void updateView();
    void resizeWithHeight(double height);

    // NoteContentHost: the end of the text's editing, and a change made by
    // the text editor's own commands.
    void saveChangesManualReload() override;
    void visibleRevertButton() override;
    // TagTokenHost.
    void resizeHeightWithOffset(double offset) override;

    // The own tags of a field's tokens: the names the category does not
    // carry, each once, each led by "/".
    static QString ownTagList(const QStringList& tokens, const CalendarPtr& category);
    // Selects the category by key in a chooser; one the chooser does not
    // offer (hidden, a project, shared), or any with onTop, is put on top
    // carrying its key, so that a save keeps it.
    static void chooseCategory(PopUpButton* button, const CalendarPtr& category, bool onTop);
    // A note's category chooser: the user's own shown ordinary categories,
    // the default one selected (by key: two categories may share a name).
    static CustomNSPopUpButton* makeCategoryPopUp(QObject* target, std::function<void(PopUpButton*)> selector);

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    void showRevert();
    // The chooser on the note's category, found by key; a category it does
    // not offer is put on top, carrying its key.
    void selectCategoryOfNote(const CalendarPtr& category);
    CalendarPtr chosenCategory() const;
    // The key to store: the chosen category while it exists, else the
    // default one.
    qint64 categoryKeyToStore() const;
    DetailViewController* detailViewController();

    NoteContentView* m_contentView = nullptr;
    DetailRow* m_createRow = nullptr;
    CustomNSDatePicker* m_createTextField = nullptr;
    DetailRow* m_calendarRow = nullptr;
    DetailRow* m_tagRow = nullptr;
    TagTokenDetailView* m_tagDetailView = nullptr;
    LinkSection* m_currentLinkSection = nullptr;
    Button* m_addLinkBtn = nullptr;
    Button* m_revertBtn = nullptr;
    Button* m_doneBtn = nullptr;
    TaskPtr m_note;
    // What Revert restores: the note as it was loaded (or last saved).
    TaskPtr m_keptCopy;
    QPointer<View> m_parentView;
    DetailViewController* m_detailViewController = nullptr;
    // A save refused since Done or Add link began: the end of typing that
    // leaving the text starts may save, and be refused, first.
    bool m_saveRefused = false;
};
