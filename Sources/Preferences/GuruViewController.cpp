#include "GuruViewController.h"

#include "GuruView.h"
#include "Popover.h"
#include "TextTable.h"
#include "View.h"

#include <QDebug>

GuruViewController::GuruViewController(QObject* parent) : QObject(parent) {}

GuruViewController::~GuruViewController() = default;

QString GuruViewController::textForType(int type)
{
    switch (type) {
    case DayCalendarTip: return TextTable::localizedString(QStringLiteral("guruDayCalendarText"));
    case TaskListTip: return TextTable::localizedString(QStringLiteral("guruTaskListText"));
    case ProjectListTip: return TextTable::localizedString(QStringLiteral("guruProjectListText"));
    case NoteListTip: return TextTable::localizedString(QStringLiteral("guruNoteListText"));
    default: return TextTable::localizedString(QStringLiteral("guruGeneralText"));
    }
}

void GuruViewController::showGuruPopOverAtPositionView(View* view, int type, int position)
{
    if (!view) {
        qWarning() << "A help tip of type" << type << "was asked for beside no view; none is shown";
        return;
    }
    if (position < int(RectEdge::MinX) || position > int(RectEdge::MaxY)) {
        qWarning() << "A help tip was asked for on edge" << position << "; it shows on the left";
        position = int(RectEdge::MinX);
    }
    if (!m_popover) {
        m_popover = new Popover(this);
        m_popover->setBehavior(PopoverBehavior::Transient);
        m_guruView = new GuruView;
        m_popover->setContentView(m_guruView);
    }
    m_guruView->setText(textForType(type));
    m_shownType = type;
    m_popover->showRelativeToRect(view->bounds(), view, RectEdge(position));
}

void GuruViewController::showGuruPopOverAtPositionView(View* view, int type)
{
    // Below the view on screen, whichever way its y runs.
    const bool flipped = view && view->isFlipped();
    showGuruPopOverAtPositionView(view, type, int(flipped ? RectEdge::MaxY : RectEdge::MinY));
}
