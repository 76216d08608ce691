#pragma once

#include "AddView.h"
#include "ModelTypes.h"
#include "QuickAddView.h"
#include "TagTokenDetailView.h"
#include "View.h"

#include <QPointer>

class Button;
class CustomNSDatePicker;
class DetailRow;
class NoteContentView;
class PopUpButton;

// The add panel's "note" tab: the note editor on top, the created date,
// category and tag rows under it, Save and Cancel at the bottom. Save hands
// a new note to the quick-add bar, which stores it. Flipped.
class AddNewNoteView : public View, public AddPanelForm, public TagTokenHost {
    Q_OBJECT

public:
    static constexpr double editorHeight = 320;
    static constexpr double rowStep = 25;
    static constexpr double firstRowY = 321;
    static constexpr double controlX = 90;

    // The maker the add panel builds its note tab with.
    static AddView::FormMaker formMaker();

    explicit AddNewNoteView(const QRectF& frame = QRectF(), AddView* parentView = nullptr);
    ~AddNewNoteView() override;

    NoteContentView* contentView() const { return m_contentView; }
    DetailRow* createRow() const { return m_createRow; }
    CustomNSDatePicker* createTextField() const { return m_createTextField; }
    DetailRow* calendarRow() const { return m_calendarRow; }
    DetailRow* tagRow() const { return m_tagRow; }
    TagTokenDetailView* tagDetailView() const { return m_tagDetailView; }
    Button* addNoteBtn() const { return m_addNoteBtn; }
    Button* cancelBtn() const { return m_cancelBtn; }
    PopUpButton* calendarBtn() const;
    const QList<DetailRow*>& allRowView() const { return m_allRowView; }
    AddView* parentView() const { return m_parentView; }
    void setParentView(AddView* parentView) { m_parentView = parentView; }

    // AddPanelForm.
    View* view() override { return this; }
    void resetData() override;
    void setNoteContentText(const QString& text) override;
    void focusToContent() override;
    void changeModeNote() override;

    void addNote(QObject* sender = nullptr);
    void cancelAdd(QObject* sender = nullptr);
    void selectCalendar(QObject* sender = nullptr);
    void tagChanged();
    void updateView();
    void resizeWithHeight(double height);
    void resizeHeightWithOffset(double offset) override;

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();
    // The key to store the note under: the chosen category while it exists,
    // else the default one, else the first offered; 0 when none exists.
    qint64 categoryKeyToStore() const;

    NoteContentView* m_contentView = nullptr;
    DetailRow* m_createRow = nullptr;
    CustomNSDatePicker* m_createTextField = nullptr;
    DetailRow* m_calendarRow = nullptr;
    DetailRow* m_tagRow = nullptr;
    TagTokenDetailView* m_tagDetailView = nullptr;
    Button* m_addNoteBtn = nullptr;
    Button* m_cancelBtn = nullptr;
    QList<DetailRow*> m_allRowView;
    QPointer<AddView> m_parentView;
};
