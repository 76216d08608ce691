#include "AboutUsView.h"

#include "CoreData.h"
#include "Font.h"
#include "ImageView.h"
#include "NamedImages.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "UrlOpener.h"

#include <QCoreApplication>
#include <QDebug>
#include <QUrl>

const QString AboutUsView::makerAddress = QStringLiteral("https://www.zoravel.invalid");

namespace {

TextField* aboutLabel(const QRectF& frame, const QString& text, View* parent)
{
    TextField* label = UIUtilities::getCommonTextFieldWithFrame(frame);
    label->setAlignment(Qt::AlignHCenter);
    label->setStringValue(text);
    parent->addSubview(label);
    return label;
}

QString aboutVersion()
{
    // The data manager reads it at start; before there is one (a panel built
    // on its own) it is the application's, which is the same text.
    if (CoreData* data = CoreData::shared()) return data->currentVersion();
    return QCoreApplication::applicationVersion();
}

}  // namespace

AboutUsView::AboutUsView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double w = frame.width();

    m_icon = new ImageView(QRectF((w - 64) / 2, 10, 64, 64), this);
    m_icon->setImage(NamedImages::imageNamed(QStringLiteral("IconZVM_64")));

    m_name = aboutLabel(QRectF((w - 120) / 2, 80, 120, 24), QStringLiteral("Zoravel"), this);
    m_name->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 16));

    m_version = aboutLabel(QRectF((w - 100) / 2, 105, 100, 20), versionLine(aboutVersion()), this);

    const QString shownAddress = QUrl(makerAddress).host();
    m_link = aboutLabel(QRectF((w - 150) / 2, 130, 150, 20), shownAddress, this);
    m_link->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    m_link->setLink(makerAddress);
    // The click is the view's: the label only shows the address.
    m_link->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_link->setCursor(Qt::PointingHandCursor);

    m_credits = aboutLabel(QRectF((w - 270) / 2, 170, 280, 180),
                           TextTable::localizedString(QStringLiteral("aboutCreditsText")), this);
    m_credits->setWraps(true);
    m_credits->setTopAligned(true);

    m_legal1 = aboutLabel(QRectF((w - 280) / 2, 350, 280, 20),
                          TextTable::localizedString(QStringLiteral("aboutCopyrightText")), this);
    m_legal2 = aboutLabel(QRectF((w - 200) / 2, 375, 200, 20),
                          TextTable::localizedString(QStringLiteral("aboutRightsText")), this);
}

AboutUsView::~AboutUsView() = default;

QString AboutUsView::versionLine(const QString& version)
{
    const QString trimmed = version.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("Version") : QStringLiteral("Version %1").arg(trimmed);
}

void AboutUsView::linkQRBUrl()
{
    if (!UrlOpener::current().openUrl(QUrl(makerAddress)))
        qWarning() << "The maker's web site could not be opened:" << makerAddress;
}

void AboutUsView::mouseDown(const Event& event)
{
    if (m_link->frame().contains(convertPointFromWindow(event.locationInWindow))) linkQRBUrl();
}
