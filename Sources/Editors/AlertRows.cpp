#include "AlertRows.h"

#include "CustomNSPopUpButton.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "DatePicker.h"
#include "DetailEditorHost.h"
#include "DetailRow.h"
#include "NotificationCenter.h"
#include "QtSoundPlayer.h"
#include "Task.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "EditorShared.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

using EditorRowGeometry::controlFrame;

constexpr double typeX = 90;
constexpr double countX = 92;
constexpr double unitX = 117;
constexpr double rowWidthFallback = 330;

}  // namespace

AlertRows::AlertRows(DetailEditorHost& host, QObject* parent) : QObject(parent), m_host(host) {}

AlertRows::~AlertRows() = default;

QString AlertRows::soundsFolder()
{
    return QtSoundPlayer::defaultSoundsFolder();
}

QStringList AlertRows::soundNames()
{
    // Only what the player can play: its sounds are .wav files named after
    // the sound.
    QStringList names;
    const QFileInfoList files = QDir(soundsFolder()).entryInfoList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) names.append(file.completeBaseName());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    return names;
}

void AlertRows::fitPopUpToTitle(PopUpButton* popUp, double extra)
{
    if (!popUp) return;
    // Our face needs room for its arrows besides the title: a width that
    // would cut the title short takes that room instead.
    const QRectF sample(0, 0, 100, popUp->frame().height());
    const QRectF cell = qobject_cast<CustomNSPopUpButton*>(popUp) ? CustomNSPopUpButton::cellFrameForBounds(sample) : sample;
    const double faceRoom = sample.width() - PopUpButton::titleRectForBounds(cell).width() + 2;
    const double title = std::ceil(TextMeasure::sizeOfText(popUp->titleOfSelectedItem(), popUp->textFont()).width());
    popUp->setFrameSize(QSizeF(title + std::max(extra, faceRoom), popUp->frame().height()));
}

AlertRows::AlertTime AlertRows::alertTimeForOffset(qint64 relativeOffset)
{
    const qint64 seconds = -relativeOffset;
    if (seconds % 86400 == 0) return {seconds / 86400, daysTag};
    if (seconds % 3600 == 0) return {seconds / 3600, hoursTag};
    return {seconds / 60, minutesTag};
}

qint64 AlertRows::secondsOfUnit(int unitTag)
{
    switch (unitTag) {
    case daysTag: return 86400;
    case hoursTag: return 3600;
    default: return 60;
    }
}

PopUpButton* AlertRows::typePopUp(const DetailRow* headerRow)
{
    return headerRow ? qobject_cast<PopUpButton*>(headerRow->view()) : nullptr;
}

PopUpButton* AlertRows::soundPopUp(const DetailRow* headerRow)
{
    return headerRow ? qobject_cast<PopUpButton*>(headerRow->reserveView()) : nullptr;
}

CustomNSTextField_NSNumberFormatter* AlertRows::countField(const DetailRow* timeRow)
{
    return timeRow ? qobject_cast<CustomNSTextField_NSNumberFormatter*>(timeRow->view()) : nullptr;
}

PopUpButton* AlertRows::unitPopUp(const DetailRow* timeRow)
{
    return timeRow ? qobject_cast<PopUpButton*>(timeRow->reserveView()) : nullptr;
}

DetailRow* AlertRows::timeRowOf(const DetailRow* headerRow) const
{
    const QList<DetailRow*>& rows = m_host.allRowView();
    const qsizetype index = rows.indexOf(headerRow);
    if (index < 0 || index + 1 >= rows.size()) return nullptr;
    DetailRow* next = rows.at(index + 1);
    return countField(next) ? next : nullptr;
}

DetailRow* AlertRows::rowOf(const PopUpButton* popUp) const
{
    return popUp ? qobject_cast<DetailRow*>(popUp->superview()) : nullptr;
}

DetailRow* AlertRows::createAlertRow()
{
    const double width = m_host.formView() ? m_host.formView()->frame().width() : rowWidthFallback;
    auto* row = new DetailRow(QRectF(0, -50, width, EditorRowGeometry::rowHeight));
    row->label()->setStringValue(TextTable::localizedString(QStringLiteral("alertText")));

    QPointer<AlertRows> self(this);
    PopUpButton* type = UIUtilities::createCustomButtonWithFrame(
        controlFrame(typeX, 1, 90, 19), QStringLiteral("Alert type"), 12, this,
        [self](PopUpButton* sender) { if (self) self->alertType(sender); },
        {TextTable::localizedString(QStringLiteral("noneText")), TextTable::localizedString(QStringLiteral("alertWithSoundText"))});
    type->selectItemWithTag(noAlertTag);
    row->setView(type);

    std::vector<UIUtilities::PopUpElement> sounds{TextTable::localizedString(QStringLiteral("noneText"))};
    for (const QString& name : soundNames()) sounds.emplace_back(name);
    PopUpButton* sound = UIUtilities::createCustomButtonWithFrame(
        controlFrame(type->frame().right() + 5, 1, 70, 19), QStringLiteral("alerSound"), 12, this,
        [self](PopUpButton* sender) { if (self) self->selectAlertSound(sender); }, sounds);
    sound->selectItemWithTag(noAlertTag);
    row->setReserveView(sound);

    alertType(type);
    return row;
}

DetailRow* AlertRows::createFirstAlertRow()
{
    DetailRow* row = createAlertRow();
    m_arrayOfAlertRow.append(row);
    return row;
}

CustomNSTextField_NSNumberFormatter* AlertRows::makeCountField(const QString& value)
{
    auto* field = new CustomNSTextField_NSNumberFormatter(controlFrame(countX, 0, 24, 19));
    field->setAlignment(Qt::AlignHCenter);
    field->setStringValue(value);
    // The field is the observer, so its registration ends with it.
    QPointer<AlertRows> self(this);
    NotificationCenter::defaultCenter().addObserver(field, kTextFieldHasChangedNotification,
                                                    NotificationPayload::identityOf(static_cast<TextField*>(field)),
                                                    [self](const Notification&) {
                                                        if (self) self->alertTimeChanged();
                                                    });
    return field;
}

DetailRow* AlertRows::createAlertOnDateRow()
{
    const double width = m_host.formView() ? m_host.formView()->frame().width() : rowWidthFallback;
    auto* row = new DetailRow(QRectF(0, -50, width, EditorRowGeometry::rowHeight));
    row->setView(makeCountField(QStringLiteral("15")));

    QPointer<AlertRows> self(this);
    PopUpButton* unit = UIUtilities::createCustomButtonWithFrame(
        controlFrame(unitX, 0, 90, 19), QStringLiteral("Alert type"), 12, this,
        [self](PopUpButton* sender) { if (self) self->alertDateType(sender); },
        {TextTable::localizedString(QStringLiteral("minutesBeforeText")), TextTable::localizedString(QStringLiteral("hoursBeforeText")), TextTable::localizedString(QStringLiteral("daysBeforeText"))});
    unit->selectItemWithTag(minutesTag);
    fitPopUpToTitle(unit);
    row->setReserveView(unit);
    return row;
}

void AlertRows::addRowToForm(DetailRow* row, int index)
{
    QList<DetailRow*>& rows = m_host.allRowView();
    rows.insert(std::clamp<qsizetype>(index, 0, rows.size()), row);
    if (View* form = m_host.formView()) {
        form->addSubview(row);
        row->show();
    }
}

void AlertRows::removeRowFromForm(DetailRow* row)
{
    m_host.allRowView().removeAll(row);
    m_arrayOfAlertRow.removeAll(row);
    row->removeFromSuperview();
    row->hide();
    // A row may be removed from its own pop-up's action.
    row->deleteLater();
}

void AlertRows::alertType(PopUpButton* sender)
{
    if (!sender) return;
    fitPopUpToTitle(sender);
    DetailRow* row = rowOf(sender);
    PopUpButton* sound = soundPopUp(row);
    const qsizetype index = m_arrayOfAlertRow.indexOf(row);
    const bool isLast = index >= 0 && index == m_arrayOfAlertRow.size() - 1;

    if (selectedTag(sender) == alertTag) {
        if (sound) {
            sound->setFrameOrigin(QPointF(sender->frame().right() + 4, sound->frame().y()));
            sound->show();
            selectAlertSound(sound);
        }
        if (isLast && !timeRowOf(row)) {
            const qsizetype rowIndex = m_host.allRowView().indexOf(row);
            addRowToForm(createAlertOnDateRow(), int(rowIndex + 1));
            if (m_arrayOfAlertRow.size() < maximumAlerts) {
                DetailRow* slot = createAlertRow();
                m_arrayOfAlertRow.append(slot);
                addRowToForm(slot, int(rowIndex + 2));
            }
            m_host.updateView();
        }
    } else {
        if (sound) sound->hide();
        if (index >= 0 && !isLast) {
            DetailRow* timeRow = timeRowOf(row);
            removeRowFromForm(row);
            if (timeRow) removeRowFromForm(timeRow);
            // A full block that lost an alert gets its empty slot back, or
            // no further alert could be added without removing one first.
            DetailRow* last = m_arrayOfAlertRow.isEmpty() ? nullptr : m_arrayOfAlertRow.last();
            if (last && selectedTag(typePopUp(last)) == alertTag && m_arrayOfAlertRow.size() < maximumAlerts) {
                DetailRow* slot = createAlertRow();
                const qsizetype after = m_host.allRowView().indexOf(timeRowOf(last));
                m_arrayOfAlertRow.append(slot);
                addRowToForm(slot, int(after + 1));
            }
            m_host.updateView();
        } else if (isLast) {
            if (DetailRow* timeRow = timeRowOf(row)) removeRowFromForm(timeRow);
            m_host.updateView();
        }
    }
    revertCheck();
}

void AlertRows::selectAlertSound(PopUpButton* sender)
{
    fitPopUpToTitle(sender);
    revertCheck();
}

void AlertRows::alertDateType(PopUpButton* sender)
{
    if (!sender) return;
    fitPopUpToTitle(sender);
    DetailRow* row = rowOf(sender);
    if (row) row->setView(makeCountField(selectedTag(sender) == minutesTag ? QStringLiteral("15") : QStringLiteral("1")));
    sender->setFrameOrigin(QPointF(unitX, sender->frame().y()));
    revertCheck();
}

void AlertRows::alertTimeChanged()
{
    revertCheck();
}

QList<std::shared_ptr<AlertObj>> AlertRows::alertList() const
{
    QList<std::shared_ptr<AlertObj>> list;
    for (const DetailRow* row : m_arrayOfAlertRow) {
        if (selectedTag(typePopUp(row)) != alertTag) break;
        const PopUpButton* sound = soundPopUp(row);
        const DetailRow* timeRow = timeRowOf(row);
        const CustomNSTextField_NSNumberFormatter* count = countField(timeRow);
        auto alert = std::make_shared<AlertObj>();
        alert->setAlertType(1);
        alert->setSoundName(selectedTag(sound) > noAlertTag ? sound->titleOfSelectedItem() : QString());
        const qint64 value = count ? count->stringValue().trimmed().toLongLong() : 0;
        alert->setRelativeOffset(-(value * secondsOfUnit(selectedTag(unitPopUp(timeRow)))));
        list.append(alert);
    }
    if (!m_arrayOfAlertRow.isEmpty()) list.append(m_keptAlerts);
    return list;
}

void AlertRows::fillLastRowWithAlert(const AlertObj& alert)
{
    if (m_arrayOfAlertRow.isEmpty()) return;
    DetailRow* row = m_arrayOfAlertRow.last();
    PopUpButton* type = typePopUp(row);
    if (!type || selectedTag(type) == alertTag) return;
    type->selectItemWithTag(alertTag);
    alertType(type);

    if (PopUpButton* sound = soundPopUp(row)) {
        const QString name = alert.soundName();
        int tag = noAlertTag;
        if (!name.isEmpty()) {
            for (const PopUpItem& item : sound->items()) {
                if (item.tag > noAlertTag && item.title == name) tag = item.tag;
            }
            // A sound we have no file for stays the item's own, shown and
            // written back as it is.
            if (tag == noAlertTag) {
                tag = sound->numberOfItems() + 1;
                PopUpItem own;
                own.title = name;
                own.tag = tag;
                sound->addItem(own);
            }
        }
        sound->selectItemWithTag(tag);
        fitPopUpToTitle(sound);
    }

    if (alert.alertType() != 1) return;
    DetailRow* timeRow = timeRowOf(row);
    PopUpButton* unit = unitPopUp(timeRow);
    if (!unit) return;
    const AlertTime time = alertTimeForOffset(alert.relativeOffset());
    unit->selectItemWithTag(time.unit);
    alertDateType(unit);
    if (auto* count = countField(timeRow)) count->setStringValue(QString::number(time.count));
}

void AlertRows::loadAlerts(const QList<std::shared_ptr<AlertObj>>& alerts)
{
    m_keptAlerts.clear();
    for (qsizetype i = 0; i < alerts.size(); ++i) {
        const std::shared_ptr<AlertObj>& alert = alerts.at(i);
        if (!alert) continue;
        if (i >= maximumAlerts || alert->alertType() == 2) {
            m_keptAlerts.append(alert);
            continue;
        }
        fillLastRowWithAlert(*alert);
    }
}

void AlertRows::resetAlerts()
{
    m_keptAlerts.clear();
    const QList<DetailRow*> snapshot = m_arrayOfAlertRow;
    for (DetailRow* row : snapshot) {
        if (!m_arrayOfAlertRow.contains(row)) continue;
        PopUpButton* type = typePopUp(row);
        if (!type) continue;
        type->selectItemWithTag(noAlertTag);
        alertType(type);
    }
}

void AlertRows::addAlertRow()
{
    DetailRow* row = createAlertRow();
    QList<DetailRow*>& rows = m_host.allRowView();
    const qsizetype urlIndex = rows.indexOf(m_host.urlRow());
    addRowToForm(row, int(urlIndex < 0 ? rows.size() : urlIndex));
    m_host.updateView();
    m_arrayOfAlertRow.append(row);
}

void AlertRows::removeAllAlertRows()
{
    if (m_arrayOfAlertRow.isEmpty()) return;
    resetAlerts();
    const QList<DetailRow*> remaining = m_arrayOfAlertRow;
    for (DetailRow* row : remaining) removeRowFromForm(row);
    m_host.updateView();
}

void AlertRows::revertCheck()
{
    if (m_host.type() != 1 || m_host.isRevertShown()) return;
    const TaskPtr item = m_host.task();
    if (!item) return;
    if (Utilities::updateAlertList(alertList()) != item->alertValues()) m_host.showRevert();
}

void AlertRows::setEnabled(bool enabled)
{
    for (DetailRow* row : m_arrayOfAlertRow) {
        PopUpButton* type = typePopUp(row);
        if (type) type->setEnabled(enabled);
        if (selectedTag(type) != alertTag) break;
        if (PopUpButton* sound = soundPopUp(row)) sound->setEnabled(enabled);
        if (DetailRow* timeRow = timeRowOf(row)) {
            if (timeRow->view()) timeRow->view()->setEnabled(enabled);
            if (timeRow->reserveView()) timeRow->reserveView()->setEnabled(enabled);
        }
    }
}
