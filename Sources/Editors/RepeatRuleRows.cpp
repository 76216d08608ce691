#include "RepeatRuleRows.h"

#include "AlertRows.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "DatePicker.h"
#include "DetailEditorHost.h"
#include "DetailRow.h"
#include "NotificationCenter.h"
#include "SegmentedControl.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "EditorShared.h"

#include <QPointer>

namespace {

using EditorRowGeometry::controlFrame;

}  // namespace

RepeatRuleRows::RepeatRuleRows(DetailEditorHost& host, Kind kind, double width, QObject* parent)
    : QObject(parent), m_host(host), m_kind(kind)
{
    QPointer<RepeatRuleRows> self(this);
    auto act = [self](void (RepeatRuleRows::*method)()) {
        return [self, method](PopUpButton*) {
            if (self) (self.data()->*method)();
        };
    };

    m_repeatRow = makeRow(TextTable::localizedString(QStringLiteral("repeatText")), width);
    m_repeatBtn = UIUtilities::createCustomButtonWithFrame(
        controlFrame(90, 1, 90, 19), QStringLiteral("Repeat"), 12, this, act(&RepeatRuleRows::repeatOption),
        {TextTable::localizedString(QStringLiteral("repeatNoneText")), TextTable::localizedString(QStringLiteral("repeatDailyText")), TextTable::localizedString(QStringLiteral("repeatWeeklyText")), TextTable::localizedString(QStringLiteral("repeatMonthlyText")),
         TextTable::localizedString(QStringLiteral("repeatYearlyText"))});
    m_repeatBtn->selectItemWithTag(noneTag);
    m_repeatRow->setView(m_repeatBtn);

    if (kind == Kind::Event) {
        m_repeatUntilRow = makeRow(TextTable::localizedString(QStringLiteral("repeatEndText")), width);
        m_repeatUntilBtn = UIUtilities::createCustomButtonWithFrame(
            controlFrame(90, 1, 90, 19), QStringLiteral("Until"), 12, this, act(&RepeatRuleRows::repeatUntil),
            {TextTable::localizedString(QStringLiteral("repeatUntilForeverText")), TextTable::localizedString(QStringLiteral("repeatUntilDayText"))});
        m_repeatUntilBtn->selectItemWithTag(1);
        m_repeatUntilRow->setView(m_repeatUntilBtn);
        m_untilDateTextField = new CustomNSDatePicker(controlFrame(185, -2, 150, 19));
        m_untilDateTextField->hide();
        m_repeatUntilRow->setReserveView(m_untilDateTextField);
        NotificationCenter::defaultCenter().addObserver(
            this, kTextFieldHasChangedNotification, NotificationPayload::identityOf(m_untilDateTextField),
            [this](const Notification&) { untilDateChanged(); });
    } else {
        m_repeatFromRow = makeRow(TextTable::localizedString(QStringLiteral("repeatFromText")), width);
        m_repeatFromBtn = UIUtilities::createCustomButtonWithFrame(
            controlFrame(90, 1, 90, 19), QStringLiteral("Until"), 12, this, act(&RepeatRuleRows::repeatFrom),
            {TextTable::localizedString(QStringLiteral("repeatFromCompletionDateText")), TextTable::localizedString(QStringLiteral("repeatFromDueDateText"))});
        m_repeatFromBtn->selectItemWithTag(1);
        m_repeatFromRow->setView(m_repeatFromBtn);
    }

    m_repeatEveryRow = makeRow(TextTable::localizedString(QStringLiteral("repeatEveryText")), width);
    m_repeatEveryTextField = new CustomNSTextField_NSNumberFormatter(controlFrame(92, 0, 24, 19));
    m_repeatEveryTextField->setAlignment(Qt::AlignHCenter);
    m_repeatEveryTextField->setStringValue(QStringLiteral("1"));
    m_repeatEveryRow->setView(m_repeatEveryTextField);
    NotificationCenter::defaultCenter().addObserver(
        this, kTextFieldHasChangedNotification,
        NotificationPayload::identityOf(static_cast<TextField*>(m_repeatEveryTextField)),
        [this](const Notification&) { repeatEveryChanged(); });
    m_repeatEveryTypeTextField = TextField::labelWithString(QString(), controlFrame(121, 0, width - 126, 19));
    m_repeatEveryTypeTextField->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    m_repeatEveryRow->setReserveView(m_repeatEveryTypeTextField);

    // The repeat-on row shows either the weekdays or the by pop-up: both are
    // plain subviews of it, one hidden, so neither is given up on a switch.
    m_repeatOnRow = makeRow(TextTable::localizedString(QStringLiteral("repeatOnText")), width);
    m_repeatSegmentedDayControl = UIUtilities::createSegmentedControlWithFrame(
        controlFrame(90, 1, 7 * 22, UIUtilities::miniSegmentedHeight),
        {QStringLiteral("S"), QStringLiteral("M"), QStringLiteral("T"), QStringLiteral("W"), QStringLiteral("T"),
         QStringLiteral("F"), QStringLiteral("S")},
        this, [self](SegmentedControl*) { if (self) self->selectDay(); });
    m_repeatOnRow->addSubview(m_repeatSegmentedDayControl);
    m_repeatByBtn = UIUtilities::createCustomButtonWithFrame(
        controlFrame(90, 1, 90, 19), QStringLiteral("Repeat by"), 12, this, act(&RepeatRuleRows::repeatBy),
        {TextTable::localizedString(QStringLiteral("repeatByDayOfMonthText")), TextTable::localizedString(QStringLiteral("repeatByDayOfWeekText"))});
    m_repeatByBtn->selectItemWithTag(1);
    m_repeatOnRow->addSubview(m_repeatByBtn);
    m_repeatByBtn->hide();

    // Every row belongs to the form from the start, shown or not, so the
    // form's end is theirs too.
    for (DetailRow* row : {m_repeatRow, untilOrFromRow(), m_repeatEveryRow, m_repeatOnRow}) {
        if (View* form = m_host.formView()) form->addSubview(row);
        if (row != m_repeatRow) row->hide();
    }
    AlertRows::fitPopUpToTitle(m_repeatBtn, popUpExtra);
}

RepeatRuleRows::~RepeatRuleRows()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

DetailRow* RepeatRuleRows::makeRow(const QString& caption, double width)
{
    auto* row = new DetailRow(QRectF(0, -50, width, EditorRowGeometry::rowHeight));
    row->label()->setStringValue(caption);
    return row;
}

DetailRow* RepeatRuleRows::untilOrFromRow() const
{
    return m_kind == Kind::Event ? m_repeatUntilRow : m_repeatFromRow;
}

bool RepeatRuleRows::checksApply() const
{
    return m_host.type() == 1 && !m_host.isRevertShown() && m_host.task();
}

RepeatRuleRows::StoredOptions RepeatRuleRows::storedOptions(const QString& repeatOptions)
{
    StoredOptions stored;
    if (repeatOptions.isEmpty()) return stored;
    const QStringList parts = repeatOptions.split(QLatin1Char('/'));
    stored.interval = parts.value(0).toLongLong();
    if (parts.size() > 1) stored.weekdays = parts.at(1);
    stored.flag = parts.value(2).toLongLong();
    return stored;
}

QString RepeatRuleRows::repeatOptionsText(int repeatTag, qint64 interval, const QString& weekdays, int byTag)
{
    Task::RepeatOptions options;
    options.interval = repeatTag == noneTag ? 1 : interval;
    options.weekdays = repeatTag == weeklyTag ? weekdays : QString();
    options.flag = repeatTag == monthlyTag ? byTag - 1 : 0;
    return options.text();
}

int RepeatRuleRows::repeatTag() const
{
    return selectedTag(m_repeatBtn);
}

QString RepeatRuleRows::repeatOptions() const
{
    return repeatOptionsText(repeatTag(), m_repeatEveryTextField->stringValue().toLongLong(), selectedWeekdays(),
                             selectedTag(m_repeatByBtn));
}

QString RepeatRuleRows::selectedWeekdays() const
{
    QStringList days;
    for (int segment = 0; segment < m_repeatSegmentedDayControl->segmentCount(); ++segment) {
        if (m_repeatSegmentedDayControl->isSelectedForSegment(segment))
            days.append(QString::number(m_repeatSegmentedDayControl->tagForSegment(segment)));
    }
    return days.join(QLatin1Char('|'));
}

void RepeatRuleRows::hideDetailRows()
{
    QList<DetailRow*>& rows = m_host.allRowView();
    for (DetailRow* row : {untilOrFromRow(), m_repeatEveryRow, m_repeatOnRow}) {
        row->hide();
        rows.removeAll(row);
    }
}

void RepeatRuleRows::repeatOption()
{
    AlertRows::fitPopUpToTitle(m_repeatBtn, popUpExtra);
    const int tag = repeatTag();
    hideDetailRows();
    if (tag > noneTag) {
        QList<DetailRow*>& rows = m_host.allRowView();
        qsizetype at = rows.indexOf(m_repeatRow) + 1;
        if (at <= 0) at = rows.size();
        QList<DetailRow*> shown{untilOrFromRow(), m_repeatEveryRow};
        if (tag == weeklyTag || tag == monthlyTag) shown.append(m_repeatOnRow);
        for (DetailRow* row : shown) {
            rows.insert(at++, row);
        }
    }
    m_host.updateView();
    if (tag > noneTag) {
        if (m_kind == Kind::Event) {
            m_repeatUntilRow->show();
            m_repeatUntilBtn->selectItemWithTag(1);
            repeatUntil();
        } else {
            m_repeatFromRow->setFrameOrigin(QPointF(m_repeatFromRow->frame().x(), m_repeatFromRow->frame().y() - 2));
            m_repeatFromRow->show();
            m_repeatFromBtn->selectItemWithTag(1);
            repeatFrom();
        }
        m_repeatEveryRow->show();
        const QString unit = tag == dailyTag     ? TextTable::localizedString(QStringLiteral("repeatEveryDayText"))
                             : tag == weeklyTag  ? TextTable::localizedString(QStringLiteral("repeatEveryWeekText"))
                             : tag == monthlyTag ? TextTable::localizedString(QStringLiteral("repeatEveryMonthText"))
                                                 : TextTable::localizedString(QStringLiteral("repeatEveryYearText"));
        m_repeatEveryTypeTextField->setStringValue(unit);
        if (tag == weeklyTag) {
            m_repeatOnRow->label()->setStringValue(TextTable::localizedString(QStringLiteral("repeatOnText")));
            m_repeatByBtn->hide();
            m_repeatSegmentedDayControl->show();
            m_repeatOnRow->show();
            const qint64 weekday = Utilities::getWeekday(m_host.startDate());
            if (weekday >= 1 && weekday <= 7) m_repeatSegmentedDayControl->setSelected(true, int(weekday - 1));
        } else if (tag == monthlyTag) {
            m_repeatOnRow->label()->setStringValue(TextTable::localizedString(QStringLiteral("repeatByText")));
            m_repeatSegmentedDayControl->hide();
            m_repeatByBtn->show();
            m_repeatOnRow->show();
            // Sized to the choice shown, in either form, so it is never cut.
            AlertRows::fitPopUpToTitle(m_repeatByBtn, popUpExtra);
            if (m_kind == Kind::Event) repeatBy();
        }
    }
    if (checksApply() && m_host.task()->repeatType() != tag - 1) m_host.showRevert();
}

void RepeatRuleRows::repeatUntil()
{
    if (!m_repeatUntilBtn) return;
    AlertRows::fitPopUpToTitle(m_repeatUntilBtn, popUpExtra);
    const int tag = selectedTag(m_repeatUntilBtn);
    if (tag == 2) {
        m_untilDateTextField->setFrameOrigin(
            QPointF(m_repeatUntilBtn->frame().right() + 5, m_untilDateTextField->frame().y()));
        m_untilDateTextField->setDateValue(
            Utilities::dateByAddTimeInterval(86400, Utilities::roundTo15MinutesForCurrentDate()));
        m_untilDateTextField->show();
    } else {
        m_untilDateTextField->hide();
    }
    if (checksApply() && !(m_host.task()->isRepeatForever() && tag == 1)) m_host.showRevert();
}

void RepeatRuleRows::repeatFrom()
{
    if (!m_repeatFromBtn) return;
    AlertRows::fitPopUpToTitle(m_repeatFromBtn, repeatFromExtra);
    if (checksApply() && m_host.task()->taskRepeatStyle() != selectedTag(m_repeatFromBtn) - 1) m_host.showRevert();
}

void RepeatRuleRows::repeatBy()
{
    AlertRows::fitPopUpToTitle(m_repeatByBtn, popUpExtra);
    if (checksApply() && storedOptions(m_host.task()->repeatOptions()).flag != selectedTag(m_repeatByBtn) - 1)
        m_host.showRevert();
}

void RepeatRuleRows::selectDay()
{
    if (m_host.type() != 1 || !m_host.task()) return;
    const QString built = selectedWeekdays();
    const std::optional<QString> stored = storedOptions(m_host.task()->repeatOptions()).weekdays;
    const bool same = !built.isEmpty() && stored && !stored->isEmpty() && *stored == built;
    if (!same) m_host.showRevert();
}

void RepeatRuleRows::repeatEveryChanged()
{
    if (!checksApply()) return;
    const QString options = m_host.task()->repeatOptions();
    if (m_kind == Kind::Task && options.isEmpty()) return;
    if (storedOptions(options).interval != m_repeatEveryTextField->stringValue().toLongLong()) m_host.showRevert();
}

void RepeatRuleRows::untilDateChanged()
{
    if (!checksApply() || !m_untilDateTextField) return;
    const Date stored = m_host.repeatEndAsShown(*m_host.task());
    if (stored.isNull()) return;
    if (stored != m_untilDateTextField->dateValue()) m_host.showRevert();
}

void RepeatRuleRows::removeRepeatRowFromView()
{
    m_repeatRow->hide();
    m_host.allRowView().removeAll(m_repeatRow);
    m_host.updateView();
}

void RepeatRuleRows::reset()
{
    m_repeatRow->show();
    m_repeatBtn->selectItemWithTag(noneTag);
    for (int segment = 0; segment < 7; ++segment) m_repeatSegmentedDayControl->setSelected(false, segment);
    m_repeatEveryTextField->setStringValue(QStringLiteral("1"));
}

void RepeatRuleRows::loadFromTask(const Task& item)
{
    if (!m_repeatBtn->selectItemAtIndex(int(item.repeatType()))) m_repeatBtn->selectItemWithTag(noneTag);
    repeatOption();
    if (item.repeatType() == 0) return;
    if (m_kind == Kind::Task) {
        if (!m_repeatFromBtn->selectItemAtIndex(int(item.taskRepeatStyle()))) m_repeatFromBtn->selectItemWithTag(1);
        repeatFrom();
    }
    const Task::RepeatOptions options = Task::readRepeatOptions(item.repeatOptions());
    m_repeatEveryTextField->setStringValue(QString::number(options.interval));
    const int tag = repeatTag();
    if (tag == weeklyTag) {
        for (int segment = 0; segment < 7; ++segment) m_repeatSegmentedDayControl->setSelected(false, segment);
        for (const QString& day : options.weekdays.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int number = day.trimmed().toInt(&ok);
            if (ok && number >= 1 && number <= 7) m_repeatSegmentedDayControl->setSelected(true, number - 1);
        }
    } else if (tag == monthlyTag) {
        if (!m_repeatByBtn->selectItemAtIndex(int(options.flag))) m_repeatByBtn->selectItemAtIndex(0);
        repeatBy();
    }
    if (m_kind == Kind::Event) {
        m_repeatUntilBtn->selectItemAtIndex(item.isRepeatForever() ? 0 : 1);
        repeatUntil();
        if (!item.isRepeatForever() && !item.repeatEndDate().isNull())
            m_untilDateTextField->setDateValue(m_host.repeatEndAsShown(item));
    }
}

void RepeatRuleRows::setEnabled(bool enabled)
{
    for (View* control : std::initializer_list<View*>{m_repeatBtn, m_repeatByBtn, m_repeatUntilBtn, m_untilDateTextField,
                                                      m_repeatFromBtn, m_repeatSegmentedDayControl,
                                                      m_repeatEveryTextField, m_repeatEveryTypeTextField}) {
        if (control) control->setEnabled(enabled);
    }
}
