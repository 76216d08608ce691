#include "LinkListForTableItem.h"

#include "Button.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "Drawing.h"
#include "Font.h"
#include "Link.h"
#include "../Model/Notifications.h"
#include "NotificationCenter.h"
#include "Task.h"
#include "TextMeasure.h"

#include <QPainter>

#include <algorithm>

namespace {

Font linkFont()
{
    return Font::fontWithName(QStringLiteral("Lucida Grande"), 11);
}

// A borderless toggle that draws its title centred, underlined unless the
// strip is greyed.
class LinkButton : public Button {
public:
    using Button::Button;
    QString titleText;
    QColor titleColor;
    bool underlined = true;

    void drawRect(QPainter& painter, const QRectF&) override
    {
        if (titleText.isEmpty()) return;
        const Font font = linkFont();
        const QRectF area = bounds();
        Drawing::drawText(painter, titleText, font, titleColor, area, Qt::AlignHCenter | Qt::AlignVCenter,
                          Qt::ElideRight);
        if (!underlined) return;
        const double width = std::min(area.width(), TextMeasure::sizeOfText(titleText, font).width());
        const double y = std::round(area.center().y() + TextMeasure::lineHeight(font) / 2) - 0.5;
        painter.setPen(QPen(titleColor, 1));
        painter.drawLine(QPointF(area.center().x() - width / 2, y), QPointF(area.center().x() + width / 2, y));
    }
};

}  // namespace

LinkListForTableItem::LinkListForTableItem(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_linkViews.reserve(maximumButtons);
    for (int index = 0; index < maximumButtons; ++index) {
        auto* button = new LinkButton(QRectF());
        button->setButtonType(ButtonType::Toggle);
        button->setBordered(false);
        button->setTextFont(linkFont());
        button->setTarget(this, [this](Button* sender) { linkRedirect(sender); });
        button->hide();
        addSubview(button);
        m_linkViews.push_back(button);
    }
    NotificationCenter::defaultCenter().addObserver(this, kUnLinkNotification, nullptr, [this](const Notification& note) {
        reloadLinkList(note.objectAs<LinkPtr>());
    });
}

LinkListForTableItem::~LinkListForTableItem()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

std::vector<QRectF> LinkListForTableItem::buttonFramesFor(const std::vector<double>& titleWidths, double stripWidth)
{
    std::vector<QRectF> frames;
    double x = 0;
    for (std::size_t i = 0; i < titleWidths.size() && int(i) < maximumButtons && stripWidth > x; ++i) {
        const double width = std::min(std::max(0.0, titleWidths[i]) + 10, maximumButtonWidth);
        frames.emplace_back(x, 0, width, buttonHeight);
        x += width + buttonGap;
    }
    // When every link has its button and the strip has room left, titles cut
    // at the cap take it, in order, rather than ending in "…" beside empty room.
    if (frames.size() != titleWidths.size() || frames.empty()) return frames;
    double spare = stripWidth - (frames.back().right());
    double shift = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i].translate(shift, 0);
        const double wanted = std::max(0.0, titleWidths[i]) + 10 - frames[i].width();
        const double grow = std::clamp(wanted, 0.0, std::max(0.0, spare));
        frames[i].setWidth(frames[i].width() + grow);
        spare -= grow;
        shift += grow;
    }
    return frames;
}

void LinkListForTableItem::setLinkItems(const TaskList& items, const TaskPtr& item)
{
    m_item = item;
    setLinkItems(items);
}

void LinkListForTableItem::setLinkItems(const TaskList& items)
{
    m_linkItems = items;
    std::vector<double> widths;
    widths.reserve(std::size_t(std::min<qsizetype>(items.size(), maximumButtons)));
    const Font font = linkFont();
    for (qsizetype i = 0; i < items.size() && i < maximumButtons; ++i)
        widths.push_back(items[i] ? TextMeasure::sizeOfText(items[i]->taskName(), font).width() : 0);
    const std::vector<QRectF> frames = buttonFramesFor(widths, bounds().width());
    for (std::size_t i = 0; i < m_linkViews.size(); ++i) {
        Button* button = m_linkViews[i];
        if (i < frames.size()) {
            button->setTag(items[qsizetype(i)] ? int(items[qsizetype(i)]->primaryKey()) : 0);
            button->setFrame(frames[i]);
            button->show();
        } else {
            button->hide();
        }
    }
}

void LinkListForTableItem::setColor(const QColor& color)
{
    m_color = color;
    for (qsizetype i = 0; i < m_linkItems.size() && i < maximumButtons; ++i) {
        auto* button = static_cast<LinkButton*>(m_linkViews[std::size_t(i)]);
        QString title = m_linkItems[i] ? m_linkItems[i]->taskName() : QString();
        title.replace(QLatin1Char('\n'), QLatin1Char(' '));
        button->titleText = title;
        button->titleColor = color;
        button->underlined = !m_grayOut;
        button->update();
    }
}

void LinkListForTableItem::setGrayOut(bool grayOut)
{
    m_grayOut = grayOut;
}

void LinkListForTableItem::linkRedirect(Button* button)
{
    if (m_grayOut || !button) return;
    const TaskPtr linked = Task::initWithPrimaryKey(button->tag());
    if (!linked) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    if (linked->taskType() == 3)
        m_detailViewController->editNote(linked, button, button);
    else
        m_detailViewController->editTask(linked, button);
    becomeFirstResponder();
}

void LinkListForTableItem::reloadLinkList(const LinkPtr& link)
{
    if (!link || !m_item) return;
    const qint64 key = m_item->primaryKey();
    bool concerns = link->rootId() == key || link->targetId() == key;
    if (!concerns && key < 0) concerns = link->rootId() == m_item->parentId() || link->targetId() == m_item->parentId();
    if (!concerns) return;
    const CoreData* manager = CoreData::shared();
    if (!manager) return;
    setLinkItems(manager->getCurrentLinks(m_item));
}
