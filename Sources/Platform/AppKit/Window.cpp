#include "Window.h"

#include "Application.h"
#include "Button.h"
#include "TextTable.h"

#include "Screen.h"
#include "View.h"
#include "FiniteGeometry.h"

#include <QApplication>
#include <QAbstractSpinBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QDialog>
#include <QElapsedTimer>
#include <QHash>
#include <QTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

double& durationScale()
{
    static double scale = 1.0;
    return scale;
}

// Qt places whole pixels: each edge is rounded, so two windows that share an
// edge in our coordinates share it on the screen too.
QRect roundedQtGeometry(const QRectF& frame)
{
    const QRectF qt = Screen::toQt(frame);
    const int left = int(std::lround(qt.left()));
    const int top = int(std::lround(qt.top()));
    const int right = int(std::lround(qt.left() + qt.width()));
    const int bottom = int(std::lround(qt.top() + qt.height()));
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

QList<Window*>& liveWindows()
{
    static QList<Window*> windows;
    return windows;
}

QWidget* widgetOfWindow(const QWindow* window)
{
    // Ours first: the application's list of top levels walks every widget
    // there is, thousands with a long task list, at each change of focus.
    if (!window) return nullptr;
    for (Window* ours : liveWindows())
        if (ours->windowHandle() == window) return ours;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window) return widget;
    return nullptr;
}

// A dialog of Qt's own (a file panel, an alert) and the window, and the
// field in it, that had the keyboard when the dialog opened.
struct DialogOpener {
    QPointer<QWindow> window;
    QPointer<QWidget> field;
};

QHash<const QWidget*, DialogOpener>& dialogOpeners()
{
    static QHash<const QWidget*, DialogOpener> openers;
    return openers;
}

// A dialog without a parent belongs to the window it was opened from.
QWindow* openerOf(const QWidget* widget)
{
    const auto found = dialogOpeners().constFind(widget);
    return found == dialogOpeners().cend() ? nullptr : found->window.data();
}

// Whether a top-level's chain of transient or Qt parents (or, for a dialog,
// the window it was opened from) reaches the target handle.
bool leadsToHandle(QWindow* window, const QWindow* targetHandle)
{
    if (!targetHandle) return false;
    // Bounded: a parent chain is short, and a cycle must not hang the focus.
    for (int depth = 0; window && depth < 64; ++depth) {
        if (window == targetHandle) return true;
        QWindow* next = window->transientParent();
        if (!next) {
            const QWidget* widget = widgetOfWindow(window);
            const QWidget* parent = widget ? widget->parentWidget() : nullptr;
            next = parent ? parent->window()->windowHandle() : openerOf(widget);
        }
        window = next;
    }
    return false;
}

bool leadsTo(QWindow* window, const Window* target)
{
    return leadsToHandle(window, target->windowHandle());
}

// Views that may want Escape for themselves: fields being typed into.
bool editsText(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QComboBox*>(widget);
}

// Dialogs the kit looks after: modal windows of Qt's own making.
bool isForeignDialog(QObject* object)
{
    auto* dialog = qobject_cast<QDialog*>(object);
    return dialog && dialog->isWindow() && !qobject_cast<Window*>(dialog);
}

// Qt's own pop-up lists (a field's completions, a combo box's list, a
// menu): they hold the keyboard while shown, as part of the window that
// opened them.
bool isForeignPopup(QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->isWindow() && widget->windowType() == Qt::Popup && !qobject_cast<Window*>(widget);
}

}  // namespace

// Follows the application's focus window and tells each window whether it
// (or one of its own child windows) holds the focus now.
//
// It also sees to the keyboard around Qt's own dialogs (file panels,
// alerts): one that opens takes the keyboard, and one that closes gives it
// back to the window and the field that had it. Until it is back (or a
// short while has passed), that window does not resign key: a window
// manager may hand the keyboard to a window of its own, or to anyone, when
// a dialog goes, and our window would take that for the user leaving it.
class WindowFocusTracker : public QObject {
public:
    static void ensureStarted()
    {
        if (tracker() || !qApp) return;
        tracker() = new WindowFocusTracker(qApp);
        qApp->installEventFilter(tracker());
        connect(qApp, &QGuiApplication::focusWindowChanged, tracker(),
                [](QWindow* focus) { WindowFocusTracker::focusMoved(focus); });
    }

    // `settled`: a focus gone nowhere is taken as it is (see below).
    static void focusMoved(QWindow* focus, bool settled = false)
    {
        // The window a newly focused one gives the keyboard back to when it
        // goes: the last of ours that held it.
        static QPointer<QWindow> lastFocus;
        if (focus) {
            if (auto* window = qobject_cast<Window*>(widgetOfWindow(focus))) {
                auto* previous = lastFocus ? qobject_cast<Window*>(widgetOfWindow(lastFocus)) : nullptr;
                if (previous && previous != window) window->m_returnKeyTo = previous;
            }
            lastFocus = focus;
        }
        QWindow* effective = focus;
        WindowFocusTracker* self = tracker();
        if (self && self->m_returning.window) {
            if (focus && leadsToHandle(focus, self->m_returning.window)) {
                self->giveFieldBack(focus);
            } else {
                // Held where it was until it is given back.
                effective = self->m_returning.window;
                self->scheduleReturn(0);
            }
        }
        // X11 tells a focus that left for no window of ours late: Qt waits
        // 0.1 s for a window of ours to take it first. When one does without
        // the window system's word (a window shown just after another of
        // ours went with the focus: the splash, then the main window), that
        // late "nowhere" still comes, and the window's own focus right after
        // it. Taken at its word it would close the main window as if the
        // person had clicked elsewhere: a focus gone nowhere counts once it
        // has stayed so for a moment.
        if (self && !effective && !settled && QGuiApplication::platformName() == QLatin1String("xcb")) {
            if (!self->m_nowhere.isActive()) self->m_nowhere.start();
            return;
        }
        if (self) self->m_nowhere.stop();
        QList<QPointer<Window>> losing;
        QList<QPointer<Window>> gaining;
        for (Window* window : liveWindows()) {
            const bool key = effective && window->canBecomeKeyWindow() && leadsTo(effective, window);
            if (key == window->m_key) continue;
            (key ? gaining : losing).append(window);
        }
        // Resigns first, so a delegate never sees two windows claim the focus
        // that one of them has already lost.
        for (const QPointer<Window>& window : losing)
            if (window) window->setKey(false);
        for (const QPointer<Window>& window : gaining)
            if (window) window->setKey(true);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::KeyPress && escapeClosesWhatIsOnTop(watched, static_cast<QKeyEvent*>(event)))
            return true;
        if (type == QEvent::Show && isForeignPopup(watched)) popupOpened(static_cast<QWidget*>(watched));
        if ((type == QEvent::Show || type == QEvent::Hide) && isForeignDialog(watched)) {
            auto* dialog = static_cast<QWidget*>(watched);
            if (type == QEvent::Show) dialogOpened(dialog);
            else dialogClosed(dialog);
        }
        return false;
    }

private:
    explicit WindowFocusTracker(QObject* parent) : QObject(parent)
    {
        m_nowhere.setSingleShot(true);
        m_nowhere.setInterval(nowhereWaitMilliseconds);
        connect(&m_nowhere, &QTimer::timeout, this,
                [] { focusMoved(QGuiApplication::focusWindow(), true); });
    }

    static QPointer<WindowFocusTracker>& tracker()
    {
        static QPointer<WindowFocusTracker> instance;
        return instance;
    }

    // Escape closes whatever is on top: a popover over the window that has
    // the keyboard, or the popover that has it, even when the view under the
    // focus would take every key (a list). A field being typed into hears it
    // first, as it may want it (and passes it on to the window otherwise).
    static bool escapeClosesWhatIsOnTop(QObject* receiver, const QKeyEvent* key)
    {
        if (key->key() != Qt::Key_Escape || (key->modifiers() & ~Qt::KeypadModifier)) return false;
        auto* widget = qobject_cast<QWidget*>(receiver);
        // Once, at the first of the widgets the key goes through.
        if (!widget || widget != (QApplication::focusWidget() ? QApplication::focusWidget() : widget->window()))
            return false;
        auto* window = qobject_cast<Window*>(widget->window());
        if (!window || !window->isVisible() || editsText(widget)) return false;
        bool popoverOnTop = bool(window->m_cancelAction);
        for (const QPointer<Window>& child : window->m_childWindows)
            popoverOnTop = popoverOnTop || (child && child->isVisible() && child->m_cancelAction);
        return popoverOnTop && window->cancelOperation();
    }

    // A pop-up belongs to the window that had the keyboard when it opened,
    // so that window stays key while the pop-up holds the keyboard; its
    // closing needs nothing more, as Qt gives the keyboard back itself.
    void popupOpened(QWidget* popup)
    {
        QWindow* focus = QGuiApplication::focusWindow();
        if (!focus || focus == popup->windowHandle()) return;
        const bool known = dialogOpeners().contains(popup);
        dialogOpeners().insert(popup, DialogOpener{focus, nullptr});
        if (!known) connect(popup, &QObject::destroyed, this, [popup] { dialogOpeners().remove(popup); });
    }

    void dialogOpened(QWidget* dialog)
    {
        if (!dialogOpeners().contains(dialog)) {
            QWindow* focus = QGuiApplication::focusWindow();
            if (focus == dialog->windowHandle()) focus = nullptr;
            if (!focus && dialog->parentWidget()) focus = dialog->parentWidget()->window()->windowHandle();
            dialogOpeners().insert(dialog, DialogOpener{focus, QApplication::focusWidget()});
            connect(dialog, &QObject::destroyed, this, [dialog] { dialogOpeners().remove(dialog); });
        }
        // An alert that opens takes the keyboard, or Return and Escape would
        // go to the window under it.
        const QPointer<QWidget> opened(dialog);
        QTimer::singleShot(0, this, [opened] {
            if (opened && opened->isVisible() && QGuiApplication::focusWindow() != opened->windowHandle())
                opened->activateWindow();
        });
    }

    void dialogClosed(QWidget* dialog)
    {
        const DialogOpener opener = dialogOpeners().take(dialog);
        QWidget* window = opener.window ? widgetOfWindow(opener.window) : nullptr;
        if (!window || !window->isVisible()) return;
        m_returning = opener;
        m_fieldGivenBack = false;
        m_returnDeadline.start();
        scheduleReturn(0);
    }

    // Asks for the keyboard for the window the dialog was opened from, again
    // and again, while the window manager settles after the dialog: a
    // manager may hand the keyboard back first and elsewhere a moment later.
    void scheduleReturn(int milliseconds)
    {
        if (m_returnScheduled) return;
        m_returnScheduled = true;
        QTimer::singleShot(milliseconds, this, [this] {
            m_returnScheduled = false;
            if (!m_returning.window) return;
            QWidget* window = widgetOfWindow(m_returning.window);
            const qint64 left = returnWaitMilliseconds - m_returnDeadline.elapsed();
            if (!window || !window->isVisible() || left <= 0) {
                // The windows learn where the keyboard is now.
                m_returning = {};
                focusMoved(QGuiApplication::focusWindow());
                return;
            }
            QWindow* focus = QGuiApplication::focusWindow();
            if (focus && leadsToHandle(focus, m_returning.window)) {
                giveFieldBack(focus);
                scheduleReturn(int(left));
                return;
            }
            window->activateWindow();
            scheduleReturn(int(std::min<qint64>(left, returnRetryMilliseconds)));
        });
    }

    void giveFieldBack(QWindow* focus)
    {
        if (std::exchange(m_fieldGivenBack, true)) return;
        // The field that had it, wherever Qt's activation put the focus.
        QWidget* field = m_returning.field;
        if (field && focus == m_returning.window && field->isVisible() &&
            field->window()->windowHandle() == focus && QApplication::focusWidget() != field)
            field->setFocus(Qt::OtherFocusReason);
    }

    static constexpr int returnWaitMilliseconds = 1500;
    static constexpr int returnRetryMilliseconds = 100;
    // How long a focus gone nowhere waits to be taken as such.
    static constexpr int nowhereWaitMilliseconds = 200;
    QTimer m_nowhere;
    DialogOpener m_returning;
    QElapsedTimer m_returnDeadline;
    bool m_returnScheduled = false;
    bool m_fieldGivenBack = false;
};

Window::Window(const QRectF& contentRect, unsigned styleMask) : QWidget(nullptr), m_styleMask(styleMask)
{
    WindowFocusTracker::ensureStarted();
    liveWindows().append(this);
    setWindowFlags(wantedFlags());
    m_contentView = new View(QRectF(QPointF(0, 0), sanitized(contentRect).size()), this);
    setFrame(contentRect, false);
}

Window::~Window()
{
    liveWindows().removeAll(this);
    stopFade();
    // Child windows belong to whoever made them: they are set free, not
    // deleted with their parent as Qt children would be.
    const QList<Window*> children = childWindows();
    for (Window* child : children) detachChildWindow(child, false);
    if (m_parentWindow) {
        m_parentWindow->m_childWindows.removeAll(this);
        // A sheet deleted while shown ends without its completion.
        if (m_parentWindow->m_attachedSheet == this) {
            m_parentWindow->m_attachedSheet = nullptr;
            m_parentWindow->m_sheetCompletion = nullptr;
        }
    }
}

// --- content and look -------------------------------------------------------

void Window::setContentView(View* view)
{
    if (view == m_contentView && view) return;
    View* old = m_contentView;
    m_contentView = view ? view : new View(this);
    if (m_contentView->parentWidget() != this) m_contentView->setParent(this);
    layOutContentView();
    m_contentView->show();
    if (old) {
        old->hide();
        old->deleteLater();
    }
}

View* Window::replaceContentView(View* view)
{
    View* old = m_contentView;
    if (view == old) return nullptr;
    m_contentView = view ? view : new View(this);
    if (m_contentView->parentWidget() != this) m_contentView->setParent(this);
    layOutContentView();
    m_contentView->show();
    if (old) old->hide();
    return old;
}

void Window::setToolbarView(View* toolbar)
{
    if (toolbar == m_toolbarView) return;
    if (m_toolbarView) m_toolbarView->deleteLater();
    m_toolbarView = toolbar;
    if (m_toolbarView) {
        m_toolbarView->setParent(this);
        m_toolbarView->show();
    }
    layOutContentView();
}

void Window::setStyleMask(unsigned mask)
{
    m_styleMask = mask;
    applyFlags();
}

void Window::setOpaque(bool opaque)
{
    m_opaque = opaque;
    setAttribute(Qt::WA_TranslucentBackground, !opaque);
    setAttribute(Qt::WA_NoSystemBackground, !opaque);
    update();
}

void Window::setBackgroundImage(const QImage& image)
{
    m_backgroundImage = image;
    update();
}

void Window::setBackgroundBrush(const QBrush& brush)
{
    m_backgroundBrush = brush;
    update();
}

void Window::paintEvent(QPaintEvent*)
{
    if (m_backgroundImage.isNull() && m_backgroundBrush.style() == Qt::NoBrush) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!m_opaque) {
        // What lies under a shaped window must show through its corners.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (!m_backgroundImage.isNull())
        painter.drawImage(QRectF(rect()), m_backgroundImage);
    else
        painter.fillRect(rect(), m_backgroundBrush);
}

// --- geometry ---------------------------------------------------------------

QRectF Window::frame() const
{
    const QRect qt = geometry();
    if (qt == roundedQtGeometry(m_frame)) return m_frame;
    return Screen::fromQt(QRectF(qt));
}

void Window::setFrame(const QRectF& newFrame, bool display)
{
    if (m_frameAnimation) {
        QPropertyAnimation* running = m_frameAnimation;
        m_frameAnimation = nullptr;
        running->stop();
        running->deleteLater();
    }
    m_frame = sanitized(newFrame);
    const QRect geometry = roundedQtGeometry(m_frame);
    // Windows that set Qt's limits themselves keep them.
    if (m_hasSizeLimits) applySizeLimits(geometry.size());
    setGeometry(geometry);
    layOutContentView();
    if (display) {
        update();
        m_contentView->update();
    }
}

void Window::setFrameOrigin(const QPointF& origin)
{
    setFrame(QRectF(origin, frame().size()));
}

void Window::setContentSize(const QSizeF& size)
{
    const QRectF current = frame();
    const QSizeF wanted(std::max(0.0, finiteOrZero(size.width())), std::max(0.0, finiteOrZero(size.height())));
    setFrame(QRectF(current.x(), current.y() + current.height() - wanted.height(), wanted.width(), wanted.height()));
}

QRectF Window::sheetFrame(const QRectF& parentFrame, const QSizeF& sheetSize)
{
    // A sheet is part of its window: one wider would hang past both its
    // edges, so it is narrowed to the window (its content follows the
    // autoresizing of its views).
    const double width = std::min(sheetSize.width(), std::max(0.0, parentFrame.width()));
    const double x = parentFrame.x() + (parentFrame.width() - width) / 2;
    const double y = parentFrame.y() + parentFrame.height() - sheetSize.height();
    return QRectF(x, y, width, sheetSize.height());
}

void Window::center()
{
    const QRectF current = frame();
    setFrame(Screen::centredIn(current.size(), Screen::visibleFrameFor(current)));
}

QRectF Window::constrainFrameRect(const QRectF& frame)
{
    return Screen::keptInside(frame, Screen::visibleFrameFor(frame));
}

QMarginsF Window::decorationMargins() const
{
    if (!(m_styleMask & TitledWindowMask)) return {};
    // The manager's last word on a titled window: a window not shown yet
    // will most likely get the same.
    static QMarginsF lastReported;
    if (windowHandle() && isVisible()) {
        const QMarginsF reported = windowHandle()->frameMargins();
        if (!reported.isNull()) lastReported = reported;
        return reported.isNull() ? lastReported : reported;
    }
    return lastReported;
}

QRectF Window::frameAreaWithin(const QRectF& area) const
{
    // Our y goes up: the title bar (Qt's top margin) lies above the frame.
    const QMarginsF m = decorationMargins();
    return QRectF(area.x() + m.left(), area.y() + m.bottom(), std::max(0.0, area.width() - m.left() - m.right()),
                  std::max(0.0, area.height() - m.top() - m.bottom()));
}

void Window::keepDecorationsInside()
{
    if (!m_keepsDecorationsInside || !isVisible() || !windowHandle() || windowHandle()->frameMargins().isNull())
        return;
    const QRectF current = frame();
    const QRectF area = frameAreaWithin(Screen::visibleFrameFor(current));
    if (!area.isEmpty() && !area.contains(current)) setFrame(Screen::keptInside(current, area));
}

void Window::layOutContentView()
{
    // The window's whole pixels: a fractional content frame would round to a
    // view a pixel off the window's edges.
    // Set even when the frame stays: a view outside any view places itself
    // from its parent's height, which the window has just changed.
    double top = 0;
    if (m_toolbarView) {
        top = std::min(double(height()), std::round(m_toolbarView->frame().height()));
        // Views directly in the window count y from its bottom.
        m_toolbarView->setFrame(QRectF(0, height() - top, width(), top));
    }
    if (m_contentView) m_contentView->setFrame(QRectF(0, 0, width(), std::max(0.0, height() - top)));
}

// Qt repeats move and resize events (on showing a window again, on a
// geometry set to what it was): the delegate hears only of real changes.
void Window::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutContentView();
    if (size() == m_reportedGeometry.size()) return;
    m_reportedGeometry.setSize(size());
    if (m_delegate) m_delegate->windowDidResize(this);
}

void Window::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (pos() == m_reportedGeometry.topLeft()) return;
    m_reportedGeometry.moveTopLeft(pos());
    if (m_delegate) m_delegate->windowDidMove(this);
}

void Window::setMinSize(const QSizeF& size)
{
    m_minSize = size;
    m_hasSizeLimits = true;
    applySizeLimits(geometry().size());
}

void Window::setMaxSize(const QSizeF& size)
{
    m_maxSize = size;
    m_hasSizeLimits = true;
    applySizeLimits(geometry().size());
}

// Qt holds every geometry inside the widget's limits, the program's too: the
// limits given to Qt are widened to the size being kept, so only the user's
// resizing meets them.
void Window::applySizeLimits(const QSize& keep)
{
    QSize minimum(0, 0);
    QSize maximum(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (m_minSize.width() > 0) minimum.setWidth(std::min(int(std::ceil(m_minSize.width())), keep.width()));
    if (m_minSize.height() > 0) minimum.setHeight(std::min(int(std::ceil(m_minSize.height())), keep.height()));
    if (m_maxSize.width() > 0) maximum.setWidth(std::max(int(std::floor(m_maxSize.width())), keep.width()));
    if (m_maxSize.height() > 0) maximum.setHeight(std::max(int(std::floor(m_maxSize.height())), keep.height()));
    if (minimumSize() != minimum) setMinimumSize(minimum);
    if (maximumSize() != maximum) setMaximumSize(maximum);
}

bool Window::performClose()
{
    const QPointer<Window> alive(this);
    if (m_delegate && !m_delegate->windowShouldClose(this)) return false;
    // The delegate may have closed it while answering: it closes once.
    if (!alive || !isVisible()) return true;
    m_closeAsked = true;
    const bool closed = close();
    m_closeAsked = false;
    return closed;
}

bool Window::cancelOperation()
{
    // A popover over this window backs out first, whether or not it took
    // the keyboard (one without a field never does).
    for (qsizetype index = m_childWindows.size() - 1; index >= 0; --index) {
        const QPointer<Window> child = m_childWindows.at(index);
        if (child && child->isVisible() && child->m_cancelAction) return child->cancelOperation();
    }
    if (m_cancelAction) {
        // A copy: the action may replace itself or close the window.
        const std::function<void()> action = m_cancelAction;
        action();
        return true;
    }
    if (m_isSheet) {
        // A sheet's cancel is its button titled with the cancel text.
        const QString cancel = TextTable::localizedString(QStringLiteral("cancelText"));
        for (Button* button : findChildren<Button*>()) {
            if (button->title() == cancel && button->isVisible() && button->isEnabled()) {
                button->performClick();
                return true;
            }
        }
        return false;
    }
    if (!(m_styleMask & ClosableWindowMask) || Application::mainWindow() == this) return false;
    performClose();
    return true;
}

void Window::keyPressEvent(QKeyEvent* event)
{
    // Only the key that reached the window: every view under the focus let
    // it go, so none wanted Escape for itself.
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & ~Qt::KeypadModifier) && isVisible() &&
        cancelOperation()) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Window::closeEvent(QCloseEvent* event)
{
    // The user's close (the window manager's) is asked about first; the
    // delegate may close the window itself while it answers.
    if (event->spontaneous() && !m_closeAsked && m_delegate) {
        const QPointer<Window> alive(this);
        m_closeAsked = true;
        const bool should = m_delegate->windowShouldClose(this);
        if (!alive) return;
        m_closeAsked = false;
        if (!should) {
            event->ignore();
            return;
        }
    }
    if (m_delegate) m_delegate->windowWillClose(this);
    stopFade();
    QWidget::closeEvent(event);
}

// --- flags, levels and child windows -----------------------------------------

Qt::WindowFlags Window::wantedFlags() const
{
    Qt::WindowFlags flags;
    if (m_isSheet) flags = Qt::Dialog;
    else if (m_styleMask & UtilityWindowMask) flags = Qt::Tool;
    else flags = Qt::Window;
    if (m_styleMask & TitledWindowMask) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (m_styleMask & ClosableWindowMask) flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
        if (m_styleMask & MiniaturizableWindowMask) flags |= Qt::WindowMinimizeButtonHint;
        if (m_styleMask & ResizableWindowMask) flags |= Qt::WindowMaximizeButtonHint;
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    if (m_level == Level::Status) flags |= Qt::WindowStaysOnTopHint;
    if (!canBecomeKeyWindow()) flags |= Qt::WindowDoesNotAcceptFocus;
    return flags;
}

void Window::applyFlags()
{
    const Qt::WindowFlags flags = wantedFlags();
    if (flags == windowFlags()) return;
    // A window that has its native window and keeps its kind only changes
    // its hints (a level, the focus it takes) in place: made again, it
    // would lose the press that is bringing it forward.
    QWindow* native = windowHandle();
    if (native && testAttribute(Qt::WA_WState_Created)
        && (flags & Qt::WindowType_Mask) == (windowFlags() & Qt::WindowType_Mask)) {
        overrideWindowFlags(flags);
        native->setFlags(flags);
        return;
    }
    // Qt hides a window whose flags change: put it back where it was, with
    // the focus if it had it.
    const bool wasVisible = isVisible();
    const bool hadFocus = wasVisible && windowHandle() && QGuiApplication::focusWindow() == windowHandle();
    const QRect geometry = this->geometry();
    setWindowFlags(flags);
    setGeometry(geometry);
    if (!wasVisible) return;
    show();
    if (hadFocus && canBecomeKeyWindow()) activateWindow();
}

void Window::setVisible(bool visible)
{
    // Virtual answers (canBecomeKeyWindow) are known only once the object is
    // whole: the flags are settled before every showing.
    if (visible && !isVisible()) applyFlags();
    if (!visible) stopFade();
    const bool givesKeyBack = !visible && isVisible() && windowHandle() &&
                              QGuiApplication::focusWindow() == windowHandle();
    const bool showing = visible && !isVisible();
    QWidget::setVisible(visible);
    if (givesKeyBack) returnKey();
    if (showing && m_keepsDecorationsInside) {
        // The manager tells the decorations' size only once it has framed
        // the window: asked again a few times while it does.
        const QPointer<Window> self(this);
        for (const int after : {0, 50, 150, 400, 1000})
            QTimer::singleShot(after, this, [self] {
                if (self) self->keepDecorationsInside();
            });
    }
}

// A window that held the keyboard and goes (a sheet, a popover, a panel)
// hands it back to the window it took it from, while that one is still
// shown: otherwise nobody (or, under a window manager, whoever it picks)
// would get the keys the user types next.
void Window::returnKey()
{
    Window* target = m_returnKeyTo;
    m_returnKeyTo = nullptr;
    if (!target || target == this || !target->isVisible() || !target->canBecomeKeyWindow()) return;
    const QWindow* focus = QGuiApplication::focusWindow();
    if (focus && focus != windowHandle()) return;  // someone else has it already
    target->activateWindow();
}

void Window::setLevel(Level level)
{
    if (m_level == level) return;
    m_level = level;
    applyFlags();
}

void Window::addChildWindow(Window* child, Ordering ordering)
{
    if (!child || child == this) return;
    for (const Window* ancestor = this; ancestor; ancestor = ancestor->m_parentWindow)
        if (ancestor == child) {
            qWarning("Not adding a window as a child of its own child window.");
            return;
        }
    if (ordering == Ordering::Below)
        qWarning("A child window cannot be kept below its parent here; it is kept above.");
    if (child->m_parentWindow == this) return;
    if (child->m_parentWindow) child->m_parentWindow->removeChildWindow(child);
    const bool wasVisible = child->isVisible();
    const QRect geometry = child->geometry();
    // A Qt parent makes the child transient for this window: the window
    // manager keeps it above, and it is part of this window for the focus.
    child->setParent(this, child->wantedFlags());
    child->setGeometry(geometry);
    child->m_parentWindow = this;
    m_childWindows.append(child);
    if (wasVisible) {
        child->show();
        child->raise();
    }
}

void Window::removeChildWindow(Window* child)
{
    detachChildWindow(child, true);
}

void Window::detachChildWindow(Window* child, bool keepShown)
{
    if (!child || child->m_parentWindow != this) return;
    m_childWindows.removeAll(child);
    child->m_parentWindow = nullptr;
    const bool wasVisible = child->isVisible();
    const QRect geometry = child->geometry();
    child->setParent(nullptr, child->wantedFlags());
    child->setGeometry(geometry);
    if (wasVisible && keepShown) child->show();
}

QList<Window*> Window::childWindows() const
{
    QList<Window*> windows;
    windows.reserve(m_childWindows.size());
    for (const QPointer<Window>& child : m_childWindows)
        if (child) windows.append(child);
    return windows;
}

void Window::raiseChildWindows()
{
    for (Window* child : childWindows()) {
        if (!child->isVisible()) continue;
        child->raise();
        child->raiseChildWindows();
    }
}

void Window::beginSheet(Window* sheet, std::function<void(int)> completion)
{
    if (!sheet || sheet == this) return;
    if (m_attachedSheet) {
        qWarning("A window shows one sheet at a time: the new sheet is refused.");
        if (completion) completion(-1);
        return;
    }
    m_attachedSheet = sheet;
    m_sheetCompletion = std::move(completion);
    sheet->hide();
    sheet->m_isSheet = true;
    addChildWindow(sheet);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setFrame(sheetFrame(frame(), sheet->frame().size()));
    sheet->makeKeyAndOrderFront();
}

void Window::endSheet(Window* sheet, int returnCode)
{
    if (!sheet || sheet != m_attachedSheet) {
        qWarning("Ending a sheet that is not this window's: ignored.");
        return;
    }
    sheet->orderOut();
    removeChildWindow(sheet);
    sheet->setWindowModality(Qt::NonModal);
    sheet->m_isSheet = false;
    m_attachedSheet = nullptr;
    std::function<void(int)> completion = std::move(m_sheetCompletion);
    m_sheetCompletion = nullptr;
    if (completion) completion(returnCode);
}

// --- ordering and focus -------------------------------------------------------

void Window::orderFront()
{
    show();
    raise();
    // Without a window manager nothing keeps child windows above: do it here.
    raiseChildWindows();
}

void Window::makeKeyAndOrderFront()
{
    orderFront();
    if (canBecomeKeyWindow()) activateWindow();
}

void Window::orderOut()
{
    hide();
}

void Window::setKey(bool key)
{
    if (m_key == key) return;
    m_key = key;
    if (!m_delegate) return;
    if (key) m_delegate->windowDidBecomeKey(this);
    else m_delegate->windowDidResignKey(this);
}

// --- alpha and fades ------------------------------------------------------------

void Window::setAlphaValue(double alpha)
{
    stopFade();
    setWindowOpacity(std::clamp(finiteOrZero(alpha), 0.0, 1.0));
}

void Window::fadeAlphaTo(double alpha, double seconds, std::function<void()> completion)
{
    stopFade();
    const double target = std::clamp(finiteOrZero(alpha), 0.0, 1.0);
    const double length = std::max(0.0, finiteOrZero(seconds)) * durationScale();
    if (length <= 0) {
        setWindowOpacity(target);
        if (completion) completion();
        return;
    }
    auto* animation = new QPropertyAnimation(this, "windowOpacity", this);
    animation->setStartValue(windowOpacity());
    animation->setEndValue(target);
    animation->setDuration(std::max(1, int(std::lround(length * 1000))));
    m_fade = animation;
    connect(animation, &QPropertyAnimation::finished, this, [this, animation, completion = std::move(completion)] {
        if (m_fade == animation) m_fade = nullptr;
        animation->deleteLater();
        if (completion) completion();
    });
    animation->start();
}

void Window::animateFrame(const QRectF& target, double seconds)
{
    const double length = std::max(0.0, finiteOrZero(seconds)) * durationScale();
    if (length <= 0 || !isVisible()) {
        setFrame(target);
        return;
    }
    const QRect start = geometry();
    const QRectF end = sanitized(target);
    setFrame(frame());  // stops a running one where it is
    auto* animation = new QPropertyAnimation(this, "geometry", this);
    animation->setStartValue(start);
    animation->setEndValue(roundedQtGeometry(end));
    animation->setDuration(std::max(1, int(std::lround(length * 1000))));
    m_frameAnimation = animation;
    connect(animation, &QPropertyAnimation::finished, this, [this, animation, end] {
        if (m_frameAnimation != animation) return;
        m_frameAnimation = nullptr;
        animation->deleteLater();
        setFrame(end);
    });
    animation->start();
}

bool Window::isAnimatingFrame() const
{
    return m_frameAnimation && m_frameAnimation->state() == QAbstractAnimation::Running;
}

bool Window::isFading() const
{
    return m_fade && m_fade->state() == QAbstractAnimation::Running;
}

void Window::stopFade()
{
    if (!m_fade) return;
    QPropertyAnimation* animation = m_fade;
    m_fade = nullptr;
    // Stopping emits no finished(): the replaced completion is dropped.
    animation->disconnect(this);
    animation->stop();
    animation->deleteLater();
}

void Window::setAnimationDurationScale(double scale)
{
    durationScale() = std::max(0.0, finiteOrZero(scale));
}

double Window::animationDurationScale()
{
    return durationScale();
}

void Window::setUpdatesSuspended(bool suspended)
{
    if (suspended) {
        ++m_updateSuspensions;
    } else if (m_updateSuspensions > 0) {
        --m_updateSuspensions;
    } else {
        qWarning("Resuming the updates of a window that was not suspended: ignored.");
        return;
    }
    setUpdatesEnabled(m_updateSuspensions == 0);
}

// --- panel ----------------------------------------------------------------------

Panel::Panel(const QRectF& contentRect, unsigned styleMask) : Window(contentRect, styleMask | UtilityWindowMask) {}
