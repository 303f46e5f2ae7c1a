// What the command line's exit status means; scripts test it.
#pragma once

namespace cli {

enum Exit : int {
    kDone = 0,
    kUsage = 1,        // a command line that is not understood
    kRefused = 2,      // a file or plan refused (cannot be read, written or encoded; warnings without --yes)
    kPortError = 3,    // the port cannot be opened, or the doctor finds it at fault
    kInterrupted = 4,  // the radio went silent, the line dropped or the run was cancelled
    kDifferences = 5,  // verify or diff found differences, or a write or restore did not read back
};

} // namespace cli
