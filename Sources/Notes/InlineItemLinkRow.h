#pragma once

#include "LinkListTableView.h"
#include "ModelTypes.h"
#include "TableRowView.h"

#include <QPointer>

class Button;
class CustomNSDatePicker;
class CustomNSTextField;
class DetailRow;

// What the in-place event and task editors of a link list share: the title
// across the top, three 19-point rows with a 65-point label column, the bar
// of reveal, detail and done along the bottom, the refresh after done and
// the drawing. A row never shows a selection. Flipped.
class InlineItemLinkRow : public TableRowView, public LinkListRow {
    Q_OBJECT

public:
    static constexpr double titleHeight = 22.8;
    static constexpr double rowHeight = 19;
    static constexpr double labelWidth = 65;
    static constexpr double controlX = 70;
    static constexpr double barButtonHeight = 24;

    InlineItemLinkRow(const QRectF& frame, double barButtonWidth, QWidget* parent = nullptr);
    ~InlineItemLinkRow() override;

    CustomNSTextField* title() const { return m_title; }
    Button* revealBtn() const { return m_revealBtn; }
    Button* detailBtn() const { return m_detailBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }
    bool isPopoverReloadAfterDoAction() const { return m_isPopoverReloadAfterDoAction; }
    void setIsPopoverReloadAfterDoAction(bool flag) { m_isPopoverReloadAfterDoAction = flag; }

    virtual void reveal() = 0;
    virtual void showDetail() = 0;
    virtual void doneEdit() = 0;
    void customResignFirstResponder();

    double linkRowHeight() const override { return LinkListTableView::inlineItemRowHeight; }
    // Only done stores: a reload drops what the row holds.
    bool saveBeforeReload() override { return false; }

    void drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

    // The title to store: the field's text, "untitledText" when empty.
    QString titleToStore() const;
    // Whether the item is still stored (its series, for an occurrence).
    static bool isStillStored(const Task& item);
    // The title's font-size date picker, fitted to its text.
    static void fitDatePicker(CustomNSDatePicker* picker);

protected:
    DetailRow* makeRow(const QString& caption, int index);
    // Reloads the link list and tells the main view the item's key.
    void linkListReload(const TaskPtr& item);
    void showDetailOf(const TaskPtr& item);
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void placeBar();

    CustomNSTextField* m_title = nullptr;
    Button* m_revealBtn = nullptr;
    Button* m_detailBtn = nullptr;
    Button* m_doneBtn = nullptr;
    double m_barButtonWidth = 90;
    QPointer<View> m_parentView;
    bool m_isPopoverReloadAfterDoAction = false;
};
