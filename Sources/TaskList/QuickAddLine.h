#pragma once

#include <QString>

// One typed line of the quick-add bar or the quick create popover, split
// into its kind prefix and the name that follows it.
struct QuickAddLine {
    // The prefix that matched: 't' (task), 'n' (note), 'e' (event), or 0
    // when the line has none and its kind comes from the chosen tab.
    char prefix = 0;
    // The line without its prefix and the blanks after it: "#t  Call"
    // gives "Call", and "#t" alone leaves nothing: the caller names such an
    // item with its untitled text.
    QString text;
};

// Trims spaces and tabs (not line breaks) at both ends and takes off the
// first of "#t", "#n", "#e" that starts the line, with the spaces and tabs
// that follow it. The match is
// case-sensitive: "#T" or "#x" stay part of the name.
QuickAddLine parseQuickAddLine(const QString& typed);
