#include "CategoryBoxDetailView.h"

#include "Button.h"
#include "CategoryDetailView.h"
#include "Color.h"
#include "Font.h"
#include "NamedImages.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>
#include <QGraphicsDropShadowEffect>

#include <cmath>

namespace {

constexpr double boxFieldX = 70;
constexpr double boxSwitchX = 45;
constexpr double boxSwitchWidth = 190;
constexpr double boxSwitchHeight = 20;
constexpr double boxButtonWidth = 90;
// Lower than a standard button: in a box 154 high the transparent switch
// ends at 134, and a taller button row would run into it.
constexpr double boxButtonHeight = 20;

TextField* boxLabel(const QRectF& frame, const QString& text)
{
    TextField* label = UIUtilities::getCommonTextFieldWithFrame(frame);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setStringValue(QStringLiteral("%1:").arg(text));
    return label;
}

// A check box with its title at its right, as wide as both need (at most
// the frame's width): a wider button would centre them.
Button* boxSwitch(const QString& text, const QRectF& frame)
{
    const Font font = Font::systemFont(13);
    const QString title = QStringLiteral(" %1").arg(text);
    const double width = std::min(frame.width(), 24 + std::ceil(TextMeasure::sizeOfText(title, font).width()) + 8);
    auto* box = new Button(QRectF(frame.topLeft(), QSizeF(width, frame.height())));
    box->setButtonType(ButtonType::Toggle);
    box->setBordered(false);
    box->setImage(NamedImages::imageNamed(QStringLiteral("checkbox_none")));
    box->setAlternateImage(NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    box->setImagePosition(ImagePosition::ImageLeft);
    box->setAttributedTitle(AttributedTitle{title, Qt::black, font, Qt::AlignLeft | Qt::AlignVCenter});
    return box;
}

}  // namespace

CategoryBoxDetailView::CategoryBoxDetailView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = frame.width();
    const double height = frame.height();

    addSubview(boxLabel(QRectF(10, 5, 57, 28), TextTable::localizedString(QStringLiteral("nameText"))));
    m_categoryNameTextField = new TextField(QRectF(boxFieldX, 8, width - boxFieldX, 19));
    m_categoryNameTextField->setBezeled(false);
    m_categoryNameTextField->setBordered(false);
    m_categoryNameTextField->setDrawsBackground(true);
    m_categoryNameTextField->setBackgroundColor(Color::white());
    m_categoryNameTextField->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    m_categoryNameTextField->setAutoresizingMask(ViewWidthSizable);
    // Borderless, the field is told from the box by a soft shadow at its
    // lower right edges.
    auto* shadow = new QGraphicsDropShadowEffect(m_categoryNameTextField);
    shadow->setOffset(0.5, 0.5);
    shadow->setColor(Qt::black);
    shadow->setBlurRadius(2);
    m_categoryNameTextField->setGraphicsEffect(shadow);
    addSubview(m_categoryNameTextField);

    m_arrayOfColorImg.reserve(paletteSize);
    for (qint64 group = 0; group < 4; ++group)
        for (qint64 colour = 0; colour < 8; ++colour)
            m_arrayOfColorImg.push_back(
                UIUtilities::getCalendarColorImage(Utilities::colorInGroup(group, colour), QSizeF(34, 15)));

    addSubview(boxLabel(QRectF(10, 33, 57, 28), TextTable::localizedString(QStringLiteral("colorText"))));
    m_colorBtn = new Button(QRectF(boxFieldX, 37, 40, 20));
    m_colorBtn->setBordered(false);
    m_colorBtn->setImagePosition(ImagePosition::ImageOnly);
    m_colorBtn->setImage(m_arrayOfColorImg.front());
    m_colorBtn->setTarget(this, [this](Button*) { chooseColor(); });
    addSubview(m_colorBtn);

    addSubview(boxLabel(QRectF(0, 61, 67, 28), TextTable::localizedString(QStringLiteral("tagText"))));
    m_tagDetailView = new TagTokenDetailView(QRectF(boxFieldX, 63, width - boxFieldX, 19));
    m_tagDetailView->setParentView(this);
    m_tagDetailView->setAutoresizingMask(ViewWidthSizable);
    addSubview(m_tagDetailView);

    m_defaultBtn = boxSwitch(TextTable::localizedString(QStringLiteral("markAsDefaultCategoryText")),
                             QRectF(boxSwitchX, 91, boxSwitchWidth, boxSwitchHeight));
    m_defaultBtn->setTarget(this, [this](Button*) { markDefaultCategory(); });
    addSubview(m_defaultBtn);
    m_transparentBtn = boxSwitch(TextTable::localizedString(QStringLiteral("markAsTransparentProjectText")),
                                 QRectF(boxSwitchX, height - 24, boxSwitchWidth, boxSwitchHeight));
    m_transparentBtn->setToolTip(TextTable::localizedString(QStringLiteral("transparentTooltip")));
    addSubview(m_transparentBtn);

    const auto makeButton = [this](const QString& title, double x, void (CategoryBoxDetailView::*action)()) {
        Button* button = UIUtilities::createButton(
            title, 12, Color::black(), Qt::AlignCenter, ButtonType::MomentaryPushIn,
            QRectF(x, bounds().height() - boxButtonHeight - 1, boxButtonWidth, boxButtonHeight), this,
            [this, action](Button*) { (this->*action)(); }, QImage(), QImage(), true);
        // At the bottom edge; OK and Cancel at the right one too.
        button->setAutoresizingMask(ViewMinYMargin | (x > 5 ? ViewMinXMargin : ViewMaxXMargin));
        addSubview(button);
        return button;
    };
    m_okBtn = makeButton(TextTable::localizedString(QStringLiteral("okText")), width - 95, &CategoryBoxDetailView::okEdit);
    m_cancelBtn = makeButton(TextTable::localizedString(QStringLiteral("cancelText")), width - 185,
                             &CategoryBoxDetailView::cancelEdit);
    m_delBtn = makeButton(TextTable::localizedString(QStringLiteral("deleteText")), 5, &CategoryBoxDetailView::deleteEdit);
}

CategoryBoxDetailView::~CategoryBoxDetailView() = default;

void CategoryBoxDetailView::setColor(qint64 palettePosition)
{
    showColor(palettePosition);
    if (m_parentView) m_parentView->reloadData();
}

void CategoryBoxDetailView::showColor(qint64 palettePosition)
{
    if (palettePosition < 0 || palettePosition >= paletteSize) {
        qWarning() << "No palette colour at" << palettePosition << "; the first one is shown";
        palettePosition = 0;
    }
    m_posOfColor = palettePosition;
    m_colorBtn->setImage(m_arrayOfColorImg[std::size_t(palettePosition)]);
}

void CategoryBoxDetailView::chooseColor()
{
    if (!m_colorViewController) {
        m_colorViewController = new ColorViewController(this);
        m_colorViewController->setParentView(this);
    }
    m_colorViewController->colorViewPopOverAtPositionView(m_colorBtn);
}

void CategoryBoxDetailView::markDefaultCategory()
{
    if (m_parentView) m_parentView->setDefaultCategory();
}

void CategoryBoxDetailView::resizeHeightWithOffset(double offset)
{
    if (m_parentView) m_parentView->resizeHeightWithOffset(offset);
}

void CategoryBoxDetailView::setEnable(bool enable)
{
    m_categoryNameTextField->setEnabled(enable);
    m_colorBtn->setEnabled(enable);
    if (m_defaultBtn->state() == 0) m_defaultBtn->setEnabled(enable);
    m_transparentBtn->setEnabled(enable);
    m_tagDetailView->setEnabled(enable);
}

void CategoryBoxDetailView::setIsShareCalendar(bool shared)
{
    setEnable(!shared);
    m_delBtn->setHidden(shared);
    m_cancelBtn->setHidden(shared);
    m_okBtn->setTitle(shared ? TextTable::localizedString(QStringLiteral("closeText"))
                             : TextTable::localizedString(QStringLiteral("okText")));
}

void CategoryBoxDetailView::okEdit()
{
    if (m_parentView) m_parentView->okEdit();
}

void CategoryBoxDetailView::cancelEdit()
{
    if (m_parentView) m_parentView->cancelEdit();
}

void CategoryBoxDetailView::deleteEdit()
{
    if (m_parentView) m_parentView->deleteEdit();
}

void CategoryBoxDetailView::placeSwitches()
{
    const QRectF tags = m_tagDetailView->frame();
    m_defaultBtn->setFrameOrigin(QPointF(m_defaultBtn->frame().x(), tags.y() + tags.height() + 5));
    m_transparentBtn->setFrameOrigin(QPointF(m_transparentBtn->frame().x(), m_defaultBtn->frame().y() + 27));
}

void CategoryBoxDetailView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    placeSwitches();
}

QRectF CategoryBoxDetailView::separatorRect() const
{
    return QRectF(0, m_okBtn->frame().y() - 10, bounds().width(), 0.5);
}

void CategoryBoxDetailView::drawRect(QPainter& painter, const QRectF&)
{
    // No line through the switches: it shows only where they leave room.
    if (separatorRect().y() < m_transparentBtn->frame().bottom()) return;
    painter.save();
    painter.setPen(QPen(Color::lightGray(), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(separatorRect());
    painter.restore();
}
