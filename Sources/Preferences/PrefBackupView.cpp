#include "PrefBackupView.h"

#include "BackupFileTableView.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

PrefBackupView::PrefBackupView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double width = frame.width();
    m_infoLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(15, 7, width - 30, 50));
    m_infoLabel->setStringValue(TextTable::localizedString(QStringLiteral("backupInfoText")));
    m_infoLabel->setAlignment(Qt::AlignLeft);
    m_infoLabel->setWraps(true);
    addSubview(m_infoLabel);

    m_fileListView = new BackupFileTableView(QRectF(15, 64, width - 30, 150), this);
    m_fileListView->setBackgroundColor(Qt::white);
    loadData();
}

PrefBackupView::~PrefBackupView() = default;

void PrefBackupView::loadData()
{
    m_fileListView->loadData();
}
