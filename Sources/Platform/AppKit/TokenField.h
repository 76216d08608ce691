#pragma once

#include "Font.h"
#include "View.h"

#include <QString>
#include <QStringList>

#include <functional>

class QLineEdit;

// A field of tokens: each finished entry is a rounded box, and a line editor
// after the last box takes the next one. Return, Enter or Tab turns the
// typed text into a token; a tokenizing character (a comma unless the owner
// sets others), typed or pasted, splits the text there at once, so no token
// ever holds one. Backspace in an empty editor takes the last token away. Up and Down walk the completions of the typed text (none
// is chosen until the user asks), which come from the owner's provider.
//
// The field keeps its frame: the owner decides its height, in whole lines
// of `lineHeight` points, from `fittingWidth()`, the width every token
// (and the text being typed) would take on one line.
class TokenField : public View {
    Q_OBJECT

public:
    static constexpr double lineHeight = 19;
    static constexpr double tokenHeight = 15;
    static constexpr double tokenGap = 3;
    static constexpr double inset = 2;

    explicit TokenField(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TokenField() override;

    // The tokens, in order. Setting them drops the typed text and counts as
    // no edit; empty or blank entries are left out.
    QStringList objectValue() const { return m_tokens; }
    void setObjectValue(const QStringList& tokens);
    // The text typed after the last token, not yet a token.
    QString typedText() const;
    // Makes the typed text (trimmed) the last token, as Return would; false
    // when there was none. For a form saved while text is still being typed.
    bool tokenizeTypedText();
    // The characters that end a token where they are typed; "," at first.
    QString tokenizingCharacters() const { return m_tokenizingCharacters; }
    void setTokenizingCharacters(const QString& characters) { m_tokenizingCharacters = characters; }

    QString placeholderString() const { return m_placeholder; }
    void setPlaceholderString(const QString& placeholder);
    Font textFont() const { return m_font; }
    void setTextFont(const Font& font);

    // Called with the typed text; answers the names to offer, in order.
    using CompletionProvider = std::function<QStringList(const QString& substring)>;
    void setCompletionProvider(CompletionProvider provider) { m_completionProvider = std::move(provider); }
    // What the provider offered for the text typed last.
    QStringList currentCompletions() const { return m_completions; }

    // Every change of the tokens or the typed text by the user.
    void setOnTextChanged(std::function<void(TokenField*)> onChange) { m_onTextChanged = std::move(onChange); }
    // The end of one edit: Return in an empty editor, Tab, or the focus
    // leaving after the user changed something. Each edit is reported once.
    void setOnEndEditing(std::function<void(TokenField*)> onEnd) { m_onEndEditing = std::move(onEnd); }

    // The width all tokens and the typed text need on one line.
    double fittingWidth() const;
    static double tokenWidth(const QString& token, const Font& font);
    // Whole lines for content of that width in a field that wide; at least one.
    static int linesForWidth(double contentWidth, double fieldWidth);
    // Where each token goes in a field of that width (y down from the top):
    // left to right, a new line when the next one does not fit.
    static QList<QRectF> tokenFrames(const QList<double>& widths, double fieldWidth);

    // Whether the name begins with the prefix once case and accents are set
    // aside ("École" begins with "ec").
    static bool hasPrefixIgnoringCaseAndDiacritics(const QString& name, const QString& prefix);

    QLineEdit* editor() const { return m_editor; }

    void mouseDown(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QList<QRectF> currentTokenFrames() const;
    void placeEditor();
    bool splitTypedTextAtTokenizingCharacters();
    void typedTextEdited();
    void chooseCompletion(int step);
    void userChanged();
    void endEditing();

    QStringList m_tokens;
    QString m_placeholder;
    QString m_tokenizingCharacters = QStringLiteral(",");
    Font m_font;
    QLineEdit* m_editor = nullptr;
    CompletionProvider m_completionProvider;
    QStringList m_completions;
    QString m_typedBeforeCompletion;
    int m_completionIndex = -1;
    bool m_edited = false;
    std::function<void(TokenField*)> m_onTextChanged;
    std::function<void(TokenField*)> m_onEndEditing;
};
