#pragma once

#include "Date.h"
#include "TableRowView.h"
#include "TextField.h"

#include <QPointer>

#include <functional>

class Button;

// The row item lists put above each group of rows: a title on the left, an
// optional date on the right, and two optional controls, a quick-add field
// and a show/hide-done button, both hidden unless the owner shows them. A
// hidden quick-add field makes the row a group header. The row hands the
// field's text and the button's press to its owner's handlers. Flipped.
class InfoListItemView : public TableRowView, public TextFieldDelegate {
    Q_OBJECT

public:
    explicit InfoListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~InfoListItemView() override;

    Date date() const { return m_date; }
    // Keeps the date and shows it without its time.
    void setDate(const Date& date);
    TextField* dateTextField() const { return m_dateTextField; }
    TextField* leftTextField() const { return m_leftTextField; }
    TextField* quickAddTask() const { return m_quickAddTask; }
    Button* showHide() const { return m_showHide; }
    bool largeMargin() const { return m_largeMargin; }
    void setLargeMargin(bool large);
    bool isExpanable() const { return m_isExpanable; }
    void setIsExpanable(bool expandable) { m_isExpanable = expandable; }

    // What the owner does with the field's text and the button; an owner
    // that sets no handler gets no call.
    QObject* parentView() const { return m_parentView; }
    void setParentView(QObject* owner) { m_parentView = owner; }
    void setQuickAddHandler(std::function<void(const QString&)> handler) { m_quickAddHandler = std::move(handler); }
    void setShowHideHandler(std::function<void()> handler) { m_showHideHandler = std::move(handler); }

    // Return in the field: the owner gets a non-empty text; without an
    // owner's handler the field is emptied.
    void quickAdd();
    void selectShowHide();
    // Kind 1 gives the list placeholder; others keep the task one.
    void setPlaceholderTextForQuickAdd(int kind);

    bool doCommand(TextField* field, FieldCommand command) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void layout();

    Date m_date;
    TextField* m_dateTextField = nullptr;
    TextField* m_leftTextField = nullptr;
    TextField* m_quickAddTask = nullptr;
    Button* m_showHide = nullptr;
    bool m_largeMargin = false;
    bool m_isExpanable = false;
    QPointer<QObject> m_parentView;
    std::function<void(const QString&)> m_quickAddHandler;
    std::function<void()> m_showHideHandler;
};
