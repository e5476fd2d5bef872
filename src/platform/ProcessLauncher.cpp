#include "platform/ProcessLauncher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace platform {

namespace {

ProcessExit decodeStatus(int status) {
    ProcessExit result;
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

std::vector<char*> makeArgv(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& arg : argv) {
        pointers.push_back(const_cast<char*>(arg.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::optional<pid_t> spawn(const std::vector<std::string>& argv,
                           posix_spawn_file_actions_t* actions, std::string* error) {
    if (argv.empty() || argv[0].empty()) {
        if (error != nullptr) {
            *error = "no program given";
        }
        return std::nullopt;
    }
    std::vector<char*> pointers = makeArgv(argv);
    // Children get the default signal mask, not the show's blocked one.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(&attributes, &empty);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, pointers[0], actions, &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        if (error != nullptr) {
            *error = "cannot start " + argv[0] + ": " + std::strerror(rc);
        }
        return std::nullopt;
    }
    return pid;
}

}  // namespace

ProcessLauncher::Process::~Process() {
    if (pid_ > 0) {
        wait();
    }
}

ProcessExit ProcessLauncher::Process::wait() {
    if (pid_ <= 0) {
        return {};
    }
    int status = 0;
    pid_t rc;
    do {
        rc = waitpid(pid_, &status, 0);
    } while (rc < 0 && errno == EINTR);
    pid_ = -1;
    return rc < 0 ? ProcessExit{} : decodeStatus(status);
}

std::optional<ProcessExit> ProcessLauncher::Process::poll() {
    if (pid_ <= 0) {
        return ProcessExit{};
    }
    int status = 0;
    const pid_t rc = waitpid(pid_, &status, WNOHANG);
    if (rc == 0) {
        return std::nullopt;
    }
    pid_ = -1;
    return rc < 0 ? ProcessExit{} : decodeStatus(status);
}

std::optional<ProcessLauncher::Process> ProcessLauncher::start(const std::vector<std::string>& argv,
                                                               std::string* error) {
    if (auto pid = spawn(argv, nullptr, error)) {
        return Process(*pid);
    }
    return std::nullopt;
}

std::optional<ProcessExit> ProcessLauncher::runCapturingOutput(const std::vector<std::string>& argv,
                                                               std::string& output) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    auto pid = spawn(argv, &actions, nullptr);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (!pid) {
        close(fds[0]);
        return std::nullopt;
    }
    Process process(*pid);
    output.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    return process.wait();
}

std::optional<std::string> ProcessLauncher::findInPath(const std::string& name) {
    auto isExecutableFile = [](const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
               access(path.c_str(), X_OK) == 0;
    };
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string::npos) {
        return isExecutableFile(name) ? std::optional(name) : std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::stringstream directories(path != nullptr ? path : "/usr/bin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        std::string candidate = (directory.empty() ? "." : directory) + "/" + name;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace platform
