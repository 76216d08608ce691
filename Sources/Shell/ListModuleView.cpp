#include "ListModuleView.h"

#include "Button.h"
#include "CategoryListView.h"
#include "Color.h"
#include "GuruViewController.h"
#include "ImageSegmentedControl.h"
#include "NamedImages.h"
#include "NoteListView.h"
#include "TaskListView.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <QDebug>

#include <cmath>
#include <utility>

namespace {

// What the strip's ends keep of its width, outside the tabs.
constexpr double stripAllowance = 7;
// The help button stands this far in from its tab's right end and below the
// module's top.
constexpr double helpButtonInset = 20;
constexpr double helpButtonTop = 5;
// The stack of lists leaves this much below it when the module is built.
constexpr double stackBottomGap = 5;
constexpr int helpTitleSize = 12;
// The help tips open on the strip's left edge, away from the window.
constexpr int helpEdge = 0;

const QString tasksIdentifier = QStringLiteral("tasks");
const QString notesIdentifier = QStringLiteral("notes");
const QString projectsIdentifier = QStringLiteral("prjs");

QString identifierOfModule(int module)
{
    switch (module) {
    case ListModuleView::TaskModule: return tasksIdentifier;
    case ListModuleView::NoteModule: return notesIdentifier;
    case ListModuleView::ProjectModule: return projectsIdentifier;
    default: return QString();
    }
}

}  // namespace

double ListModuleView::tabWidth(double width)
{
    return std::round((width - stripAllowance) / 3);
}

ListModuleView::ListModuleView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double width = bounds().width();
    const double height = bounds().height();

    // The tab texts are the strip's own words, not looked up.
    m_tabsView = new ImageSegmentedControl(
        QRectF(0, 0, width, tabsHeight), {TaskModule, NoteModule, ProjectModule},
        {NamedImages::imageNamed(QStringLiteral("tab_task_normal")),
         NamedImages::imageNamed(QStringLiteral("tab_note_normal")),
         NamedImages::imageNamed(QStringLiteral("tab_project_normal"))},
        {NamedImages::imageNamed(QStringLiteral("tab_task_highlight")),
         NamedImages::imageNamed(QStringLiteral("tab_note_highlight")),
         NamedImages::imageNamed(QStringLiteral("tab_project_highlight"))},
        {QStringLiteral("Tasks"), QStringLiteral("Notes"), QStringLiteral("Projects")}, tabsHeight);
    m_tabsView->setTarget(this, [this](SegmentedControl* control) { menuControl(control); });
    // Qt gives a move over a widget that does not track the mouse to nobody,
    // not to its parent: the strip passes its moves on, so that the tabs'
    // tracking rectangles see the mouse and show the help buttons.
    m_tabsView->setMouseTracking(true);
    addSubview(m_tabsView);

    m_taskGuruBtn = makeGuruButton(TaskModule, &ListModuleView::guruTask);
    m_noteGuruBtn = makeGuruButton(NoteModule, &ListModuleView::guruNote);
    m_projectGuruBtn = makeGuruButton(ProjectModule, &ListModuleView::guruProject);

    m_tabView = new View(QRectF(0, tabsHeight, width, height - tabsHeight - stackBottomGap));
    m_tabView->setFlipped(true);
    m_tabView->setAutoresizingMask(ViewHeightSizable | ViewMaxYMargin);

    const QRectF listFrame(0, 0, width, height);
    m_taskListView = new TaskListView(listFrame);
    // Built before the main window shows: its opening reloads the list, and
    // the week is planned then, once.
    m_taskListView->setTypeOfView(TaskListView::mainListType, TaskListView::FirstPlan::AtFirstReload);
    m_noteListView = new NoteListView(listFrame);
    // Its rows come with the main window's opening, which reloads it.
    m_categoryListView = new CategoryListView(listFrame, nullptr, CategoryListView::FirstLoad::AtFirstReload);
    for (auto [identifier, list] : {std::pair<QString, View*>{tasksIdentifier, m_taskListView},
                                    {notesIdentifier, m_noteListView},
                                    {projectsIdentifier, m_categoryListView}}) {
        m_tabView->addSubview(list);
        list->hide();
        m_tabItems.insert(identifier, list);
    }
    addSubview(m_tabView);

    setFocusModule(TaskModule);
    ensureTrackingArea();
}

ListModuleView::~ListModuleView() = default;

Button* ListModuleView::makeGuruButton(int module, void (ListModuleView::*action)(QObject*))
{
    const double t = tabWidth(bounds().width());
    const QRectF frame(module * t - helpButtonInset, helpButtonTop, helpButtonSize, helpButtonSize);
    Button* button = UIUtilities::createButton(
        QString(), helpTitleSize, Color::black(), Qt::AlignLeft, ButtonType::Toggle, frame, this,
        [this, action](Button* sender) { (this->*action)(sender); },
        NamedImages::imageNamed(QStringLiteral("guru_icon")), QImage(), false);
    button->hide();
    button->setToolTip(TextTable::localizedString(QStringLiteral("guruTooltip")));
    addSubview(button);
    return button;
}

void ListModuleView::menuControl(QObject*)
{
    const int segment = m_tabsView->selectedSegment();
    if (segment < 0) return;
    const int tag = m_tabsView->tagForSegment(segment);
    if (tag == -1) return;
    setFocusModule(tag);
}

void ListModuleView::reloadData()
{
    switch (currentModuleShowing()) {
    case TaskModule: m_taskListView->reloadData(); break;
    case NoteModule: m_noteListView->reloadData(); break;
    case ProjectModule: m_categoryListView->reloadData(); break;
    default: break;
    }
}

void ListModuleView::setFocusModule(int module)
{
    m_tabsView->selectSegmentWithTag(module);
    const QString identifier = identifierOfModule(module);
    if (identifier.isNull()) return;
    selectTabWithIdentifier(identifier);
    m_tabsView->selectedSegmentWithIndex(module - 1);
}

int ListModuleView::currentModuleShowing() const
{
    const int segment = m_tabsView->selectedSegment();
    return segment < 0 ? -1 : m_tabsView->tagForSegment(segment);
}

void ListModuleView::selectTabWithIdentifier(const QString& identifier)
{
    for (auto it = m_tabItems.cbegin(); it != m_tabItems.cend(); ++it) it.value()->setVisible(it.key() == identifier);
    m_selectedIdentifier = identifier;
}

void ListModuleView::guruTask(QObject*)
{
    showGuru(GuruViewController::TaskListTip);
}

void ListModuleView::guruNote(QObject*)
{
    showGuru(GuruViewController::NoteListTip);
}

void ListModuleView::guruProject(QObject*)
{
    showGuru(GuruViewController::ProjectListTip);
}

void ListModuleView::showGuru(int type)
{
    // Each request gets a controller of its own; the one before goes, and
    // its popover with it.
    delete m_guruViewController;
    m_guruViewController = new GuruViewController(this);
    m_guruViewController->showGuruPopOverAtPositionView(m_tabsView, type, helpEdge);
}

QRectF ListModuleView::guruRect(int module) const
{
    const QRectF b = bounds();
    if (module < TaskModule || module > ProjectModule) return QRectF(b.x(), b.y(), b.width(), tabsHeight);
    const double t = tabWidth(frame().width());
    return QRectF(b.x() + (module - 1) * t, b.y(), t, tabsHeight);
}

void ListModuleView::ensureTrackingArea()
{
    for (int module = TaskModule; module <= ProjectModule; ++module) {
        TrackingArea& area = m_trackingAreas[module - 1];
        if (area.identifier != 0) continue;
        area.rect = guruRect(module);
        area.identifier = addTrackingRect(area.rect, module, TrackMouseEnteredAndExited);
    }
}

void ListModuleView::updateTrackingAreas()
{
    View::updateTrackingAreas();
    ensureTrackingArea();
}

QRectF ListModuleView::trackingAreaRect(int module) const
{
    if (module < TaskModule || module > ProjectModule) return QRectF();
    return m_trackingAreas[module - 1].rect;
}

void ListModuleView::showGuruButtonAt(const QPointF& point)
{
    Button* buttons[] = {m_taskGuruBtn, m_noteGuruBtn, m_projectGuruBtn};
    for (int module = TaskModule; module <= ProjectModule; ++module) {
        const QRectF tab = guruRect(module);
        // Half-open, so the line between two tabs belongs to the right one.
        if (point.x() >= tab.left() && point.x() < tab.right() && point.y() >= tab.top() && point.y() < tab.bottom()) {
            buttons[module - 1]->show();
            return;
        }
    }
}

void ListModuleView::mouseEntered(const Event& event)
{
    showGuruButtonAt(convertPointFromWindow(event.locationInWindow));
}

void ListModuleView::mouseExited(const Event& event)
{
    m_taskGuruBtn->hide();
    m_noteGuruBtn->hide();
    m_projectGuruBtn->hide();
    // Crossing from one tab onto the one before it enters the new tab's area
    // before it leaves the old one's: its button must survive that exit.
    for (const TrackingArea& area : m_trackingAreas) {
        if (area.identifier != 0 && isMouseInsideTrackingRect(area.identifier)) {
            showGuruButtonAt(convertPointFromWindow(event.locationInWindow));
            return;
        }
    }
}

void ListModuleView::resizeSubviewsWithOldSize(const QSizeF&)
{
    // The strip, the help buttons and the hover areas stay as they were
    // made; only the lists follow the module's size.
    if (!m_tabView) return;
    const QSizeF listSize(bounds().width(), bounds().height() - tabsHeight);
    m_tabView->setFrameSize(listSize);
    for (View* list : {static_cast<View*>(m_taskListView), static_cast<View*>(m_noteListView),
                       static_cast<View*>(m_categoryListView)})
        list->setFrameSize(listSize);
}
