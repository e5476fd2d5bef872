#include "shell/Cli.h"

int main(int argc, char** argv) {
    return shell::runCommandLine(argc, argv);
}
