#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace shell {

// The export's progress on the command line, redrawn in place at most a few
// times a second: "Exporting [#####     ]  50%  0:12 elapsed, 0:12 left".
// Nothing at all when the stream is not a terminal.
class ExportProgress {
  public:
    // total: the show time the export is expected to cover, in ms.
    ExportProgress(std::FILE* stream, long long totalMs);
    ExportProgress(const ExportProgress&) = delete;
    ExportProgress& operator=(const ExportProgress&) = delete;
    ~ExportProgress() { close(); }

    void update(long long doneMs);
    void close();

    // One line of the bar; remaining < 0 when it cannot be told yet.
    static std::string line(double fraction, double elapsedSeconds, double remainingSeconds);

  private:
    std::FILE* stream_;
    const long long totalMs_;
    const bool enabled_;
    bool shown_ = false;
    const std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace shell
