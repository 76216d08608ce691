#pragma once

#include "Font.h"
#include "View.h"

// A group of controls framed by a rounded, lightly filled panel, with or
// without a title. The controls go into contentView(), inset from the frame,
// which follows the box when it is resized. A title stands on the top edge
// at the left, over the frame's line, and takes more room above the content.
class Box : public View {
    Q_OBJECT

public:
    explicit Box(const QRectF& frame = QRectF(), QWidget* parent = nullptr);

    View* contentView() const { return m_contentView; }
    // The box takes the view as its content (its old content view is
    // deleted) and keeps it inset as the box is resized.
    void setContentView(View* view);

    // Room between the box's edge and its content, on every side but the
    // top of a titled box.
    static constexpr double contentMargin = 5;
    // Room above the content of a titled box: the title's line straddles
    // the frame's top edge, and the content starts below the frame's line.
    static constexpr double titledTopMargin = 10;
    // An untitled box's frame for a content view of that frame (in the
    // box's parent).
    static QRectF frameForContentRect(const QRectF& contentRect);

    QString title() const { return m_title; }
    // An empty title is no title.
    void setTitle(const QString& title);
    const Font& titleFont() const { return m_titleFont; }
    void setTitleFont(const Font& font);
    // This box's frame for a content view of that frame, and the box moved
    // and sized to it.
    QRectF frameForContentFrame(const QRectF& contentFrame) const;
    void setFrameFromContentFrame(const QRectF& contentFrame);

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF contentRectInBounds() const;
    double topMargin() const { return m_title.isEmpty() ? contentMargin : titledTopMargin; }

    View* m_contentView = nullptr;
    QString m_title;
    Font m_titleFont;
};
