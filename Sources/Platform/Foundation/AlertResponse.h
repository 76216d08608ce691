#pragma once

// How a modal alert was answered: the button (1000 for the first added,
// 1001 for the second ...) and whether the do-not-ask-again box was ticked.
struct AlertResponse {
    static constexpr int firstButton = 1000;
    static constexpr int secondButton = 1001;
    static constexpr int thirdButton = 1002;

    int button = firstButton;
    bool suppressed = false;
};
