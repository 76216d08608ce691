#pragma once

#include <QtGlobal>

// Keys of the instances of repeating items: -2, -3, ... for the life of the
// process, never reset, so no two instances share a key and none collides
// with a stored row (positive) or a record never inserted (-1).
class InstanceKeyCounter {
public:
    // The next key; taking it and counting down are one step, safe from any thread.
    static qint64 take();
};
