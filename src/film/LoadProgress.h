#pragma once

namespace film {

// How the loader shows its progress while it detaches a package: the
// viewer's progress dialog, or a bar on the terminal for the command line.
class LoadProgress {
  public:
    virtual ~LoadProgress() = default;
    virtual void show() = 0;
    // fraction in 0..1; values outside are clamped.
    virtual void setProgress(float fraction) = 0;
    virtual void close() = 0;
};

}  // namespace film
