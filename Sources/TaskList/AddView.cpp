#include "AddView.h"

#include "SegmentedControl.h"
#include "TextTable.h"

AddView::AddView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_menuSegmentedControl = new SegmentedControl(QRectF(), this);
    const QString labels[] = {TextTable::localizedString(QStringLiteral("eventText")),
                              TextTable::localizedString(QStringLiteral("taskText")),
                              TextTable::localizedString(QStringLiteral("noteText")),
                              TextTable::localizedString(QStringLiteral("projectText"))};
    const int tags[] = {EventEditor, TaskEditor, NoteEditor, ProjectEditor};
    m_menuSegmentedControl->setSegmentCount(4);
    for (int i = 0; i < 4; ++i) {
        m_menuSegmentedControl->setLabel(labels[i], i);
        m_menuSegmentedControl->setTag(tags[i], i);
    }
    m_menuSegmentedControl->setTarget(this, [this](SegmentedControl* control) { menuControl(control); });
    // The editors come with the quick-add form; until then the switch keeps
    // its state without showing.
    m_menuSegmentedControl->hide();
}

AddView::~AddView() = default;

void AddView::changeModeNote()
{
    m_noteMode = !m_noteMode;
}

void AddView::menuControl(QObject*)
{
    const int segment = m_menuSegmentedControl->selectedSegment();
    m_shownEditor = segment < 0 ? -1 : m_menuSegmentedControl->tagForSegment(segment);
}
