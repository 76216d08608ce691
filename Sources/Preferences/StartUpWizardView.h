#pragma once

#include "ScheduledTimer.h"
#include "View.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QSizeF>

#include <functional>

class Button;
class ImageView;
class TextField;
class UserLoginView;

// The first-run guide's pages: four picture slides and the account page,
// one shown at a time, turned by the dots, a mouse drag or a two-finger
// swipe. Every page is one size, that of the panel round them.
namespace StartUpWizard {

constexpr QSizeF pageSize(540, 650);
constexpr int pageCount = 5;
// A slide's header and description, full width or in the left half.
constexpr QPointF fullWidthTextPoint(30, 400);
constexpr QPointF halfWidthTextPoint(30, 350);

// Where a drag of `deltaXMoved` points puts the shown page and the one that
// comes into view beside it. No neighbour (-1) toward a page that does not
// exist: then nothing moves.
struct DragPositions {
    double currentX = 0;
    int neighbour = -1;
    double neighbourX = 0;

    bool operator==(const DragPositions&) const = default;
};
DragPositions dragPositions(double deltaXMoved, int currentIndex, int count, double pageWidth);

// A touchpad's two-finger swipe, fed one scroll at a time. Horizontal
// scrolling sums up; a gesture that ends with the sum past 0.3 of 1000
// points turns one page. A gesture that starts mostly vertical is let
// through untouched.
struct SwipeTracker {
    double currentSum = 0;
    double scrollDeltaX = 0;
    double scrollDeltaY = 0;
    bool canGoLeft = false;
    bool canGoRight = false;
    bool isHandlingEvent = false;

    struct Step {
        bool consumed = false;  // the scroll stops here (else it goes on to the base class)
        bool redraw = false;    // the sum changed: the wizard is asked to redraw
        int turn = 0;           // -1 one page back, +1 one page on

        bool operator==(const Step&) const = default;
    };
    // `boundsX` and `width`: the wizard's bounds, which decide whether
    // either direction is open.
    Step handle(ScrollPhase phase, double deltaX, double deltaY, double boundsX, double width);

private:
    Step resetSum(Step step);
};

}  // namespace StartUpWizard

// One picture slide: the background image over the whole page, a header
// and a description in white over it.
class SliderPage : public View {
    Q_OBJECT

public:
    // A text point whose x is 0 takes the layout's default. The background
    // comes looked up, each name in its own NamedImages call.
    SliderPage(const QRectF& frame, const QImage& bgImg, const QString& header, const QString& desc,
               bool textInHalf = false, const QPointF& textPoint = QPointF(), QWidget* parent = nullptr);

    QPointF textPoint() const { return m_textPoint; }
    bool textInHalf() const { return m_textInHalf; }
    ImageView* backgroundView() const { return m_background; }
    TextField* headerLabel() const { return m_header; }
    TextField* descLabel() const { return m_desc; }

    bool isFlipped() const override { return true; }

private:
    QPointF m_textPoint;
    bool m_textInHalf = false;
    ImageView* m_background = nullptr;
    TextField* m_header = nullptr;
    TextField* m_desc = nullptr;
};

// The wizard: the five pages with their dots, the start button and the
// button that jumps to the account page above them on every page.
class StartUpWizardView : public View {
    Q_OBJECT

public:
    explicit StartUpWizardView(const QRectF& frame, QWidget* parent = nullptr);
    ~StartUpWizardView() override;

    // What ends the wizard (the panel's); the start button and a confirmed
    // sign-in on the account page both lead here.
    void setStartAction(std::function<void()> action) { m_startAction = std::move(action); }

    void start();
    void gotoZVOnline();
    void navigate(Button* sender);
    void goForward();
    void goBack();
    void changePageToIndex(int index);
    // One redraw 0.04 s later; a request while one waits adds nothing.
    void launchDrawTimer();

    const QList<View*>& pages() const { return m_pages; }
    const QList<Button*>& navigatorDots() const { return m_navigatorDots; }
    int currentPageIndex() const { return m_currentPageIndex; }
    Button* zvmButton() const { return m_zvmButton; }
    Button* zvoButton() const { return m_zvoButton; }
    UserLoginView* loginView() const;
    bool isMoving() const { return m_isMoving; }
    double deltaXMoved() const { return m_deltaXMoved; }
    const StartUpWizard::SwipeTracker& swipe() const { return m_swipe; }
    bool hasPendingRedraw() const { return m_drawTimer.isValid(); }

    bool isFlipped() const override { return true; }
    void keyDown(const Event& event) override;
    void mouseDown(const Event& event) override;
    void mouseDragged(const Event& event) override;
    void mouseUp(const Event& event) override;
    void scrollWheel(const Event& event) override;

private:
    QPointF restingOrigin() const;
    void turnedPage();

    QList<View*> m_pages;
    QList<Button*> m_navigatorDots;
    int m_currentPageIndex = 0;
    Button* m_zvmButton = nullptr;
    Button* m_zvoButton = nullptr;
    bool m_isMoving = false;
    double m_deltaXMoved = 0;
    StartUpWizard::SwipeTracker m_swipe;
    ScheduledTimer m_drawTimer;
    std::function<void()> m_startAction;
};
