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

AlertRequest repeatingDeleteQuestion(bool scheduled, bool first, bool allDay)
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(scheduled ? TextTable::localizedString(QStringLiteral("onlyThisSTaskText"))
                                         : TextTable::localizedString(QStringLiteral("onlyThisEventText")));
    request.addButtonWithTitle(first ? TextTable::localizedString(QStringLiteral("allText"))
                               : scheduled ? TextTable::localizedString(QStringLiteral("allFutureSTasksText"))
                                           : TextTable::localizedString(QStringLiteral("allFutureEventsText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    if (scheduled) {
        request.messageText = TextTable::localizedString(QStringLiteral("deletingSTaskText"));
        request.informativeText = first ? TextTable::localizedString(QStringLiteral("deletingAllSTaskMessageText"))
                                        : TextTable::localizedString(QStringLiteral("deletingSTaskFutureMessageText"));
    } else if (allDay) {
        request.messageText = TextTable::localizedString(QStringLiteral("deletingADEText"));
        request.informativeText = QStringLiteral("%1\n%2").arg(
            first ? TextTable::localizedString(QStringLiteral("deletingAllMessageText"))
                  : TextTable::localizedString(QStringLiteral("deletingFutureMessageText")),
            TextTable::localizedString(QStringLiteral("warningRADEExceptionText")));
    } else {
        request.messageText = TextTable::localizedString(QStringLiteral("deletingEventText"));
        request.informativeText = first ? TextTable::localizedString(QStringLiteral("deletingAllMessageText"))
                                        : TextTable::localizedString(QStringLiteral("deletingFutureMessageText"));
    }
    return request;
}
