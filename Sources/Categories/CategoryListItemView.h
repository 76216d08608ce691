#pragma once

#include "ModelTypes.h"
#include "TableRowView.h"

#include <QColor>
#include <QPointer>

class Button;
class SegmentedControl;
class TextField;

// One category's row in the category list and in the show/hide table: the
// name on the category's tint, a flag on the default category, a "shared
// by" line and, while a share is pending, accept and reject buttons. Bound
// for the list it shows the progress; bound for the show/hide table, a box
// that shows or hides the category. A row is bound once; tables make new
// rows on every rebuild. Main thread only.
class CategoryListItemView : public TableRowView {
    Q_OBJECT

public:
    explicit CategoryListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryListItemView() override;

    // The list's binding, with progress and share state.
    void setCalendar(const CalendarPtr& calendar);
    // The show/hide table's binding, with the check box.
    void setCalendarWithoutInfo(const CalendarPtr& calendar);
    CalendarPtr calendar() const { return m_calendar; }
    bool showInfo() const { return m_showInfo; }
    QColor projectColor() const { return m_projectColor; }

    // The show/hide table that owns the row (none in the list): rebuilt
    // through its loadData slot when showing the category brought nothing
    // into the working list.
    QObject* parentView() const { return m_parentView; }
    void setParentView(QObject* view) { m_parentView = view; }

    Button* hideBtn() const { return m_hideBtn; }
    TextField* categoryName() const { return m_categoryName; }
    TextField* shareInfoField() const { return m_shareInfoField; }
    TextField* firstRow() const { return m_firstRow; }
    TextField* secondRow() const { return m_secondRow; }
    SegmentedControl* acceptRejectBtn() const { return m_acceptRejectBtn; }

    // The box's action: hides or shows the category (never the default).
    void selectHideCategory();
    // The buttons' action: accepts (tag 1) or rejects (tag 2) the pending
    // share through the web sync; without a network it only says so.
    void selectSharedStatus();
    // The name field's text becomes the category's name when it differs.
    void changeCategoryName();

    // The progress of an ordinary category: "done/total - hours hrs", the
    // hours rounded away from zero to one decimal from the exact minutes,
    // and the done share of the planned minutes ("" without planned time).
    struct Progress {
        QString firstRow;
        QString secondRow;
    };
    static Progress taskProgress(qint64 doneCount, qint64 totalCount, qint64 totalMinutes, qint64 doneMinutes);
    // Minutes as hours with at most one decimal, rounded away from zero.
    static QString hoursText(qint64 minutes);

    void drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void bindColorAndShare(const CalendarPtr& calendar);
    void showTaskProgress();
    void setFieldColors(const QColor& color);
    void placeForMode();
    bool isDefaultCategory() const;

    Button* m_hideBtn = nullptr;
    TextField* m_categoryName = nullptr;
    TextField* m_shareInfoField = nullptr;
    TextField* m_firstRow = nullptr;
    TextField* m_secondRow = nullptr;
    SegmentedControl* m_acceptRejectBtn = nullptr;
    CalendarPtr m_calendar;
    QPointer<QObject> m_parentView;
    bool m_showInfo = false;
    QColor m_projectColor;
};
