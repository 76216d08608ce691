#pragma once

#include "View.h"

class ScrollView;
class TextField;

// The content of the category, tag and comment popovers until their
// subsystem fills them: a title over an empty list.
class PopoverListView : public View {
    Q_OBJECT

public:
    static constexpr double width = 220;
    static constexpr double height = 160;

    // The title is shown as given (already localised).
    explicit PopoverListView(const QString& title, QWidget* parent = nullptr);
    ~PopoverListView() override;

    QString title() const;
    TextField* titleLabel() const { return m_titleLabel; }
    ScrollView* listView() const { return m_listView; }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    TextField* m_titleLabel = nullptr;
    ScrollView* m_listView = nullptr;
};
