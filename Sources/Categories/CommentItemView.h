#pragma once

#include "ModelTypes.h"
#include "TableRowView.h"

class TextField;

// One comment of a conversation: the writer's name and the date on the top
// line, the text wrapped below, all on a light blue rounded bubble. The row
// is as high as its text needs, set when the comment is given.
class CommentItemView : public TableRowView {
    Q_OBJECT

public:
    // The bubble of every comment, the user's own or another's.
    static QColor bubbleColor();
    static constexpr double bubbleRadius = 5;
    // The row's height at first; setCommentData sets the real one.
    static constexpr double startingHeight = 55;

    explicit CommentItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CommentItemView() override;

    // Shows the comment and sets the content field's and the row's heights
    // from its text at the content field's width.
    void setCommentData(const ZVCommentPtr& comment);

    TextField* commentor() const { return m_commentor; }
    TextField* commentTime() const { return m_commentTime; }
    TextField* commentContent() const { return m_commentContent; }
    // Where the bubble is drawn, in the row's coordinates.
    QRectF bubbleRect() const;

    // The row's own layers, then the bubble over them.
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    TextField* m_commentor = nullptr;
    TextField* m_commentTime = nullptr;
    TextField* m_commentContent = nullptr;
};
