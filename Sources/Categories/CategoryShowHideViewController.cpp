#include "CategoryShowHideViewController.h"

#include "CategoryPopovers.h"
#include "Popover.h"
#include "PopoverListView.h"
#include "TextTable.h"

CategoryShowHideViewController::CategoryShowHideViewController(QObject* parent) : QObject(parent) {}

CategoryShowHideViewController::~CategoryShowHideViewController() = default;

void CategoryShowHideViewController::categoryShowHideViewPopOverAtPositionView(View* view)
{
    CategoryPopovers::showBelow(m_popover, this,
                                TextTable::localizedString(QStringLiteral("categoryShowHideTitle")), view);
}

PopoverListView* CategoryShowHideViewController::contentView() const
{
    return m_popover ? static_cast<PopoverListView*>(m_popover->contentView()) : nullptr;
}
