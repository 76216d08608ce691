#pragma once

#include "AlertObj.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class CustomNSTextField_NSNumberFormatter;
class DetailEditorHost;
class DetailRow;
class PopUpButton;

// The alert block of the item editors: one header row per alert (its kind
// and sound) followed by its time row (how many minutes, hours or days
// before), and below the last alert an empty slot from which the next one
// is added, up to five. Written once for both editors; the editor passes
// itself as the host.
//
// Alerts the rows cannot show (those a snooze sets, of type 2, and those
// after the fifth) are kept as they were loaded and written back after the
// shown ones, so that saving an edit never drops them.
class AlertRows : public QObject {
    Q_OBJECT

public:
    static constexpr int maximumAlerts = 5;
    // The type pop-up's tags.
    static constexpr int noAlertTag = 1;
    static constexpr int alertTag = 2;
    // The unit pop-up's tags.
    enum UnitTag { minutesTag = 1, hoursTag = 2, daysTag = 3 };

    explicit AlertRows(DetailEditorHost& host, QObject* parent = nullptr);
    ~AlertRows() override;

    // The header rows, top to bottom.
    const QList<DetailRow*>& arrayOfAlertRow() const { return m_arrayOfAlertRow; }

    // New rows, not yet added to any list or view.
    DetailRow* createAlertRow();
    DetailRow* createAlertOnDateRow();
    // The event editor's first header row, made with the form: listed as
    // the first alert row; the editor places it among its rows.
    DetailRow* createFirstAlertRow();

    // The control actions (also run by the loaders and the reset code).
    void alertType(PopUpButton* sender);
    void selectAlertSound(PopUpButton* sender);
    void alertDateType(PopUpButton* sender);
    void alertTimeChanged();

    // The shown alerts, then the kept ones while the block exists.
    QList<std::shared_ptr<AlertObj>> alertList() const;

    // The editors' loading: the first five alerts fill rows (a snoozed one
    // is kept instead); the rest are kept.
    void loadAlerts(const QList<std::shared_ptr<AlertObj>>& alerts);
    // Turns the empty slot into an alert with that sound and, for a relative
    // alert, that offset.
    void fillLastRowWithAlert(const AlertObj& alert);
    // Every row back to the empty slot; nothing kept.
    void resetAlerts();

    // The task editor: the block appears when a due date is set, goes when
    // it is cleared.
    void addAlertRow();
    void removeAllAlertRows();

    // Shows the editor's Revert when the rows now encode otherwise than the
    // stored alerts.
    void revertCheck();

    // Read-only or editable, the rows' controls (the walk stops after the
    // empty slot).
    void setEnabled(bool enabled);

    // The controls of a row.
    static PopUpButton* typePopUp(const DetailRow* headerRow);
    static PopUpButton* soundPopUp(const DetailRow* headerRow);
    static CustomNSTextField_NSNumberFormatter* countField(const DetailRow* timeRow);
    static PopUpButton* unitPopUp(const DetailRow* timeRow);
    // The time row after a header row, or null.
    DetailRow* timeRowOf(const DetailRow* headerRow) const;

    // How a stored offset shows: whole days, else whole hours, else minutes
    // (truncated), counting seconds before the item's time.
    struct AlertTime {
        qint64 count = 0;
        UnitTag unit = minutesTag;
        bool operator==(const AlertTime&) const = default;
    };
    static AlertTime alertTimeForOffset(qint64 relativeOffset);
    static qint64 secondsOfUnit(int unitTag);

    // The sounds alerts may play: the sound player's files, names without
    // their extension, in name order.
    static QStringList soundNames();
    static QString soundsFolder();

    // A pop-up takes the width of its selected title plus extra.
    static void fitPopUpToTitle(PopUpButton* popUp, double extra = 18);

private:
    CustomNSTextField_NSNumberFormatter* makeCountField(const QString& text);
    void addRowToForm(DetailRow* row, int index);
    void removeRowFromForm(DetailRow* row);
    DetailRow* rowOf(const PopUpButton* popUp) const;

    DetailEditorHost& m_host;
    QList<DetailRow*> m_arrayOfAlertRow;
    QList<std::shared_ptr<AlertObj>> m_keptAlerts;
};
