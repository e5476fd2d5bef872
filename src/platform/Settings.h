#pragma once

#include <map>
#include <optional>
#include <string>

namespace platform {

// The few machine settings the viewer reads (today: the presentation viewer's
// path). They live in a "key = value" file, by default
// $XDG_CONFIG_HOME/photoreel/photoreel.conf (~/.config/... without it); an
// environment variable PHOTOREEL_<KEY> (upper case, '-' and '.' as '_')
// overrides the file. Lines starting with '#' are comments.
class Settings {
  public:
    // Reads the default file; a missing file means no settings.
    static Settings fromDefaultLocation();
    // Reads the given file.
    static Settings fromFile(const std::string& path);

    std::optional<std::string> get(const std::string& key) const;

    static std::string defaultPath();
    static std::string environmentName(const std::string& key);

  private:
    std::map<std::string, std::string> values_;
};

}  // namespace platform
