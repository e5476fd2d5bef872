#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace effects {

// The library of effect names and descriptions, looked up by the string
// numbers the effect records carry. Playback never needs it; the effect
// browser and the gallery do.
class DescriptionLibrary {
  public:
    virtual ~DescriptionLibrary() = default;

    // The string with this number, or nullopt when the library has none.
    virtual std::optional<std::string> loadString(std::uint32_t id) const = 0;
};

// Our own display names for every name string number of both tables. The
// two tables share numbers (a title sliding up and a picture sliding up are
// both "Slide in up"), so the names suit both uses. There are no
// descriptions.
class BuiltinDescriptions final : public DescriptionLibrary {
  public:
    std::optional<std::string> loadString(std::uint32_t id) const override;
};

// The one built-in library; immutable.
const DescriptionLibrary& builtinDescriptions();

}  // namespace effects
