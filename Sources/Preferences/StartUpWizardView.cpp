#include "StartUpWizardView.h"

#include "Button.h"
#include "Font.h"
#include "ImageView.h"
#include "NamedImages.h"
#include "Scheduler.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "UserLoginView.h"
#include "VerticalNSTextFieldCell.h"

#include <cmath>

namespace StartUpWizard {

namespace {

constexpr double kDrawDelay = 0.04;
// A swipe's sum counts in thousands of points; this much turns a page.
constexpr double kSwipeScale = 1000;
constexpr double kSwipeTurn = 0.3;
constexpr double kDotsY = 570;
constexpr double kDotSize = 10;
constexpr double kDotPitch = 20;
constexpr double kButtonsY = 595;
constexpr QSizeF kButtonSize(143, 35);

}  // namespace

DragPositions dragPositions(double deltaXMoved, int currentIndex, int count, double pageWidth)
{
    DragPositions positions;
    if (deltaXMoved > 0 && currentIndex > 0) {
        positions.currentX = deltaXMoved;
        positions.neighbour = currentIndex - 1;
        positions.neighbourX = deltaXMoved - pageWidth;
    } else if (deltaXMoved < 0 && currentIndex < count - 1) {
        positions.currentX = deltaXMoved;
        positions.neighbour = currentIndex + 1;
        positions.neighbourX = pageWidth + deltaXMoved;
    }
    return positions;
}

SwipeTracker::Step SwipeTracker::resetSum(Step step)
{
    if (currentSum != 0) {
        currentSum = 0;
        step.redraw = true;
    }
    return step;
}

SwipeTracker::Step SwipeTracker::handle(ScrollPhase phase, double deltaX, double deltaY, double boundsX, double width)
{
    switch (phase) {
    case ScrollPhase::Began:
        currentSum = 0;
        canGoLeft = boundsX <= 0;
        canGoRight = boundsX + width >= width;
        scrollDeltaX = 0;
        scrollDeltaY = 0;
        isHandlingEvent = canGoLeft || canGoRight;
        return {};
    case ScrollPhase::Changed:
    {
        if (!isHandlingEvent) return resetSum({});
        scrollDeltaX += deltaX;
        scrollDeltaY += deltaY;
        // Compared at single precision, so that a diagonal start with equal
        // amounts is not decided by rounding noise.
        if (std::fabs(float(scrollDeltaY)) > std::fabs(float(scrollDeltaX)) && currentSum == 0) {
            isHandlingEvent = false;
            return {};
        }
        const double s = -scrollDeltaX;
        if (s == 0 || (s < 0 && !canGoLeft) || (s > 0 && !canGoRight)) return resetSum({});
        currentSum = s / kSwipeScale;
        return {true, true, 0};
    }
    case ScrollPhase::Ended:
    {
        Step step;
        if (currentSum < -kSwipeTurn && canGoLeft)
            step.turn = -1;
        else if (currentSum >= kSwipeTurn && canGoRight)
            step.turn = 1;
        isHandlingEvent = false;
        return resetSum(step);
    }
    case ScrollPhase::None:
    case ScrollPhase::Momentum: break;
    }
    // A wheel's notch, or the scrolling that goes on after the fingers left:
    // no part of a swipe.
    return {};
}

}  // namespace StartUpWizard

using namespace StartUpWizard;

// ---- a slide ----------------------------------------------------------------------------

SliderPage::SliderPage(const QRectF& frame, const QImage& bgImg, const QString& header, const QString& desc,
                       bool textInHalf, const QPointF& textPoint, QWidget* parent)
    : View(frame, parent), m_textPoint(textPoint), m_textInHalf(textInHalf)
{
    const double w = frame.width();
    m_background = new ImageView(QRectF(QPointF(0, 0), frame.size()), this);
    m_background->setImage(bgImg);
    m_background->setImageScaling(ImageScaling::AxesIndependently);

    if (m_textPoint.x() == 0) m_textPoint = textInHalf ? halfWidthTextPoint : fullWidthTextPoint;
    const double x = m_textPoint.x();
    const double y = m_textPoint.y();
    QRectF descFrame;
    if (textInHalf) {
        m_header = UIUtilities::getCommonTextFieldWithFrame(QRectF(x, y, (w - 30) / 2, 60));
        m_header->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 20));
        VerticalNSTextFieldCell().install(*m_header);
        descFrame = QRectF(x, y + 70, (w - 60) / 2, 150);
    } else {
        m_header = UIUtilities::getCommonTextFieldWithFrame(QRectF(x, y, w - 60, 30));
        m_header->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 22));
        descFrame = QRectF(x, y + 50, w - 60, 150);
    }
    m_header->setTextColor(Qt::white);
    m_header->setStringValue(header);
    addSubview(m_header);

    m_desc = UIUtilities::getCommonTextFieldWithFrame(descFrame);
    m_desc->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 14));
    m_desc->setTextColor(Qt::white);
    m_desc->setWraps(true);
    m_desc->setTopAligned(true);
    m_desc->setStringValue(desc);
    addSubview(m_desc);
}

// ---- the wizard -------------------------------------------------------------------------

StartUpWizardView::StartUpWizardView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setAcceptsFirstResponder(true);
    const QRectF pageFrame(restingOrigin(), pageSize);
    struct Slide {
        QImage image;
        QString header;
        QString desc;
        bool half;
        QPointF point;
    };
    // Each key and name in its own lookup, so the checks of the text table
    // and of the pictures find them all.
    const Slide slides[] = {
        {NamedImages::imageNamed(QStringLiteral("mac_slider_0")),
         TextTable::localizedString(QStringLiteral("slider0HeaderText")),
         TextTable::localizedString(QStringLiteral("slider0DescText")), false, QPointF(30, 300)},
        {NamedImages::imageNamed(QStringLiteral("mac_slider_1")),
         TextTable::localizedString(QStringLiteral("slider1HeaderText")),
         TextTable::localizedString(QStringLiteral("slider1DescText")), true, QPointF()},
        {NamedImages::imageNamed(QStringLiteral("mac_slider_2")),
         TextTable::localizedString(QStringLiteral("slider2HeaderText")),
         TextTable::localizedString(QStringLiteral("slider2DescText")), false, QPointF()},
        {NamedImages::imageNamed(QStringLiteral("mac_slider_3")),
         TextTable::localizedString(QStringLiteral("slider3HeaderText")),
         TextTable::localizedString(QStringLiteral("slider3DescText")), false, QPointF()},
    };
    for (const Slide& slide : slides) {
        auto* page = new SliderPage(pageFrame, slide.image, slide.header, slide.desc,
                                    slide.half, slide.point);
        addSubview(page);
        m_pages.append(page);
    }
    auto* login = new UserLoginView(pageFrame);
    login->setSignedInAction([this] { start(); });
    addSubview(login);
    m_pages.append(login);
    for (qsizetype i = 1; i < m_pages.size(); ++i) m_pages[i]->setHidden(true);

    const double firstDotX = (frame.width() - kDotPitch * double(m_pages.size())) / 2;
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        Button* dot = UIUtilities::createButton(
            QString(), 13, Qt::white, Qt::AlignCenter, ButtonType::Toggle,
            QRectF(firstDotX + kDotPitch * double(i), kDotsY, kDotSize, kDotSize), this,
            [this](Button* sender) { navigate(sender); }, NamedImages::imageNamed(QStringLiteral("dot_normal")),
            NamedImages::imageNamed(QStringLiteral("dot_selected")), false);
        dot->setTag(int(i));
        addSubview(dot);
        m_navigatorDots.append(dot);
    }
    m_navigatorDots.front()->setState(OnState);

    const QImage buttonImage = NamedImages::imageNamed(QStringLiteral("slider_btn"));
    const QImage pressedImage = NamedImages::imageNamed(QStringLiteral("slider_btn_pressed"));
    m_zvmButton = UIUtilities::createButton(TextTable::localizedString(QStringLiteral("sliderStartZVMText")), 13,
                                            Qt::white, true, Qt::AlignCenter, ButtonType::Toggle,
                                            QRectF(QPointF(30, kButtonsY), kButtonSize), this,
                                            [this](Button*) { start(); }, buttonImage, pressedImage, false);
    addSubview(m_zvmButton);
    m_zvoButton = UIUtilities::createButton(
        TextTable::localizedString(QStringLiteral("sliderZoravelOnlineText")), 13, Qt::white, true, Qt::AlignCenter,
        ButtonType::Toggle, QRectF(QPointF(frame.width() - 173, kButtonsY), kButtonSize), this,
        [this](Button* button) {
            // It turns to the account page and stays on the wizard: its
            // pressed picture must not stay after the click.
            button->setState(OffState);
            gotoZVOnline();
        },
        buttonImage, pressedImage, false);
    addSubview(m_zvoButton);
}

StartUpWizardView::~StartUpWizardView()
{
    m_drawTimer.invalidate();
}

UserLoginView* StartUpWizardView::loginView() const
{
    return static_cast<UserLoginView*>(m_pages.back());
}

QPointF StartUpWizardView::restingOrigin() const
{
    return QPointF((frame().width() - pageSize.width()) / 2, 0);
}

void StartUpWizardView::start()
{
    if (m_startAction) m_startAction();
}

void StartUpWizardView::gotoZVOnline()
{
    m_currentPageIndex = int(m_pages.size()) - 1;
    changePageToIndex(m_currentPageIndex);
}

void StartUpWizardView::navigate(Button* sender)
{
    if (!sender || sender->tag() < 0 || sender->tag() >= m_pages.size()) return;
    m_currentPageIndex = sender->tag();
    changePageToIndex(m_currentPageIndex);
}

void StartUpWizardView::goForward()
{
    if (m_currentPageIndex >= int(m_navigatorDots.size()) - 1) return;
    ++m_currentPageIndex;
    turnedPage();
}

void StartUpWizardView::keyDown(const Event& event)
{
    // The arrows turn the slides as a drag does; a field of the account
    // page keeps them for its caret, as it has the focus then.
    if (event.modifierFlags & (CommandKeyMask | ControlKeyMask | AlternateKeyMask)) return View::keyDown(event);
    const QString key = event.charactersIgnoringModifiers;
    if (key == QString(QChar(KeyCharacter::LeftArrow))) goBack();
    else if (key == QString(QChar(KeyCharacter::RightArrow))) goForward();
    else View::keyDown(event);
}

void StartUpWizardView::goBack()
{
    if (m_currentPageIndex <= 0) return;
    --m_currentPageIndex;
    turnedPage();
}

void StartUpWizardView::turnedPage()
{
    changePageToIndex(m_currentPageIndex);
    setNeedsDisplay();
}

void StartUpWizardView::changePageToIndex(int index)
{
    for (Button* dot : m_navigatorDots) dot->setState(dot->tag() == index ? OnState : OffState);
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        View* page = m_pages[i];
        if (i == index) {
            page->setFrameOrigin(restingOrigin());
            page->setHidden(false);
        } else {
            page->setHidden(true);
        }
    }
}

void StartUpWizardView::launchDrawTimer()
{
    if (m_drawTimer.isValid()) return;
    m_drawTimer = Scheduler::current().scheduleTimer(kDrawDelay, false, [this] { setNeedsDisplay(); });
}

// ---- the mouse drag ---------------------------------------------------------------------

void StartUpWizardView::mouseDown(const Event& event)
{
    // The wizard offers no links: a press anywhere on a page starts a drag.
    const QPointF point = convertPointFromWindow(event.locationInWindow);
    if (!bounds().contains(point)) return View::mouseDown(event);
    m_isMoving = true;
    m_deltaXMoved = 0;
}

void StartUpWizardView::mouseDragged(const Event& event)
{
    if (!m_isMoving) return View::mouseDragged(event);
    m_deltaXMoved += event.deltaX;
    const DragPositions positions =
        dragPositions(m_deltaXMoved, m_currentPageIndex, int(m_pages.size()), pageSize.width());
    // Only the pages in play show; toward a page that does not exist (or
    // back over the start) the shown page stands where it rests.
    const QPointF rest = restingOrigin();
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        View* page = m_pages[i];
        if (i == m_currentPageIndex) {
            page->setFrameOrigin(QPointF(rest.x() + positions.currentX, page->frame().y()));
            page->setHidden(false);
        } else if (i == positions.neighbour) {
            page->setFrameOrigin(QPointF(rest.x() + positions.neighbourX, page->frame().y()));
            page->setHidden(false);
        } else {
            page->setHidden(true);
        }
    }
    setNeedsDisplay();
}

void StartUpWizardView::mouseUp(const Event& event)
{
    if (!m_isMoving) return View::mouseUp(event);
    m_isMoving = false;
    if (m_deltaXMoved > 0 && m_currentPageIndex > 0)
        --m_currentPageIndex;
    else if (m_deltaXMoved < 0 && m_currentPageIndex < int(m_pages.size()) - 1)
        ++m_currentPageIndex;
    turnedPage();
}

// ---- the two-finger swipe ---------------------------------------------------------------

void StartUpWizardView::scrollWheel(const Event& event)
{
    // A plain wheel has no phases and turns no page.
    const SwipeTracker::Step step = m_swipe.handle(event.phase, event.scrollingDeltaX, event.scrollingDeltaY,
                                                   bounds().x(), bounds().width());
    if (step.turn < 0) goBack();
    if (step.turn > 0) goForward();
    if (step.redraw) launchDrawTimer();
    if (!step.consumed) View::scrollWheel(event);
}
