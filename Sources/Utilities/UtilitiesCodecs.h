#pragma once

#include "AlertObj.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// Text helpers of the utilities: the alert-list text an item keeps in its
// alertValues column, tag-list membership, the MD5 text and e-mail checks.
struct UtilitiesCodecs {
    // The alert-list text: each alert led by "/", its type, value and sound
    // name joined by "|". Relative alerts (and any type other than 0 and 2)
    // write their offset in seconds; absolute ones (0, 2) the stored form of
    // their date in whole seconds. "" for an empty list.
    static QString updateAlertList(const QList<std::shared_ptr<AlertObj>>& list);

    // A new alert read from the piece at index of an alert-list text already
    // split at "/". An index outside the list gives a fresh alert. Missing
    // fields read as empty and text that is not a number as 0.
    static std::shared_ptr<AlertObj> getAlertFromList(const QStringList& list, qsizetype index);

    // Whether any of the names occurs in the tag-list text, ignoring case. A
    // name that is part of a longer tag matches too ("work" in "/homework").
    static bool isTagList(const QString& tagList, const QStringList& names);

    // 32 lower-case hex digits of the MD5 of the text's UTF-8 bytes up to the
    // first NUL. Web signatures and file keys are built from it.
    static QString md5(const QString& string);

    // Whether the whole text is one plausible e-mail address; the top-level
    // domain needs two or more letters.
    static bool isEmailValid(const QString& text);
};
