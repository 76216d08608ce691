#include "PrefGeneralView.h"

#include "AlertPresenter.h"
#include "Button.h"
#include "Calendar.h"
#include "CoreData.h"
#include "CustomNSPopUpButton.h"
#include "GregorianCalendar.h"
#include "LoginItem.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "RecordStore.h"
#include "PopUpButton.h"
#include "PrefPaneSupport.h"
#include "ProgressIndicator.h"
#include "ProgressView.h"
#include "RadioMatrix.h"
#include "Setting.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "Transaction.h"
#include "UIUtilities.h"
#include "Window.h"

#include <QLocale>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kGeneralControlX = 200;
constexpr QSizeF kRemovalSheetSize(410, 150);
// The removal sheet hangs this much lower than a plain sheet, clear of the
// toolbar.
constexpr double kRemovalSheetDrop = 30;

CoreData* generalPaneData()
{
    return CoreData::shared();
}

SettingPtr generalPaneSetting()
{
    CoreData* dataManager = generalPaneData();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

TextField* makeGeneralPaneLabel(View* pane, const QString& text, const QRectF& frame)
{
    TextField* label = TextField::labelWithString(PrefPanes::labelText(text), frame);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setWraps(frame.height() > 24);
    pane->addSubview(label);
    return label;
}

QRectF generalLabelFrame(double y)
{
    return QRectF(10, y + 2, kGeneralControlX - 20, 19);
}

// Wrapped text starts at the top of its label, so a label of two lines is
// lowered until the lines its text takes stand level with the control's
// middle, whether they are one or two.
QRectF levelWithControl(const TextField& label, const QRectF& control)
{
    const QRectF frame = label.frame();
    const double lineHeight = TextMeasure::lineHeight(label.textFont());
    const auto taken = TextMeasure::wrappedLines(label.stringValue(), label.textFont(), frame.width() - 2).size();
    const int lines = std::clamp(int(taken), 1, int(frame.height() / lineHeight));
    const double block = lines * lineHeight + 2;
    return QRectF(frame.x(), std::round(control.center().y() - block / 2), frame.width(), frame.height());
}

void makeGeneralPaneNote(View* pane, const QString& text, const QRectF& frame)
{
    TextField* note = TextField::labelWithString(text, frame);
    note->setTextFont(Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 13));
    note->setWraps(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pane->addSubview(note);
}

void postGeneralListChanged(QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged, sender);
}

// The categories a new item may default to: ordinary ones that are shown
// and belong to the user.
CalendarList offeredCategories(CoreData& dataManager)
{
    CalendarList offered;
    for (const CalendarPtr& category : dataManager.getCalendarWithType(0, dataManager.calendarList(), true))
        if (!category->isShared()) offered.append(category);
    return offered;
}

}  // namespace

PrefGeneralView::PrefGeneralView(const QRectF& frame, QWidget* parent)
    : View(frame, parent), m_loginItem(std::make_unique<LoginItem>())
{
    const double width = frame.width();
    const double controlX = kGeneralControlX;
    makeGeneralPaneLabel(this, TextTable::localizedString(QStringLiteral("defaultCategoryText")),
                         generalLabelFrame(categoryRowY));

    // A longer text than the English one gets the whole left column and two
    // lines: twice an ordinary label's height.
    const bool english = QLocale().name() == QLatin1String("en_US");
    const QRectF durationRow(controlX, 55, 180, 24);
    m_durationLabel = makeGeneralPaneLabel(this, TextTable::localizedString(QStringLiteral("defaultEventDurationText")),
                                           english ? generalLabelFrame(55)
                                                   : QRectF(0, 0, controlX - 10, 2 * generalLabelFrame(0).height()));
    if (!english) m_durationLabel->setFrame(levelWithControl(*m_durationLabel, durationRow));
    m_durationBtn =
        PrefPanes::createDurationPopUp(durationRow, this, [this](PopUpButton*) { selectDefaultDuration(); });
    addSubview(m_durationBtn);

    makeGeneralPaneLabel(this, TextTable::localizedString(QStringLiteral("weekStartText")), generalLabelFrame(90));
    m_weekStartMatrix = new RadioMatrix(QRectF(controlX, 90, 180, 44),
                                        {{TextTable::localizedString(QStringLiteral("sundayText")), 1},
                                         {TextTable::localizedString(QStringLiteral("mondayText")), 2}},
                                        22);
    m_weekStartMatrix->setTarget(this, [this](RadioMatrix*) { selectWeekStartDay(); });
    addSubview(m_weekStartMatrix);

    makeGeneralPaneLabel(this, TextTable::localizedString(QStringLiteral("snoozeText")), generalLabelFrame(145));
    m_snoozeBtn = UIUtilities::createPopUpButtonWithFrame(
        QRectF(controlX, 145, 180, 24), QStringLiteral("Snooze"), 13, this,
        [this](PopUpButton*) { selectDefaultSnooze(); },
        {TextTable::localizedString(QStringLiteral("_5minutesText")),
         TextTable::localizedString(QStringLiteral("_15minutesText")),
         TextTable::localizedString(QStringLiteral("_30minutesText")),
         TextTable::localizedString(QStringLiteral("_1hourText"))},
        QList<qint64>{300, 900, 1800, 3600});
    addSubview(m_snoozeBtn);

    makeGeneralPaneLabel(this, TextTable::localizedString(QStringLiteral("defaultAlertEventText")),
                         generalLabelFrame(180));
    m_defaultAlertBtn = PrefPanes::createDefaultAlertPopUp(QRectF(controlX, 180, 180, 24), QStringLiteral("DefAlertEvent"), this,
                                                           [this](PopUpButton*) { selectDefaultAlertForEvent(); });
    addSubview(m_defaultAlertBtn);

    m_separatorYs.push_back(218);
    makeGeneralPaneLabel(this, TextTable::localizedString(QStringLiteral("removeSuspectedDuplicatesText")),
                         generalLabelFrame(230));
    m_removeDuplicateBtn = UIUtilities::createButton(
        TextTable::localizedString(QStringLiteral("removeDuplicatesText")), 13, Qt::black, Qt::AlignCenter,
        ButtonType::MomentaryPushIn, QRectF(controlX, 228, 170, 26), this, [this](Button*) { removeDuplicate(); },
        QImage(), QImage(), true);
    addSubview(m_removeDuplicateBtn);
    makeGeneralPaneNote(this, TextTable::localizedString(QStringLiteral("removeDuplicateWarning")),
                        QRectF(controlX, 260, width - controlX - 20, 36));

    m_separatorYs.push_back(305);
    m_tzSupportBtn =
        PrefPanes::createCheckBox(TextTable::localizedString(QStringLiteral("tzSupportText")),
                                  QRectF(40, 315, width - 60, 22), this, [this](Button*) { selectTimeZoneSupport(); });
    addSubview(m_tzSupportBtn);
    makeGeneralPaneNote(this, TextTable::localizedString(QStringLiteral("tzHelpText")),
                        QRectF(68, 340, width - 88, 36));

    m_separatorYs.push_back(385);
    m_warnBeforeDeleteBtn =
        PrefPanes::createCheckBox(TextTable::localizedString(QStringLiteral("warnBeforeDeleteText")),
                                  QRectF(40, 395, width - 60, 22), this, [this](Button*) { selectWarnBeforeDelete(); });
    addSubview(m_warnBeforeDeleteBtn);

    m_separatorYs.push_back(427);
    m_startUpAtLoginBtn = PrefPanes::createCheckBox(TextTable::localizedString(QStringLiteral("startUpAtLoginText")),
                                                    QRectF(40, 437, width - 60, 22), this,
                                                    [this](Button*) { startUpAtLogin(); });
    addSubview(m_startUpAtLoginBtn);

    loadData();
}

PrefGeneralView::~PrefGeneralView() = default;

void PrefGeneralView::loadData()
{
    CoreData* dataManager = generalPaneData();
    const SettingPtr setting = generalPaneSetting();
    if (!dataManager || !setting) return;

    // Built anew each time: categories come and go in the main window.
    if (m_calendarBtn) m_calendarBtn->deleteLater();
    m_calendarBtn = UIUtilities::createCalendarPopUpButtonWithFrame(
        QRectF(kGeneralControlX, categoryRowY, 220, 24), this, [this](PopUpButton*) { selectCalendar(); },
        offeredCategories(*dataManager));
    addSubview(m_calendarBtn);
    // The items carry the categories' keys: two categories of one name are
    // told apart, and a header titled like a category is never chosen.
    PrefPanes::selectTagOrNothing(m_calendarBtn, setting->calendarDefID());

    PrefPanes::selectTagOrNothing(m_durationBtn, setting->durationDefEventVal());
    m_weekStartMatrix->selectCellWithTag(int(setting->weekStartDay()) + 1);
    PrefPanes::selectTagOrNothing(m_snoozeBtn, setting->snoozeDefVal());
    if (const std::optional<qint64> alert = PrefPanes::alertTagOfList(setting->defaultEventAlert()))
        PrefPanes::selectTagOrNothing(m_defaultAlertBtn, *alert);
    else
        m_defaultAlertBtn->selectNoItem();
    m_warnBeforeDeleteBtn->setState(setting->isWarningForDeleting() ? OnState : OffState);
    m_tzSupportBtn->setState(setting->tzSupport() ? OnState : OffState);
    m_startUpAtLoginBtn->setState(m_loginItem->appIsPresentInLoginItems() ? OnState : OffState);
}

void PrefGeneralView::selectCalendar()
{
    CoreData* dataManager = generalPaneData();
    const SettingPtr setting = generalPaneSetting();
    const PopUpItem* item = m_calendarBtn ? m_calendarBtn->selectedItem() : nullptr;
    if (!dataManager || !setting || !item) return;
    // From the database: the category may have been hidden since the pop-up
    // was built.
    const CalendarPtr category = Calendar::initWithPrimaryKey(item->tag, RecordStore::sharedDatabase());
    if (!category || category->primaryKey() <= 0) return;
    const CalendarPtr listed = dataManager->calendarWithPrimaryKey(category->primaryKey());
    // The default, a hidden category shown again with its items, and the
    // rows: one unit.
    const bool saved = dataManager->saveCategoryChangeFromView(listed ? CalendarList{listed} : CalendarList{}, [&] {
        Transaction::keepInCurrent(setting);
        setting->setCalendarDefID(category->primaryKey());
        if (category->inVisible() != 0) {
            category->setInVisible(0);
            if (!category->dehydrate()) return false;
            if (listed) listed->setInVisible(0);
            if (dataManager->isAppliedTagFilter())
                dataManager->addTasksToListFromCalendar(category, dataManager->getShowTag());
            else
                dataManager->addTasksToListFromCalendarId(category->primaryKey());
        }
        return setting->dehydrate();
    }, window());
    if (!saved) {
        qWarning() << "The default category was not saved; the settings are as they were";
        loadData();
        return;
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kCalendarListChanged,
                                                                         static_cast<QObject*>(this));
    PrefPanes::postSettingsPush();
}

void PrefGeneralView::selectDefaultDuration()
{
    if (!PrefPanes::storePopUpChoice(generalPaneSetting(), m_durationBtn,
                                     [](Setting& setting, qint64 tag) { setting.setDurationDefEventVal(tag); }))
        loadData();
}

void PrefGeneralView::selectWeekStartDay()
{
    const SettingPtr setting = generalPaneSetting();
    const RadioMatrix::Cell* cell = m_weekStartMatrix->selectedCell();
    if (!setting || !cell) return;
    const qint64 day = cell->tag - 1;
    if (!PrefPanes::saveSettings([day](Setting& kept) { kept.setWeekStartDay(day); }, window())) {
        loadData();
        return;
    }
    postGeneralListChanged(this);
    PrefPanes::postSettingsPush();
}

void PrefGeneralView::selectDefaultSnooze()
{
    // A local habit of this machine: no push.
    if (!PrefPanes::storePopUpChoice(
            generalPaneSetting(), m_snoozeBtn, [](Setting& setting, qint64 tag) { setting.setSnoozeDefVal(tag); }, false))
        loadData();
}

void PrefGeneralView::selectDefaultAlertForEvent()
{
    if (!PrefPanes::storePopUpChoice(generalPaneSetting(), m_defaultAlertBtn, [](Setting& setting, qint64 tag) {
            setting.setDefaultEventAlert(PrefPanes::alertListForTag(tag));
        }))
        loadData();
}

void PrefGeneralView::selectTimeZoneSupport()
{
    CoreData* dataManager = generalPaneData();
    const SettingPtr setting = generalPaneSetting();
    if (!dataManager || !setting) return;
    const bool wasOn = setting->tzSupport();
    const bool turnOn = m_tzSupportBtn->state() == OnState;
    if (!wasOn) {
        AlertRequest question;
        question.style = AlertStyle::Warning;
        const int ok = question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        question.messageText = TextTable::localizedString(QStringLiteral("timezoneEnableWarningHeaderText"));
        question.informativeText = TextTable::localizedString(QStringLiteral("timezoneEnableWarningText"));
        question.attachedTo = window();
        if (AlertPresenter::current().runModal(question).button != ok) {
            m_tzSupportBtn->setState(OffState);
            return;
        }
    }
    // A machine zone the table does not name is not the floating zone: a
    // machine on UTC (under any name) takes the table's UTC entry, the one
    // the store writes as UTC; another takes the first zone at its offset.
    const QTimeZone system = GregorianCalendar::systemZone();
    qint64 zone = dataManager->getTimeZoneId(QString::fromUtf8(system.id()));
    if (zone == 0)
        zone = !system.hasDaylightTime() && system.offsetFromUtc(QDateTime::currentDateTimeUtc()) == 0
                   ? CoreData::utcZoneId
                   : dataManager->getDefaultTimezone();
    if (!PrefPanes::saveSettings([&](Setting& kept) {
            kept.setTzSupport(turnOn);
            kept.setCurrentTZ(zone);
        }, window())) {
        loadData();
        return;
    }
    m_tzSupportBtn->setState(turnOn ? OnState : OffState);
    dataManager->setAppRootTZ(dataManager->getDefaultTimezone());
    // Items read from the store hold their times as the setting they were
    // read under has them; the store keeps each file's zone, so they are
    // read again as a start under the new setting reads them.
    if (turnOn != wasOn) dataManager->followZoneSupportChange();
    if (turnOn)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTurnOnOffTimezone,
                                                                             static_cast<QObject*>(this));
    postGeneralListChanged(this);
    if (setting->tzSupport() != wasOn) {
        setting->setHasChanges(1);
        setting->setLastUpdate(1);
    }
    PrefPanes::postSettingsPush();
}

void PrefGeneralView::selectWarnBeforeDelete()
{
    const SettingPtr setting = generalPaneSetting();
    if (!setting) return;
    const qint64 warns = m_warnBeforeDeleteBtn->state() == OnState ? 1 : 0;
    if (!PrefPanes::saveSettings([warns](Setting& kept) { kept.setIsWarningForDeleting(warns); }, window())) {
        loadData();
        return;
    }
    PrefPanes::postSettingsPush();
}

void PrefGeneralView::startUpAtLogin()
{
    if (m_startUpAtLoginBtn->state() == OnState)
        m_loginItem->enableLoginItem();
    else
        m_loginItem->disableLoginItem();
    // After a failure (the login item's own alert) the box shows what is
    // really there, not what the click asked for.
    m_startUpAtLoginBtn->setState(m_loginItem->appIsPresentInLoginItems() ? OnState : OffState);
}

void PrefGeneralView::removeDuplicate()
{
    if (m_removing) return;
    AlertRequest question;
    question.style = AlertStyle::Warning;
    question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    const int proceed = question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("proceedText")));
    question.messageText = TextTable::localizedString(QStringLiteral("deleteDupTitleText"));
    question.informativeText = TextTable::localizedString(QStringLiteral("deleteDupMsg"));
    question.attached = false;
    if (AlertPresenter::current().runModal(question).button != proceed) return;
    showProgress();
}

void PrefGeneralView::showProgress()
{
    CoreData* dataManager = generalPaneData();
    const SettingPtr setting = generalPaneSetting();
    if (!dataManager || !setting) return;
    if (!m_progressWindow) {
        m_progressWindow = std::make_unique<Window>(QRectF(QPointF(0, 0), kRemovalSheetSize), BorderlessWindowMask);
        auto* progress = new ProgressView(QRectF(QPointF(0, 0), kRemovalSheetSize));
        progress->setTextProgessing(TextTable::localizedString(QStringLiteral("removeDuplicatesProcessingText")));
        m_progressCancelBtn = UIUtilities::createButton(
            TextTable::localizedString(QStringLiteral("cancelText")), 12, Qt::black, Qt::AlignCenter,
            ButtonType::MomentaryPushIn,
            QRectF(kRemovalSheetSize.width() - 20 - 75, kRemovalSheetSize.height() - 10 - 24, 75, 24), this,
            [this](Button*) { cancelRemoving(); }, QImage(), QImage(), true);
        progress->addSubview(m_progressCancelBtn);
        m_progressWindow->setContentView(progress);
    }
    setting->setIsCancellingRemoving(false);
    m_removing = true;
    auto* progress = static_cast<ProgressView*>(m_progressWindow->contentView());
    if (auto* host = qobject_cast<Window*>(window()); host && host->isVisible()) {
        m_progressWindow->setFrame(QRectF(m_progressWindow->frame().topLeft(), kRemovalSheetSize), false);
        host->beginSheet(m_progressWindow.get());
        const QRectF placed = m_progressWindow->frame();
        m_progressWindow->setFrameOrigin(QPointF(placed.x(), placed.y() - kRemovalSheetDrop));
    } else {
        m_progressWindow->orderFront();
    }
    progress->progessIndicator()->startAnimation();
    QPointer<PrefGeneralView> pane(this);
    dataManager->deleteSuspectedDuplicatedTasksInBackground(true, [pane](bool finished) {
        if (pane) pane->finishRemoving(finished);
    });
}

void PrefGeneralView::finishRemoving(bool finished)
{
    m_removing = false;
    if (m_progressWindow) {
        static_cast<ProgressView*>(m_progressWindow->contentView())->progessIndicator()->stopAnimation();
        if (auto* host = qobject_cast<Window*>(window()); host && host->attachedSheet() == m_progressWindow.get())
            host->endSheet(m_progressWindow.get());
        m_progressWindow->orderOut();
    }
    if (!finished) return;
    AlertRequest done;
    done.style = AlertStyle::Informational;
    done.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    done.messageText = TextTable::localizedString(QStringLiteral("deleteDupTitleText"));
    done.informativeText = TextTable::localizedString(QStringLiteral("removeSuspectedDuplicatesDoneMessage"));
    done.attached = false;
    AlertPresenter::current().runModal(done);
}

void PrefGeneralView::cancelRemoving()
{
    // The job reads the flag before each step and stops at the next one.
    if (const SettingPtr setting = generalPaneSetting()) setting->setIsCancellingRemoving(true);
}

void PrefGeneralView::drawRect(QPainter& painter, const QRectF&)
{
    for (double y : m_separatorYs)
        painter.fillRect(QRectF(10, y, bounds().width() - 20, 1), QColor(220, 220, 220));
}
