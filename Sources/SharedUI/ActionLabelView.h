#pragma once

#include "View.h"

#include <QPointer>
#include <QVariant>

class Font;
class TextField;

// A label that can be clicked: the planner's day cells show their dates
// with it. Its text stands 15 points in from both sides; a click (on the
// mouse-up) calls the target's labelClickAction slot with the object given
// to addTarget.
class ActionLabelView : public View {
    Q_OBJECT

public:
    static constexpr double sideInset = 15;

    explicit ActionLabelView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~ActionLabelView() override;

    void setFont(const Font& font, Qt::Alignment aligment);
    void setTextColor(const QColor& color);
    void setStringValue(const QString& text);
    TextField* label() const { return m_label; }

    // The target needs a slot or invokable method
    // `labelClickAction(const QVariant&)`. A target destroyed meanwhile is
    // not called.
    void addTarget(QObject* target, const QVariant& object);
    QObject* clickTarget() const { return m_clickTarget; }
    QVariant obj() const { return m_obj; }

    bool isFlipped() const override { return true; }
    void mouseUp(const Event& event) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void placeLabel();

    TextField* m_label = nullptr;
    QPointer<QObject> m_clickTarget;
    QVariant m_obj;
};
