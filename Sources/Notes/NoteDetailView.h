#pragma once

#include "ModelTypes.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QPointer>

class Button;
class CustomNSDatePicker;
class DetailRow;
class PopUpButton;

// The short page of a note's details (created date, category, own tags)
// shown in the popover when the editor is asked for from the note's own
// text pane, with Back, Add link and Done along its bottom edge. Nothing is
// written before Done; Done writes the three fields onto the note as it is
// stored then, so that text saved meanwhile from the text pane stays. A
// shared note is shown read-only with its own category on top. Flipped.
class NoteDetailView : public View, public TagTokenHost {
    Q_OBJECT

public:
    static constexpr double firstRowY = 8;
    static constexpr double rowStep = 25;
    static constexpr double controlX = 90;
    static constexpr double buttonHeight = 24;
    // The buttons' distance to the page's bottom edge.
    static constexpr double buttonBottomGap = 3;

    explicit NoteDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NoteDetailView() override;

    CustomNSDatePicker* createTextField() const { return m_createTextField; }
    PopUpButton* calendarBtn() const;
    TagTokenDetailView* tagDetailView() const { return m_tagDetailView; }
    const QList<DetailRow*>& allRowView() const { return m_allRowView; }
    Button* backBtn() const { return m_backBtn; }
    Button* addLinkBtn() const { return m_addLinkBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    TaskPtr note() const { return m_note; }
    void setNote(const TaskPtr& note) { m_note = note; }
    View* rootView() const { return m_rootView; }
    void setRootView(View* view) { m_rootView = view; }

    void resetData();
    void selectCalendar();
    void loadDataFromNote(const TaskPtr& note);
    void updateTagListWithCal(const CalendarPtr& category, const TaskPtr& note);
    void updateView();
    void resizeWithHeight(double height);
    void resizeHeightWithOffset(double offset) override;
    void setEnable(bool enabled);
    void doneEditNote();
    void back();
    void addNewLink();
    void popupEditDetail();
    void popupAddLink();
    // Edits are dropped on a close without Done; nothing to undo.
    void revertInfo() {}
    void tagChanged();

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void placeButtons();
    CalendarPtr chosenCategory() const;

    DetailRow* m_createRow = nullptr;
    CustomNSDatePicker* m_createTextField = nullptr;
    DetailRow* m_calendarRow = nullptr;
    DetailRow* m_tagRow = nullptr;
    TagTokenDetailView* m_tagDetailView = nullptr;
    QList<DetailRow*> m_allRowView;
    Button* m_backBtn = nullptr;
    Button* m_addLinkBtn = nullptr;
    Button* m_doneBtn = nullptr;
    TaskPtr m_note;
    QPointer<View> m_rootView;
};
