#include "PlannerBaseItem.h"

#include "PlannerBaseView.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "Setting.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "Popover.h"
#include "ItemCommands.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "RepeatingEditQuestion.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "Task.h"
#include "TextField.h"
#include "UIUtilities.h"
#include "Utilities.h"
// The data manager's notification names (the shell has a file of the same name).
#include "../Model/Notifications.h"

#include <QDebug>
#include <QEvent>
#include <QHash>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

using PlannerItemRules::Edge;

PlannerBaseItem::PlannerBaseItem(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setAcceptsFirstResponder(true);
}

bool PlannerBaseItem::event(QEvent* event)
{
    // The view draws everything from its item, nothing from the style, and
    // a planner shows hundreds: the style's polish of each is skipped.
    if (event->type() == QEvent::Polish) return true;
    return View::event(event);
}

PlannerBaseItem::~PlannerBaseItem()
{
    m_holdTimer.invalidate();
    m_singleClickTimer.invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
}

TextField* PlannerBaseItem::taskNameLabel() const
{
    if (m_taskNameLabel) return m_taskNameLabel;
    auto* self = const_cast<PlannerBaseItem*>(this);
    TextField* label = makeTaskNameLabel();
    label->setStringValue(m_title.text);
    label->setTextFont(m_title.font);
    label->setTextColor(m_title.color);
    // The name is part of the view: presses on it are the view's, and the
    // view draws it (a planner shows hundreds of views).
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setDrawnBySuperview(true);
    self->addSubview(label);
    label->setFrame(m_title.frame);
    m_taskNameLabel = label;
    return label;
}

void PlannerBaseItem::setTitleText(const QString& text)
{
    if (m_taskNameLabel) m_taskNameLabel->setStringValue(text);
    else if (m_title.text != text) update();
    m_title.text = text;
}

void PlannerBaseItem::setTitleFont(const Font& font)
{
    if (m_taskNameLabel) m_taskNameLabel->setTextFont(font);
    else if (!(m_title.font == font)) update();
    m_title.font = font;
}

void PlannerBaseItem::setTitleColor(const QColor& color)
{
    if (m_taskNameLabel) m_taskNameLabel->setTextColor(color);
    else if (m_title.color != color) update();
    m_title.color = color;
}

void PlannerBaseItem::setTitleFrame(const QRectF& frame)
{
    if (m_taskNameLabel) m_taskNameLabel->setFrame(frame);
    else if (m_title.frame != frame) update();
    m_title.frame = frame;
}

void PlannerBaseItem::drawTitle(QPainter& painter) const
{
    if (m_taskNameLabel) {
        m_taskNameLabel->drawInSuperview(painter);
        return;
    }
    // Where Qt would place the label in this flipped view: its edges rounded
    // to whole pixels.
    const QRectF& frame = m_title.frame;
    const int left = int(std::lround(frame.x()));
    const int top = int(std::lround(frame.y()));
    const QRect place(left, top, std::max(0, int(std::lround(frame.x() + frame.width())) - left),
                      std::max(0, int(std::lround(frame.y() + frame.height())) - top));
    if (place.isEmpty()) return;
    painter.save();
    painter.translate(place.topLeft());
    // The label's own clip, which a view that cuts its name to a smaller
    // area does without: Qt sets a clip up for every glyph and state saved
    // under it, and a planner draws hundreds of names.
    if (!cutsTitleToItsArea()) painter.setClipRect(QRect(QPoint(0, 0), place.size()), Qt::IntersectClip);
    painter.setOpacity(1);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen());
    painter.setBrush(Qt::NoBrush);
    drawTitleText(painter, QRectF(QPointF(0, 0), frame.size()));
    painter.restore();
}

void PlannerBaseItem::setTask(const TaskPtr& task)
{
    m_task = task;
    m_holdTimer.invalidate();
    m_canResizeStart = true;
    m_canResizeEnd = true;
    ensureTrackingArea();
    setNeedsDisplay();
}

void PlannerBaseItem::prepareForReuse()
{
    m_holdTimer.invalidate();
    m_singleClickTimer.invalidate();
    m_lastMouseDown = 0;
    m_task = nullptr;
    m_highlight = false;
    m_isSquareBox = false;
    m_canResizeStart = true;
    m_canResizeEnd = true;
    setMovingEdge(Edge::None);
    m_edgePressFrame = QRectF();
    ensureTrackingArea();
    if (m_openMenu) m_openMenu->close();
    m_openMenu = nullptr;
    // Later: a reload may run inside one of the controller's own calls.
    if (m_detailViewController) m_detailViewController->deleteLater();
    m_detailViewController = nullptr;
    if (m_taskNameLabel) {
        m_taskNameLabel->hide();
        m_taskNameLabel->deleteLater();
        m_taskNameLabel = nullptr;
    }
    m_title = Title{};
    if (hasFocus()) clearFocus();
    if (testAttribute(Qt::WA_SetCursor)) unsetCursor();
    if (!toolTip().isEmpty()) setToolTip(QString());
    setNeedsDisplay();
}

bool PlannerBaseItem::hasOpenEditor() const
{
    const Popover* popover = m_detailViewController ? m_detailViewController->popover() : nullptr;
    return popover && popover->isShown();
}

bool PlannerBaseItem::isBusy() const
{
    return DragSource::currentSource() == this || m_isStartTimeMoving || m_isEndTimeMoving || openMenu();
}

QMenu* PlannerBaseItem::openMenu() const
{
    return m_openMenu && m_openMenu->isVisible() ? m_openMenu.data() : nullptr;
}

PlannerBaseView* PlannerBaseItem::parentView() const
{
    return m_parentView;
}

void PlannerBaseItem::setParentView(PlannerBaseView* pane)
{
    m_parentView = pane;
}

void PlannerBaseItem::setHighlight(bool highlight)
{
    if (m_highlight == highlight) return;
    m_highlight = highlight;
    setNeedsDisplay();
}

void PlannerBaseItem::setIsSquareBox(bool isSquareBox)
{
    m_isSquareBox = isSquareBox;
    setNeedsDisplay();
}

void PlannerBaseItem::setCanResizeStart(bool can)
{
    m_canResizeStart = can;
    ensureTrackingArea();
}

void PlannerBaseItem::setCanResizeEnd(bool can)
{
    m_canResizeEnd = can;
    ensureTrackingArea();
}

PlannerItemRules::ItemFacts PlannerBaseItem::itemKind() const
{
    if (!m_task) return {-1, false, false};
    return {m_task->taskType(), m_task->isADE() != 0, m_task->isShared()};
}

void PlannerBaseItem::setMovingEdge(Edge edge)
{
    m_isStartTimeMoving = edge == Edge::Start;
    m_isEndTimeMoving = edge == Edge::End;
}

Edge PlannerBaseItem::movingEdge() const
{
    return m_isStartTimeMoving ? Edge::Start : m_isEndTimeMoving ? Edge::End : Edge::None;
}

QImage PlannerBaseItem::imageRepresentative()
{
    return snapshot();
}

QRectF PlannerBaseItem::trackRect(int index) const
{
    return PlannerItemRules::trackRect(bounds().size(), index);
}

// The strips of the edges this item may move; tracking number = strip index.
void PlannerBaseItem::ensureTrackingArea()
{
    // The new strips go in before the old ones leave: the view's mouse
    // tracking stays on instead of going off and on again (an event each
    // way, for every view a reload gives an item).
    const int oldStart = std::exchange(m_startTrackingArea, 0);
    const int oldEnd = std::exchange(m_endTrackingArea, 0);
    const unsigned options = TrackCursorUpdate | TrackMouseEnteredAndExited;
    const PlannerItemRules::ItemFacts kind = itemKind();
    if (const int strip = PlannerItemRules::edgeStripOf(kind, Edge::Start); m_canResizeStart && strip >= 0)
        m_startTrackingArea = addTrackingRect(trackRect(strip), strip, options);
    if (const int strip = PlannerItemRules::edgeStripOf(kind, Edge::End); m_canResizeEnd && strip >= 0)
        m_endTrackingArea = addTrackingRect(trackRect(strip), strip, options);
    if (oldStart) removeTrackingRect(oldStart);
    if (oldEnd) removeTrackingRect(oldEnd);
}

void PlannerBaseItem::updateTrackingAreas()
{
    ensureTrackingArea();
}

void PlannerBaseItem::cursorUpdate(const Event& event)
{
    const bool across = event.trackingNumber == int(PlannerItemRules::EdgeStrip::Left) ||
                        event.trackingNumber == int(PlannerItemRules::EdgeStrip::Right);
    setCursorShape(across ? CursorShape::ResizeLeftRight : CursorShape::ResizeUpDown);
}

void PlannerBaseItem::mouseExited(const Event&)
{
    if (!m_isStartTimeMoving && !m_isEndTimeMoving) setCursorShape(CursorShape::Arrow);
}

double PlannerBaseItem::listFontSize()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    const double size = setting ? setting->currentFontSize() : 0;
    return std::isfinite(size) && size > 0 ? size : 13;
}

PaletteColor PlannerBaseItem::paletteColor() const
{
    const CoreData* manager = CoreData::shared();
    const CalendarPtr category = manager && m_task ? manager->calendarWithPrimaryKey(m_task->calendarId()) : nullptr;
    if (!category) return {};
    return {std::clamp<qint64>(category->colorGroupId(), 0, lastGroup),
            std::clamp<qint64>(category->colorNameId(), 0, lastColor)};
}

QColor PlannerBaseItem::categoryColor(qint64 pos) const
{
    const PaletteColor palette = paletteColor();
    return Utilities::getColorInGroupID(palette.group, palette.color, pos);
}

QImage PlannerBaseItem::tintImage(double alpha, const QSizeF& size, double radius, bool highlight) const
{
    struct Look {
        PaletteColor palette;
        double alpha, width, height, radius;
        bool highlight;
        bool operator==(const Look& other) const
        {
            return palette.group == other.palette.group && palette.color == other.palette.color &&
                   alpha == other.alpha && width == other.width && height == other.height &&
                   radius == other.radius && highlight == other.highlight;
        }
    };
    // Few looks at a time; the oldest go first once the cache is full.
    static std::vector<std::pair<Look, QImage>> cache;
    constexpr size_t cacheSize = 64;
    const PaletteColor palette = paletteColor();
    const Look look{palette, alpha, size.width(), size.height(), radius, highlight};
    for (const auto& [cached, image] : cache)
        if (cached == look) return image;
    QImage image = UIUtilities::getTaskBackgroundImage(Utilities::colorInGroup(palette.group, palette.color), alpha,
                                                       size, radius, highlight);
    if (cache.size() >= cacheSize) cache.erase(cache.begin());
    cache.emplace_back(look, image);
    return image;
}

void PlannerBaseItem::drawTint(QPainter& painter, const QImage& tint)
{
    if (tint.isNull()) return;
    // Drawn one to one at a whole-pixel offset the picture needs no
    // smoothing, and with the hints on Qt fills through its thread pool and
    // waits for it: hundreds of blocks a reload.
    const bool plain = painter.deviceTransform().type() <= QTransform::TxTranslate && tint.devicePixelRatio() == 1;
    if (!plain) {
        painter.drawImage(QPointF(0, 0), tint);
        return;
    }
    const QPainter::RenderHints hints = painter.renderHints();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(QPointF(0, 0), tint);
    painter.setRenderHints(hints, true);
}

void PlannerBaseItem::autoscroll(const Event& event)
{
    if (ScrollView* scrollView = m_parentView ? m_parentView->enclosingScrollView() : nullptr)
        scrollView->autoscroll(event);
}

// ---- menu and keys -------------------------------------------------------------

Menu PlannerBaseItem::itemMenu()
{
    if (!m_task) return Menu();
    const auto target = [view = QPointer<PlannerBaseItem>(this)](const QString& action) -> std::function<void()> {
        return view ? view->commandForAction(action) : std::function<void()>();
    };
    return m_task->taskType() == 3 ? UIUtilities::createMenuForNote(target, m_task)
                                   : UIUtilities::createMenuForTaskWithTarget(target, m_task);
}

Menu PlannerBaseItem::menuForEvent(const Event&)
{
    return m_highlight ? itemMenu() : Menu();
}

void PlannerBaseItem::rightMouseDown(const Event& event)
{
    const QPointer<PlannerBaseItem> alive(this);
    if (m_parentView) m_parentView->selectItem(this);
    if (!alive || !m_task) return;
    m_openMenu = itemMenu().popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

std::function<void()> PlannerBaseItem::commandForAction(const QString& action)
{
    using Command = void (PlannerBaseItem::*)();
    static const QHash<QString, Command> commands = {
        {QStringLiteral("editTask:"), &PlannerBaseItem::popupEditDetail},
        {QStringLiteral("addPrimaryNote:"), &PlannerBaseItem::popupLinkDetail},
        {QStringLiteral("selectDone:"), &PlannerBaseItem::selectDone},
        {QStringLiteral("selectSTaskDone:"), &PlannerBaseItem::selectSTaskDone},
        {QStringLiteral("duplicateTask:"), &PlannerBaseItem::duplicateTask},
        {QStringLiteral("deleteTask:"), &PlannerBaseItem::applyDelete},
        {QStringLiteral("doToday:"), &PlannerBaseItem::doToday},
        {QStringLiteral("doNextWeek:"), &PlannerBaseItem::doNextWeek},
        {QStringLiteral("doNextMonth:"), &PlannerBaseItem::doNextMonth},
        {QStringLiteral("copyToMakeLink:"), &PlannerBaseItem::copyToMakeLink},
        {QStringLiteral("pasteToMakeLink:"), &PlannerBaseItem::pasteToMakeLink},
    };
    const Command command = commands.value(action);
    if (!command) return {};
    const QPointer<PlannerBaseItem> view(this);
    return [view, command, offered = m_task] {
        if (!view) return;
        if (view->task() != offered) {
            qWarning() << "A menu command offered for another item is not run";
            return;
        }
        (view.data()->*command)();
    };
}

void PlannerBaseItem::keyDown(const Event& event)
{
    // Every other key stops here too: a chip passes no key on.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && m_highlight) applyDelete();
}

// ---- editors ---------------------------------------------------------------------

void PlannerBaseItem::popupEditDetail()
{
    if (!m_task) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    if (m_task->taskType() == 3)
        m_detailViewController->editNote(m_task, this, this);
    else
        m_detailViewController->editTask(m_task, this);
}

void PlannerBaseItem::popupLinkDetail()
{
    if (!m_task) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->detailLink(m_task, this);
    becomeFirstResponder();
}

// ---- commands ----------------------------------------------------------------------

void PlannerBaseItem::selectDone()
{
    ItemCommands::toggleDone(m_task, this);
}

void PlannerBaseItem::duplicateTask()
{
    ItemCommands::duplicate(m_task);
}

void PlannerBaseItem::doToday()
{
    ItemCommands::doToday(m_task);
}

void PlannerBaseItem::doNextWeek()
{
    ItemCommands::doNextWeek(m_task);
}

void PlannerBaseItem::doNextMonth()
{
    ItemCommands::doNextMonth(m_task);
}

void PlannerBaseItem::copyToMakeLink()
{
    m_lastMouseDown = 0;
    ItemCommands::copyToMakeLink(m_task);
}

void PlannerBaseItem::pasteToMakeLink()
{
    m_lastMouseDown = 0;
    ItemCommands::pasteToMakeLink(m_task);
}

void PlannerBaseItem::selectSTaskDone()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = m_task;
    if (manager && item && !manager->saveChangeFromView({item}, [&] { return manager->markSTaskDone(item); }))
        qWarning() << "Scheduled task" << item->primaryKey() << "could not be marked done";
}

void PlannerBaseItem::applyDelete()
{
    // The item is held here: timers keep firing while a question is open.
    TaskPtr item = m_task;
    const QPointer<PlannerBaseItem> alive(this);
    ItemCommands::applyDelete(item, this, ItemCommands::FutureButton::AsScheduledTasks);
    if (alive && item != m_task) m_task = item;
}

// ---- the press --------------------------------------------------------------------

void PlannerBaseItem::mouseDown(const Event& event)
{
    PlannerItemRules::Press press;
    press.point = convertPointFromWindow(event.locationInWindow);
    press.size = bounds().size();
    press.item = itemKind();
    press.canResizeStart = m_canResizeStart;
    press.canResizeEnd = m_canResizeEnd;
    press.control = event.hasModifier(ControlKeyMask);
    press.timestamp = event.timestamp;
    press.lastMouseDown = m_lastMouseDown;
    press.clickCount = event.clickCount;
    const PlannerItemRules::PressOutcome outcome = PlannerItemRules::decidePress(press);
    if (outcome.contextMenu) {
        rightMouseDown(event);
        return;
    }

    const QPointer<PlannerBaseItem> alive(this);
    becomeFirstResponder();
    if (outcome.edge != Edge::None) {
        setMovingEdge(outcome.edge);
        m_edgePressFrame = frame();
        setNeedsDisplay();
    } else if (m_parentView) {
        m_parentView->selectItem(this);
        if (!alive) return;
    }

    if (outcome.click == PlannerItemRules::ClickStep::OpenWindow) {
        m_lastMouseDown = event.timestamp;
        m_singleClickTimer.invalidate();
        m_singleClickTimer = Scheduler::current().scheduleTimer(PlannerItemRules::clickWindow, false, [alive] {
            if (alive) alive->handleSingleClick();
        });
    } else if (outcome.click == PlannerItemRules::ClickStep::DoubleClick) {
        handleDoubleClick();
        if (!alive) return;
    }

    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->clearHighlightExcept(m_parentView.data());
    if (!alive) return;

    m_holdTimer.invalidate();
    if (outcome.armHold) {
        m_holdTimer = Scheduler::current().scheduleTimer(PlannerItemRules::holdInterval, false, [alive, event] {
            if (alive) alive->beginDrag(event);
        });
    }
}

void PlannerBaseItem::handleSingleClick()
{
    m_lastMouseDown = 0;
}

void PlannerBaseItem::handleDoubleClick()
{
    m_lastMouseDown = 0;
    popupEditDetail();
}

// ---- the item drag ------------------------------------------------------------------

void PlannerBaseItem::beginDrag(const Event& mouseDown)
{
    m_holdTimer.invalidate();
    if (!m_task) return;
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{m_task});
    const QImage image = imageRepresentative();
    if (image.isNull()) {
        qWarning() << "A planner item without a picture is not dragged";
        return;
    }
    const double imageHeight = image.deviceIndependentSize().height();
    if (m_parentView) {
        m_parentView->setDraggingSize(QSizeF(m_parentView->itemWidth(), imageHeight));
        m_parentView->draggingItem(this);
    }
    autoscroll(mouseDown);
    DragSource::beginDrag(this, this, std::move(payload), image, QPointF(0, imageHeight), mouseDown,
                          draggingSourceOperationMask());
}

void PlannerBaseItem::draggingEnded(const QPointF&, unsigned operation)
{
    if (operation != DragOperationNone) return;
    // Dropped nowhere: the planner lays the hidden views out again, once no
    // question is open over it.
    AlertPresenter::whenNoAlertRuns([] {
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadPlannerView(false);
    });
}

// ---- the edge commit ----------------------------------------------------------------

AlertRequest PlannerBaseItem::repeatQuestion(bool scheduled, bool firstOccurrence) const
{
    return repeatingEditQuestion(scheduled, firstOccurrence);
}

void PlannerBaseItem::mouseUp(const Event&)
{
    if (m_isStartTimeMoving || m_isEndTimeMoving) {
        // A press on an edge let go where it was changes nothing: the frame
        // would snap the edge to the grid's steps or to the chip's row.
        if (m_task && frame() != m_edgePressFrame) commitEdge();
        endEdgeDrag();
    }
    m_holdTimer.invalidate();
}

void PlannerBaseItem::commitEdge()
{
    const TaskPtr item = m_task;
    if (item->taskType() != 0) return;
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    const bool repeating = (item->parentId() == -1 && item->repeatType() != 0) || item->primaryKey() <= -2;
    // The new times and their rows are one unit: refused, the item keeps its
    // times, the person is told, and the planner lays the block out again
    // from them.
    if (!repeating) {
        if (!manager->saveChangeFromView({item}, [&] {
                changeStartEndTime();
                return manager->doEditOnlyThisOperatorWithEvent(item);
            }))
            qWarning() << "The new times of item" << item->primaryKey() << "could not be saved";
        return;
    }
    const bool first = Utilities::compareDateNoTime(item->occurrence(), item->repeatStartDate()) == 0;
    const QPointer<PlannerBaseItem> alive(this);
    const int answer = AlertPresenter::current().runModal(repeatQuestion(item->isSheduledTask(), first)).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return;
    if (!alive) return;
    const bool saved = manager->saveChangeFromView({item}, [&] {
        changeStartEndTime();
        if (answer == AlertResponse::firstButton) return manager->doEditOnlyThisOperatorWithEvent(item);
        return first ? manager->doEditAllOperatorWithEvent(item) : manager->doEditAllFutureOperatorWithEvent(item);
    });
    if (!saved) qWarning() << "The new times of item" << item->primaryKey() << "could not be saved";
}

void PlannerBaseItem::endEdgeDrag()
{
    const QPointer<PlannerBaseItem> alive(this);
    setMovingEdge(Edge::None);
    ensureTrackingArea();
    setCursorShape(CursorShape::Arrow);
    setNeedsDisplay();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, alive.data());
}
