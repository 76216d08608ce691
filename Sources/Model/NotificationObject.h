#pragma once

#include <QString>
#include <QtGlobal>

// One entry of the list of items and categories with unread comments: what
// the notification popover shows for each of them.
class NotificationObject {
public:
    // The key of the commented item or category.
    qint64 itemKey() const { return m_itemKey; }
    void setItemKey(qint64 key) { m_itemKey = key; }
    // The kind of comment: 0 on an item, 1 on a category.
    qint64 itemType() const { return m_itemType; }
    void setItemType(qint64 type) { m_itemType = type; }
    // The item's or the category's name; null for a kind without a name.
    QString textShow() const { return m_textShow; }
    void setTextShow(const QString& text) { m_textShow = text; }
    // How many of its comments are unread.
    qint64 numberValue() const { return m_numberValue; }
    void setNumberValue(qint64 count) { m_numberValue = count; }

private:
    qint64 m_itemKey = 0;
    qint64 m_itemType = 0;
    QString m_textShow;
    qint64 m_numberValue = 0;
};
