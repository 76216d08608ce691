#include "QuickAddLine.h"

namespace {

bool isLineBlank(QChar c) { return c == u' ' || c == u'\t'; }

}  // namespace

QuickAddLine parseQuickAddLine(const QString& typed)
{
    qsizetype first = 0;
    qsizetype last = typed.size();
    while (first < last && isLineBlank(typed.at(first)))
        ++first;
    while (last > first && isLineBlank(typed.at(last - 1)))
        --last;
    const QString line = typed.mid(first, last - first);

    QuickAddLine parsed;
    parsed.text = line;
    if (line.size() >= 2 && line.at(0) == u'#') {
        const QChar kind = line.at(1);
        if (kind == u't' || kind == u'n' || kind == u'e') {
            parsed.prefix = char(kind.unicode());
            // "#t Pay rent" names the task "Pay rent": a leading blank would
            // show in link rows and reminder texts.
            qsizetype rest = 2;
            while (rest < line.size() && isLineBlank(line.at(rest)))
                ++rest;
            parsed.text = line.mid(rest);
        }
    }
    return parsed;
}
