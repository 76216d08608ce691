#include "BackupFileTableView.h"

#include "AlertPresenter.h"
#include "BackupItemView.h"
#include "CoreData.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "TextTable.h"

BackupFileTableView::BackupFileTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setRowHeight(backupRowHeight);
    // Five rows fill the list's 150 points exactly.
    setVerticalSpacing(0);
    setGridStyleMask(SolidHorizontalGridLine);
    NotificationCenter::defaultCenter().addObserver(this, kAutoBackupReloadDataNotification, nullptr,
                                                    [this](const Notification&) { loadData(); });
}

BackupFileTableView::~BackupFileTableView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void BackupFileTableView::loadData()
{
    const QList<BackupItemView*> old = m_data;
    m_data.clear();
    QStringList names;
    CoreData* data = CoreData::shared();
    if (const SettingPtr setting = data ? data->currentSetting() : SettingPtr()) {
        setting->getAllBackupFiles();
        names = setting->autoBackupFiles();
    }
    const double width = bounds().width();
    for (const QString& name : names) {
        auto* row = new BackupItemView(QRectF(0, 0, width, backupRowHeight), this);
        row->setFilename(name);
        m_data.append(row);
    }
    reloadData();
    // Later: this may run under the old rows' own event (a click that
    // restored), and an alert may be open.
    for (BackupItemView* row : old) row->deleteLater();
}

TableRowView* BackupFileTableView::rowViewForRow(int row)
{
    if (row < 0 || row >= m_data.size()) return nullptr;
    BackupItemView* view = m_data[row];
    if (view->frame().width() == 0)
        view->setFrame(QRectF(0, row * rowHeight(), bounds().width(), rowHeight()));
    return view;
}

void BackupFileTableView::mouseDown(const Event& event)
{
    TableView::mouseDown(event);
    if (event.clickCount >= 2) return;
    const int row = selectedRow();
    if (row < 0 || row >= m_data.size()) return;
    // The file is named now: the list may be rescanned while the question is
    // open, and an index would then point at another backup.
    const QString filename = m_data[row]->filename();

    AlertRequest question;
    question.style = AlertStyle::Warning;
    const int ok = question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    question.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    question.messageText = TextTable::localizedString(QStringLiteral("restoreAutoBackupConfirmText"));
    if (AlertPresenter::current().runModal(question).button != ok) return;

    MainViewAccess* mainView = MainViewAccess::current();
    const QString path = Setting::autoBackupFilePath(filename);
    if (!mainView || path.isEmpty()) {
        qWarning("The backup '%s' cannot be restored without the main window.", qUtf8Printable(filename));
        return;
    }
    mainView->restoreFile(path, QString::fromLatin1(Setting::autoBackupKeyText));
    // A backup gone since the list was made is now missing from it too.
    loadData();
}
