#pragma once

#include <QObject>

class GuruView;
class Popover;
class View;

// The help-tip popover: a short text on the part of the window a tip type
// stands for, shown beside a view. The popover closes on "NSPopOver should
// close" like every popover.
class GuruViewController : public QObject {
    Q_OBJECT

public:
    // The tip types.
    enum TipType { DayCalendarTip = 1, TaskListTip = 2, ProjectListTip = 3, NoteListTip = 5 };

    explicit GuruViewController(QObject* parent = nullptr);
    ~GuruViewController() override;

    // Shows the help view of the tip type in a popover against the view's
    // bounds, on the preferred edge (0 min x, 1 min y, 2 max x, 3 max y, in
    // the view's coordinates; any other number is taken as 0, logged). An
    // unknown type shows a general tip; no view shows nothing.
    void showGuruPopOverAtPositionView(View* view, int type, int position);
    // The same below the view.
    void showGuruPopOverAtPositionView(View* view, int type);

    Popover* popover() const { return m_popover; }
    GuruView* guruView() const { return m_guruView; }
    // The type last shown; 0 before any.
    int shownType() const { return m_shownType; }

    // The text of a tip type (a general tip for an unknown type).
    static QString textForType(int type);

private:
    Popover* m_popover = nullptr;
    GuruView* m_guruView = nullptr;
    int m_shownType = 0;
};
