#pragma once

#include "LinkListTableView.h"
#include "ModelTypes.h"
#include "View.h"

#include <QPointer>

class Button;
class DetailViewController;
class LinkSearchResultView;
class ScrollView;
class TextField;

// Where the parts of the add-link page go, top to bottom, for a width and
// the numbers of results and current links.
struct AddLinkLayout {
    QRectF searchBox, results, addButton, heading, currentLinks, back, done;
    double height = 0;
};

// The page that links an item to others: a search box, the matches with
// their checkboxes and Add, the item's current links, and Back and Done.
// Back returns by the type of the page that opened it (1 the Links page,
// 2 the task editor, 3 the event editor, 4 the note details, 5 the note
// editor). It posts "Task changed" with itself as object after Done.
// Flipped.
class AddLinkView : public View, public LinkListHost {
    Q_OBJECT

public:
    static constexpr double margin = 7;

    explicit AddLinkView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~AddLinkView() override;

    static AddLinkLayout layoutFor(double width, int results, int currentLinks);

    TextField* searchBox() const { return m_searchBox; }
    LinkSearchResultView* searchResultListView() const { return m_searchResultListView; }
    ScrollView* searchResultScrollView() const { return m_searchResultScrollView; }
    Button* addBtn() const { return m_addBtn; }
    TextField* currentLinkLabel() const { return m_currentLinkLabel; }
    LinkListTableView* currentLinkListTableView() const { return m_currentLinkListTableView; }
    ScrollView* currentLinkScrollView() const { return m_currentLinkScrollView; }
    Button* backBtn() const { return m_backBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    TaskPtr currentItem() const { return m_currentItem; }
    View* rootView() const { return m_rootView; }
    void setRootView(View* view) { m_rootView = view; }
    int previousViewType() const { return m_previousViewType; }
    void setPreviousViewType(int type) { m_previousViewType = type; }

    void loadCurrentData(const TaskPtr& item);
    void search();
    void controlTextDidChange();
    void addLink();
    void back();
    void doneEdit();
    void setAddButtonState();
    void loadCurrentLinks();
    void backToPreviousView();
    void popupEditDetail(const TaskPtr& item, View* positioningView);
    void popupLinkDetail(const TaskPtr& item, View* positioningView);
    void updateView() override;
    void customResignFirstResponder();
    void revertInfo() {}

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    DetailViewController* detailViewController();
    // Done and star toggles of the current list, with AutoSync 10 when any
    // was saved.
    void saveCurrentLinks();

    TextField* m_searchBox = nullptr;
    ScrollView* m_searchResultScrollView = nullptr;
    LinkSearchResultView* m_searchResultListView = nullptr;
    Button* m_addBtn = nullptr;
    TextField* m_currentLinkLabel = nullptr;
    ScrollView* m_currentLinkScrollView = nullptr;
    LinkListTableView* m_currentLinkListTableView = nullptr;
    Button* m_backBtn = nullptr;
    Button* m_doneBtn = nullptr;
    TaskPtr m_currentItem;
    QPointer<View> m_rootView;
    DetailViewController* m_detailViewController = nullptr;
    int m_previousViewType = 0;
    AddLinkLayout m_layout;
};
