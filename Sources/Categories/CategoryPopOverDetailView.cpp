#include "CategoryPopOverDetailView.h"

#include "Button.h"
#include "Calendar.h"
#include "Common.h"
#include "CoreData.h"
#include "DetailRow.h"
#include "Font.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "../Model/Notifications.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "QuickAddView.h"
#include "Scheduler.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"
#include "Transaction.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QApplication>
#include <QDebug>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace {

// The wait of a new default for its project on the web service: it polls
// the web sync's hand-over flag on the scheduler and asks for the settings
// push once the flag is up; a failure the web sync reports, or the time
// limit, ends it without a push. One wait at a time: a newer default
// replaces an older one.
class DefaultProjectPushWait : public QObject {
public:
    DefaultProjectPushWait()
    {
        const QPointer<DefaultProjectPushWait> wait(this);
        m_poll = Scheduler::current().scheduleTimer(CategoryPopOverDetailView::defaultPushPollInterval, true, [wait] {
            if (wait) wait->poll();
        });
        m_limit = Scheduler::current().scheduleTimer(CategoryPopOverDetailView::defaultPushTimeout, false, [wait] {
            if (!wait) return;
            qWarning() << "The new default category did not reach the web service in time; the next full sync "
                          "carries the default";
            wait->finish();
        });
        NotificationCenter& center = NotificationCenter::defaultCenter();
        for (const QString& failure : {kServerErrorNotification, kZVWAccountInvalidNotification})
            center.addObserver(this, failure, nullptr, [wait](const Notification&) {
                if (!wait) return;
                qWarning() << "The web sync failed before the new default category reached it; the next full sync "
                              "carries the default";
                wait->finish();
            });
    }
    ~DefaultProjectPushWait() override
    {
        m_poll.invalidate();
        m_limit.invalidate();
        NotificationCenter::defaultCenter().removeObserver(this);
    }

    static QPointer<DefaultProjectPushWait>& running()
    {
        static QPointer<DefaultProjectPushWait> wait;
        return wait;
    }

private:
    void poll()
    {
        CoreData* manager = CoreData::shared();
        ZVWSync* sync = manager ? manager->zvwSync() : nullptr;
        if (!sync) {
            finish();
            return;
        }
        if (!sync->canSyncSettingAfterSyncProjectDefault()) return;
        sync->setCanSyncSettingAfterSyncProjectDefault(false);
        finish();
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, AutoSync::settings);
    }
    void finish()
    {
        if (running() == this) running() = nullptr;
        m_poll.invalidate();
        m_limit.invalidate();
        NotificationCenter::defaultCenter().removeObserver(this);
        deleteLater();
    }

    ScheduledTimer m_poll;
    ScheduledTimer m_limit;
};

Button* projectFormCheckBox(const QString& text, QObject* target, std::function<void(Button*)> action)
{
    const QString title = QStringLiteral(" %1").arg(text);
    // As wide as its box and title, at most 190: a wider button would centre them.
    const Font font = Font::fontWithName(QStringLiteral("Lucida Grande"), 13);
    const double width = std::min(190.0, 24 + QFontMetricsF(font.widgetFont()).horizontalAdvance(title) + 8);
    Button* box = UIUtilities::createButton(title, 13, Qt::black, Qt::AlignLeft | Qt::AlignVCenter, ButtonType::Toggle,
                                            QRectF(90, 3, width, 20), target, std::move(action),
                                            NamedImages::imageNamed(QStringLiteral("checkbox_none")),
                                            NamedImages::imageNamed(QStringLiteral("checkbox_check")), false);
    box->setImagePosition(ImagePosition::ImageLeft);
    return box;
}

}  // namespace

AddView::FormMaker CategoryPopOverDetailView::formMaker()
{
    return [](AddView* panel, const QRectF& frame) -> std::unique_ptr<AddPanelForm> {
        auto form = std::make_unique<CategoryPopOverDetailView>(frame);
        form->setParentView(panel);
        return form;
    };
}

CategoryPopOverDetailView::CategoryPopOverDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double W = frame.width(), H = frame.height();

    m_colorRow = DetailRow::initWithLargeTextFieldInFrame(QRectF(0, 5, W, 20), this);
    m_colorRow->label()->setStringValue(TextTable::localizedString(QStringLiteral("colorText")));
    for (qint64 group = 0; group < 4; ++group)
        for (qint64 color = 0; color < 8; ++color)
            m_arrayOfColorImg.push_back(UIUtilities::getCalendarColorImage(Utilities::colorInGroup(group, color),
                                                                           QSizeF(swatchWidth, swatchHeight)));
    m_colorBtn = UIUtilities::createButton(QString(), 12, Qt::black, Qt::AlignHCenter, ButtonType::MomentaryPushIn,
                                           QRectF(80, -2, 60, 20), this, [this](Button*) { chooseColor(); },
                                           m_arrayOfColorImg.front(), QImage(), false);
    m_colorBtn->setImagePosition(ImagePosition::ImageOnly);
    m_colorRow->setView(m_colorBtn);

    m_defaultRow = DetailRow::initWithLargeTextFieldInFrame(QRectF(0, 35, W, 23), this);
    m_defaultRow->label()->setStringValue(TextTable::localizedString(QStringLiteral("defaultText")));
    m_defaultBtn = projectFormCheckBox(TextTable::localizedString(QStringLiteral("markAsDefaultCategoryText")), this,
                                       [this](Button*) { markDefaultCategory(); });
    m_defaultRow->setView(m_defaultBtn);

    m_transparentRow = DetailRow::initWithLargeTextFieldInFrame(QRectF(0, 60, W, 23), this);
    m_transparentBtn = projectFormCheckBox(
        TextTable::localizedString(QStringLiteral("markAsTransparentProjectText")), nullptr, {});
    m_transparentBtn->setToolTip(TextTable::localizedString(QStringLiteral("transparentTooltip")));
    m_transparentRow->setView(m_transparentBtn);

    m_tagRow = new DetailRow(QRectF(0, 91, W + 20, 19), this);
    m_tagRow->label()->setStringValue(TextTable::localizedString(QStringLiteral("tagText")));
    m_tagDetailView = new TagTokenDetailView(QRectF(90, 91, std::max(0.0, W - 95), 19), this);
    m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->setParentView(this);

    m_addCategoryBtn = UIUtilities::createButton(TextTable::localizedString(QStringLiteral("addCategoryText")), 12,
                                                 Qt::black, Qt::AlignHCenter, ButtonType::MomentaryPushIn,
                                                 QRectF(W - 157, H - 24, 150, 24), this,
                                                 [this](Button*) { addCategory(); }, QImage(), QImage(), true);
    addSubview(m_addCategoryBtn);
    updateView();
}

CategoryPopOverDetailView::~CategoryPopOverDetailView() = default;

// ---- layout ------------------------------------------------------------------------------

void CategoryPopOverDetailView::placeAddButton()
{
    // The button keeps to the bottom edge as the form grows.
    m_addCategoryBtn->setFrame(QRectF(bounds().width() - 157, bounds().height() - 24, 150, 24));
}

void CategoryPopOverDetailView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    placeAddButton();
}

void CategoryPopOverDetailView::chooseType(int row)
{
    const bool withDefault = row == 0;
    m_defaultRow->setHidden(!withDefault);
    const double y = withDefault ? 146 : 119;
    m_tagRow->setFrameOrigin(QPointF(m_tagRow->frame().x(), y));
    m_tagDetailView->setFrameOrigin(QPointF(m_tagDetailView->frame().x(), y));
    updateView();
}

void CategoryPopOverDetailView::updateView()
{
    const double extra = m_defaultRow->isHidden() ? heightWithoutDefaultRow : heightWithDefaultRow;
    setFrameSize(QSizeF(frame().width(), m_tagDetailView->frame().height() + extra));
    placeAddButton();
}

void CategoryPopOverDetailView::resizeHeightWithOffset(double)
{
    const double extra = m_defaultRow->isHidden() ? offsetWithoutDefaultRow : offsetWithDefaultRow;
    resizeWithHeight(m_tagDetailView->frame().height() + extra);
}

void CategoryPopOverDetailView::resizeWithHeight(double height)
{
    if (auto* panel = qobject_cast<AddView*>(m_parentView.data())) {
        panel->resizeWithHeight(height);
        return;
    }
    // The popover follows its content's size.
    setFrameSize(QSizeF(frame().width(), height + 12));
}

// ---- the controls ------------------------------------------------------------------------

void CategoryPopOverDetailView::chooseColor()
{
    if (!m_colorViewController) {
        m_colorViewController = new ColorViewController(this);
        m_colorViewController->setParentView(this);
    }
    m_colorViewController->colorViewPopOverAtPositionView(m_colorBtn);
}

void CategoryPopOverDetailView::setColor(qint64 palettePosition)
{
    if (palettePosition < 0 || palettePosition >= qint64(m_arrayOfColorImg.size())) {
        qWarning() << "The add-project form ignored palette position" << palettePosition;
        return;
    }
    m_posOfColor = palettePosition;
    m_colorBtn->setImage(m_arrayOfColorImg[std::size_t(palettePosition)]);
}

void CategoryPopOverDetailView::resetData()
{
    setColor(0);
    m_defaultBtn->setState(0);
    m_transparentBtn->setState(0);
    m_tagDetailView->setObjectValue(QStringList());
    m_tagDetailView->setPlaceholderString(TextTable::localizedString(QStringLiteral("tagTooltip")));
    m_tagDetailView->resizeTokenField();
}

void CategoryPopOverDetailView::mouseDown(const Event&)
{
    if (QWidget* focus = QApplication::focusWidget(); focus && (focus == this || isAncestorOf(focus))) focus->clearFocus();
}

// ---- creating ----------------------------------------------------------------------------

QString CategoryPopOverDetailView::newCategoryName() const
{
    QuickAddView* bar = nullptr;
    if (auto* panel = qobject_cast<AddView*>(m_parentView.data())) bar = panel->parentView();
    if (!bar)
        if (MainViewAccess* main = MainViewAccess::current()) bar = main->quickAddView();
    const QString typed = bar ? bar->searchAndAdd()->stringValue() : QString();
    // Blanks are no name, as for the bar's own Return.
    return typed.trimmed().isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : typed;
}

QString CategoryPopOverDetailView::tagTextStoringTags() const
{
    CoreData* manager = CoreData::shared();
    QStringList names;
    QString text;
    for (const QString& name : m_tagDetailView->objectValue()) {
        if (name.trimmed().isEmpty() || names.contains(name)) continue;
        names.append(name);
        if (manager && !manager->insertTagIfNA(name)) qWarning() << "Tag" << name << "could not be stored";
        text += QLatin1Char('/') + name;
    }
    return text;
}

void CategoryPopOverDetailView::addCategory()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    auto category = std::make_shared<Calendar>();
    category->setCalendarName(newCategoryName());
    category->setColorGroupId(m_posOfColor / 8);
    category->setColorNameId(m_posOfColor % 8);
    category->setProjectType(0);
    category->setIsTransparent(!m_transparentRow->isHidden() && m_transparentBtn->state() == 1);
    const SettingPtr setting = manager->currentSetting();
    const bool makeDefault = setting && !m_defaultRow->isHidden() && m_defaultBtn->state() == 1;
    // The tags it makes, the category and its being the default are one
    // unit; refused, the person is told.
    if (!manager->saveChangeFromView({}, [&] {
            category->setTagList(tagTextStoringTags());
            if (!manager->addCalendarToCalendarList(category, true)) return false;
            if (!makeDefault) return true;
            Transaction::keepInCurrent(setting);
            setting->setCalendarDefID(category->primaryKey());
            return setting->dehydrate();
        })) {
        // The form stays as it is for another try.
        qWarning() << "The new category" << category->calendarName() << "could not be stored";
        return;
    }
    if (MainViewAccess* main = MainViewAccess::current()) main->reloadCategoryView();
    // The close lets the popover, and with it this form, go later.
    const QPointer<View> parent = m_parentView;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose,
                                                                         static_cast<QObject*>(this));
    if (makeDefault) {
        if (ZVWSync* sync = manager->zvwSync()) sync->setCanSyncSettingAfterSyncProjectDefault(false);
        if (setting->autoZVWSync() != 0) pushDefaultAfterProjectSync();
    }
    if (auto* panel = qobject_cast<AddView*>(parent.data()))
        if (QuickAddView* bar = panel->parentView()) bar->resetData();
}

void CategoryPopOverDetailView::pushDefaultAfterProjectSync()
{
    QPointer<DefaultProjectPushWait>& running = DefaultProjectPushWait::running();
    delete running.data();
    running = new DefaultProjectPushWait;
}

bool CategoryPopOverDetailView::isWaitingToPushDefault()
{
    return !DefaultProjectPushWait::running().isNull();
}

// ---- drawing -----------------------------------------------------------------------------

void CategoryPopOverDetailView::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF all = bounds();
    painter.fillRect(all, Common::addNewViewColor());
    const QColor lightGrey(Qt::lightGray);
    painter.setPen(QPen(lightGrey, 1));
    painter.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
    const double lineY = m_addCategoryBtn->frame().y() - 6;
    painter.drawLine(QPointF(84.5, 0), QPointF(84.5, lineY));
    painter.drawLine(QPointF(0, lineY + 0.5), QPointF(all.width(), lineY + 0.5));
}
