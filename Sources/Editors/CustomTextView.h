#pragma once

#include "Font.h"
#include "View.h"

#include <QString>

#include <functional>

class QPlainTextEdit;

// Multi-line editable text of the editors (titles, notes): plain text on a
// clear background, a grey watermark while it is empty and not being
// typed into, and two calls for the owner: the end of an edit (the focus
// leaves after the user changed the text) and every move of the caret or
// selection. The text view scrolls itself vertically when it is taller
// than its frame.
class CustomTextView : public View {
    Q_OBJECT

public:
    CustomTextView(const QRectF& frame, const QString& watermarkText, QWidget* parent = nullptr);
    ~CustomTextView() override;

    QString string() const;
    // Counts as no edit.
    void setString(const QString& text);
    QString watermarkText() const { return m_watermark; }

    bool isEditable() const;
    void setEditable(bool editable);

    Font textFont() const { return m_font; }
    // The font of the text; a line height above 0 fixes every line to it.
    void setTextFont(const Font& font, double lineHeight = 0);
    double lineHeight() const { return m_lineHeight; }

    void selectAll();
    QPlainTextEdit* editor() const { return m_editor; }

    void setOnEndEditing(std::function<void(CustomTextView*)> onEnd) { m_onEndEditing = std::move(onEnd); }
    void setOnSelectionChanged(std::function<void(CustomTextView*)> onChange)
    {
        m_onSelectionChanged = std::move(onChange);
    }

    // Whether the watermark shows now.
    bool showsWatermark() const;

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyLineHeight();

    QPlainTextEdit* m_editor = nullptr;
    QString m_watermark;
    Font m_font;
    double m_lineHeight = 0;
    bool m_edited = false;
    bool m_settingText = false;
    std::function<void(CustomTextView*)> m_onEndEditing;
    std::function<void(CustomTextView*)> m_onSelectionChanged;
};
