#pragma once

// What the event and task editors and their rows share: the title's sizes,
// the divider colour, the font and the two reads every form makes.
#include "CoreData.h"
#include "Font.h"
#include "PopUpButton.h"
#include "Setting.h"

#include <QColor>

inline constexpr double titleLineHeight = 18;
inline constexpr double maximumTitleHeight = 72;
inline const QColor lineColor(211, 211, 211);

inline Font lucida(double size)
{
    return Font::fontWithName(QStringLiteral("Lucida Grande"), size);
}

// The data manager's settings record, or null before there is one.
inline SettingPtr currentSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : SettingPtr();
}

// The tag of a pop-up's selected item; 0 when nothing is selected.
inline int selectedTag(const PopUpButton* popUp)
{
    const PopUpItem* item = popUp ? popUp->selectedItem() : nullptr;
    return item ? item->tag : 0;
}
