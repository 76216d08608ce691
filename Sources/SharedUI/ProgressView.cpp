#include "ProgressView.h"

#include "ImageView.h"
#include "NamedImages.h"
#include "ProgressIndicator.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

namespace {

// The program's icon at 64 points; the tray icon, enlarged, when the large
// one is missing, so the panel never shows a hole.
QImage panelIcon()
{
    QImage icon = NamedImages::imageNamed(QStringLiteral("IconZVM_64"));
    if (!icon.isNull()) return icon;
    qWarning("The image 'IconZVM_64' is missing; the progress panel shows the tray icon instead.");
    icon = NamedImages::imageNamed(QStringLiteral("zvm_icon"), 2.0);
    if (icon.isNull()) return icon;
    return icon.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

ProgressView::ProgressView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_iconView = new ImageView(QRectF(20, 20, 64, 64), this);
    m_iconView->setImageScaling(ImageScaling::AxesIndependently);
    m_iconView->setImage(panelIcon());

    m_label = UIUtilities::getCommonTextFieldWithFrame(QRectF(100, 20, 310, 50));
    m_label->setAlignment(Qt::AlignHCenter);
    m_label->setWraps(true);
    m_label->setStringValue(TextTable::localizedString(QStringLiteral("progressRestoringText")));
    // A sheet on a narrow window is narrowed to it: the text and the bar give
    // up the width, the icon keeps its place.
    m_label->setAutoresizingMask(ViewWidthSizable);
    addSubview(m_label);

    m_progessIndicator = new ProgressIndicator(QRectF(100, 75, 290, 25), this);
    m_progessIndicator->setAutoresizingMask(ViewWidthSizable);
}

ProgressView::~ProgressView()
{
    m_progessIndicator->stopAnimation();
}

void ProgressView::setTextProgessing(const QString& text)
{
    m_label->setStringValue(text);
}
