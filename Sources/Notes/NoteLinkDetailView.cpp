#include "NoteLinkDetailView.h"

#include "AlertPresenter.h"
#include "Button.h"
#include "CoreData.h"
#include "EditorShared.h"
#include "MainViewAccess.h"
#include "NoteText.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "ZVWSync.h"

#include <QApplication>
#include <QDebug>
#include <QPainter>

#include <algorithm>

namespace {

const QColor noteBarColor(250, 248, 226);
const QColor noteBarLineColor(Qt::lightGray);

}  // namespace

NoteLinkDetailView::NoteLinkDetailView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    m_contentView = new NoteContentView(QRectF(0, 0, width, editorHeight), QString(), this);
    m_contentView->setAutoresizingMask(ViewWidthSizable);
    m_contentView->setParentView(this);
    const auto makeButton = [this](const QString& title, std::function<void(Button*)> action) {
        Button* button =
            UIUtilities::createButton(title, 12, Qt::black, Qt::AlignCenter, ButtonType::MomentaryPushIn,
                                      QRectF(0, barTop, 90, 24), this, std::move(action), QImage(), QImage(), true);
        addSubview(button);
        return button;
    };
    m_revealBtn = makeButton(TextTable::localizedString(QStringLiteral("revealText")), [this](Button*) { reveal(); });
    m_detailBtn =
        makeButton(TextTable::localizedString(QStringLiteral("detailText")), [this](Button*) { showDetail(); });
    m_unlinkBtn = makeButton(TextTable::localizedString(QStringLiteral("unlinkText")), [this](Button*) { unlink(); });
    placeBar();
}

NoteLinkDetailView::~NoteLinkDetailView() = default;

void NoteLinkDetailView::placeBar()
{
    const double width = frame().width();
    m_revealBtn->setFrameOrigin(QPointF(5, barTop));
    m_unlinkBtn->setFrameOrigin(QPointF(width - 95, barTop));
    // A list narrower than three whole buttons gives detail the room left
    // between the other two, 5 points from each.
    const double gapLeft = 100;
    const double gapRight = width - 100;
    const double detailWidth = std::clamp(gapRight - gapLeft, 0.0, 90.0);
    m_detailBtn->setFrame(QRectF(gapLeft + (gapRight - gapLeft - detailWidth) / 2, barTop, detailWidth, 24));
}

void NoteLinkDetailView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    placeBar();
}

void NoteLinkDetailView::loadDataFromNote(const TaskPtr& note)
{
    m_note = note ? note->copy() : nullptr;
    if (CoreData* dataManager = CoreData::shared()) dataManager->setModifyingTask(m_note);
    if (m_note && m_note->taskType() == 3) m_contentView->setContent(m_note);
}

void NoteLinkDetailView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

void NoteLinkDetailView::summaryInfo()
{
    if (!m_note) return;
    const QString text = m_contentView->getContentText();
    // An emptied editor keeps the note's stored title and text.
    if (text.isEmpty()) return;
    m_note->setHasChanges(0);
    m_note->setTaskName(NoteText::taskName(text));
    m_note->setNotes(text);
}

bool NoteLinkDetailView::storeNote()
{
    if (!m_note) return false;
    const TaskPtr note = m_note;
    CoreData* dataManager = CoreData::shared();
    // Refused, the note keeps its stored text and the person is told.
    bool changed = false;
    if (!dataManager || !dataManager->saveChangeFromView({note}, [&] {
            summaryInfo();
            changed = note->hasChanges() != 0;
            return !changed || note->dehydrate();
        }, window())) {
        qWarning() << "Linked note" << note->primaryKey() << "could not be saved";
        return false;
    }
    if (!changed) return false;
    const SettingPtr setting = currentSetting();
    if (setting && setting->autoZVWSync() != 0)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(2));
    // Saved: a later save of the same text writes nothing.
    m_note->setHasChanges(0);
    return true;
}

bool NoteLinkDetailView::saveBeforeReload()
{
    return storeNote();
}

void NoteLinkDetailView::saveChanges()
{
    storeNote();
    // A row its list is dropping has nothing more to refresh.
    if (isRetired()) return;
    if (!m_isPopoverReloadAfterDoAction) {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, this);
        return;
    }
    const TaskPtr note = m_note;
    if (auto* list = qobject_cast<LinkListTableView*>(m_parentView.data())) {
        list->loadCurrentLinks();
        if (auto* host = dynamic_cast<LinkListHost*>(list->parentView())) host->updateView();
    }
    // This row may have left its list by now; only locals from here on.
    if (MainViewAccess* mainView = MainViewAccess::current(); mainView && note) {
        const QString key = QString::number(note->primaryKey());
        mainView->reloadDataWithInfo({{key, key}});
    }
}

void NoteLinkDetailView::reveal()
{
    customResignFirstResponder();
    storeNote();
    CoreData* dataManager = CoreData::shared();
    if (dataManager) dataManager->pushAddedItemInPreviewToAdesIfNeed();
    MainViewAccess* mainView = MainViewAccess::current();
    const bool shown = m_note && LinkListTableView::isItemReachable(m_note) && mainView &&
                       (mainView->revealInNoteList(m_note) || mainView->revealInCategoryList(m_note));
    if (!shown) LinkListTableView::showHiddenLinkAlert();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
}

void NoteLinkDetailView::showDetail()
{
    customResignFirstResponder();
    if (CoreData* dataManager = CoreData::shared()) dataManager->pushAddedItemInPreviewToAdesIfNeed();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
    storeNote();
    if (!m_note) return;
    if (!LinkListTableView::isItemReachable(m_note)) {
        LinkListTableView::showHiddenLinkAlert();
        return;
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->showItemDetail(m_note, 2);
}

void NoteLinkDetailView::unlink()
{
    customResignFirstResponder();
    auto* list = qobject_cast<LinkListTableView*>(m_parentView.data());
    if (m_note && list) list->doUnlink(m_note);
}

void NoteLinkDetailView::drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSeparatorInRect(painter, dirtyRect);
    const double width = bounds().width();
    painter.fillRect(QRectF(0, editorHeight, width, 1), noteBarLineColor);
    painter.fillRect(QRectF(0, barTop, width, barHeight), noteBarColor);
}

void NoteLinkDetailView::drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect)
{
    (void)painter;
    (void)dirtyRect;
}
