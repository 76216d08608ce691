#include "PrefTaskView.h"

#include "Button.h"
#include "CoreData.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "PopUpButton.h"
#include "PrefPaneSupport.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"
#include "WorkingHourSettingItem.h"

#include <QApplication>
#include <QPainter>

namespace {

SettingPtr taskPaneSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

TextField* makeTaskPaneLabel(View* pane, const QString& text, double y)
{
    TextField* label = TextField::labelWithString(PrefPanes::labelText(text), QRectF(10, y, 170, 19));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pane->addSubview(label);
    return label;
}

TextField* makeTaskPaneNote(View* pane, const QString& text, const QRectF& frame)
{
    TextField* note = TextField::labelWithString(text, frame);
    note->setTextFont(Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 13));
    note->setWraps(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pane->addSubview(note);
    return note;
}

void postListChanged(QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged, sender);
}

}  // namespace

PrefTaskView::PrefTaskView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double width = frame.width();
    makeTaskPaneLabel(this, TextTable::localizedString(QStringLiteral("workingTimeText")), 22);
    for (int day = 0; day < 7; ++day) {
        auto* row = new WorkingHourSettingItem(
            QRectF(190, 20 + day * WorkingHourSettingItem::rowHeight, width - 200, WorkingHourSettingItem::rowHeight));
        addSubview(row);
        m_sevenDaysWorkingHours.push_back(row);
    }
    makeTaskPaneNote(this, TextTable::localizedString(QStringLiteral("workingTimeWarning")),
                     QRectF(190, 200, width - 210, 36));

    m_separatorYs.push_back(247);
    makeTaskPaneLabel(this, TextTable::localizedString(QStringLiteral("defaultTaskDurationText")), 262);
    m_durationBtn =
        PrefPanes::createDurationPopUp(QRectF(190, 260, 180, 24), this, [this](PopUpButton*) { selectDefaultDuration(); });
    addSubview(m_durationBtn);

    makeTaskPaneLabel(this, TextTable::localizedString(QStringLiteral("defaultAlertTaskText")), 297);
    m_defaultAlertBtn = PrefPanes::createDefaultAlertPopUp(QRectF(190, 295, 180, 24), QStringLiteral("DefAlertTask"), this,
                                                           [this](PopUpButton*) { selectDefaultAlertForTask(); });
    addSubview(m_defaultAlertBtn);

    m_separatorYs.push_back(335);
    m_showTaskBtn =
        PrefPanes::createCheckBox(TextTable::localizedString(QStringLiteral("showTasksInDayCalendar")),
                                  QRectF(40, 345, width - 60, 22), this, [this](Button*) { selectShowTask(); });
    addSubview(m_showTaskBtn);
    m_activeTaskBtn =
        PrefPanes::createCheckBox(TextTable::localizedString(QStringLiteral("hideFutureTasksText")),
                                  QRectF(40, 375, width - 60, 22), this, [this](Button*) { selectActiveTaskOnly(); });
    addSubview(m_activeTaskBtn);
    makeTaskPaneNote(this, TextTable::localizedString(QStringLiteral("warningHideFutureTasksText")),
                     QRectF(68, 399, width - 88, 36));

    loadData();
}

PrefTaskView::~PrefTaskView() = default;

void PrefTaskView::loadData()
{
    const SettingPtr setting = taskPaneSetting();
    if (!setting) return;
    const QVariantMap hours = setting->dayManagers();
    for (int day = 0; day < 7; ++day) {
        // A missing or broken entry shows midnight and is left as stored.
        const int start = PrefPanes::workingMinutesOf(hours, PrefPanes::workingStartKey(day)).value_or(0);
        const int end = PrefPanes::workingMinutesOf(hours, PrefPanes::workingEndKey(day)).value_or(0);
        m_sevenDaysWorkingHours[size_t(day)]->setData(day, PrefPanes::timeOfMinutes(start),
                                                      PrefPanes::timeOfMinutes(end));
    }
    PrefPanes::selectTagOrNothing(m_durationBtn, setting->durationDefTaskVal());
    if (const std::optional<qint64> alert = PrefPanes::alertTagOfList(setting->defaultTaskAlert()))
        PrefPanes::selectTagOrNothing(m_defaultAlertBtn, *alert);
    else
        m_defaultAlertBtn->selectNoItem();
    m_showTaskBtn->setState(setting->showTask() ? OnState : OffState);
    m_activeTaskBtn->setState(setting->showActiveTaskOnly() ? OnState : OffState);
}

void PrefTaskView::selectDefaultDuration()
{
    if (!PrefPanes::storePopUpChoice(taskPaneSetting(), m_durationBtn,
                                     [](Setting& setting, qint64 tag) { setting.setDurationDefTaskVal(tag); }))
        loadData();
}

void PrefTaskView::selectDefaultAlertForTask()
{
    if (!PrefPanes::storePopUpChoice(taskPaneSetting(), m_defaultAlertBtn, [](Setting& setting, qint64 tag) {
            setting.setDefaultTaskAlert(PrefPanes::alertListForTag(tag));
        }))
        loadData();
}

void PrefTaskView::selectShowTask()
{
    const SettingPtr setting = taskPaneSetting();
    if (!setting) return;
    const qint64 shows = m_showTaskBtn->state() == OnState ? 1 : 0;
    if (!PrefPanes::saveSettings([shows](Setting& kept) { kept.setShowTask(shows); }, window())) {
        loadData();
        return;
    }
    postListChanged(this);
    PrefPanes::postSettingsPush();
}

void PrefTaskView::selectActiveTaskOnly()
{
    const SettingPtr setting = taskPaneSetting();
    if (!setting) return;
    const qint64 activeOnly = m_activeTaskBtn->state() == OnState ? 1 : 0;
    if (!PrefPanes::saveSettings([activeOnly](Setting& kept) { kept.setShowActiveTaskOnly(activeOnly); }, window())) {
        loadData();
        return;
    }
    // The working list is rebuilt on the refresh the notice below starts.
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setNeedUpdateCoreData(true);
    postListChanged(this);
    PrefPanes::postSettingsPush();
}

void PrefTaskView::drawRect(QPainter& painter, const QRectF&)
{
    for (double y : m_separatorYs)
        painter.fillRect(QRectF(10, y, bounds().width() - 20, 1), QColor(220, 220, 220));
}

void PrefTaskView::mouseDown(const Event&)
{
    if (QWidget* focused = QApplication::focusWidget(); focused && isAncestorOf(focused)) focused->clearFocus();
}
