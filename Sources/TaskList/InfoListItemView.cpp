#include "InfoListItemView.h"

#include "Button.h"
#include "Font.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>

#include <cmath>

namespace {
double wholePoints(double value)
{
    return std::round(value);
}
}  // namespace

InfoListItemView::InfoListItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    const double w = frame.width();
    const double h = frame.height();
    m_dateTextField = UIUtilities::getCommonTextFieldWithFrame(QRectF(w - 100, 0, 100, std::max(0.0, h - 2)));
    m_dateTextField->setAlignment(Qt::AlignRight);
    addSubview(m_dateTextField);
    m_leftTextField = UIUtilities::getCommonTextFieldWithFrame(QRectF(10, 0, 200, std::max(0.0, h - 2)));
    addSubview(m_leftTextField);

    m_quickAddTask = new TextField(QRectF(10, 0, std::max(0.0, w - 20), 24));
    m_quickAddTask->setEditable(true);
    m_quickAddTask->setBordered(true);
    m_quickAddTask->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    m_quickAddTask->setPlaceholderString(TextTable::localizedString(QStringLiteral("quickAddTaskText")));
    m_quickAddTask->setDelegate(this);
    m_quickAddTask->setOnEndEditing([](TextField* field) { field->setStringValue(QString()); });
    m_quickAddTask->hide();
    addSubview(m_quickAddTask);

    m_showHide = UIUtilities::createButton(TextTable::localizedString(QStringLiteral("hideDoneText")), 12, Qt::black,
                                           Qt::AlignRight, ButtonType::Toggle, QRectF(0, (h - 20) / 2, 300, 20), this,
                                           [this](Button*) { selectShowHide(); }, QImage(), QImage(), false);
    m_showHide->hide();
    addSubview(m_showHide);
    layout();
}

InfoListItemView::~InfoListItemView() = default;

void InfoListItemView::setDate(const Date& date)
{
    m_date = date;
    m_dateTextField->setStringValue(Utilities::getStringFromDate(date, false));
}

void InfoListItemView::setLargeMargin(bool large)
{
    m_largeMargin = large;
    layout();
}

void InfoListItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    layout();
}

void InfoListItemView::layout()
{
    const double w = bounds().width();
    const double h = bounds().height();
    m_dateTextField->setFrame(QRectF(wholePoints(w - 160), 0, 150, std::max(0.0, wholePoints(h - 2))));
    m_leftTextField->setFrame(QRectF(m_largeMargin ? 20 : 5, 0, 200, std::max(0.0, wholePoints(h - 2))));
    m_quickAddTask->setFrame(QRectF(20, 2, std::max(0.0, wholePoints(w - 40)), 24));
    // Clear of the right edge, where a list's border or scroller would cut it.
    m_showHide->setFrame(QRectF(w - 306, (h - 20) / 2, 300, 15));
}

void InfoListItemView::quickAdd()
{
    if (m_quickAddHandler) {
        const QString text = m_quickAddTask->stringValue();
        if (!text.isEmpty()) m_quickAddHandler(text);
        return;
    }
    m_quickAddTask->setStringValue(QString());
}

void InfoListItemView::selectShowHide()
{
    if (m_showHideHandler) m_showHideHandler();
}

void InfoListItemView::setPlaceholderTextForQuickAdd(int kind)
{
    if (kind != 1) return;
    m_quickAddTask->setPlaceholderString(TextTable::localizedString(QStringLiteral("quickAddListText")));
}

bool InfoListItemView::doCommand(TextField*, FieldCommand command)
{
    if (command != FieldCommand::InsertNewline) return false;
    quickAdd();
    return true;
}

// A selected header looks unselected.
void InfoListItemView::drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect)
{
    TableRowView::drawSelectionInRect(painter, dirtyRect);
    painter.fillRect(bounds(), Qt::white);
}
