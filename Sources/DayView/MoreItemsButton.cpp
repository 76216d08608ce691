#include "MoreItemsButton.h"

#include "DetailViewController.h"
#include "Font.h"
#include "Task.h"
#include "Utilities.h"

#include <QPainter>

MoreItemsButton::MoreItemsButton(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
}

MoreItemsButton::~MoreItemsButton() = default;

void MoreItemsButton::setItems(const TaskList& items)
{
    m_items = items;
    setToolTip(title());
    update();
}

QString MoreItemsButton::title() const
{
    return QStringLiteral("+%1").arg(m_items.size());
}

Menu MoreItemsButton::menu()
{
    Menu menu;
    for (const TaskPtr& item : m_items) {
        const Date start = item->tzStartTime() ? item->tzStartTime() : item->startTime();
        const QPointer<MoreItemsButton> self(this);
        menu.addItem(Utilities::getTimeStringAMPMFromDate(start) + QStringLiteral("  ") + item->taskName(),
                     [self, item] {
                         if (self) self->edit(item);
                     });
    }
    return menu;
}

void MoreItemsButton::edit(const TaskPtr& item)
{
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->editTask(item, this);
}

void MoreItemsButton::mouseDown(const Event&)
{
    menu().popUpUnderView(this);
}

void MoreItemsButton::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF box = bounds().adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QColor(120, 120, 120));
    painter.setBrush(QColor(236, 236, 236));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(Qt::black);
    painter.setFont(Font::boldSystemFont(11).widgetFont());
    painter.drawText(box.adjusted(2, 2, -2, 0), Qt::AlignHCenter | Qt::AlignTop, title());
}
