#pragma once

#include "View.h"

#include <QHash>
#include <QPointer>

class Button;
class CategoryListView;
class GuruViewController;
class ImageSegmentedControl;
class NoteListView;
class TaskListView;

// The right-hand column of the main window when no planner shows: a strip of
// three icon tabs (Tasks, Notes, Projects) over one of the three lists. The
// module number of a tab is its segment's tag (1, 2, 3). While the mouse is
// over a tab a small help button shows at the tab's right end; it opens the
// help tip of that list.
class ListModuleView : public View {
    Q_OBJECT

public:
    enum Module { TaskModule = 1, NoteModule = 2, ProjectModule = 3 };
    static constexpr double tabsHeight = 45;
    static constexpr double helpButtonSize = 20;

    // Builds the strip, the help buttons and the three lists, and shows the
    // task list.
    explicit ListModuleView(const QRectF& frame, QWidget* parent = nullptr);
    ~ListModuleView() override;

    bool isFlipped() const override { return true; }

    // The strip's action: shows the module of the selected segment (nothing
    // while none is selected).
    void menuControl(QObject* sender);
    // Reloads the list in front (nothing for a module number the strip does
    // not know).
    void reloadData();
    // Selects the segment of the module and, for 1, 2 or 3, brings its list
    // to the front with its tab's selected icon. It reloads nothing.
    void setFocusModule(int module);
    // The tag of the selected segment.
    int currentModuleShowing() const;

    // The help buttons' actions: a new help controller shows the tip of the
    // list beside the strip, on its left edge.
    void guruTask(QObject* sender);
    void guruNote(QObject* sender);
    void guruProject(QObject* sender);

    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;

    // The rectangle of a module's tab in the module's coordinates; the
    // whole strip for any other number.
    QRectF guruRect(int module) const;
    // Makes the hover areas over the three tabs that are not made yet; an
    // area once made keeps the tab it was made over.
    void ensureTrackingArea();
    void updateTrackingAreas() override;

    TaskListView* taskListView() const { return m_taskListView; }
    NoteListView* noteListView() const { return m_noteListView; }
    CategoryListView* categoryListView() const { return m_categoryListView; }

    ImageSegmentedControl* tabsView() const { return m_tabsView; }
    // The tabless stack holding the lists, one in front at a time.
    View* tabView() const { return m_tabView; }
    // The identifier of the list in front: "tasks", "notes" or "prjs".
    QString selectedTabIdentifier() const { return m_selectedIdentifier; }
    Button* taskGuruBtn() const { return m_taskGuruBtn; }
    Button* noteGuruBtn() const { return m_noteGuruBtn; }
    Button* projectGuruBtn() const { return m_projectGuruBtn; }
    // The help controller last made; null before the first help request.
    GuruViewController* guruViewController() const { return m_guruViewController; }
    // The rectangles of the hover areas as they were made (empty before).
    QRectF trackingAreaRect(int module) const;

    // The width of each tab of a strip that wide.
    static double tabWidth(double width);

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void selectTabWithIdentifier(const QString& identifier);
    void showGuru(int type);
    void showGuruButtonAt(const QPointF& point);
    Button* makeGuruButton(int module, void (ListModuleView::*action)(QObject*));

    ImageSegmentedControl* m_tabsView = nullptr;
    View* m_tabView = nullptr;
    QHash<QString, View*> m_tabItems;
    QString m_selectedIdentifier;
    TaskListView* m_taskListView = nullptr;
    NoteListView* m_noteListView = nullptr;
    CategoryListView* m_categoryListView = nullptr;
    Button* m_taskGuruBtn = nullptr;
    Button* m_noteGuruBtn = nullptr;
    Button* m_projectGuruBtn = nullptr;
    struct TrackingArea {
        int identifier = 0;
        QRectF rect;
    };
    TrackingArea m_trackingAreas[3];
    GuruViewController* m_guruViewController = nullptr;
};
