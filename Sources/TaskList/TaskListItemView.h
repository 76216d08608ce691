#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "TableRowView.h"

#include <QColor>
#include <QImage>

#include <memory>

class Button;
class LinkListForTableItem;
class SegmentedControl;
class TextField;

// Where the controls of an item row go: a pure function of the item's
// kind, the widths of its texts, the task pane's filter, whether it has
// links and the row's size. Coordinates run down from the row's top left.
struct ItemRowLayoutInput {
    enum class Kind { TimedEvent, AllDayEvent, MultiDayAllDayEvent, ScheduledTask, Task, Other };
    Kind kind = Kind::Task;
    // The row's context: 0 ordinary list, 3 history of done tasks, 5 search.
    int rowType = 0;
    bool isDone = false;
    bool hasDue = false;
    // The done box is on and the task is overdue: the due filter shows no
    // due text then.
    bool overdueAndTicked = false;
    qint64 filter = 0;
    bool hasLink = false;
    // Widths in their fonts: the time text (the day text for a one-day
    // all-day event), the information text (0 when there is none) and the
    // due or duration text (0 when there is none).
    double timeTextWidth = 0;
    bool hasInfo = false;
    double infoTextWidth = 0;
    double dueTextWidth = 0;
    double width = 0;
    double height = 55;
};

struct ItemRowLayout {
    QRectF name, time, day, moreInfo, dueInfo, links;
    bool doneShown = false, starShown = false, timeShown = false, dayShown = false;
    bool moreInfoShown = false, dueInfoShown = false, linksShown = false;
    // False for kinds the row leaves as they are.
    bool arranged = true;
};

// The one row of every item list: the item's name in its category's
// colour, a done box and a star for tasks, the times and days of events,
// a grey line of more information (repeat rule, location, delegation, due
// text or duration), the item's links, an accept/reject control for a task
// another user delegated to the account's user, and a must-do bar. It also
// carries the row's own actions. Its controls are built when the row is
// first laid out, so a long list makes only the rows in view. Flipped.
class TaskListItemView : public TableRowView {
    Q_OBJECT

public:
    explicit TaskListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TaskListItemView() override;

    // ---- pure parts ------------------------------------------------------
    static ItemRowLayout layoutFor(const ItemRowLayoutInput& input);
    // 0 due on a later day, 1 today, 2 overdue, 4 no due date.
    static int typeOfDueFor(const Task& task, const Date& today);
    // The pending text of a delegation from `from` to `to`.
    static QString pendingStringFrom(const Date& from, const Date& to);
    // The number that text shows (days when the day text is used).
    struct PendingCount {
        bool inDays = false;
        qint64 count = 1;
    };
    static PendingCount pendingCountFrom(const Date& from, const Date& to);
    static ItemRowLayoutInput::Kind kindOf(const Task& task);
    // The information line of an item for the account user; empty for none.
    static QString informationTextFor(const Task& task, const QString& userName, const Date& now);
    // The time and day texts of an event or scheduled task.
    static std::pair<QString, QString> timeAndDayTextsFor(const Task& task);
    // Whether the row offers accept/reject for the account user.
    static bool offersAcceptReject(const Task& task, const QString& userName);

    // ---- the row -----------------------------------------------------------
    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    TaskPtr task() const { return m_task; }
    void setTask(const TaskPtr& task);
    // Takes the item now and binds the controls, tool tip and done and star
    // states at the row's first use: when it is laid out, shown, asked for
    // a control or its states. A list reload hands thousands of rows their
    // items, few of them in view; a row given the item it held costs a flag.
    void setTaskWhenUsed(const TaskPtr& task);
    // Rows that share a load mark: moving the mark on makes every such row
    // bind again at its first use, as setTaskWhenUsed with its own item
    // would, without touching the rows.
    void followLoadMark(std::shared_ptr<const quint64> mark) { m_loadMark = std::move(mark); }
    bool isBindingPending() const
    {
        catchUpWithLoadMark();
        return m_bindingPending;
    }
    void bindIfPending();
    bool needLeftAlign() const { return m_needLeftAlign; }
    void setNeedLeftAlign(bool need) { m_needLeftAlign = need; }
    bool isPopoverReloadAfterDoAction() const { return m_isPopoverReloadAfterDoAction; }
    void setIsPopoverReloadAfterDoAction(bool flag);
    bool isAssetNeedGrayout() const { return m_isAssetNeedGrayout; }
    void setIsAssetNeedGrayout(bool flag);
    // Asked of the data manager on first use after setTask: a long list
    // asks only for the rows it lays out.
    bool hasLink() const;
    int doneStatus() const;
    int starStatus() const;
    int typeOfDue() const;
    bool isMustDo() const;
    QColor projectColor() const;

    // The controls (built on first use).
    TextField* taskName();
    TextField* timeTextField();
    TextField* dayTextField();
    TextField* dueInfoField();
    TextField* moreInfoField();
    Button* doneBtn();
    Button* starBtn();
    SegmentedControl* acceptRejectBtn();
    LinkListForTableItem* linkItem();
    bool hasBuiltControls() const { return m_taskName != nullptr; }
    // The icon drawn at the left edge; null when the kind has none.
    QImage icon() const { return m_icon; }

    // Lays the row out by kind (called on every size change).
    void arrangeSubViews();
    // Name (struck through when done), done box and typeOfDue again.
    void reload();
    bool isNameStruckThrough() const;
    void makeIconItem();

    // The actions of the controls.
    void selectDone();
    void selectStar();
    void selectDelegateStatus(int tag);
    void applyDelete();
    // The name field's edit ended with this text.
    void changeTaskName(const QString& text);

    void drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;
    bool event(QEvent* event) override;

private:
    void ensureControls();
    void bindControls();
    void placeFixedControls();
    void renderBackground();
    void setTextsColor(const QColor& color);
    void postTaskChanged();

    TaskPtr m_task;
    int m_type = 0;
    bool m_needLeftAlign = false;
    bool m_isPopoverReloadAfterDoAction = false;
    bool m_isAssetNeedGrayout = false;
    mutable bool m_hasLink = false;
    mutable bool m_hasLinkKnown = false;
    // The name last given as the tool tip: a rebind of thousands of rows
    // compares with it instead of reading the widget's own.
    QString m_toolTipName;
    // Mutable: a row catches up with a moved load mark when it is asked.
    mutable bool m_firstLoad = true;
    mutable bool m_bindingPending = false;
    std::shared_ptr<const quint64> m_loadMark;
    mutable quint64 m_boundAtMark = 0;
    void catchUpWithLoadMark() const;
    // The due state and the category's colour, worked out on first use after
    // setTask: a reload rebinds thousands of rows, few of them shown.
    void deriveLooks() const;
    mutable bool m_looksKnown = true;
    mutable int m_typeOfDue = 4;
    int m_doneState = 0;
    int m_starState = 0;
    mutable QColor m_projectColor;

    TextField* m_taskName = nullptr;
    TextField* m_timeTextField = nullptr;
    TextField* m_dayTextField = nullptr;
    TextField* m_dueInfoField = nullptr;
    TextField* m_moreInfoField = nullptr;
    Button* m_doneBtn = nullptr;
    Button* m_starBtn = nullptr;
    SegmentedControl* m_acceptRejectBtn = nullptr;
    LinkListForTableItem* m_linkItem = nullptr;
    QImage m_doneBtnNormal, m_doneCheckboxNormal, m_doneBtnSelected, m_doneCheckboxSelected;
    QImage m_bgImg;
    QImage m_icon;
};
