#include "platform/Settings.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

namespace platform {

namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string Settings::defaultPath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (configHome != nullptr && configHome[0] == '/') {
        base = configHome;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr ? home : "") + "/.config";
    }
    return base + "/photoreel/photoreel.conf";
}

Settings Settings::fromDefaultLocation() {
    return fromFile(defaultPath());
}

Settings Settings::fromFile(const std::string& path) {
    Settings settings;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::string content = trim(line);
        if (content.empty() || content[0] == '#') {
            continue;
        }
        const auto equals = content.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        settings.values_[trim(content.substr(0, equals))] = trim(content.substr(equals + 1));
    }
    return settings;
}

std::string Settings::environmentName(const std::string& key) {
    std::string name = "PHOTOREEL_";
    for (char c : key) {
        name += (c == '-' || c == '.')
                    ? '_'
                    : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

std::optional<std::string> Settings::get(const std::string& key) const {
    if (const char* value = std::getenv(environmentName(key).c_str())) {
        return std::string(value);
    }
    if (auto it = values_.find(key); it != values_.end()) {
        return it->second;
    }
    return std::nullopt;
}

}  // namespace platform
