#pragma once

#include "ModelTypes.h"
#include "View.h"

#include <QColor>
#include <QPointer>

#include <vector>

class Button;
#include "DetailViewController.h"

// The strip of link buttons under an item in a list row: one borderless,
// underlined button per linked item, named by its title, left to right as
// far as the strip's width allows (at most ten). A click opens the linked
// item's editor beside its button; a greyed strip (a row shown as a linked
// item) draws no underline and ignores clicks. Flipped.
class LinkListForTableItem : public View {
    Q_OBJECT

public:
    static constexpr int maximumButtons = 10;
    static constexpr double buttonHeight = 15;
    static constexpr double maximumButtonWidth = 80;
    static constexpr double buttonGap = 5;

    explicit LinkListForTableItem(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~LinkListForTableItem() override;

    // The frames of the buttons for titles of these widths (the title's
    // width in the buttons' font) in a strip this wide: a pure function.
    static std::vector<QRectF> buttonFramesFor(const std::vector<double>& titleWidths, double stripWidth);

    void setLinkItems(const TaskList& items, const TaskPtr& item);
    void setLinkItems(const TaskList& items);
    const TaskList& linkItems() const { return m_linkItems; }
    TaskPtr item() const { return m_item; }
    // Titles the buttons in the colour (underlined unless greyed).
    void setColor(const QColor& color);
    QColor color() const { return m_color; }
    bool grayOut() const { return m_grayOut; }
    void setGrayOut(bool grayOut);

    const std::vector<Button*>& linkViews() const { return m_linkViews; }
    // Opens the linked item whose key is the button's tag.
    void linkRedirect(Button* button);
    DetailViewController* detailViewController() const { return m_detailViewController; }

    bool isFlipped() const override { return true; }

private:
    void reloadLinkList(const LinkPtr& link);

    TaskPtr m_item;
    TaskList m_linkItems;
    std::vector<Button*> m_linkViews;
    QColor m_color;
    bool m_grayOut = false;
    QPointer<DetailViewController> m_detailViewController;
};
