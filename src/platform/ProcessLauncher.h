#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace platform {

// How a started program ended.
struct ProcessExit {
    bool exited = false;  // ended normally with exitCode
    int exitCode = -1;
    int signal = 0;  // the signal that ended it, when !exited
};

// Starts other programs without a shell: argv[0] is looked up in PATH when it
// holds no '/', the arguments are passed as they are.
class ProcessLauncher {
  public:
    class Process {
      public:
        explicit Process(pid_t pid) : pid_(pid) {}
        Process(Process&& other) noexcept : pid_(other.pid_) { other.pid_ = -1; }
        Process& operator=(Process&&) = delete;
        ~Process();  // waits, so no zombie is left behind

        pid_t pid() const { return pid_; }
        ProcessExit wait();
        // nullopt while it still runs.
        std::optional<ProcessExit> poll();

      private:
        pid_t pid_;
    };

    // nullopt with the reason in *error when it cannot be started.
    static std::optional<Process> start(const std::vector<std::string>& argv,
                                        std::string* error = nullptr);

    // Runs to the end and collects standard output (standard error is passed
    // through). nullopt when it cannot be started.
    static std::optional<ProcessExit> runCapturingOutput(const std::vector<std::string>& argv,
                                                         std::string& output);

    // Full path of an executable found in PATH, or nullopt.
    static std::optional<std::string> findInPath(const std::string& name);
};

}  // namespace platform
