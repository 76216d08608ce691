#pragma once

#include <QtGlobal>

// How a modal alert was answered: the button (1000 for the first added,
// 1001 for the second ...), whether the do-not-ask-again box was ticked, and
// the tag of the pop-up entry chosen (the request's initial one when the
// alert had no pop-up or the user left it alone). An alert ended without a
// button (stopped by the program, or its window gone) answers `stopped`,
// which is no button's code.
struct AlertResponse {
    static constexpr int stopped = -1000;
    static constexpr int firstButton = 1000;
    static constexpr int secondButton = 1001;
    static constexpr int thirdButton = 1002;

    int button = firstButton;
    bool suppressed = false;
    qint64 chosenTag = 0;
};
