#include "TagViewController.h"

#include "CategoryPopovers.h"
#include "Popover.h"
#include "PopoverListView.h"
#include "TextTable.h"

TagViewController::TagViewController(QObject* parent) : QObject(parent) {}

TagViewController::~TagViewController() = default;

void TagViewController::tagViewPopOverAtPositionView(View* view)
{
    CategoryPopovers::showBelow(m_popover, this, TextTable::localizedString(QStringLiteral("tagFilterTitle")), view);
}

PopoverListView* TagViewController::contentView() const
{
    return m_popover ? static_cast<PopoverListView*>(m_popover->contentView()) : nullptr;
}
