#pragma once

#include "LinkListTableView.h"
#include "ModelTypes.h"
#include "View.h"

#include <QPointer>

class Button;
class CustomNSTextField;
class DetailViewController;
class ScrollView;
class TextField;
class TextView;

// Where the parts of the Links page go, top to bottom, 7 points from the
// edges: a pure function of the page's width, the title text's height, the
// summary's height (0 without one), the list's rows and the extra height
// of its open row.
struct LinkPageLayout {
    QRectF title, summary, heading, list, noLinksLabel, addLink, done;
    double height = 0;
};

// An item's Links page: its title (scrolls past 72 points) and note
// summary, the heading, the link list in expanding mode, Add link and Done.
// It posts "Task changed" with itself as object after Done. Flipped.
class LinkDetailView : public View, public LinkListHost {
    Q_OBJECT

public:
    static constexpr double margin = 7;
    static constexpr double maxTitleHeight = 72;
    static constexpr double titleLineHeight = 18;

    explicit LinkDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkDetailView() override;

    // The height of the title's lines at that width, each titleLineHeight.
    static double titleTextHeight(const QString& title, double textWidth);
    static LinkPageLayout layoutFor(double width, double titleTextHeight, double summaryHeight, int rows,
                                    double extendHeight, bool noLinksLabel);

    TextView* title() const { return m_title; }
    ScrollView* titleScrollView() const { return m_titleScrollView; }
    CustomNSTextField* summary() const { return m_summary; }
    TextField* linkLabel() const { return m_linkLabel; }
    TextField* noLinksLabel() const { return m_noLinksLabel; }
    LinkListTableView* linkListTableView() const { return m_linkListTableView; }
    ScrollView* linksScrollView() const { return m_linksScrollView; }
    Button* addLinkBtn() const { return m_addLinkBtn; }
    Button* doneBtn() const { return m_doneBtn; }
    TaskPtr data() const { return m_data; }
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }
    DetailViewController* detailViewController();

    void loadData(const TaskPtr& item);
    void loadCurrentLinks();
    void updateView() override;
    void updateViewWithExtendHeight(double extendHeight, int expandType) override;
    void addNewLink();
    void done();
    void showDetail();
    void popupEditDetail();
    void popupAddLink();
    void revertInfo() {}
    void customResignFirstResponder();

    void mouseUp(const Event& event) override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    void layOut(double extendHeight);

    TextView* m_title = nullptr;
    ScrollView* m_titleScrollView = nullptr;
    CustomNSTextField* m_summary = nullptr;
    TextField* m_linkLabel = nullptr;
    TextField* m_noLinksLabel = nullptr;
    ScrollView* m_linksScrollView = nullptr;
    LinkListTableView* m_linkListTableView = nullptr;
    Button* m_addLinkBtn = nullptr;
    Button* m_doneBtn = nullptr;
    TaskPtr m_data;
    QPointer<View> m_parentView;
    DetailViewController* m_detailViewController = nullptr;
    LinkPageLayout m_layout;
};
