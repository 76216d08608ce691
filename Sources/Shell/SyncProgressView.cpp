#include "SyncProgressView.h"

#include "Font.h"
#include "ProgressSpinner.h"
#include "TextField.h"
#include "UIUtilities.h"

SyncProgressView::SyncProgressView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_progressView = new ProgressSpinner(QRectF(0, 0, 20, 20), this);
    m_syncingLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(25, 0, 100, 20));
    m_syncingLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    addSubview(m_syncingLabel);
}

SyncProgressView::~SyncProgressView() = default;
