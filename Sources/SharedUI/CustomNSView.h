#pragma once

#include "View.h"

#include <QColor>

// The plain flipped view most containers are made of: it paints its
// background colour over its whole bounds and carries a 64-bit tag of the
// caller's. The grid, the panes and the planners draw on top of it.
class CustomNSView : public View {
    Q_OBJECT

public:
    explicit CustomNSView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CustomNSView() override;

    // Invalid until set: the view then paints nothing of its own.
    QColor backgroundColor() const { return m_backgroundColor; }
    // Does not redraw by itself; the owner asks when it is ready.
    void setBackgroundColor(const QColor& color) { m_backgroundColor = color; }

    qint64 tag() const { return m_tag; }
    // View::viewWithTag finds the view by the tag too while it fits an int.
    void setTag(qint64 tag);

    bool isFlipped() const override { return true; }
    // The whole bounds, not only the part to redraw: subclasses draw over a
    // clean background whatever was invalidated.
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    QColor m_backgroundColor;
    qint64 m_tag = 0;
};
