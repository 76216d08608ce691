#pragma once

#include "View.h"

class TextField;

// The content of a help tip: the tip's text, wrapped in a fixed width.
class GuruView : public View {
    Q_OBJECT

public:
    static constexpr double width = 260;

    explicit GuruView(QWidget* parent = nullptr);
    ~GuruView() override;

    // Shows the text and takes the height it needs.
    void setText(const QString& text);
    QString text() const;

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    TextField* m_label = nullptr;
};
