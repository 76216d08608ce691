// A plain coloured box for now: the box's drawing and handling land next.
#include "TaskView.h"
#include "DetailViewController.h"
#include "Task.h"
#include "TextField.h"
#include <QPainter>

TaskView::TaskView(const QRectF& frame, QWidget* parent) : View(frame, parent), m_initHeight(frame.height()) {}
TaskView::~TaskView() = default;
void TaskView::setTask(const TaskPtr& task) { m_task = task; }
void TaskView::setHighlight(bool h) { m_highlight = h; }
void TaskView::setIsSquareBox(bool s) { m_isSquareBox = s; }
QString TaskView::titleOfItem(const Task& t) { return t.taskName(); }
QImage TaskView::imageRepresentative() { return snapshot(); }
void TaskView::popupEditDetail() {}
void TaskView::popupLinkDetail() {}
QRectF TaskView::trackRect(bool) const { return {}; }
void TaskView::changeStartEndTime() {}
void TaskView::drawRect(QPainter& p, const QRectF&) { p.fillRect(bounds(), m_highlight ? QColor(200, 60, 60, 200) : QColor(60, 90, 200, 120)); }
void TaskView::mouseDown(const Event&) {}
void TaskView::mouseDragged(const Event&) {}
void TaskView::mouseUp(const Event&) {}
void TaskView::rightMouseDown(const Event&) {}
void TaskView::keyDown(const Event&) {}
void TaskView::cursorUpdate(const Event&) {}
void TaskView::resizeSubviewsWithOldSize(const QSizeF& s) { View::resizeSubviewsWithOldSize(s); }
