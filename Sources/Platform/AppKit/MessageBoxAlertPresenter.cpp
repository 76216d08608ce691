#include "MessageBoxAlertPresenter.h"

#include "Application.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "Screen.h"
#include "TextTable.h"
#include "TrayStatusItem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

QMessageBox::Icon iconOf(AlertStyle style)
{
    switch (style) {
    case AlertStyle::Informational: return QMessageBox::Information;
    case AlertStyle::Critical: return QMessageBox::Critical;
    case AlertStyle::Warning: break;
    }
    return QMessageBox::Warning;
}

QComboBox* popUpOf(const AlertRequest& request, QWidget* parent)
{
    auto* popUp = new QComboBox(parent);
    popUp->setAccessibleName(request.accessoryTitle);
    for (const AlertChoice& choice : request.accessoryChoices) popUp->addItem(choice.title, choice.tag);
    popUp->setCurrentIndex(std::max(0, popUp->findData(request.accessoryChosenTag)));
    return popUp;
}

// The message box has no place for a view of ours: the pop-up goes into its
// grid between the texts and the buttons, moving the buttons one row down.
// Called after every setter, since some of them rebuild the grid.
void placeUnderTexts(QMessageBox& box, QWidget* accessory)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttons = box.findChild<QDialogButtonBox*>();
    const int buttonsIndex = grid && buttons ? grid->indexOf(buttons) : -1;
    if (buttonsIndex < 0) {
        box.layout()->addWidget(accessory);
        return;
    }
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(buttonsIndex, &row, &column, &rowSpan, &columnSpan);
    // Under the texts, in their column.
    int textColumn = 1;
    if (auto* text = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        int textRow = 0, textRowSpan = 0, textColumnSpan = 0;
        if (const int textIndex = grid->indexOf(text); textIndex >= 0)
            grid->getItemPosition(textIndex, &textRow, &textColumn, &textRowSpan, &textColumnSpan);
    }
    grid->removeWidget(buttons);
    grid->addWidget(accessory, row, textColumn, 1, 1, Qt::AlignLeft);
    grid->addWidget(buttons, row + 1, column, rowSpan, columnSpan);
}

class AlertBox;
QWindow* innermostProgramModalWindowBesides(const AlertBox* box);

// A message box that, attached, moves under its window's top once it knows
// its own size: the box sizes itself in its show event, and the window
// system shows it only after that event, so it never appears elsewhere first.
class AlertBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

    bool wasStopped() const { return m_stopped; }
    void stop()
    {
        m_stopped = true;
        done(0);
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        // Modal to the whole program, it would take the tray's menu with the
        // rest: the person can always quit.
        if (!anchor()) TrayStatusItem::keepClickableOver(windowHandle());
        if (!anchor()) return;
        placeUnderAnchor();
        // The window manager tells the size of its title bar only once it
        // has framed the box, and may put the frame where the box's content
        // was asked for: looked at again a few times while it does.
        const QPointer<AlertBox> self(this);
        for (const int after : {0, 50, 150, 400, 1000, 2000})
            QTimer::singleShot(after, this, [self] {
                if (self && self->isVisible()) self->placeUnderAnchor();
            });
    }

    void hideEvent(QHideEvent* event) override
    {
        // The tray goes to the alert under this one, if any is still open.
        if (!anchor()) TrayStatusItem::keepClickableOver(innermostProgramModalWindowBesides(this));
        QMessageBox::hideEvent(event);
    }

private:
    QWidget* anchor() const { return windowModality() == Qt::WindowModal ? parentWidget() : nullptr; }

    // Title bar and all inside the usable area (never under a panel's
    // strip), as near as it fits to its place under the window's top.
    void placeUnderAnchor()
    {
        QWidget* window = anchor();
        if (!window) return;
        const QRectF frame = MessageBoxAlertPresenter::attachedFrame(Screen::fromQt(QRectF(window->geometry())),
                                                                    QSizeF(frameGeometry().size()));
        QRect wanted = Screen::toQt(frame).toRect();
        if (const QScreen* screen = window->screen()) {
            const QRect area = screen->availableGeometry();
            wanted.moveLeft(std::clamp(wanted.left(), area.left(), std::max(area.left(), area.right() - wanted.width() + 1)));
            wanted.moveTop(std::clamp(wanted.top(), area.top(), std::max(area.top(), area.bottom() - wanted.height() + 1)));
        }
        // Until the manager has told its title bar's size, Qt takes the box's
        // content for its frame: the content goes where the last framed box
        // had its own, so the title bar does not first show above it.
        const QMargins known = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        if (!known.isNull()) lastMargins() = known;
        const QPoint at = known.isNull() ? wanted.topLeft() + QPoint(lastMargins().left(), lastMargins().top())
                                         : wanted.topLeft();
        if (frameGeometry().topLeft() != at) move(at);
    }

    static QMargins& lastMargins()
    {
        static QMargins margins;
        return margins;
    }

    bool m_stopped = false;
};

// The alerts open now, innermost last (an alert raised inside another's
// loop, by a timer, runs on top of it). Main thread only; the count is for
// the other threads.
std::vector<QPointer<AlertBox>>& runningBoxes()
{
    static std::vector<QPointer<AlertBox>> boxes;
    return boxes;
}

std::atomic<int> runningCount{0};

QWindow* innermostProgramModalWindowBesides(const AlertBox* box)
{
    const std::vector<QPointer<AlertBox>>& boxes = runningBoxes();
    for (auto other = boxes.rbegin(); other != boxes.rend(); ++other)
        if (*other && *other != box && (*other)->isVisible() && (*other)->windowModality() != Qt::WindowModal)
            return (*other)->windowHandle();
    return nullptr;
}

QWidget* anchorFor(const AlertRequest& request)
{
    QWidget* window = nullptr;
    if (request.attached)
        window = request.attachedTo ? qobject_cast<QWidget*>(request.attachedTo.data()) : Application::mainWindow();
    // A minimized window would hide the alert that hangs from it.
    return window && window->isVisible() && !window->isMinimized() ? window : nullptr;
}

// Runs the box and takes it off the list of running ones, whatever ends it:
// a button, stopModal, or the main window (its parent) going away with it.
void runBox(const QPointer<AlertBox>& box)
{
    runningBoxes().push_back(box);
    ++runningCount;
    box->exec();
    std::erase_if(runningBoxes(), [&](const QPointer<AlertBox>& running) { return !running || running == box; });
    --runningCount;
}

AlertResponse runOnMainThread(const AlertRequest& request)
{
    QWidget* anchor = anchorFor(request);
    QPointer<AlertBox> box = new AlertBox(anchor);
    if (anchor) box->setWindowModality(Qt::WindowModal);
    box->setIcon(iconOf(request.style));
    if (!request.iconImage.isNull())
        box->setIconPixmap(QPixmap::fromImage(request.iconImage.scaled(64, 64, Qt::KeepAspectRatio,
                                                                       Qt::SmoothTransformation)));
    box->setText(request.messageText);
    box->setInformativeText(request.informativeText);

    // Every button has the same role, so the box keeps them in the order
    // added; the answer comes from the button pressed, never its position.
    QStringList titles = request.buttonTitles;
    if (titles.isEmpty()) {
        qWarning() << "Alert without buttons, shown with OK:" << request.messageText;
        titles.append(TextTable::localizedString(QStringLiteral("okText")));
    }
    QList<QAbstractButton*> buttons;
    for (const QString& title : titles) buttons.append(box->addButton(title, QMessageBox::AcceptRole));
    // Return presses the first button, the alert's default; Escape presses
    // the one that backs out. Qt finds neither among buttons of one role, so
    // both are named.
    box->setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box->setEscapeButton(buttons.at(MessageBoxAlertPresenter::escapeButtonIndex(titles)));

    QCheckBox* suppression = nullptr;
    if (request.showsSuppressionButton) {
        suppression = new QCheckBox(TextTable::localizedString(QStringLiteral("doNotAskAgainText")));
        suppression->setChecked(request.suppressionState);
        box->setCheckBox(suppression);
    }
    QComboBox* popUp = nullptr;
    if (!request.accessoryChoices.isEmpty()) {
        popUp = popUpOf(request, box);
        placeUnderTexts(*box, popUp);
    }

    if (!request.accessoryText.isEmpty()) {
        auto* note = new QLabel(request.accessoryText, box);
        note->setWordWrap(true);
        note->setMinimumWidth(325);
        QFont italic = note->font();
        italic.setItalic(true);
        italic.setPixelSize(12);
        note->setFont(italic);
        placeUnderTexts(*box, note);
    }

    if (request.endsWhen) {
        auto* poll = new QTimer(box);
        QObject::connect(poll, &QTimer::timeout, box, [box, endsWhen = request.endsWhen] {
            if (box && !box->wasStopped() && endsWhen()) box->stop();
        });
        poll->start(100);
    }

    runBox(box);

    AlertResponse response{AlertResponse::stopped, request.suppressionState, request.accessoryChosenTag};
    if (!box) return response;  // destroyed with its window: nothing was pressed
    const qsizetype pressed = buttons.indexOf(box->clickedButton());
    if (!box->wasStopped() && pressed >= 0) response.button = AlertResponse::firstButton + static_cast<int>(pressed);
    if (suppression) response.suppressed = suppression->isChecked();
    if (popUp) response.chosenTag = popUp->currentData().toLongLong();
    delete box.data();
    return response;
}

}  // namespace

AlertResponse MessageBoxAlertPresenter::runModal(const AlertRequest& request)
{
    if (!MainQueue::isMainThread()) {
        AlertResponse response;
        MainQueue::sync([&] { response = runModal(request); });
        return response;
    }
    AlertResponse response;
    {
        const RunningScope running;
        response = runOnMainThread(request);
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAlertDidEndNotification,
                                                                        qint64(response.button));
    return response;
}

void MessageBoxAlertPresenter::stopModal()
{
    if (!MainQueue::isMainThread()) {
        MainQueue::async(&MessageBoxAlertPresenter::stopModal);
        return;
    }
    std::vector<QPointer<AlertBox>>& boxes = runningBoxes();
    while (!boxes.empty() && !boxes.back()) boxes.pop_back();
    if (!boxes.empty()) boxes.back()->stop();
}

void MessageBoxAlertPresenter::stopAll()
{
    // A copy: a stopped box leaves the list only once its loop returns.
    const std::vector<QPointer<AlertBox>> boxes = runningBoxes();
    for (auto box = boxes.rbegin(); box != boxes.rend(); ++box)
        if (*box && !(*box)->wasStopped()) (*box)->stop();
}

bool MessageBoxAlertPresenter::isRunning()
{
    return runningCount.load() > 0;
}

qsizetype MessageBoxAlertPresenter::escapeButtonIndex(const QStringList& titles)
{
    const qsizetype cancel = titles.lastIndexOf(TextTable::localizedString(QStringLiteral("cancelText")));
    return cancel >= 0 ? cancel : titles.size() - 1;
}

QRectF MessageBoxAlertPresenter::attachedFrame(const QRectF& windowFrame, const QSizeF& alertSize)
{
    // y goes up: the window's top edge is its y plus its height.
    const double windowTop = windowFrame.y() + windowFrame.height();
    return QRectF(windowFrame.center().x() - alertSize.width() / 2, windowTop - alertSize.height(), alertSize.width(),
                  alertSize.height());
}
