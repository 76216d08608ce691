#include "CategoryDetailView.h"

#include "AlertPresenter.h"
#include "AlertRequest.h"
#include "Box.h"
#include "Button.h"
#include "Calendar.h"
#include "CategoryBoxDetailView.h"
#include "CategoryDetailPanel.h"
#include "Color.h"
#include "Common.h"
#include "ConversationTableView.h"
#include "CoreData.h"
#include "Event.h"
#include "Font.h"
#include "ImageSegmentedControl.h"
#include "MainViewAccess.h"
#include "MainViewHeight.h"
#include "NamedImages.h"
#include "Screen.h"
#include "../Model/Notifications.h"
#include "../SharedUI/Notifications.h"
#include "NotificationCenter.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "Transaction.h"
#include "UIUtilities.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QApplication>
#include <QDebug>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QString detailContentTab = QStringLiteral("content");
const QString detailConversationTab = QStringLiteral("conversation");
// The info box's content stands this far in from the view's left and top
// edges; its frame is fitted around it and moved a little to the right.
constexpr double detailBoxX = 10;
constexpr double detailBoxY = 10;
constexpr double detailBoxShift = 3;
constexpr double detailBuiltBoxFrameHeight = 190;

qint64 palettePositionOf(const Calendar& category)
{
    return category.colorGroupId() * 8 + category.colorNameId();
}

void applyPalettePosition(Calendar& category, qint64 position)
{
    category.setColorGroupId(position / 8);
    category.setColorNameId(position % 8);
}

// The names of a tag text "/a/b": the text before the first "/" is not a
// name, blanks around a name are not part of it.
QStringList detailTagNames(const QString& tagList)
{
    QStringList names;
    const QStringList parts = tagList.split(QLatin1Char('/'));
    if (parts.size() < 2) return names;
    for (int index = 1; index < parts.size(); ++index) {
        const QString name = parts[index].trimmed();
        if (!name.isEmpty()) names.append(name);
    }
    return names;
}

// The tag text without its entries equal to the tag (letter case aside);
// a longer name that begins with the same letters stays.
QString detailWithoutTag(const QString& tagList, const QString& tag)
{
    QStringList parts = tagList.split(QLatin1Char('/'));
    if (parts.size() < 2) return tagList;
    const QString head = parts.takeFirst();
    parts.removeIf([&tag](const QString& part) { return part.trimmed().compare(tag, Qt::CaseInsensitive) == 0; });
    if (parts.isEmpty()) return head;
    return head + QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

void postAutoSync(qint64 what)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, what);
}

void reloadMainView()
{
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadData();
}

}  // namespace

CategoryDetailView::CategoryDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    // The panel opens with the keyboard here, not in the name field: the
    // name takes it only when clicked.
    setAcceptsFirstResponder(true);
    const double width = bounds().width();
    const double height = bounds().height();

    m_categoryInfoBox = new Box(QRectF(detailBoxX, 0, width - 20, detailBuiltBoxFrameHeight));
    m_categoryInfoBox->setTitle(TextTable::localizedString(QStringLiteral("categoryInfoText")));
    m_categoryInfoBox->setTitleFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    // Fitted around the content before it goes in, so the content keeps its width.
    const QRectF boxContent(detailBoxX, detailBoxY, width - 20, CategoryBoxDetailView::builtHeight);
    m_categoryInfoBox->setFrameFromContentFrame(boxContent);
    m_boxView = new CategoryBoxDetailView(QRectF(QPointF(), boxContent.size()));
    m_boxView->setParentView(this);
    m_categoryInfoBox->setContentView(m_boxView);
    addSubview(m_categoryInfoBox);
    setInfoBoxHeight(CategoryBoxDetailView::builtHeight);

    m_tabsView = new ImageSegmentedControl(
        QRectF(0, 0, width + 5, tabStripHeight), {contentTab, conversationTab},
        {NamedImages::imageNamed(QStringLiteral("tab_asset_normal")),
         NamedImages::imageNamed(QStringLiteral("tab_conversation_normal"))},
        {NamedImages::imageNamed(QStringLiteral("tab_asset_normal")),
         NamedImages::imageNamed(QStringLiteral("tab_conversation_normal"))},
        {TextTable::localizedString(QStringLiteral("tabContentText")),
         TextTable::localizedString(QStringLiteral("tabConversationText"))},
        tabStripHeight);
    m_tabsView->setFrameOrigin(QPointF(2, 195));
    m_tabsView->setTarget(this, [this](SegmentedControl*) { switchTabs(); });
    addSubview(m_tabsView);

    m_tabView = new View(QRectF(2, 255, width - 4, std::max(0.0, height - 190)));
    m_tabView->setFlipped(true);
    m_tabView->setAutoresizingMask(ViewHeightSizable);
    addSubview(m_tabView);

    m_scrollView = new ScrollView(m_tabView->bounds());
    m_scrollView->setHasVerticalScroller(true);
    m_scrollView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    m_tabView->addSubview(m_scrollView);
    const double contentWidth = ScrollView::contentWidthForFrameWidth(width - 4);

    m_listView = new CategoryDetailListItemView(QRectF(0, 0, contentWidth, std::max(0.0, height - 190)));
    m_listView->setParentView(this);
    m_listView->setAutoresizingMask(ViewWidthSizable);
    m_scrollView->setDocumentView(m_listView);
    m_noDataLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 2, width - 10, 22));
    m_tabView->addSubview(m_noDataLabel);
    m_noDataLabel->hide();
    m_commentListView =
        new ConversationTableView(QRectF(0, 0, contentWidth, std::max(0.0, height - 250)), m_tabView);
    m_commentListView->setAutoresizingMask(ViewWidthSizable);
    m_commentListView->setCommentType(ConversationTableView::categoryComments);
    m_commentListView->hide();
    // Anchors for the outline's editor only: under everything, and never
    // in the way of a click.
    m_topItemTemp = new View(QRectF());
    m_bottomItemTemp = new View(QRectF());
    for (View* anchor : {m_topItemTemp, m_bottomItemTemp}) {
        anchor->setAttribute(Qt::WA_TransparentForMouseEvents);
        addSubview(anchor);
        anchor->lower();
    }
    m_selectedTab = detailContentTab;

    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto reload = [this](const Notification&) { reloadDetailView(); };
    center.addObserver(this, kTaskChanged, nullptr, reload);
    center.addObserver(this, kTaskOrderChanged, nullptr, reload);
    center.addObserver(this, kAllTasksEventsAdesChanged, CoreData::shared(), reload);
    center.addObserver(this, kCalendarListChanged, CoreData::shared(), [this](const Notification&) { checkIfExist(); });
    center.addObserver(this, kShareItemChangedStatusNotification, nullptr,
                       [this](const Notification& notification) { shareStatusChanged(notification); });
}

CategoryDetailView::~CategoryDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- sizes -------------------------------------------------------------------------------

double CategoryDetailView::infoBoxHeight() const
{
    return m_boxView->frame().height();
}

double CategoryDetailView::tabAreaTop() const
{
    // Under the titled box's frame, its border included: the strip and the
    // list never cover the box or its buttons.
    const QRectF box = m_categoryInfoBox->frame();
    return std::ceil(std::max(detailBoxY + infoBoxHeight(), box.y() + box.height()) + 2);
}

void CategoryDetailView::setInfoBoxHeight(double height)
{
    const QRectF content(detailBoxX, detailBoxY, m_boxView->frame().width(), height);
    QRectF frame = m_categoryInfoBox->frameForContentFrame(content);
    frame.translate(detailBoxShift, 0);
    m_categoryInfoBox->setFrame(frame);
}

bool CategoryDetailView::hasTabs() const
{
    return m_calendar && (m_calendar->isShared() || m_calendar->hasShared());
}

void CategoryDetailView::updateViewSize()
{
    const double width = bounds().width();
    const double height = bounds().height();
    const double top = tabAreaTop();
    if (!hasTabs()) {
        m_tabView->setFrame(QRectF(2, top, width - 4, std::max(0.0, height - top)));
    } else {
        m_tabsView->setFrameOrigin(QPointF(m_tabsView->frame().x(), top));
        m_tabView->setFrame(
            QRectF(2, top + tabStripHeight, width - 4, std::max(0.0, height - top - tabStripHeight)));
    }
    const QRectF scroll = m_scrollView->frame().translated(m_tabView->frame().topLeft());
    const double row = m_listView->rowHeight();
    m_topItemTemp->setFrame(QRectF(scroll.x(), scroll.y() + 18, scroll.width(), row));
    m_bottomItemTemp->setFrame(QRectF(scroll.x(), scroll.y() + scroll.height() - row - 1, scroll.width(), row));
    update();
}

void CategoryDetailView::setPanelMinimumSize()
{
    if (auto* panel = qobject_cast<Window*>(window())) panel->setMinSize(QSizeF(bounds().width(), tabAreaTop() + 28));
}

void CategoryDetailView::resizePanelToView()
{
    auto* panel = qobject_cast<Window*>(window());
    if (!panel || panel->contentView() != this) {
        updateViewSize();
        return;
    }
    // The top edge stays where it is: the panel grows or shrinks downward,
    // down to the screen's usable bottom, where the list scrolls instead.
    const QRectF old = panel->frame();
    // The usable area less the title bar the window manager puts above.
    const QRectF area = panel->frameAreaWithin(Screen::visibleFrameFor(old));
    panel->setFrame(CategoryDetailPanel::frameForHeight(QRectF(old.topLeft(), QSizeF(frame().width(), old.height())),
                                                        frame().height(), panel->minSize().height(), area));
    // The view fills the panel: a panel cut at the screen's edge shows a
    // shorter list.
    setFrameSize(panel->frame().size());
    updateViewSize();
}

// ---- showing a category ----------------------------------------------------------------

void CategoryDetailView::setCalendar(const CalendarPtr& calendar)
{
    cancelEdit();
    m_calendar = calendar;
    if (!calendar) return;
    m_boxView->categoryNameTextField()->setStringValue(calendar->calendarName());
    const qint64 position = palettePositionOf(*calendar);
    m_boxView->setColor(position);
    m_boxView->defaultBtn()->show();

    TagTokenDetailView* tags = m_boxView->tagDetailView();
    const QStringList names = detailTagNames(calendar->tagList());
    if (names.isEmpty()) {
        tags->setObjectValue({});
        tags->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    } else {
        tags->setObjectValue(names);
    }
    // Fitted without telling the box: the height is set from it just below.
    const QPointer<QWidget> host = tags->parentView();
    tags->setParentView(nullptr);
    tags->resizeTokenField();
    tags->setParentView(host);

    // As tall as after a tag edit: the transparent switch then clears the
    // line over the buttons (a box 30 points shorter put it on them).
    m_boxView->setFrameSize(QSizeF(m_boxView->frame().width(), tags->frame().height() + boxChromeOnResize));
    setInfoBoxHeight(infoBoxHeight());

    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : SettingPtr();
    const bool isDefault = setting && setting->calendarDefID() == calendar->primaryKey();
    m_boxView->defaultBtn()->setState(isDefault ? 1 : 0);
    m_boxView->defaultBtn()->setEnabled(!isDefault);
    m_boxView->transparentBtn()->setState(calendar->isTransparent() ? 1 : 0);
    m_tempColor = position;

    setPanelMinimumSize();
    m_boxView->setIsShareCalendar(calendar->isShared());
    loadData();
}

void CategoryDetailView::loadData()
{
    if (!m_calendar) return;
    m_listView->setCalendar(m_calendar);
    m_listView->loadData();
    m_listView->setFrameSize(QSizeF(m_listView->frame().width(), m_listView->totalHeight()));
    // The rows take the table's width when they are made: as wide as the
    // scroll area shows them.
    m_commentListView->setFrameSize(QSizeF(m_scrollView->contentView()->frame().width(), 0));
    m_commentListView->setItemKey(m_calendar->primaryKey());
    m_commentListView->setCommentType(ConversationTableView::categoryComments);
    m_commentListView->loadComments();
    // As tall as the rows are laid out, the gaps between the bubbles
    // included: the sum of the rows' own heights left the last comment
    // under the end of the scroll range.
    const double commentsHeight = m_commentListView->yPositionPastLastRow();
    m_commentListView->setFrameSize(QSizeF(m_commentListView->frame().width(), commentsHeight));

    const double info = infoBoxHeight();
    const double width = bounds().width();
    const bool hasComments = m_commentListView->numberOfRows() > 0;
    if (!outlineHasRows() && !hasComments) {
        m_scrollView->hide();
        m_tabView->hide();
        m_tabsView->hide();
        setFrameSize(QSizeF(width, std::max(info + emptyViewMargin, tabAreaTop())));
    } else {
        m_scrollView->show();
        m_tabView->show();
        const double tallest = std::max(commentsHeight, m_listView->totalHeight());
        double listHeight = std::min(std::round(0.9 * double(mainViewHeight) - tabAreaTop()), tallest);
        if (!hasTabs()) {
            m_tabsView->hide();
        } else {
            m_tabsView->show();
            listHeight += tabStripHeight;
        }
        setFrameSize(QSizeF(width, listHeight + tabAreaTop()));
    }
    updateViewSize();
    setFocusTab(contentTab);
    resizePanelToView();
}

// ---- tabs --------------------------------------------------------------------------------

void CategoryDetailView::setDocument(View* content)
{
    if (m_scrollView->documentView() == content) return;
    if (View* old = m_scrollView->documentView()) {
        old->hide();
        old->setParent(m_tabView);
    }
    m_scrollView->setDocumentView(content);
}

void CategoryDetailView::showInTab(View* content)
{
    // One scroll area serves both tabs: it shows the list, or the label
    // stands in its place.
    if (content == m_noDataLabel) {
        m_scrollView->hide();
        m_noDataLabel->show();
        return;
    }
    m_noDataLabel->hide();
    setDocument(content);
    content->show();
    m_scrollView->show();
}

void CategoryDetailView::setFocusTab(int tab)
{
    if (tab < 0) {
        qWarning() << "A category's detail was asked for tab" << tab << "; it shows the first tab";
        tab = contentTab;
    }
    m_focusTab = tab;
    m_tabsView->selectSegmentWithTag(tab);
    if (tab == conversationTab) {
        m_noDataLabel->setStringValue(TextTable::localizedString(QStringLiteral("noConversationText")));
        showInTab(m_commentListView->numberOfRows() == 0 ? static_cast<View*>(m_noDataLabel)
                                                                : static_cast<View*>(m_commentListView));
        m_selectedTab = detailConversationTab;
        m_tabsView->selectedSegmentWithIndex(1);
        // Comments that could not be marked stay counted as new.
        if (!m_commentListView->markShownRead())
            qWarning() << "The comments of category" << m_commentListView->itemKey() << "could not be marked read";
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kRefreshCommentCount,
                                                                             static_cast<QObject*>(this));
    } else if (tab == contentTab) {
        m_noDataLabel->setStringValue(TextTable::localizedString(QStringLiteral("noCurrentLinksText")));
        showInTab(outlineHasRows() ? static_cast<View*>(m_listView) : static_cast<View*>(m_noDataLabel));
        m_selectedTab = detailContentTab;
        m_tabsView->selectedSegmentWithIndex(0);
    } else {
        m_selectedTab = detailContentTab;
    }
}

void CategoryDetailView::switchTabs()
{
    const int segment = m_tabsView->selectedSegment();
    if (segment < 0) return;
    const int tag = m_tabsView->tagForSegment(segment);
    if (tag == -1) return;
    setFocusTab(tag);
}

// ---- OK, Cancel, Delete ------------------------------------------------------------------

void CategoryDetailView::endEditing()
{
    QWidget* focus = QApplication::focusWidget();
    if (focus && window() && window()->isAncestorOf(focus)) focus->clearFocus();
}

void CategoryDetailView::loadItemsOf(const CalendarPtr& calendar)
{
    CoreData* manager = CoreData::shared();
    if (!manager || !calendar) return;
    if (manager->isAppliedTagFilter()) manager->addTasksToListFromCalendar(calendar, manager->getShowTag());
    else manager->addTasksToListFromCalendarId(calendar->primaryKey());
}

void CategoryDetailView::okEdit()
{
    if (!m_calendar) return;
    if (m_calendar->isShared()) {
        doCancel();
        return;
    }
    endEditing();
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    const CalendarPtr calendar = m_calendar;
    const SettingPtr setting = manager->currentSetting();

    // A name of blanks only would store a category nobody can see named.
    TextField* nameField = m_boxView->categoryNameTextField();
    if (nameField->stringValue().trimmed().isEmpty()) nameField->setStringValue(calendar->calendarName());
    const bool nameUnchanged = calendar->calendarName() == nameField->stringValue();

    QStringList names;
    for (const QString& name : m_boxView->tagDetailView()->objectValue()) {
        const QString trimmed = name.trimmed();
        const bool taken = std::any_of(names.cbegin(), names.cend(), [&trimmed](const QString& other) {
            return other.compare(trimmed, Qt::CaseInsensitive) == 0;
        });
        if (!trimmed.isEmpty() && !taken) names.append(trimmed);
    }
    const bool makeDefault = setting && !m_boxView->defaultBtn()->isHidden() &&
                             m_boxView->defaultBtn()->state() == 1 && setting->calendarDefID() != calendar->primaryKey();
    const bool transparent = !m_boxView->transparentBtn()->isHidden() && m_boxView->transparentBtn()->state() == 1;

    // The name, colour, tags, default and switches are one change: a
    // refused one leaves the listed category, its items, the settings and
    // the store as they were, and the panel open with what was typed.
    const bool saved = manager->saveChangeFromView({}, [&] {
        Transaction::keepInCurrent(calendar);
        if (setting) Transaction::keepInCurrent(setting);
        calendar->setCalendarName(
            manager->createNewcalendarNameIfExist(nameField->stringValue(), calendar, manager->calendarList()));
        applyPalettePosition(*calendar, m_boxView->posOfColor());
        QString tagText;
        for (const QString& name : names) {
            tagText += QLatin1Char('/') + name;
            if (!manager->insertTagIfNA(name)) return false;
            // A tag the category carries is taken off its items.
            for (const TaskPtr& item : manager->tasksFromCalendarId(calendar->primaryKey(), {name})) {
                const QString kept = detailWithoutTag(item->tagList(), name);
                if (kept == item->tagList()) continue;
                Transaction::keepInCurrent(item);
                item->setTagList(kept);
                if (!item->dehydrate()) return false;
            }
        }
        calendar->setTagList(tagText);
        if (makeDefault) {
            setting->setCalendarDefID(calendar->primaryKey());
            if (!setting->dehydrate()) return false;
            if (calendar->inVisible() != 0) {
                calendar->setInVisible(0);
                loadItemsOf(calendar);
            }
        }
        calendar->setIsTransparent(transparent);
        if (!calendar->dehydrate()) return false;
        // The store's calendar carries the name and the colour: a colour
        // picked in the box was stored at once, but reaches the store only
        // with the panel's OK, as a cancel takes it back.
        const bool storeCalendarChanged = !nameUnchanged || palettePositionOf(*calendar) != m_tempColor;
        if (storeCalendarChanged && calendar->projectType() == 0 && setting && setting->autoICalSync() != 0)
            if (iCalSync* sync = manager->icalSync())
                Transaction::afterCommitOrNow([sync, calendar] { sync->backgroundOneWaySyncUpdateToICal(calendar); });
        if (manager->isAppliedTagFilter()) {
            manager->removeAllTasksBelongCalendar(calendar->primaryKey());
            manager->addTasksToListFromCalendar(calendar, manager->getShowTag());
        }
        return true;
    }, window());
    if (!saved) {
        qWarning() << "Category" << calendar->primaryKey() << "could not be saved";
        return;
    }
    postAutoSync(AutoSync::categories | AutoSync::settings);
    closePanel();
    reloadMainView();
    m_calendar = nullptr;
}

bool CategoryDetailView::cancelEdit()
{
    return !m_calendar || doCancel();
}

bool CategoryDetailView::doCancel()
{
    const CalendarPtr calendar = m_calendar;
    if (!calendar) return true;
    CoreData* manager = CoreData::shared();
    if (manager) {
        if (const CalendarPtr stored = manager->calendarWithPrimaryKey(calendar->primaryKey());
            stored && stored != calendar)
            calendar->copyContentOfCalendar(*stored);
    }
    // Only a colour tried in the box was stored before OK: a cancel puts
    // that back, and one that changed nothing writes nothing. Refused, the
    // person is told the tried colour stays, and the panel stays open with
    // what was typed, to be cancelled again.
    if (manager && palettePositionOf(*calendar) != m_tempColor &&
        !manager->saveCategoryChangeFromView({calendar}, [&] {
            applyPalettePosition(*calendar, m_tempColor);
            return calendar->dehydrate();
        }, window(), TextTable::localizedString(QStringLiteral("colorNotPutBackText")))) {
        qWarning() << "Category" << calendar->primaryKey() << "could not be reverted";
        return false;
    }
    reloadMainView();
    m_calendar = nullptr;
    closePanel();
    m_listView->setIsHiding(false);
    return true;
}

void CategoryDetailView::reloadData()
{
    CoreData* manager = CoreData::shared();
    if (!m_calendar || !manager) return;
    const CalendarPtr calendar = m_calendar;
    // Showing a category sets the box's colour too: the same colour is no
    // change to write.
    const qint64 chosen = m_boxView->posOfColor();
    if (palettePositionOf(*calendar) != chosen) {
        // A colour shows as chosen only once it is stored: refused, the
        // swatch keeps the stored one, under the alert and after it.
        m_boxView->showColor(palettePositionOf(*calendar));
        if (!manager->saveCategoryChangeFromView({calendar}, [&] {
                applyPalettePosition(*calendar, chosen);
                return calendar->dehydrate();
            })) {
            qWarning() << "Category" << calendar->primaryKey() << "could not be recoloured";
            return;
        }
        m_boxView->showColor(chosen);
    }
    m_listView->reloadData();
    reloadMainView();
}

void CategoryDetailView::setDefaultCategory()
{
    const CalendarPtr calendar = m_calendar;
    CoreData* manager = CoreData::shared();
    if (!calendar || !manager || calendar->inVisible() == 0 || m_boxView->defaultBtn()->state() != 1) return;
    const SettingPtr setting = manager->currentSetting();
    const auto show = [this, &calendar] {
        calendar->setInVisible(0);
        if (!calendar->dehydrate()) return false;
        loadItemsOf(calendar);
        return true;
    };
    if (!setting || setting->showWarningSetDefault() == 0) {
        if (!manager->saveCategoryChangeFromView({calendar}, show)) {
            qWarning() << "Category" << calendar->primaryKey() << "could not be shown";
            m_boxView->defaultBtn()->setState(0);
        }
        return;
    }
    AlertRequest question;
    question.style = AlertStyle::Warning;
    const int proceed = question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("continueText")));
    question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    question.messageText = TextTable::localizedString(QStringLiteral("setDefaultInvisibleCategoryText"));
    question.informativeText = TextTable::localizedString(QStringLiteral("setDefaultInvisibleCategoryMessage"));
    question.showsSuppressionButton = true;
    const AlertResponse answer = AlertPresenter::current().runModal(question);
    const bool shown = answer.button == proceed;
    if (!shown) m_boxView->defaultBtn()->setState(0);
    if (!manager->saveCategoryChangeFromView({calendar}, [&] {
            Transaction::keepInCurrent(setting);
            setting->setShowWarningSetDefault(answer.suppressed ? 0 : 1);
            return (!shown || show()) && setting->dehydrate();
        })) {
        qWarning() << "The settings could not be saved after the default question";
        m_boxView->defaultBtn()->setState(0);
        return;
    }
    postAutoSync(AutoSync::settings);
}

void CategoryDetailView::deleteEdit()
{
    const CalendarPtr calendar = m_calendar;
    CoreData* manager = CoreData::shared();
    if (!calendar || !manager) return;
    const SettingPtr setting = manager->currentSetting();
    const bool isDefault = setting && setting->calendarDefID() == calendar->primaryKey();
    AlertRequest question;
    question.style = AlertStyle::Warning;
    question.messageText = TextTable::localizedString(QStringLiteral("deleteCalendarText"));
    if (isDefault && calendar->projectType() == 0 &&
        manager->getCalendarWithType(0, manager->calendarList(), true).size() < 2) {
        question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        question.informativeText = TextTable::localizedString(QStringLiteral("deleteCalendarErrorMessage"));
        AlertPresenter::current().runModal(question);
        return;
    }
    const int remove = question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("deleteText")));
    question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    question.informativeText = TextTable::localizedString(QStringLiteral("deleteCalendarMessage"));
    if (AlertPresenter::current().runModal(question).button != remove) return;
    // Gone first, so the list's change finds no category to check.
    m_calendar = nullptr;
    if (!manager->commandFromView({}, [&] { return manager->doDeleteCalendar(calendar); })) qWarning() << "Category" << calendar->primaryKey() << "could not be deleted";
    closePanel();
}

void CategoryDetailView::resizeHeightWithOffset(double offset)
{
    m_boxView->setFrameSize(
        QSizeF(m_boxView->frame().width(), m_boxView->tagDetailView()->frame().height() + boxChromeOnResize));
    setInfoBoxHeight(infoBoxHeight());
    setFrameSize(QSizeF(bounds().width(), bounds().height() + offset));
    setPanelMinimumSize();
    resizePanelToView();
}

// ---- the panel ---------------------------------------------------------------------------

bool CategoryDetailView::panelAttached() const
{
    const auto* panel = qobject_cast<const Window*>(window());
    return panel && panel->parentWindow();
}

void CategoryDetailView::closePanel()
{
    auto* panel = qobject_cast<Window*>(window());
    if (panel && panel->contentView() == this && panel->isVisible()) panel->close();
}

void CategoryDetailView::panelWillClose()
{
    m_listView->calTaskList().clear();
}

void CategoryDetailView::panelDidResignKey()
{
    m_listView->setIsQuickAddFocus(false);
}

void CategoryDetailView::reloadDetailView()
{
    if (panelAttached()) loadData();
}

void CategoryDetailView::checkIfExist()
{
    if (!panelAttached() || !m_calendar) return;
    const CoreData* manager = CoreData::shared();
    if (!manager || !manager->calendarWithPrimaryKey(m_calendar->primaryKey())) {
        // Deleted elsewhere: nothing is written for it.
        m_calendar = nullptr;
        closePanel();
        return;
    }
    loadData();
}

void CategoryDetailView::shareStatusChanged(const Notification& notification)
{
    if (notification.objectAs<TaskPtr>() && panelAttached()) loadData();
}

// ---- input and drawing -------------------------------------------------------------------

void CategoryDetailView::mouseDown(const Event&)
{
    endEditing();
}

void CategoryDetailView::drawRect(QPainter& painter, const QRectF&)
{
    if (m_scrollView->isHidden() || m_tabView->isHidden()) return;
    const double top = tabAreaTop();
    painter.save();
    painter.setPen(QPen(Color::lightGray(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(1.5, top + 0.5, bounds().width() - 3, bounds().height() - top - 1));
    painter.restore();
}
