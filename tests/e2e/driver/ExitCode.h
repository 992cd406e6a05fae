#pragma once

// Exit codes of the browser driver; tests/e2e/README.md lists them for page authors.
enum ExitCode : int {
    ExitPassed = 0,
    ExitFailed = 1,      // the page reported failure
    ExitTimeLimit = 2,   // no verdict within the time limit
    ExitLoadFailed = 3,  // the page could not be loaded
    ExitDriverError = 4, // bad arguments, no display, or the screenshot could not be written
};
