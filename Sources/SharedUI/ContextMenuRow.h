#pragma once

#include "ModelTypes.h"

#include <QString>
#include <QtGlobal>

#include <functional>

// The view a context menu was opened on: it answers the command it carries
// for an action name ("deleteTask:"), or none when it has no such command,
// and the row then shows greyed like a row the rules left without action.
using MenuTarget = std::function<std::function<void()>(const QString& action)>;

// One row of a context menu as data, before any text is looked up.
struct ContextMenuRow {
    QString titleKey;  // the text table's key of the title
    QString action;    // the command the row stands for, as its action name
    // The rules allow the command. A row they do not allow stays in the menu
    // without action, so the user sees it greyed and cannot choose it.
    bool enabled = true;
    int tag = 0;
    // The target's command, only when the row is enabled and a target that
    // carries the action was given.
    std::function<void()> callable;

    bool operator==(const ContextMenuRow& other) const
    {
        return titleKey == other.titleKey && action == other.action && enabled == other.enabled && tag == other.tag;
    }
};

// What the item and note menus read of the data manager, gathered once so
// that the rules are pure functions of the item and these answers.
struct ContextMenuFacts {
    bool hasNoteInLinks = false;  // an active link joins the item (or its series) to a note
    TaskPtr copiedItem;           // put aside by the copy-to-make-link command
    quint64 firstDoTodayTaskOder = 0;
    // An active link joins the two series keys, in either direction. None:
    // no link is known.
    std::function<bool(qint64, qint64)> areLinked;
};
