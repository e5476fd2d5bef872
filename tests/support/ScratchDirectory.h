#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/TempFiles.h"

namespace testing_support {

// A private directory for one test's files, removed with the object.
class ScratchDirectory {
  public:
    ScratchDirectory() : directory_(platform::TempDirectory::create()) {}
    bool ok() const { return directory_.has_value(); }
    std::string path(const std::string& name) const { return directory_->path() + "/" + name; }
    const std::string& root() const { return directory_->path(); }

  private:
    std::optional<platform::TempDirectory> directory_;
};

}  // namespace testing_support
