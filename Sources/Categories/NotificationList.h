#pragma once

#include "NotificationObject.h"
#include "TableRowView.h"
#include "TableView.h"
#include "View.h"

#include <QPointer>

#include <vector>

class ScrollView;
class TextField;

// One row of the comment-notification list: how many comments are unread
// over the name of the item or project they are on.
class NotificationItemView : public TableRowView {
    Q_OBJECT

public:
    static constexpr double rowHeight = 45;

    explicit NotificationItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NotificationItemView() override;

    void setDataObject(const NotificationObject& entry);
    const NotificationObject& dataObject() const { return m_dataObject; }
    TextField* unreadNumberLabel() const { return m_unreadNumberLabel; }
    TextField* itemInfo() const { return m_itemInfo; }

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    TextField* m_unreadNumberLabel = nullptr;
    TextField* m_itemInfo = nullptr;
    NotificationObject m_dataObject;
};

// The rows of every item and project with unread comments, as the data
// manager counts them when the list loads. A row's view is made when it
// first comes into view, so a long list opens in one frame. A click opens
// the row's item in its editor, or the project in its detail panel, on the
// conversation tab.
class NotificationTableView : public TableView {
    Q_OBJECT

public:
    // The conversation tab of the editors and of the project detail.
    static constexpr int conversationTab = 1;

    explicit NotificationTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NotificationTableView() override;

    void loadData();
    // The entries of the last load, one per row.
    const std::vector<NotificationObject>& entries() const { return m_entries; }
    // The row's view, made now if it was not yet; null past the end.
    NotificationItemView* rowAt(int row);
    // 45 for each row of the last load.
    double totalHeight() const { return m_totalHeight; }

    // Opens what the row is about; nothing for an item or project that no
    // longer exists, or for a kind that is neither.
    static void openEntry(const NotificationObject& entry);

    int numberOfRows() const override { return int(m_entries.size()); }
    TableRowView* rowViewForRow(int row) override;
    double heightOfRow(int) const override { return NotificationItemView::rowHeight; }
    void mouseDown(const Event& event) override;

private:
    std::vector<NotificationObject> m_entries;
    std::vector<QPointer<NotificationItemView>> m_rows;
    double m_totalHeight = 0;
};

// The notification popover's content: the table in a scroll view, as high
// as its rows up to the main window's height less 100.
class NotificationList : public View {
    Q_OBJECT

public:
    explicit NotificationList(const QRectF& frame = QRectF(0, 0, 300, 100), QWidget* parent = nullptr);
    ~NotificationList() override;

    void reloadData();
    void resize();

    NotificationTableView* notifTableView() const { return m_notifTableView; }
    ScrollView* notifScrollView() const { return m_notifScrollView; }

    bool isFlipped() const override { return true; }

private:
    NotificationTableView* m_notifTableView = nullptr;
    ScrollView* m_notifScrollView = nullptr;
};
