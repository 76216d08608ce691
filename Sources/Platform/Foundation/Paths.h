#pragma once

#include <QString>

// Where Zoravel's files live.
class Paths {
public:
    // The per-user data folder (XDG_DATA_HOME/<organisation>/<application>),
    // created readable by its owner only when missing. Empty when it cannot
    // be created.
    static QString applicationSupportFolder();

    // The Resources/ folder of the source tree the program was built from:
    // the template database, images, sounds and the time-zone table are read
    // from there at run time. Texts are embedded (TextTable) and need no folder.
    static QString resourcesFolder();
};
