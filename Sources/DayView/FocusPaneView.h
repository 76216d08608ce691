#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "MonthView.h"
#include "View.h"

#include <QPointer>

class Button;
class CustomNSView;
class FocusPaneDetailView;
class GuruViewController;

class QMimeData;
class ResizeView;
class ScrollView;
class TextField;

// The strip over the hour grid that lists what of the selected day has no
// place on it: a 30-point header (collapse toggle, date title, help button
// shown on hover), the scrolling list and the 10-point resize handle under
// it. Flipped. Tasks and notes dropped on it move to the selected day.
class FocusPaneView : public View {
    Q_OBJECT

public:
    static constexpr double headerHeight = 30;
    static constexpr double handleHeight = 10;

    explicit FocusPaneView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~FocusPaneView() override;

    MonthView* monthView() const { return m_monthView; }
    void setMonthView(MonthView* monthView) { m_monthView = monthView; }

    // The title, the selected day's rows and every size.
    void reloadData();
    void showDayTitle();
    // The list's scroll view takes the shared list height.
    void rearrangeView();
    // Moves the handle under that many rows (fractions allowed) and tells
    // the day pane by how much.
    void needResizeWithNumOfTask(double rows);
    // The toggle's action: collapses the list to the header (on) or lets it
    // grow to its rows, as far as the day pane allows (off).
    void maximizeFocusPane();
    // Shows the day calendar's help tip.
    void guru();
    QRectF guruRect() const;

    // The title for a selected day and the month on display; Japanese
    // readers get year and month of the month shown, then the day.
    static QString dayTitle(const Date& currentDay, const Date& monthDate, const QString& language);

    // Drops: what a drag over the pane may do, and the drop itself. Only
    // a task or a note that is not shared, dragged inside the program.
    // The item a drag carries when the pane takes it; null otherwise.
    static TaskPtr itemForDrop(const QMimeData& data, bool fromThisProgram);
    unsigned draggingEntered(const QMimeData& data, bool fromThisProgram) const;
    bool performDragOperation(const QMimeData& data, bool fromThisProgram);

    FocusPaneDetailView* focusPaneDetailView() const { return m_focusPaneDetailView; }
    ResizeView* focusPaneResizeView() const { return m_focusPaneResizeView; }
    Button* maximizeBtn() const { return m_maximizeBtn; }
    Button* guruBtn() const { return m_guruBtn; }
    TextField* dayLabel() const { return m_day; }
    View* pointerView() const { return m_pointerView; }
    ScrollView* contentScrollView() const { return m_contentScrollView; }
    CustomNSView* contentView() const { return m_contentView; }
    GuruViewController* guruViewController() const { return m_guruViewController; }

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;
    void updateTrackingAreas() override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    Date selectedDay() const;
    void ensureTrackingArea();

    QPointer<MonthView> m_monthView;
    TextField* m_day = nullptr;
    Button* m_maximizeBtn = nullptr;
    Button* m_guruBtn = nullptr;
    View* m_pointerView = nullptr;
    int m_guruTrackingArea = 0;
    GuruViewController* m_guruViewController = nullptr;
    ScrollView* m_contentScrollView = nullptr;
    CustomNSView* m_contentView = nullptr;
    FocusPaneDetailView* m_focusPaneDetailView = nullptr;
    ResizeView* m_focusPaneResizeView = nullptr;
};
