#pragma once

#include "ControlState.h"
#include "Font.h"
#include "View.h"

#include <QColor>
#include <QImage>
#include <QPointer>

#include <functional>

class QShortcut;

enum class ButtonType {
    MomentaryPushIn,  // a push button: looks pressed while held, keeps no state
    PushOnPushOff,    // each click flips the state; the bezel looks pressed while on
    Toggle,           // each click flips the state; shows the alternate image while on
};

// Where the image goes relative to the title.
enum class ImagePosition {
    NoImage,        // the title only
    ImageOnly,      // the image only (the title still shows when there is no image)
    ImageLeft,
    ImageRight,
    ImageAbove,
    ImageBelow,
    ImageOverlaps,  // the title drawn over the image, both centred
};

// A title with its own colour, font and alignment.
struct AttributedTitle {
    QString text;
    QColor color;
    Font font;
    Qt::Alignment alignment = Qt::AlignCenter;
};

// A push button or a toggle, bordered (a rounded bezel) or not, with a title
// and an image. The action runs on a mouse-up inside the button, after the
// state has flipped; a release outside does nothing.
class Button : public View {
    Q_OBJECT

public:
    explicit Button(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~Button() override;

    ButtonType buttonType() const { return m_type; }
    void setButtonType(ButtonType type);

    QString title() const { return m_title; }
    void setTitle(const QString& title);
    // The title with the button's colour, font and alignment.
    AttributedTitle attributedTitle() const;
    void setAttributedTitle(const AttributedTitle& title);
    // The title's colour; a button without a title answers the standard
    // control text colour (black), whatever was set.
    QColor textColor() const;
    // Recolours the whole title, now and for titles set later by setTitle.
    void setTextColor(const QColor& color);
    // The kit font the title is measured and drawn in (the system font at
    // 13 px unless set). Qt's own QWidget::font() plays no part.
    const Font& textFont() const { return m_font; }
    void setTextFont(const Font& font);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    QImage alternateImage() const { return m_alternateImage; }
    void setAlternateImage(const QImage& image);
    ImagePosition imagePosition() const { return m_imagePosition; }
    void setImagePosition(ImagePosition position);
    // The image showing now: the alternate one while a toggle is on.
    QImage currentImage() const;

    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered);

    int state() const { return m_state; }
    // Any value other than on or mixed is off.
    void setState(int state);

    // The action runs while the receiver lives; a destroyed receiver's
    // action is never called. A null receiver ties the action to nothing.
    // The action is one callable rather than a selector, so the receiver is
    // only there to end it.
    void setTarget(QObject* receiver, std::function<void(Button*)> action);

    // A character and a modifier mask (Event.h flags; 0 for the bare key):
    // pressing it while the button's window is active clicks the button, if
    // the button is shown and enabled. An empty text removes it.
    void setKeyEquivalent(const QString& key, unsigned modifierMask = 0);
    QString keyEquivalent() const { return m_keyEquivalent; }
    unsigned keyEquivalentModifierMask() const { return m_keyEquivalentModifiers; }

    // A click as the user makes it: flips the state of a toggle, then runs
    // the action. Nothing happens while the button is disabled.
    void performClick();

    // Pressed and the mouse still inside.
    bool isHighlighted() const { return m_highlighted; }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void keyDown(const Event& event) override;

    struct ContentLayout {
        QRectF imageRect;  // empty when no image is drawn
        QRectF titleRect;  // empty when no title is drawn
    };
    // Places an image and a one-line title in the content rectangle (y
    // down). The image shrinks, keeping its proportions, to leave the title
    // its line; a title wider than the room is given the room.
    static ContentLayout contentLayout(const QRectF& content, const QSizeF& imageSize, const QSizeF& titleSize,
                                       ImagePosition position);

protected:
    void changeEvent(QEvent* event) override;

private:
    void setHighlighted(bool highlighted);
    bool contains(const Event& event) const;
    QRectF contentRect() const;
    ImagePosition effectivePosition(const QImage& image) const;

    ButtonType m_type = ButtonType::MomentaryPushIn;
    QString m_title;
    QColor m_titleColor;
    Font m_font;  // the system font
    Qt::Alignment m_alignment = Qt::AlignCenter;
    QImage m_image;
    QImage m_alternateImage;
    ImagePosition m_imagePosition = ImagePosition::NoImage;
    bool m_bordered = true;
    int m_state = OffState;
    bool m_highlighted = false;
    bool m_tracking = false;
    bool m_hasReceiver = false;
    QPointer<QObject> m_receiver;
    std::function<void(Button*)> m_action;
    QString m_keyEquivalent;
    unsigned m_keyEquivalentModifiers = 0;
    QList<QShortcut*> m_shortcuts;
};
