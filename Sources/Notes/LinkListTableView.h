#pragma once

#include "Menu.h"
#include "ModelTypes.h"
#include "TableView.h"

#include <QPointer>

#include <vector>

struct Event;

// A row of a link list that edits or adds an item in place (the note
// editor, the quick-add row, the event and task editors): its item (none
// for the quick-add row) and the height the list gives it. The list leaves
// clicks in such a row to the row.
class LinkListRow {
public:
    virtual ~LinkListRow();
    virtual TaskPtr linkedItem() const = 0;
    virtual double linkRowHeight() const = 0;
    // Saves what the row holds without reloading its list; the list asks
    // this before it builds its rows anew. Answers whether anything was
    // stored.
    virtual bool saveBeforeReload() = 0;
    // The row is about to leave its list: a later end of editing saves
    // (when anything is left to save) but no longer reloads the list.
    void retire() { m_retired = true; }
    bool isRetired() const { return m_retired; }

private:
    bool m_retired = false;
};

// A page that holds a link list and lays itself out around it.
class LinkListHost {
public:
    virtual ~LinkListHost();
    virtual void updateView() = 0;
    // Re-lays out for an open row of that extra height (the kind is unused).
    virtual void updateViewWithExtendHeight(double extendHeight, int expandType)
    {
        (void)extendHeight;
        (void)expandType;
        updateView();
    }
};

// The items linked to one item, one row each: notes, then tasks, then
// events. In expanding mode (the Links page) the first linked note is open
// as an in-place editor, or, without a linked note, a row for a new linked
// note stands on top; a click opens another note in place and asks the page
// for room. A right click offers Unlink and Reveal; a double click opens
// the item's editor in the main window. Flipped; its own data source.
class LinkListTableView : public TableView {
    Q_OBJECT

public:
    static constexpr double plainRowHeight = 55;
    static constexpr double noteEditorRowHeight = 346;
    static constexpr double quickAddRowHeight = 213;
    static constexpr double inlineItemRowHeight = 110.8;
    static constexpr double editorViewHeight = 344;
    // What an open row adds to the page's list area.
    static constexpr double noteExtendHeight = 289;
    static constexpr double quickAddExtendHeight = 158;

    explicit LinkListTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkListTableView() override;

    std::vector<TableRowView*> arrayOfLinks() const;
    TaskPtr currentItem() const { return m_currentItem; }
    void setCurrentItem(const TaskPtr& item) { m_currentItem = item; }
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }
    bool canExpandEditDetail() const { return m_canExpandEditDetail; }
    void setCanExpandEditDetail(bool can) { m_canExpandEditDetail = can; }
    bool isNoteFirst() const { return m_isNoteFirst; }
    void setIsNoteFirst(bool first) { m_isNoteFirst = first; }
    TableRowView* selectedItem() const { return m_selectedItem; }
    qint64 selectedIndex() const { return m_selectedIndex; }
    bool isLoading() const { return m_isLoading; }

    // Builds the rows anew from the stored links; what an open row holds is
    // saved first. A load asked for while one runs, or while a question is
    // open (then it runs once the question closed), leaves the rows alone.
    void loadCurrentLinks();
    void addExtLinks(const TaskList& items);
    // Hosts an in-place row (the event and task editors) in place of the
    // row at that index, which goes; the list takes the row over. It lasts
    // until the next load.
    void setInPlaceRow(int row, TableRowView* view);
    // The done and star toggles of task rows and the quick-add row's text;
    // true when anything was saved.
    bool saveChanges(bool notify);
    void doUnlink(const TaskPtr& item);
    void unlink();
    void reveal();
    void showDetail();
    void customResignFirstResponder();

    // The item a row stands for (none for the quick-add row).
    static TaskPtr itemOfRow(const TableRowView* row);
    // A row's height by its kind.
    static double heightForRow(const TableRowView* row);

    // The chain that shows a linked item in the main window; false when no
    // pane showed it (the caller then shows the hidden-link alert).
    static bool revealInMainWindow(const TaskPtr& item);
    static void showHiddenLinkAlert();
    // Whether the linked item still stands (not deleted since the list was
    // loaded) in a category that is shown.
    static bool isItemReachable(const TaskPtr& item);

    int numberOfRows() const override { return int(m_rows.size()); }
    TableRowView* rowViewForRow(int row) override;
    double heightOfRow(int row) const override;

    void mouseDown(const Event& event) override;
    void rightMouseDown(const Event& event) override;
    void keyDown(const Event& event) override;
    Menu menuForEvent(const Event& event);

private:
    TableRowView* makeNoteEditor(const TaskPtr& note, const QRectF& frame);
    TableRowView* makeItemRow(const TaskPtr& item, bool grayout);
    TableRowView* makeNoteRow(const TaskPtr& note, bool grayout);
    // Saves the open rows, each once, without reloading; true when any
    // stored something.
    bool saveOpenRows();
    void dropRows(std::vector<QPointer<TableRowView>>& rows);
    void relayoutHost();
    void postAutoSync(qint64 what) const;

    std::vector<QPointer<TableRowView>> m_rows;
    TaskPtr m_currentItem;
    QPointer<View> m_parentView;
    bool m_canExpandEditDetail = false;
    bool m_isNoteFirst = false;
    QPointer<TableRowView> m_selectedItem;
    // The note row behind the editor opened at load; it counts as the
    // selected row without being a row of the list.
    TableRowView* m_firstNoteRow = nullptr;
    qint64 m_selectedIndex = -1;
    bool m_isLoading = false;
    bool m_reloadWaits = false;
};
