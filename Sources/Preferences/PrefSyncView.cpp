#include "PrefSyncView.h"

#include "Box.h"
#include "CoreData.h"
#include "Font.h"
#include "ImageView.h"
#include "NamedImages.h"
#include "PopUpButton.h"
#include "PrefPaneSupport.h"
#include "PrefSyncViewOnly.h"
#include "Preferences.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QDebug>
#include <QLocale>

#include <cmath>

namespace {

constexpr double kRangeBoxHeight = 100;
constexpr double kRangeBoxY = 55;
constexpr double kSyncContentWidth = 530;
// The window animates to its new height in this time.
constexpr double kAccountResizeSeconds = 0.2;
const QList<qint64> kRangeCodes{7, 14, 30, 90, 180, 365};

SettingPtr syncPaneSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

PopUpButton* makeRangePopUp(View* view, double x, const std::vector<UIUtilities::PopUpElement>& items,
                            std::function<void()> action)
{
    PopUpButton* popUp = UIUtilities::createButtonWithFrame(
        QRectF(x, 12, 150, 25), QStringLiteral("Duration"), 13, view, [action](PopUpButton*) { action(); }, items,
        kRangeCodes);
    view->addSubview(popUp);
    return popUp;
}

void addSyncHeading(View* pane, const QString& title, const QImage& image, double y)
{
    TextField* heading = TextField::labelWithString(title, QRectF(25, y + 8, kSyncContentWidth - 45, 20));
    heading->setTextFont(Font::boldSystemFont(13));
    pane->addSubview(heading);
    auto* logo = new ImageView(QRectF(25 + kSyncContentWidth - 32, y, 32, 32));
    logo->setImage(image);
    pane->addSubview(logo);
}

}  // namespace

// ---- the calendar range -------------------------------------------------------------------

PrefSyncICal::PrefSyncICal(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    // Other languages need two lines for the title.
    const bool english = QLocale().name() == QLatin1String("en_US");
    TextField* title = TextField::labelWithString(
        PrefPanes::labelText(TextTable::localizedString(QStringLiteral("iCalDateRangeString"))),
        QRectF(5, 12, 115, english ? 25 : 50));
    title->setWraps(!english);
    addSubview(title);
    TextField* from = TextField::labelWithString(
        PrefPanes::labelText(TextTable::localizedString(QStringLiteral("fromText"))), QRectF(122, 12, 45, 25));
    from->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addSubview(from);
    m_fromBtn = makeRangePopUp(this, 170,
                               {TextTable::localizedString(QStringLiteral("lastWeekText")),
                                TextTable::localizedString(QStringLiteral("last2WeeksText")),
                                TextTable::localizedString(QStringLiteral("lastMonthText")),
                                TextTable::localizedString(QStringLiteral("last3MonthsText")),
                                TextTable::localizedString(QStringLiteral("last6MonthsText")),
                                TextTable::localizedString(QStringLiteral("lastYearText"))},
                               [this] { selectFromValue(); });
    TextField* to = TextField::labelWithString(
        PrefPanes::labelText(TextTable::localizedString(QStringLiteral("toText"))), QRectF(325, 12, 45, 25));
    to->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addSubview(to);
    m_toBtn = makeRangePopUp(this, 373,
                             {TextTable::localizedString(QStringLiteral("nextWeekText")),
                              TextTable::localizedString(QStringLiteral("next2WeeksText")),
                              TextTable::localizedString(QStringLiteral("nextMonthText")),
                              TextTable::localizedString(QStringLiteral("next3MonthsText")),
                              TextTable::localizedString(QStringLiteral("next6MonthsText")),
                              TextTable::localizedString(QStringLiteral("nextYearText"))},
                             [this] { selectToValue(); });
    TextField* note = TextField::labelWithString(TextTable::localizedString(QStringLiteral("iCalWarningText")),
                                                 QRectF(10, 52, frame.width() - 20, frame.height() - 56));
    note->setTextFont(Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 12));
    note->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    note->setWraps(true);
    addSubview(note);
}

void PrefSyncICal::loadData()
{
    const SettingPtr setting = syncPaneSetting();
    if (!setting) return;
    // A stored code outside the menu stays stored until the user chooses.
    PrefPanes::selectTagOrNothing(m_fromBtn, setting->iCalSyncWindowStart());
    PrefPanes::selectTagOrNothing(m_toBtn, setting->iCalSyncWindowEnd());
}

// The range applies from the next calendar sync: nothing is pushed or
// started here.
void PrefSyncICal::selectFromValue()
{
    const SettingPtr setting = syncPaneSetting();
    const PopUpItem* chosen = m_fromBtn->selectedItem();
    if (!setting || !chosen) return;
    const qint64 tag = chosen->tag;
    if (!PrefPanes::saveSettings([tag](Setting& kept) { kept.setICalSyncWindowStart(tag); }, window())) loadData();
}

void PrefSyncICal::selectToValue()
{
    const SettingPtr setting = syncPaneSetting();
    const PopUpItem* chosen = m_toBtn->selectedItem();
    if (!setting || !chosen) return;
    const qint64 tag = chosen->tag;
    if (!PrefPanes::saveSettings([tag](Setting& kept) { kept.setICalSyncWindowEnd(tag); }, window())) loadData();
}

// ---- the pane ---------------------------------------------------------------------------

PrefSyncView::PrefSyncView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    addSyncHeading(this, TextTable::localizedString(QStringLiteral("zoravelAutoSyncICalText")),
                   NamedImages::imageNamed(QStringLiteral("iCal_logo")), 12);
    auto* rangeBox = new Box(Box::frameForContentRect(QRectF(accountViewX, kRangeBoxY, kSyncContentWidth,
                                                             kRangeBoxHeight)));
    addSubview(rangeBox);
    m_icalSyncView = new PrefSyncICal(rangeBox->contentView()->bounds());
    rangeBox->contentView()->addSubview(m_icalSyncView);

    addSyncHeading(this, TextTable::localizedString(QStringLiteral("zoravelSyncWithmyZVText")),
                   NamedImages::imageNamed(QStringLiteral("myZoravel_logo")), 172);
    const QRectF accountRect(accountViewX, accountViewY, kSyncContentWidth, PrefSyncViewOnly::signedOutHeight);
    m_accountBox = new Box(Box::frameForContentRect(accountRect));
    addSubview(m_accountBox);
    m_accountView = new PrefSyncViewOnly(QRectF(QPointF(0, 0), accountRect.size()));
    m_accountBox->contentView()->addSubview(m_accountView);
    m_accountView->setParentView(this);
}

void PrefSyncView::loadData()
{
    m_icalSyncView->loadData();
    m_accountView->loadData();
}

void PrefSyncView::changeZVWView(bool signedOut)
{
    const double viewHeight = signedOut ? PrefSyncViewOnly::signedOutHeight : PrefSyncViewOnly::signedInHeight;
    m_accountView->setFrameSize(QSizeF(m_accountView->frame().width(), viewHeight));
    m_accountBox->setFrame(
        Box::frameForContentRect(QRectF(QPointF(accountViewX, accountViewY), m_accountView->frame().size())));
    if (!m_parentPanel) return;
    // The tab's own width: the window may still be on its way to it.
    const double width =
        Preferences::tabFrameSize(TextTable::localizedString(QStringLiteral("syncText")), true).width();
    const QSizeF size(width, signedOut ? signedOutWindowHeight : signedInWindowHeight);
    m_parentPanel->animateFrame(Preferences::frameKeepingTopLeft(m_parentPanel->frame(), size),
                                kAccountResizeSeconds);
}

void PrefSyncView::closeProgressBarSyncing()
{
    m_accountView->handleViewErrorWhenSyncing();
}

void PrefSyncView::signOutAccount()
{
    m_accountView->signOut();
}
