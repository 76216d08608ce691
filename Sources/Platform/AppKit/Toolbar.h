#pragma once

#include "Font.h"
#include "View.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// One item of a toolbar: an image with its label below it, and what a click
// on it does.
struct ToolbarItem {
    QString identifier;
    QString label;
    QImage image;
    std::function<void()> action;
};

// A window's toolbar of items, each an image over its label, one of them
// selected at a time. The delegate makes the items from their identifiers
// and may refuse one (no item). A click selects the item, then runs its
// action; code sets the selected identifier without running anything.
class Toolbar : public View {
    Q_OBJECT

public:
    using ItemMaker = std::function<std::optional<ToolbarItem>(const QString& identifier)>;

    static constexpr double height = 58;
    static constexpr double itemWidth = 72;

    Toolbar(const QString& identifier, double width, QWidget* parent = nullptr);
    ~Toolbar() override;

    QString identifier() const { return m_identifier; }
    // Makes the items of the identifiers, in order; those the maker refuses
    // are left out.
    void setItems(const QStringList& identifiers, const ItemMaker& maker);
    const std::vector<ToolbarItem>& items() const { return m_items; }
    // The identifiers of the items held, in toolbar order.
    QStringList selectableItemIdentifiers() const;

    QString selectedItemIdentifier() const { return m_selected; }
    void setSelectedItemIdentifier(const QString& identifier);

    // Where item i is drawn, and the item at a point (-1 for none).
    QRectF itemRect(int index) const;
    int itemAt(const QPointF& point) const;

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDown(const Event& event) override;

private:
    QString m_identifier;
    QString m_selected;
    std::vector<ToolbarItem> m_items;
    Font m_font;
};
