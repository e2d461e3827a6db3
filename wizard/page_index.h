#pragma once
// The frame's pages by their place in it.

enum WizardPage : int {
    PAGE_NONE = -1, // before the first page is shown
    PAGE_START = 0,
    PAGE_MODE = 1,
    PAGE_PATH = 2,
    PAGE_SHORTCUT = 3,
    PAGE_INSTALL = 4,
    PAGE_END = 5,
    PAGE_COUNT = 6
};
