#include "ItemDetailView.h"

#include "AlertPresenter.h"
#include "AlertRows.h"
#include "Button.h"
#include "Calendar.h"
#include "Common.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSTextField.h"
#include "CustomTextView.h"
#include "DatePicker.h"
#include "DetailRow.h"
#include "EditorPages.h"
#include "EditorShared.h"
#include "LinkSection.h"
#include "NotificationCenter.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
using EditorRowGeometry::controlFrame;
}  // namespace

AddFormHost::~AddFormHost() = default;
QuickAddHost::~QuickAddHost() = default;

ItemDetailView::ItemDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_builtHeight = frame.height();
}

ItemDetailView::~ItemDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- building ----------------------------------------------------------------------

void ItemDetailView::buildTitle(double width)
{
    m_title = new CustomTextView(QRectF(5, 2, width, 19), QString(), this);
    m_title->setShowNoteLine(false);
    m_title->setTextFont(lucida(15), titleLineHeight);
    m_title->setOnEndEditing([this](CustomTextView* view) { textDidEndEditing(view); });
    m_title->setTabChangesFocus(true);
    m_title->setReturnEndsEditing(true);  // a title is one line
    m_title->setOnSelectionChanged([this](CustomTextView*) {
        if (m_type != 0) updateView();
    });
    m_title->hide();
}

void ItemDetailView::buildLocationRow()
{
    m_locationRow = makeRow(TextTable::localizedString(QStringLiteral("locationText")));
    m_locationTextField = new CustomNSTextField(controlFrame(90, 0, frame().width() - 95, 19));
    m_locationTextField->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_locationRow->setView(m_locationTextField);
}

void ItemDetailView::buildStartRow()
{
    m_startRow = makeRow(TextTable::localizedString(QStringLiteral("startText")));
    m_startTextField = new CustomNSDatePicker(controlFrame(90, -2, frame().width() - 95, 19));
    m_startTextField->setMinDate(Date::dateWithTimeIntervalSince1970(0));
    m_startTextField->setDateValue(Utilities::getCompleteDate());
    m_startRow->setView(m_startTextField);
    fitDatePicker(m_startTextField);
}

void ItemDetailView::buildLowerRows()
{
    const double width = frame().width();
    m_urlRow = makeRow(TextTable::localizedString(QStringLiteral("urlText")));
    m_urlTextField = new CustomNSTextField(controlFrame(90, 0, width - 95, 19));
    m_urlTextField->setPlaceholderString(TextTable::localizedString(QStringLiteral("noneText")));
    m_urlTextField->setIsURL(true);
    m_urlRow->setView(m_urlTextField);

    m_descRow = makeRow(TextTable::localizedString(QStringLiteral("descText")), 38);
    m_desc = new CustomTextView(controlFrame(90, 0, width - 95, 38, 38),
                                TextTable::localizedString(QStringLiteral("descTooltipText")));
    m_desc->setShowNoteLine(false);
    m_desc->setOnEndEditing([this](CustomTextView* view) { textDidEndEditing(view); });
    m_desc->setTabChangesFocus(true);
    m_descRow->setView(m_desc);

    m_tagRow = makeRow(TextTable::localizedString(QStringLiteral("tagText")));
    m_tagDetailView = new TagTokenDetailView(QRectF(90, 0, width - 95, 19), this);
    m_tagDetailView->setParentView(this);

    m_currentLinkSection = LinkSection::create(QRectF(0, 0, width, 100), this);
    m_currentLinkSection->setParentView(this);
    m_currentLinkSection->hide();
}

void ItemDetailView::buildBottomButtons(const std::function<void()>& save)
{
    const double width = frame().width();
    const double h = m_builtHeight;
    m_addLinkBtn = makeButton(TextTable::localizedString(QStringLiteral("addLinkText")), QRectF(2, h - 23, 110, 24));
    m_addLinkBtn->setTarget(this, [this](Button*) { addNewLink(); });
    m_addLinkBtn->hide();
    m_cancelBtn = makeButton(TextTable::localizedString(QStringLiteral("cancelText")), QRectF(5, h - 24, 90, 24));
    m_cancelBtn->setTarget(this, [this](Button*) { cancelAdd(); });
    m_saveBtn = makeButton(TextTable::localizedString(QStringLiteral("saveText")), QRectF(width - 95, h - 24, 90, 24));
    m_saveBtn->setTarget(this, [save](Button*) { save(); });
    // The add form's keys: Return saves, Escape backs out (live only while
    // the buttons show, that is in the add form).
    m_saveBtn->setKeyEquivalent(QStringLiteral("\r"));
    m_cancelBtn->setKeyEquivalent(QStringLiteral("\x1b"));
    m_revertBtn = makeButton(TextTable::localizedString(QStringLiteral("revertText")), QRectF(width - 180, h - 23, 90, 24));
    m_revertBtn->setTarget(this, [this](Button*) { revertEdit(); });
    m_revertBtn->hide();
    m_doneBtn = makeButton(TextTable::localizedString(QStringLiteral("doneText")), QRectF(width - 95, h - 23, 90, 24));
    m_doneBtn->setTarget(this, [this](Button*) { doneEdit(); });
    m_doneBtn->hide();
}

void ItemDetailView::observeChanges(const void* control, const std::function<void()>& handler)
{
    NotificationCenter::defaultCenter().addObserver(this, kTextFieldHasChangedNotification, control,
                                                    [handler](const Notification&) { handler(); });
}

void ItemDetailView::observeCommonChanges()
{
    observeChanges(NotificationPayload::identityOf(static_cast<TextField*>(m_locationTextField)),
                   [this] { locationChanged(); });
    observeChanges(NotificationPayload::identityOf(static_cast<TextField*>(m_urlTextField)), [this] { urlChanged(); });
    observeChanges(NotificationPayload::identityOf(static_cast<TokenField*>(m_tagDetailView)), [this] { tagChanged(); });
}

DetailRow* ItemDetailView::makeRow(const QString& caption, double height)
{
    auto* row = new DetailRow(QRectF(0, -50, frame().width(), height), this);
    if (height > EditorRowGeometry::rowHeight) {
        // The caption stays level with the first line of a taller row.
        row->label()->setFrameOrigin(QPointF(0, height - EditorRowGeometry::rowHeight));
    }
    row->label()->setStringValue(caption);
    return row;
}

Button* ItemDetailView::makeButton(const QString& title, const QRectF& frame)
{
    Button* button = UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter, ButtonType::MomentaryPushIn,
                                               frame, this, nullptr, QImage(), QImage(), true);
    addSubview(button);
    return button;
}

PopUpButton* ItemDetailView::calendarBtn() const
{
    return m_calendarRow ? qobject_cast<PopUpButton*>(m_calendarRow->view()) : nullptr;
}

void ItemDetailView::fitDatePicker(CustomNSDatePicker* picker)
{
    const QString shown = picker->editor() ? picker->editor()->text() : QString();
    const double width = std::ceil(TextMeasure::sizeOfText(shown, picker->textFont()).width()) + 16;
    picker->setFrameSize(QSizeF(std::min(width, frame().width() - 95), picker->frame().height()));
}

// ---- layout --------------------------------------------------------------------

double ItemDetailView::measuredTitleHeight(const QString& text, double width)
{
    const qsizetype lines = std::max<qsizetype>(1, TextMeasure::wrappedLines(text, lucida(15), width).size());
    return double(lines) * titleLineHeight;
}

double ItemDetailView::titleAreaHeight(double measuredHeight)
{
    return measuredHeight > maximumTitleHeight ? maximumTitleHeight : measuredHeight + 5;
}

void ItemDetailView::fitTitle()
{
    const double h = titleAreaHeight(measuredTitleHeight(m_title->string(), m_title->frame().width() - 10));
    m_title->setFrameSize(QSizeF(m_title->frame().width(), h));
}

void ItemDetailView::updateView()
{
    const qsizetype n = m_allRowView.size();
    const auto placeRows = [&](double top) {
        for (qsizetype i = 0; i < n; ++i) {
            const double step = i == n - 1 ? double(i + 1) : double(i);
            DetailRow* row = m_allRowView.at(i);
            row->setFrameOrigin(QPointF(row->frame().x(), rowStep * step + top));
        }
        m_tagDetailView->setFrameOrigin(QPointF(m_tagDetailView->frame().x(), m_tagRow->frame().y()));
    };
    if (m_type != 0) {
        m_title->show();
        fitTitle();
        m_currentLinkSection->updateFrameHeight();
        const double t = m_title->frame().height();
        resizeWithHeight(double(n) * rowStep + rowStep + t - 3 + m_tagDetailView->frame().height() +
                         m_currentLinkSection->frame().height());
        placeRows(t + 4);
        m_currentLinkSection->setFrameOrigin(QPointF(0, m_tagDetailView->frame().bottom()));
    } else {
        m_title->hide();
        resizeWithHeight(double(n) * rowStep + 19 + m_tagDetailView->frame().height());
        placeRows(1);
    }
    orderKeyboardFocus();
    setNeedsDisplay();
}

void ItemDetailView::orderKeyboardFocus()
{
    // Rows come and go and move (alerts, repeat rules, the due date): Tab
    // follows where they are now.
    View::orderFocusChainByPosition(this);
}

void ItemDetailView::resizeWithHeight(double height)
{
    // In the add panel the host sizes the form; the rows under the grown
    // part move down either way.
    if (auto* host = dynamic_cast<AddFormHost*>(m_parentView.data()))
        host->resizeWithHeight(height);
    else
        setFrameSize(QSizeF(frame().width(), height + 12));
    m_currentLinkSection->setFrameOrigin(QPointF(0, m_tagDetailView->frame().bottom()));
    placeBottomButtons();
}

void ItemDetailView::placeBottomButtons()
{
    // The buttons keep their distance to the bottom edge.
    const double h = frame().height();
    m_addLinkBtn->setFrameOrigin(QPointF(m_addLinkBtn->frame().x(), h - 23));
    m_cancelBtn->setFrameOrigin(QPointF(m_cancelBtn->frame().x(), h - 24));
    m_saveBtn->setFrameOrigin(QPointF(m_saveBtn->frame().x(), h - 24));
    m_revertBtn->setFrameOrigin(QPointF(m_revertBtn->frame().x(), h - 23));
    m_doneBtn->setFrameOrigin(QPointF(m_doneBtn->frame().x(), h - 23));
}

void ItemDetailView::resizeHeightWithOffset(double offset)
{
    resizeWithHeight(offset + frame().height() - 12);
}

void ItemDetailView::showEditButtons()
{
    m_doneBtn->show();
    m_addLinkBtn->show();
    m_saveBtn->hide();
    m_cancelBtn->hide();
}

void ItemDetailView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    Q_UNUSED(dirtyRect);
    const double width = bounds().width();
    painter.fillRect(bounds(), Common::addNewViewColor());
    painter.setPen(QPen(lineColor, 1));
    QPainterPath path;
    if (m_type != 0) {
        const double buttonLine = m_saveBtn->frame().y() - 2.5;
        path.moveTo(0, buttonLine);
        path.lineTo(width, buttonLine);
        const double linkTop = m_currentLinkSection->frame().y() + 3;
        path.moveTo(84.5, m_title->frame().height() + 7);
        path.lineTo(84.5, linkTop);
        path.moveTo(0, linkTop + 0.5);
        path.lineTo(width, linkTop + 0.5);
        painter.drawPath(path);
        return;
    }
    painter.drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
    const double buttonTop = m_saveBtn->frame().y();
    path.moveTo(84.5, 0);
    path.lineTo(84.5, buttonTop - 3);
    path.moveTo(0, buttonTop - 2.5);
    path.lineTo(width, buttonTop - 2.5);
    painter.drawPath(path);
}

// ---- loading ----------------------------------------------------------------------

bool ItemDetailView::beginLoading(const TaskPtr& item)
{
    m_task.reset();
    resetData();
    if (!item) return false;
    CoreData* dataManager = CoreData::shared();
    // The data manager gets a copy as before; the revert uses the form's
    // own, since other commands and the web sync set modifyingTask meanwhile.
    m_keptCopy = item->copy();
    if (dataManager) dataManager->setModifyingTask(item->copy());
    m_task = item;
    return true;
}

void ItemDetailView::finishLoading(const TaskPtr& item)
{
    if (item->notes().isNull()) item->setNotes(QStringLiteral(""));
    m_desc->setString(item->notes());
    m_currentLinkSection->show();
    m_currentLinkSection->loadCurrentLinks(item);
    updateView();
    m_revertBtn->hide();
}

// ---- category --------------------------------------------------------------------

void ItemDetailView::buildCalendarPopUp()
{
    CoreData* dataManager = CoreData::shared();
    CalendarList offered;
    if (dataManager) {
        for (const CalendarPtr& category : dataManager->getCalendarWithType(0, dataManager->calendarList(), true)) {
            if (category && !category->isShared()) offered.append(category);
        }
    }
    CustomNSPopUpButton* button = UIUtilities::createCalendarPopUpButtonWithFrame(
        controlFrame(90, -1, 90, 19), this, [this](PopUpButton*) { selectCalendar(); }, offered);
    m_calendarRow->setView(button);
    const SettingPtr setting = currentSetting();
    const CalendarPtr preferred = dataManager && setting ? dataManager->calendarWithPrimaryKey(setting->calendarDefID())
                                                         : CalendarPtr();
    if (preferred) {
        const std::vector<PopUpItem>& items = button->items();
        for (int i = 0; i < int(items.size()); ++i) {
            if (items[size_t(i)].isSelectable() && items[size_t(i)].enabled &&
                items[size_t(i)].title == preferred->calendarName()) {
                button->selectItemAtIndex(i);
                break;
            }
        }
    }
    selectCalendar();
}

void ItemDetailView::insertCategoryOnTop(const CalendarPtr& category, int tag)
{
    PopUpButton* button = calendarBtn();
    if (!button || !category) return;
    std::vector<PopUpItem> items = button->items();
    PopUpItem own;
    own.title = category->calendarName();
    own.tag = tag;
    own.indentationLevel = 1;
    own.image = UIUtilities::getCalendarColorImage(
        Utilities::colorInGroup(category->colorGroupId(), category->colorNameId()), QSizeF(14, 10));
    items.insert(items.begin(), own);
    button->removeAllItems();
    for (const PopUpItem& item : items) button->addItem(item);
    button->selectItemAtIndex(0);
}

void ItemDetailView::selectCategoryOfItem(const CalendarPtr& category)
{
    PopUpButton* button = calendarBtn();
    if (button && category) {
        const bool shared = m_task && m_task->isShared();
        bool found = false;
        if (!shared) {
            const std::vector<PopUpItem>& items = button->items();
            for (int i = 0; i < int(items.size()) && !found; ++i) {
                const PopUpItem& entry = items[size_t(i)];
                if (entry.isSelectable() && entry.enabled && entry.title == category->calendarName()) {
                    button->selectItemAtIndex(i);
                    found = true;
                }
            }
        }
        // A category the pop-up does not offer (hidden, shared, or of
        // another kind) is still the item's: shown on top with its key, so
        // that the form shows the tags it gives and saving keeps it, in
        // the event form as in the task form.
        if (!found) insertCategoryOnTop(category, int(category->primaryKey()));
    }
    selectCalendar();
}

CalendarPtr ItemDetailView::chosenCategory() const
{
    const PopUpButton* button = calendarBtn();
    const PopUpItem* item = button ? button->selectedItem() : nullptr;
    sqlite3* database = RecordStore::sharedDatabase();
    if (!item || !database) return std::make_shared<Calendar>();
    return Calendar::initWithPrimaryKey(item->tag, database);
}

void ItemDetailView::selectCalendar()
{
    PopUpButton* button = calendarBtn();
    if (!button) return;
    AlertRows::fitPopUpToTitle(button, 50);
    if (m_type != 0 && m_task) {
        CoreData* dataManager = CoreData::shared();
        const CalendarPtr stored = dataManager ? dataManager->calendarWithPrimaryKey(m_task->calendarId()) : nullptr;
        if (!isRevertShown() && (stored ? stored->calendarName() : QString()) != button->titleOfSelectedItem())
            showRevert();
        updateTagListWithCal(chosenCategory(), m_task);
        return;
    }
    const CalendarPtr category = chosenCategory();
    const QStringList names = tagNames(category ? category->tagList() : QString());
    m_tagDetailView->setObjectValue(names);
    if (names.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->resizeTokenField();
}

// ---- tags --------------------------------------------------------------------------

QStringList ItemDetailView::tagNames(const QString& tagList)
{
    QStringList names;
    const QStringList parts = tagList.split(QLatin1Char('/'));
    if (parts.size() < 2) return names;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QString name = parts.at(i).trimmed();
        while (name.startsWith(QLatin1Char('/'))) name.remove(0, 1);
        while (name.endsWith(QLatin1Char('/'))) name.chop(1);
        if (!name.isEmpty()) names.append(name);
    }
    return names;
}

QStringList ItemDetailView::tagsToShow(const QString& categoryTags, const QString& itemTags)
{
    QStringList shown;
    for (const QString& name : tagNames(categoryTags) + tagNames(itemTags)) {
        if (!shown.contains(name)) shown.append(name);
    }
    return shown;
}

QString ItemDetailView::ownTagList(const QStringList& tokens, const QString& categoryTags)
{
    QStringList given = categoryTags.split(QLatin1Char('/'));
    if (given.size() >= 2) given.removeFirst();
    QString own;
    for (const QString& token : tokens) {
        if (given.contains(token)) continue;
        own += QLatin1Char('/') + token;
        given.append(token);
    }
    return own;
}

void ItemDetailView::updateTagListWithCal(const CalendarPtr& category, const TaskPtr& item)
{
    const QStringList shown = tagsToShow(category ? category->tagList() : QString(), item ? item->tagList() : QString());
    m_tagDetailView->setObjectValue(shown);
    if (shown.isEmpty()) m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->resizeTokenField();
}

void ItemDetailView::tagChanged()
{
    if (!checksApply()) return;
    const CalendarPtr category = chosenCategory();
    if (ownTagList(m_tagDetailView->objectValue(), category ? category->tagList() : QString()) != m_task->tagList())
        showRevert();
}

// ---- change marks -------------------------------------------------------------------

bool ItemDetailView::isRevertShown() const
{
    return !m_revertBtn->isHidden();
}

void ItemDetailView::showRevert()
{
    if (m_type != 0) m_revertBtn->show();
}

bool ItemDetailView::checksApply() const
{
    return m_type != 0 && m_task && !isRevertShown();
}

void ItemDetailView::locationChanged()
{
    if (checksApply() && m_locationTextField->stringValue() != m_task->taskLocation()) showRevert();
}

void ItemDetailView::urlChanged()
{
    if (checksApply() && m_urlTextField->stringValue() != m_task->url()) showRevert();
}

void ItemDetailView::textDidEndEditing(CustomTextView* textView)
{
    Q_UNUSED(textView);
    if (m_type == 0 || !m_task) return;
    if (m_title->string() != m_task->taskName())
        showRevert();
    else if (!isRevertShown() && m_desc->string() != m_task->notes())
        showRevert();
}

// ---- done and revert ------------------------------------------------------------------

void ItemDetailView::doneEdit()
{
    customResignFirstResponder();
    saveChanges(true);
}

void ItemDetailView::revertInfo()
{
    if (!isRevertShown() || !m_task || !m_keptCopy) return;
    m_task->copyContentOfTask(*m_keptCopy);
    EditorPages::reloadRow(m_parentView);
}

void ItemDetailView::revertEdit()
{
    revertInfo();
    loadDataFromTask(m_task);
    m_revertBtn->hide();
}

// ---- what changed elsewhere meanwhile -------------------------------------------------

void ItemDetailView::ElsewhereMerge::field(bool changedHere, bool changedThere, bool same,
                                           const std::function<void()>& take)
{
    if (!changedThere || same) return;
    if (changedHere)
        m_clash = true;
    else
        take();
}

void ItemDetailView::ElsewhereMerge::text(const QString& form, const QString& loaded, const QString& stored,
                                          const std::function<void(const QString&)>& set)
{
    field(form != loaded, stored != loaded, form == stored, [&] { set(stored); });
}

// Done writes the person's changes over what the item holds now, not the
// whole form as it was loaded. Where both changed the same field, the
// person's value is saved and they are told after the fact: the form holds
// only their value, so a question could be answered one way only.
void ItemDetailView::takeChangesMadeElsewhere(
    const TaskPtr& now, const std::function<QString()>& titleToStore,
    const std::function<void(ElsewhereMerge&, const Task& opened, Task& now)>& ownFields)
{
    const TaskPtr opened = m_keptCopy;
    if (!m_task || !opened || !now) return;
    ElsewhereMerge merge;
    merge.text(titleToStore(), opened->taskName(), now->taskName(), [this](const QString& v) { m_title->setString(v); });
    merge.text(m_locationTextField->stringValue(), opened->taskLocation(), now->taskLocation(),
               [this](const QString& v) { m_locationTextField->setStringValue(v); });
    merge.text(m_urlTextField->stringValue(), opened->url(), now->url(),
               [this](const QString& v) { m_urlTextField->setStringValue(v); });
    merge.text(m_desc->string(), opened->notes(), now->notes(), [this](const QString& v) { m_desc->setString(v); });
    merge.text(Utilities::updateAlertList(m_alertRows->alertList()), opened->alertValues(), now->alertValues(),
               [this, now](const QString&) { m_alertRows->loadAlerts(now->createAlertList()); });
    if (ownFields) ownFields(merge, *opened, *now);
    // The rest of the item (its exceptions, links, marks) is as stored now.
    const qint64 key = m_task->primaryKey();
    m_task->copyContentOfTask(*now);
    m_task->setPrimaryKey(key);
    if (!merge.clashed()) return;
    AlertRequest request;
    request.style = AlertStyle::Informational;
    request.attachedTo = window();
    request.messageText = TextTable::localizedString(QStringLiteral("editedElsewhereText")).arg(titleToStore());
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    AlertPresenter::current().runModal(request);
}

// ---- focus ------------------------------------------------------------------------------

void ItemDetailView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

void ItemDetailView::mouseDown(const Event& event)
{
    Q_UNUSED(event);
    customResignFirstResponder();
}
