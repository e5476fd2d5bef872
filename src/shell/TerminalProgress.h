#pragma once

#include <cstdio>
#include <string>

#include "film/LoadProgress.h"

namespace shell {

// The loader's progress for the command line: "Processing [#####     ]  50%"
// redrawn in place on a terminal; nothing at all when the stream is not one
// (pipes and logs stay clean).
class TerminalProgress final : public film::LoadProgress {
  public:
    TerminalProgress(std::FILE* stream, std::string text);
    ~TerminalProgress() override { close(); }

    void show() override;
    void setProgress(float fraction) override;
    void close() override;

  private:
    void draw();

    std::FILE* stream_;
    const std::string text_;
    const bool enabled_;
    bool shown_ = false;
    int percent_ = 0;
};

}  // namespace shell
