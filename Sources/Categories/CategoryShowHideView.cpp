#include "CategoryShowHideView.h"

#include "Button.h"
#include "Calendar.h"
#include "CategoryTableView.h"
#include "Common.h"
#include "CoreData.h"
#include "Font.h"
#include "MainViewAccess.h"
#include "MainViewHeight.h"
#include "../Model/Notifications.h"
#include "NotificationCenter.h"
#include "ScrollView.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>

namespace {

Button* showHideAllButton(const QString& title, const QRectF& frame, QObject* target,
                          std::function<void(Button*)> action)
{
    return UIUtilities::createButton(title, 12, Qt::black, Qt::AlignHCenter, ButtonType::Toggle, frame, target,
                                     std::move(action), QImage(), QImage(), false);
}

}  // namespace

CategoryShowHideView::CategoryShowHideView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double w = frame.width(), h = frame.height();
    m_labelCategory = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 0, 100, 22));
    m_labelCategory->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 14));
    m_labelCategory->setStringValue(TextTable::localizedString(QStringLiteral("categoryText")));
    addSubview(m_labelCategory);

    m_categoryScrollView = new ScrollView(QRectF(2, listTop, std::max(0.0, w - 4), std::max(0.0, h - listTop)));
    m_categoryScrollView->setHasVerticalScroller(true);
    m_categoryTableView = new CategoryTableView(QRectF(QPointF(0, 0), m_categoryScrollView->contentSize()));
    m_categoryTableView->setAutoresizingMask(ViewWidthSizable);
    m_categoryScrollView->setDocumentView(m_categoryTableView);
    addSubview(m_categoryScrollView);

    m_showAllBtn = showHideAllButton(TextTable::localizedString(QStringLiteral("allText")), QRectF(w - 100, 0, 50, 24),
                                     this, [this](Button*) { allCategory(); });
    m_showNoneBtn = showHideAllButton(TextTable::localizedString(QStringLiteral("noneText")),
                                      QRectF(w - 50, 0, 50, 24), this, [this](Button*) { noneCategory(); });
    addSubview(m_showAllBtn);
    addSubview(m_showNoneBtn);
    reloadData();
}

CategoryShowHideView::~CategoryShowHideView() = default;

void CategoryShowHideView::reloadData()
{
    m_categoryTableView->loadData();
    resize();
}

void CategoryShowHideView::resize()
{
    const double height =
        std::min(m_categoryTableView->totalHeight() + chromeHeight, double(mainViewHeight) - 100);
    m_categoryScrollView->setFrameSize(QSizeF(m_categoryScrollView->frame().width(), std::max(0.0, height - listTop)));
    // The table is as high as its rows, so a long list scrolls.
    m_categoryTableView->setFrameSize(
        QSizeF(m_categoryScrollView->contentSize().width(),
               std::max(m_categoryTableView->heightOfAllRows(), m_categoryScrollView->contentSize().height())));
    // The rows that came into view with the new size.
    m_categoryTableView->placeVisibleRows();
    setFrameSize(QSizeF(frame().width(), height));
}

void CategoryShowHideView::allCategory()
{
    CoreData* manager = CoreData::shared();
    if (manager) {
        const bool filtered = manager->isAppliedTagFilter();
        const QStringList shownTags = filtered ? manager->getShowTag() : QStringList();
        const CalendarList categories = manager->calendarList();
        // All shown in one unit, or none; a refusal is told.
        if (!manager->saveCategoryChangeFromView(categories, [&] {
                for (const CalendarPtr& category : categories) {
                    if (!category || category->inVisible() == 0) continue;
                    category->setInVisible(0);
                    if (!category->dehydrate()) return false;
                    if (filtered)
                        manager->addTasksToListFromCalendar(category, shownTags);
                    else
                        manager->addTasksToListFromCalendarId(category->primaryKey());
                }
                return true;
            }))
            qWarning() << "The categories could not all be shown";
    }
    afterShowHideAll();
}

void CategoryShowHideView::noneCategory()
{
    if (CoreData* manager = CoreData::shared()) {
        const SettingPtr setting = manager->currentSetting();
        const qint64 defaultKey = setting ? setting->calendarDefID() : 0;
        const CalendarList categories = manager->calendarList();
        // All hidden in one unit, or none; a refusal is told.
        if (!manager->saveCategoryChangeFromView(categories, [&] {
                for (const CalendarPtr& category : categories) {
                    if (!category || category->inVisible() != 0 || category->primaryKey() == defaultKey) continue;
                    category->setInVisible(1);
                    if (!category->dehydrate()) return false;
                    manager->removeAllTasksBelongCalendar(category->primaryKey());
                }
                return true;
            }))
            qWarning() << "The categories could not all be hidden";
    }
    afterShowHideAll();
}

void CategoryShowHideView::afterShowHideAll()
{
    m_categoryTableView->loadData();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, AutoSync::categories);
    if (MainViewAccess* main = MainViewAccess::current()) main->reloadData();
}

void CategoryShowHideView::drawRect(QPainter& painter, const QRectF&)
{
    const double w = bounds().width();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 0.5));
    painter.drawLine(QPointF(w - 50, 5), QPointF(w - 50, 20));
}
