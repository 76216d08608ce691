#pragma once

#include <QObject>

class GuruView;
class Popover;
class View;

// Shows a pane's tip pictures in a transient popover beside the pane's tip
// button. Each showing builds a new tip at its first page; the popover is
// made when a tip shows and dropped when it closes (a click outside it, or
// "NSPopOver should close").
class GuruViewController : public QObject {
    Q_OBJECT

public:
    // The tip types (see GuruView for their pictures).
    enum TipType {
        MiniMonthTip = 0,
        DayCalendarTip = 1,
        TaskListTip = 2,
        ProjectListTip = 3,
        TagTip = 4,
        NoteListTip = 5,
    };
    // The edge a tip shows on unless its caller names one: the anchor's
    // maximum-y edge.
    static constexpr int defaultEdge = 3;

    explicit GuruViewController(QObject* parent = nullptr);
    ~GuruViewController() override;

    // Shows a new tip of the type beside the view's bounds on the preferred
    // edge (0 min x, 1 min y, 2 max x, 3 max y, in the view's coordinates;
    // any other number is taken as 0, logged). No view shows nothing.
    void showGuruPopOverAtPositionView(View* view, int type, int position);
    void showGuruPopOverAtPositionView(View* view, int type);

    // The popover closed: it is dropped, and the next showing makes another.
    void popoverDidClose();
    // "NSPopOver should close": an open tip closes; nothing else happens.
    void shouldClose();

    // Null while no tip is open.
    Popover* popover() const { return m_popover; }
    GuruView* customView() const { return m_customView; }
    GuruView* guruView() const { return m_customView; }
    // The type last shown; -1 before any.
    int shownType() const { return m_shownType; }

private:
    void dropPopover();

    Popover* m_popover = nullptr;
    GuruView* m_customView = nullptr;
    int m_shownType = -1;
};
