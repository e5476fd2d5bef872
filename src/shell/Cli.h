#pragma once

namespace shell {

// The photoreel command: plays a film by default; subcommands inspect,
// extract, pack and export films. Returns the process exit code.
int runCommandLine(int argc, char** argv);

}  // namespace shell
