#include "RepeatingEditQuestion.h"

#include "TextTable.h"

AlertRequest repeatingEditQuestion(bool scheduled, bool first)
{
    // Each key written out in its call, so that the text table's check sees it.
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(scheduled ? TextTable::localizedString(QStringLiteral("onlyThisSTaskText"))
                                         : TextTable::localizedString(QStringLiteral("onlyThisEventText")));
    if (first)
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("allText")));
    else
        request.addButtonWithTitle(scheduled ? TextTable::localizedString(QStringLiteral("allFutureSTasksText"))
                                             : TextTable::localizedString(QStringLiteral("allFutureEventsText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.messageText = scheduled ? TextTable::localizedString(QStringLiteral("editingSTaskText"))
                                    : TextTable::localizedString(QStringLiteral("editingEventText"));
    if (first)
        request.informativeText = scheduled ? TextTable::localizedString(QStringLiteral("editingAllSTaskMessageText"))
                                            : TextTable::localizedString(QStringLiteral("editingAllMessageText"));
    else
        request.informativeText =
            scheduled ? TextTable::localizedString(QStringLiteral("editingAllSTaskFutureMessageText"))
                      : TextTable::localizedString(QStringLiteral("editingAllFutureMessageText"));
    return request;
}
