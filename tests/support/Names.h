#pragma once

#include <string>

namespace testing_support {

// prefix followed by the decimal number ("TEXT3"). Built by appending:
// gcc 12 warns falsely (-Wrestrict) about "literal" + std::to_string().
inline std::string numbered(const char* prefix, long long number) {
    std::string name(prefix);
    name += std::to_string(number);
    return name;
}

}  // namespace testing_support
