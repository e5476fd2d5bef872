#pragma once

namespace shell {

// Exit codes of every subcommand, so that scripts can tell a typo from a
// missing file from a full disk. The viewer keeps 0 for every show that ran
// or was refused with a message box, as the original viewer did.
enum ExitCode : int {
    EXIT_CODE_OK = 0,
    EXIT_CODE_FAILED = 1,        // no window could be opened, or another failure
    EXIT_CODE_USAGE = 2,         // bad options or arguments
    EXIT_CODE_BAD_INPUT = 3,     // an input is unreadable or not what it should be
    EXIT_CODE_OUTPUT_FAILED = 4  // an output could not be created or written
};

}  // namespace shell
