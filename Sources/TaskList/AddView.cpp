#include "AddView.h"

#include "Common.h"
#include "EventDetailView.h"
#include "MainViewAccess.h"
#include "QuickAddView.h"
#include "SegmentedControl.h"
#include "TaskDetailView.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "VerticalNSSegmentedCell.h"

#include <QDebug>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QString tabIdentifiers[4] = {QStringLiteral("event"), QStringLiteral("task"), QStringLiteral("note"),
                                   QStringLiteral("prj")};

AddView::FormMaker& formMaker(int tag)
{
    static AddView::FormMaker makers[4];
    return makers[std::clamp(tag, 0, 3)];
}

bool isFormTag(int tag) { return tag >= 0 && tag < 4; }

}  // namespace

AddPanelForm::~AddPanelForm() = default;

void AddView::setFormMaker(EditorTag tag, FormMaker maker)
{
    if (tag != NoteEditor && tag != ProjectEditor) {
        qWarning() << "The add panel takes outside forms for notes and categories only, not for tag" << tag;
        return;
    }
    formMaker(tag) = std::move(maker);
}

AddView::AddView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    const double width = std::max(0.0, frame.width());

    m_addNewLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 0, 100, 18));
    m_addNewLabel->setStringValue(TextTable::localizedString(QStringLiteral("addNewText")));
    addSubview(m_addNewLabel);

    m_menuSegmentedControl = new SegmentedControl(QRectF());
    VerticalNSSegmentedCell::install(*m_menuSegmentedControl);
    m_menuSegmentedControl->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    const QString labels[] = {TextTable::localizedString(QStringLiteral("eventText")),
                              TextTable::localizedString(QStringLiteral("taskText")),
                              TextTable::localizedString(QStringLiteral("noteText")),
                              TextTable::localizedString(QStringLiteral("categoryText"))};
    m_menuSegmentedControl->setSegmentCount(4);
    for (int i = 0; i < 4; ++i) {
        m_menuSegmentedControl->setLabel(labels[i], i);
        m_menuSegmentedControl->setTag(i, i);
        // Each segment as wide as its own label: shared widths would cut the
        // longest one.
        const double label = TextMeasure::sizeOfText(labels[i], m_menuSegmentedControl->textFont()).width();
        m_menuSegmentedControl->setWidth(std::ceil(label) + 16, i);
    }
    const double menuWidth = std::ceil(m_menuSegmentedControl->fittingWidth());
    m_menuSegmentedControl->setFrame(QRectF(std::round((width - menuWidth) / 2), menuY, menuWidth, 20));
    m_menuSegmentedControl->setTarget(this, [this](SegmentedControl* control) { menuControl(control); });
    addSubview(m_menuSegmentedControl);

    // The pages have no tabs or border of their own: the type control above
    // is their switch. They follow the panel's height.
    m_tabView = new View(QRectF(0, pagesY, width, std::max(0.0, frame.height() - pagesY)));
    m_tabView->setFlipped(true);
    m_tabView->setAutoresizingMask(ViewHeightSizable | ViewMaxYMargin);
    addSubview(m_tabView);
    for (int tag = 0; tag < 4; ++tag) {
        m_pages[tag] = new View(QRectF(0, 0, width, formHeights[tag]));
        m_pages[tag]->setFlipped(true);
        m_pages[tag]->setHidden(true);
        m_tabView->addSubview(m_pages[tag]);
    }

    m_eventForm = new EventDetailView(QRectF(0, 0, width, formHeights[EventEditor]));
    m_eventForm->setParentView(this);
    m_pages[EventEditor]->addSubview(m_eventForm);
    m_taskForm = new TaskDetailView(QRectF(0, 0, width, formHeights[TaskEditor]));
    m_taskForm->setParentView(this);
    m_pages[TaskEditor]->addSubview(m_taskForm);
    for (const EditorTag tag : {NoteEditor, ProjectEditor}) {
        if (!formMaker(tag)) continue;
        std::unique_ptr<AddPanelForm> form = formMaker(tag)(this, QRectF(0, 0, width, formHeights[tag]));
        View* view = form ? form->view() : nullptr;
        if (!view) {
            qWarning() << "The add panel's form for tag" << tag << "came without a view";
            continue;
        }
        m_pages[tag]->addSubview(view);
        (tag == NoteEditor ? m_noteForm : m_categoryForm) = std::move(form);
    }
    m_tabView->setHidden(true);
}

AddView::~AddView() = default;

View* AddView::page(int tag) const
{
    return isFormTag(tag) ? m_pages[tag] : nullptr;
}

int AddView::shownEditor() const
{
    for (int tag = 0; tag < 4; ++tag)
        if (m_selectedTab == tabIdentifiers[tag]) return tag;
    return -1;
}

void AddView::selectTab(int tag)
{
    m_selectedTab = isFormTag(tag) ? tabIdentifiers[tag] : QString();
    for (int other = 0; other < 4; ++other)
        m_pages[other]->setHidden(other != tag);
}

void AddView::menuControl(QObject*)
{
    const int segment = m_menuSegmentedControl->selectedSegment();
    if (segment < 0) return;
    const int tag = m_menuSegmentedControl->tagForSegment(segment);
    if (!isFormTag(tag)) {
        qWarning() << "The add panel has no form for the tag" << tag;
        return;
    }
    if (m_parentView) m_parentView->beginAddTask();
    m_tabView->setHidden(false);
    switch (tag) {
    case EventEditor: addEvent(); break;
    case TaskEditor: addTask(); break;
    case NoteEditor: addNote(); break;
    default: addProject(); break;
    }
    // The note form takes the typed text as its content, so the line stays
    // as it is while that form shows.
    if (m_parentView) m_parentView->searchAndAdd()->setEditable(tag != NoteEditor);
}

void AddView::followSelectedDay()
{
    // The main view builds the bar before its month view: the forms find the
    // selected day when they are used.
    MonthView* monthView = MainViewAccess::current() ? MainViewAccess::current()->monthView() : nullptr;
    m_eventForm->setMonthView(monthView);
    m_taskForm->setMonthView(monthView);
}

void AddView::addEvent(QObject*)
{
    selectTab(EventEditor);
    followSelectedDay();
    m_eventForm->resetData();
    m_eventForm->setDefaultInfoForAddNew();
    fitForm(EventEditor);
}

void AddView::addTask(QObject*)
{
    selectTab(TaskEditor);
    followSelectedDay();
    m_taskForm->resetData();
    fitForm(TaskEditor);
}

void AddView::addNote(QObject*)
{
    selectTab(NoteEditor);
    if (m_noteForm) {
        m_noteForm->resetData();
        const QString typed = m_parentView ? m_parentView->searchAndAdd()->stringValue() : QString();
        if (!typed.isEmpty()) m_noteForm->setNoteContentText(typed);
        m_noteForm->focusToContent();
    }
    fitForm(NoteEditor);
}

void AddView::addProject(QObject*)
{
    selectTab(ProjectEditor);
    if (m_categoryForm) m_categoryForm->resetData();
    fitForm(ProjectEditor);
}

void AddView::fitForm(int tag)
{
    // The forms report their content height as it changes, 12 points less
    // than the form; the panel starts from the height each form has now.
    double height = formHeights[tag];
    if (tag == EventEditor) height = m_eventForm->frame().height();
    if (tag == TaskEditor) height = m_taskForm->frame().height();
    if (tag == NoteEditor && m_noteForm) height = m_noteForm->view()->frame().height();
    if (tag == ProjectEditor && m_categoryForm) height = m_categoryForm->view()->frame().height();
    resizeWithHeight(std::max(0.0, height - 12));
}

void AddView::setFocusModule(int tag)
{
    if (!m_menuSegmentedControl->selectSegmentWithTag(tag)) return;
    if (isFormTag(tag)) selectTab(tag);
}

void AddView::changeModeNote()
{
    m_noteMode = !m_noteMode;
    if (m_noteForm) m_noteForm->changeModeNote();
}

void AddView::resizeWithHeight(double height)
{
    if (!std::isfinite(height) || height < 0) {
        qWarning() << "The add panel ignored a form height of" << height;
        return;
    }
    if (m_parentView) m_parentView->resizeWithHeight(height + 62);
    const double width = m_tabView->frame().width();
    m_tabView->setFrameSize(QSizeF(width, height + 12));
    // The forms leave their size to the panel.
    const int shown = shownEditor();
    if (shown < 0) return;
    m_pages[shown]->setFrameSize(QSizeF(width, height + 12));
    View* form = shown == EventEditor  ? static_cast<View*>(m_eventForm)
                 : shown == TaskEditor ? static_cast<View*>(m_taskForm)
                 : shown == NoteEditor ? (m_noteForm ? m_noteForm->view() : nullptr)
                                       : (m_categoryForm ? m_categoryForm->view() : nullptr);
    if (form) form->setFrameSize(QSizeF(width, height + 12));
}

void AddView::resetData()
{
    followSelectedDay();
    m_eventForm->resetData();
    m_taskForm->resetData();
    if (m_noteForm) m_noteForm->resetData();
    if (m_categoryForm) m_categoryForm->resetData();
}

void AddView::drawRect(QPainter& painter, const QRectF&)
{
    const double width = bounds().width();
    const double height = bounds().height();
    painter.fillRect(QRectF(0, 0, width, 20), QColor(Qt::lightGray));
    const QRectF body(0, 20, width, std::max(0.0, height - 20));
    painter.fillRect(body, Common::addNewViewColor());
    painter.setPen(QColor(Qt::lightGray));
    painter.drawRect(body.adjusted(0.5, 0.5, -0.5, -0.5));
}
