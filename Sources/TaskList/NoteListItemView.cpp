#include "NoteListItemView.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "Color.h"
#include "CoreData.h"
#include "CustomNSTextField.h"
#include "Drawing.h"
#include "Font.h"
#include "LinkListForTableItem.h"
#include "NotificationCenter.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "VerticalCenterNSTextFieldCell.h"
#include "VerticalNSTextFieldCell.h"
#include "PaletteColor.h"

#include <QDebug>
#include <QPainter>

#include <cmath>

namespace {

constexpr double noteIconSide = 10;
constexpr double rightInset = 7;
constexpr double linkX = 25;
constexpr double summaryHeight = 15;
constexpr double linkHeight = 15;

Font titleFont() { return Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13); }
Font smallFont() { return Font::fontWithName(QStringLiteral("Lucida Grande"), 11); }

QColor linkColorFor(bool grayedOut) { return grayedOut ? Color::darkGray() : Color::calibratedRGB(0, 0, 1); }

// The palette place of the note's category; a category that went, or one
// naming a colour the palette lacks, gives the palette's first colour.
std::pair<qint64, qint64> paletteOf(const CalendarPtr& category)
{
    if (!category) return {0, 0};
    const qint64 group = category->colorGroupId();
    const qint64 color = category->colorNameId();
    if (group < 0 || group > lastGroup || color < 0 || color > lastColor) return {0, 0};
    return {group, color};
}

}  // namespace

NoteRowLayout NoteListItemView::layoutFor(double width, bool hasSummary, bool hasLink, double titleLeft)
{
    NoteRowLayout out;
    const double W = std::max(0.0, width);
    // Three bands of 18: the title takes those the summary and links leave.
    const int bands = ((hasSummary ? 0 : 1) | 2) - (hasLink ? 1 : 0);
    const double titleHeight = bands * bandHeight;
    out.title = QRectF(titleLeft, 0, std::max(0.0, std::round(W - dateWidth - titleX - rightInset)), titleHeight);
    out.date = QRectF(W - dateWidth, 0, dateWidth, bandHeight);
    double next = titleHeight;
    if (hasSummary) {
        out.summaryShown = true;
        out.summary = QRectF(titleX, titleHeight + (hasLink ? 3 : 0), std::max(0.0, W - titleX - rightInset), summaryHeight);
        next = titleHeight + bandHeight;
    }
    if (hasLink) {
        out.linksShown = true;
        out.links = QRectF(linkX, next, std::max(0.0, W - linkX), linkHeight);
    }
    return out;
}

NoteListItemView::NoteListItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    // Controls come with the first layout (or the first ask for one).
    if (!frame.isEmpty()) ensureControls();
}

NoteListItemView::~NoteListItemView() = default;

void NoteListItemView::ensureControls()
{
    if (m_noteTitle) return;
    const double W = bounds().width();
    m_noteTitle = new TextField(QRectF(titleX, 0, std::max(0.0, W - titleX), bandHeight));
    m_noteTitle->setTextFont(titleFont());
    m_noteTitle->setEditable(false);
    // Drawn through the cell, never a line editor that would scroll a long
    // title to its end.
    m_noteTitle->setSelectable(false);
    m_noteTitle->setDrawsBackground(false);
    m_noteTitle->setBordered(false);
    m_noteTitle->setBezeled(false);
    VerticalCenterNSTextFieldCell::install(*m_noteTitle);
    addSubview(m_noteTitle);

    m_createdDateRow = UIUtilities::getCommonTextFieldWithFrame(QRectF(W - dateWidth, 0, dateWidth, 20));
    VerticalNSTextFieldCell dateCell;
    dateCell.setHasInnerShadow(false);
    dateCell.install(*m_createdDateRow);
    m_createdDateRow->setTextFont(smallFont());
    m_createdDateRow->setAlignment(Qt::AlignRight);
    addSubview(m_createdDateRow);

    m_summaryRow = new CustomNSTextField(QRectF(titleX, 0, std::max(0.0, W - dateWidth - titleX), bandHeight));
    m_summaryRow->setEditable(false);
    m_summaryRow->setNeedDrawBg(false);
    m_summaryRow->setTextFont(smallFont());
    m_summaryRow->hide();
    addSubview(m_summaryRow);

    m_linkItem = new LinkListForTableItem(QRectF());
    m_linkItem->setGrayOut(m_isAssetNeedGrayout);
    m_linkItem->hide();
    addSubview(m_linkItem);

    bindTexts();
    if (!bounds().isEmpty()) {
        arrangeSubViews();
        renderBackground();
    }
}

TextField* NoteListItemView::noteTitle() { ensureControls(); return m_noteTitle; }
CustomNSTextField* NoteListItemView::summaryRow() { ensureControls(); return m_summaryRow; }
TextField* NoteListItemView::createdDateRow() { ensureControls(); return m_createdDateRow; }
LinkListForTableItem* NoteListItemView::linkItem() { ensureControls(); return m_linkItem; }

void NoteListItemView::setNote(const TaskPtr& note)
{
    m_note = note ? note->copy() : nullptr;
    const CoreData* manager = CoreData::shared();
    m_cal = m_note && manager ? manager->calendarWithPrimaryKey(m_note->calendarId()) : nullptr;
    const auto [group, color] = paletteOf(m_cal);
    m_projectColor = Utilities::getColorInGroupID(group, color, 0);
    m_iconsStale = true;
    m_hasLinkKnown = false;
    m_firstLoad = true;
    setToolTip(m_note ? m_note->taskName() : QString());
    if (m_noteTitle) {
        bindTexts();
        if (!bounds().isEmpty()) {
            arrangeSubViews();
            renderBackground();
        }
    }
    setNeedsDisplay();
}

bool NoteListItemView::hasLink() const
{
    if (!m_hasLinkKnown) {
        m_hasLink = m_note && m_note->hasLink();
        m_hasLinkKnown = true;
    }
    return m_hasLink;
}

void NoteListItemView::setIsAssetNeedGrayout(bool flag)
{
    m_isAssetNeedGrayout = flag;
    if (m_linkItem) m_linkItem->setGrayOut(flag);
}

void NoteListItemView::bindTexts()
{
    if (!m_noteTitle) return;
    m_noteTitle->setStringValue(m_note ? m_note->taskName() : QString());
    m_summaryRow->setStringValue(m_note ? m_note->noteSummary() : QString());
    m_createdDateRow->setStringValue(m_note ? Utilities::getShortDateStringWithMonthDay(m_note->startTime()) : QString());
}

void NoteListItemView::reload()
{
    bindTexts();
    setNeedsDisplay();
}

void NoteListItemView::makeIcons()
{
    if (!m_iconsStale) return;
    m_iconsStale = false;
    if (!m_note) {
        m_iconNormal = m_iconSelected = QImage();
        return;
    }
    // The note mark is drawn the same at rest and selected.
    m_iconNormal = UIUtilities::getIconForType(3, false, true, m_projectColor, QSizeF(noteIconSide, noteIconSide));
    m_iconSelected = m_iconNormal;
}

void NoteListItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    if (bounds().isEmpty()) return;
    if (!m_noteTitle) {
        ensureControls();  // lays itself out
        return;
    }
    arrangeSubViews();
    renderBackground();
}

void NoteListItemView::arrangeSubViews()
{
    if (!m_noteTitle) return;
    const bool summary = !m_summaryRow->stringValue().isEmpty();
    const bool links = hasLink();
    const NoteRowLayout out = layoutFor(bounds().width(), summary, links, m_noteTitle->frame().x());
    m_noteTitle->setFrame(out.title);
    m_createdDateRow->setFrame(out.date);
    m_summaryRow->setHidden(!out.summaryShown);
    if (out.summaryShown) m_summaryRow->setFrame(out.summary);
    m_linkItem->setHidden(!out.linksShown);
    if (!out.linksShown) return;
    m_linkItem->setFrame(out.links);
    const CoreData* manager = CoreData::shared();
    m_linkItem->setLinkItems(manager ? manager->getCurrentLinks(m_note) : TaskList(), m_note);
    if (m_firstLoad) {
        m_linkItem->setColor(linkColorFor(m_isAssetNeedGrayout));
        m_firstLoad = false;
    }
}

void NoteListItemView::renderBackground()
{
    if (!m_note || bounds().isEmpty()) {
        m_bgImg = QImage();
        return;
    }
    const auto [group, color] = paletteOf(m_cal);
    m_bgImg = UIUtilities::getTaskBackgroundImageNoGradient(Utilities::colorInGroup(group, color), 0.2, bounds().size(), 0);
}

void NoteListItemView::applyDelete()
{
    if (!m_note) return;
    // A note the web service never saw may have changed in the store since
    // the row was given it: the stored one is deleted.
    if (m_note->zvwID() == 0)
        if (TaskPtr stored = Task::initWithPrimaryKey(m_note->primaryKey())) m_note = stored;
    if (m_note->isShared()) return;
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    const QPointer<NoteListItemView> alive(this);
    const TaskPtr note = m_note;
    bool confirmed = true;
    const SettingPtr setting = manager->currentSetting();
    if (setting && setting->isWarningForDeleting() != 0) {
        AlertRequest request;
        request.style = AlertStyle::Warning;
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        request.messageText = TextTable::localizedString(QStringLiteral("deleteItemText"));
        request.informativeText = TextTable::localizedString(QStringLiteral("deleteItemMessage"));
        request.showsSuppressionButton = true;
        const AlertResponse response = AlertPresenter::current().runModal(request);
        if (response.suppressed) setting->setIsWarningForDeleting(0);
        confirmed = response.button == AlertResponse::firstButton;
    }
    if (confirmed) {
        manager->setModifyingTask(note);
        if (!manager->commandFromView({note}, [&] { return manager->doDeleteTask(note); })) qWarning() << "Note" << note->primaryKey() << "could not be deleted";
    }
    // The lists load again on this, also after a cancel.
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged,
                                                                         alive ? static_cast<QObject*>(alive.data()) : nullptr);
}

// ---- drawing ------------------------------------------------------------------

void NoteListItemView::setTextsColor(const QColor& color)
{
    for (TextField* field : {m_noteTitle, m_createdDateRow, static_cast<TextField*>(m_summaryRow)})
        if (field && field->textColor() != color) field->setTextColor(color);
}

void NoteListItemView::drawBackgroundInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawBackgroundInRect(painter, dirtyRect);
    makeIcons();
    if (!m_iconNormal.isNull()) {
        const QSizeF size = m_iconNormal.deviceIndependentSize();
        Drawing::drawImage(painter, m_iconNormal, QRectF(QPointF(10, std::round((bounds().height() - size.height()) / 2)), size));
    }
    // A selected row is coloured by its selection layer, drawn next.
    if (isSelected()) return;
    setTextsColor(m_projectColor);
    if (m_linkItem) {
        const QColor links = linkColorFor(m_isAssetNeedGrayout);
        if (m_linkItem->color() != links) m_linkItem->setColor(links);
    }
}

void NoteListItemView::drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSelectionInRect(painter, dirtyRect);
    makeIcons();
    painter.fillRect(bounds(), m_projectColor);
    if (!m_iconSelected.isNull()) {
        const QSizeF size = m_iconSelected.deviceIndependentSize();
        Drawing::drawImage(painter, m_iconSelected,
                           QRectF(QPointF(10, std::round((bounds().height() - size.height()) / 2)), size));
    }
    setTextsColor(Color::white());
    if (m_linkItem && m_linkItem->color() != Color::white()) m_linkItem->setColor(Color::white());
}

void NoteListItemView::drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSeparatorInRect(painter, dirtyRect);
    if (!m_bgImg.isNull()) Drawing::drawImage(painter, m_bgImg, QRectF(QPointF(0, 0), m_bgImg.deviceIndependentSize()));
}
