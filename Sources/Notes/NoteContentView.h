#pragma once

#include "ModelTypes.h"
#include "View.h"

#include <QImage>
#include <QPointer>

class Button;
class CustomTextView;
class DetailViewController;
class NoteMarkHighlighter;
class ScrollView;

// What a view that embeds the note editor may answer: a save when editing
// ends, and showing its revert button after the editor's own commands.
class NoteContentHost {
public:
    virtual ~NoteContentHost();
    virtual void saveChangesManualReload() = 0;
    virtual void visibleRevertButton() {}
};

// The editor of a note's text, used by every note form: ruled paper with a
// tinted margin strip and a red line, the mode button (plain text or
// checklist input, one mode for the whole program) in the strip, and a
// clickable checkbox over the mark of each checklist line. It never saves:
// its host saves when editing ends or on its own command. Flipped.
class NoteContentView : public View {
    Q_OBJECT

public:
    static constexpr double marginWidth = 30;

    explicit NoteContentView(const QRectF& frame = QRectF(), const QString& watermarkText = QString(),
                             QWidget* parent = nullptr);
    ~NoteContentView() override;

    CustomTextView* noteContent() const { return m_noteContent; }
    ScrollView* scrollView() const { return m_scrollView; }
    Button* modeBtn() const { return m_modeBtn; }
    // One entry per text line: the checkbox of a checklist line in or near
    // sight (a screenful above and below the visible lines), null for a plain
    // line or one farther away. The boxes follow the scrolling.
    const QList<Button*>& lines() const { return m_lines; }
    TaskPtr note() const { return m_note; }

    // The view that embeds the editor; it hears of saves and reverts when it
    // is a NoteContentHost.
    View* parentView() const { return qobject_cast<View*>(m_parentView.data()); }
    void setParentView(View* parent) { m_parentView = parent; }
    View* rootView() const { return m_rootView; }
    void setRootView(View* root) { m_rootView = root; }
    // The controller popupEditDetail opened the note's page with; null before.
    DetailViewController* detailViewController() const { return m_detailViewController; }

    // Shows a copy of the note, the caret at the end of its text.
    void setContent(const TaskPtr& note);
    // Replaces the whole text in one step, in the editor's font.
    void setContentText(const QString& text);
    QString getContentText() const;
    void resetContent();
    void setFocus();
    void setEnable(bool enabled);
    bool isEnabled() const { return m_enabled; }

    void addModeButton();
    // The mode button's action: flips the program's note mode and converts
    // the lines the selection touches.
    void changeNoteMode(QObject* sender = nullptr);
    // The mode button shows the program's mode; nothing else changes.
    void setModeNoteState();
    // A checkbox's action, and the toggle of the mark at index.
    void doCheck(Button* button);
    void changeStateAtIndex(int index);
    // After a key was handled: Return in checklist mode starts a new item.
    using View::keyUp;
    void keyUp(int key, Qt::KeyboardModifiers modifiers);

    void removeAllCheckboxes();
    void separateLines(const QString& text);
    // The first and last text lines that get a checkbox: those in sight and
    // a screenful either side. A paste of a hundred thousand items must not
    // make a hundred thousand widgets.
    std::pair<int, int> linesNearSight() const;
    void drawAllCheckboxes();
    // The typing attributes: the editor's font at the user's size and the
    // fixed line pitch. updateContentTextAttributes applies them to the
    // whole text as a change the user can undo.
    void keepFormatOfContent();
    void updateContentTextAttributes();
    // The user changed the text size.
    void currentSizeChange();
    void showRevertButton();
    // Opens the note's detail page beside the editor. No control calls it.
    void popupEditDetail();

    // The size of the editor's text: the user's setting, or the system's.
    static double fontSize();
    // Where a line's checkbox goes for a line whose fragment top is y.
    static QRectF checkboxFrame(double fragmentTop, double fontSize);

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void rebuildOverlay();
    void textOrSelectionChanged();
    void fitTextView();
    Button* checkboxAt(qsizetype index);

    CustomTextView* m_noteContent = nullptr;
    ScrollView* m_scrollView = nullptr;
    Button* m_modeBtn = nullptr;
    QList<Button*> m_lines;
    // Checkboxes kept for reuse: rebuilding the overlay on each key must not
    // make a thousand buttons.
    QList<Button*> m_checkboxPool;
    QImage m_offImage;
    QImage m_onImage;
    double m_imageSize = 0;
    TaskPtr m_note;
    // Held as an object: while the parent is being destroyed it is no
    // longer a View, and the text view's last end of editing must find no
    // host there rather than a half-destroyed one.
    QPointer<QObject> m_parentView;
    QPointer<View> m_rootView;
    DetailViewController* m_detailViewController = nullptr;
    NoteMarkHighlighter* m_markHighlighter = nullptr;
    bool m_enabled = true;
    bool m_inSelectionRule = false;
    struct OverlayState {
        int revision = -1;
        double width = 0;
        double fontSize = 0;
        bool shared = false;
        bool enabled = true;
        std::pair<int, int> near{0, -1};
        bool operator==(const OverlayState&) const = default;
    };
    OverlayState m_overlayState;
};
