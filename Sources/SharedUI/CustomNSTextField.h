#pragma once

#include "TextField.h"

// The editable text of the editors, note rows and link panes: plain black
// 12-point text on a clear background at rest, a white box while edited
// (unless needDrawBg is off), and "NSTextField has changed"
// (kTextFieldHasChangedNotification, object the field as a TextField*) at
// the end of each edit. A URL field shows its whole text as a link to
// itself, restyled at every keystroke.
//
// The field uses its end-of-editing call for itself: listen to the
// notification instead of calling setOnEndEditing.
class CustomNSTextField : public TextField {
    Q_OBJECT

public:
    explicit CustomNSTextField(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    // The same in a font of the given size (a size that is not positive gives
    // the system size, logged by the font).
    CustomNSTextField(const QRectF& frame, double fontSize, QWidget* parent = nullptr);

    bool isURL() const { return m_isURL; }
    void setIsURL(bool isURL);
    bool needDrawBg() const { return m_needDrawBg; }
    void setNeedDrawBg(bool needDrawBg);

    // A click on the field's edge puts the focus in it with the editing look.
    void mouseDown(const Event& event) override;
    // The row or list around the field shows its context menu.
    void rightMouseDown(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyFocusLook();
    void becameFocused();
    void controlTextDidChange();
    void controlTextDidEndEditing();
    void resignFirstResponder();

    bool m_isURL = false;
    bool m_needDrawBg = true;
};
