#include "TagView.h"

#include "Button.h"
#include "Calendar.h"
#include "Common.h"
#include "CoreData.h"
#include "CustomNSTextField_Background.h"
#include "Event.h"
#include "Font.h"
#include "GuruViewController.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "ScrollView.h"
#include "TagTableView.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>

namespace {

// The tip type of the tag filter.
constexpr int tagFilterTipType = 4;

Button* tagViewButton(const QString& title, const QRectF& frame, QObject* target, std::function<void(Button*)> action,
                      bool bordered)
{
    return UIUtilities::createButton(title, 12, Qt::black,
                                     Qt::AlignHCenter, ButtonType::Toggle, frame, target, std::move(action), QImage(),
                                     QImage(), bordered);
}

}  // namespace

TagView::TagView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double W = frame.width(), H = frame.height();
    m_labelTag = UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(QRectF(5, 0, 100, 22));
    m_labelTag->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 14));
    m_labelTag->setStringValue(TextTable::localizedString(QStringLiteral("tagText")));
    addSubview(m_labelTag);

    m_guruBtn = UIUtilities::createButton(QString(), 12, Qt::black, Qt::AlignHCenter, ButtonType::MomentaryPushIn,
                                          QRectF((W - 20) / 2, 2, 20, 20), this, [this](Button*) { guru(); },
                                          NamedImages::imageNamed(QStringLiteral("guru_icon")), QImage(), false);
    m_guruBtn->setToolTip(TextTable::localizedString(QStringLiteral("guruTooltip")));
    m_guruBtn->setHidden(true);
    addSubview(m_guruBtn);

    m_showAllBtn = tagViewButton(TextTable::localizedString(QStringLiteral("allText")), QRectF(W - 100, 0, 50, 24),
                                 this, [this](Button*) { allTag(); }, false);
    m_showNoneBtn = tagViewButton(TextTable::localizedString(QStringLiteral("noneText")), QRectF(W - 50, 0, 50, 24),
                                  this, [this](Button*) { noneTag(); }, false);
    addSubview(m_showAllBtn);
    addSubview(m_showNoneBtn);

    m_addNewTag = new CustomNSTextField_Background(QRectF(2, 30, W - 4, 22));
    m_addNewTag->setPlaceholderString(TextTable::localizedString(QStringLiteral("createNewTagText")));
    addSubview(m_addNewTag);

    m_tagScrollView = new ScrollView(QRectF(2, 58, W - 4, std::max(0.0, H - chromeHeight)));
    m_tagScrollView->setHasVerticalScroller(true);
    m_tagTableView = new TagTableView(QRectF(QPointF(0, 0), m_tagScrollView->contentSize()));
    m_tagTableView->setAutoresizingMask(ViewWidthSizable);
    m_tagTableView->setParentView(this);
    m_tagScrollView->setDocumentView(m_tagTableView);
    addSubview(m_tagScrollView);

    m_nofilterBtn = tagViewButton(TextTable::localizedString(QStringLiteral("noFilterText")),
                                  QRectF(3, H - 24, 110, 24), this, [this](Button*) { nofilterTag(); }, true);
    m_applyBtn = tagViewButton(TextTable::localizedString(QStringLiteral("applyText")), QRectF(W - 93, H - 24, 90, 24),
                               this, [this](Button*) { applyTag(); }, true);
    addSubview(m_nofilterBtn);
    addSubview(m_applyBtn);

    NotificationCenter::defaultCenter().addObserver(
        this, CustomNSTextField_Background::textFieldChangedNotification,
        NotificationPayload::identityOf(static_cast<QObject*>(m_addNewTag)), [this](const Notification&) { addTag(); });
    updateTrackingAreas();
    reloadData();
}

TagView::~TagView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void TagView::reloadData()
{
    m_tagTableView->loadData();
    resize();
}

void TagView::resize()
{
    const int rows = std::min(int(m_tagTableView->tags().size()), maximumVisibleRows);
    const double height = rows * (TagTableView::tagRowHeight + m_tagTableView->verticalSpacing()) + chromeHeight;
    m_tagScrollView->setFrameSize(QSizeF(m_tagScrollView->frame().width(), height - chromeHeight));
    // The table is as high as its rows, so a long list scrolls.
    m_tagTableView->setFrameSize(QSizeF(m_tagScrollView->contentSize().width(), m_tagTableView->heightOfAllRows()));
    // The rows that came into view with the new size.
    m_tagTableView->placeVisibleRows();
    setFrameSize(QSizeF(frame().width(), height));
    placeBottomRow();
}

// The two buttons stay on the bottom edge.
void TagView::placeBottomRow()
{
    const double W = frame().width(), H = frame().height();
    m_nofilterBtn->setFrame(QRectF(3, H - 24, 110, 24));
    m_applyBtn->setFrame(QRectF(W - 93, H - 24, 90, 24));
}

void TagView::addTag()
{
    const QString name = m_addNewTag->stringValue();
    if (name.isEmpty()) return;
    // A name of blanks alone would make a tag nobody can see.
    if (name.trimmed().isEmpty()) {
        m_addNewTag->setStringValue(QString());
        return;
    }
    // Refused, the typed name stays for another try; the person was told.
    CoreData* manager = CoreData::shared();
    if (!manager || !manager->saveChangeFromView({}, [&] { return manager->insertTagIfNA(name); })) {
        qWarning() << "The tag" << name << "could not be added";
        return;
    }
    reloadData();
    m_addNewTag->setStringValue(QString());
}

void TagView::allTag()
{
    if (CoreData* manager = CoreData::shared()) manager->setShowAllTag();
    m_tagTableView->loadData();
}

void TagView::noneTag()
{
    if (CoreData* manager = CoreData::shared()) manager->setShowNoneTag();
    m_tagTableView->loadData();
}

void TagView::applyTag()
{
    const QStringList names = m_tagTableView->getShowTagList();
    CoreData* manager = CoreData::shared();
    if (manager) manager->getTaskWithTag(names);
    if (MainViewAccess* main = MainViewAccess::current()) main->setTagShowHideBtnImage(QStringLiteral("tag_selected"));
    if (manager) manager->setIsAppliedTagFilter(true);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose,
                                                                         static_cast<QObject*>(this));
}

void TagView::nofilterTag()
{
    if (CoreData* manager = CoreData::shared()) {
        manager->setShowAllTag();
        manager->doWithAllTasksEventsAdes(std::nullopt, 1);
        QList<qint64> keys;
        for (const CalendarPtr& category : manager->calendarList())
            if (category && category->inVisible() == 0) keys.append(category->primaryKey());
        manager->addTasksToListFromCalendarList(keys);
    }
    if (MainViewAccess* main = MainViewAccess::current()) main->setTagShowHideBtnImage(QStringLiteral("tag_normal"));
    if (CoreData* manager = CoreData::shared()) manager->setIsAppliedTagFilter(false);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose,
                                                                         static_cast<QObject*>(this));
}

void TagView::guru()
{
    if (!m_guruViewController) m_guruViewController = new GuruViewController(this);
    m_guruViewController->showGuruPopOverAtPositionView(m_labelTag, tagFilterTipType);
}

QRectF TagView::guruRect() const
{
    QRectF strip = bounds();
    strip.setHeight(guruStripHeight);
    return strip;
}

void TagView::updateTrackingAreas()
{
    View::updateTrackingAreas();
    if (m_guruTrackingArea >= 0) removeTrackingRect(m_guruTrackingArea);
    m_guruTrackingArea = addTrackingRect(guruRect(), 0);
}

void TagView::mouseEntered(const Event& event)
{
    if (guruRect().contains(convertPointFromWindow(event.locationInWindow))) m_guruBtn->setHidden(false);
}

void TagView::mouseExited(const Event&)
{
    m_guruBtn->setHidden(true);
}

void TagView::drawRect(QPainter& painter, const QRectF&)
{
    const double W = bounds().width();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 0.5));
    painter.drawLine(QPointF(W - 50, 5), QPointF(W - 50, 20));
}
