#pragma once

#include <string_view>

namespace film {

// The two markers of a film package: signature A precedes the film
// document, signature B the media area. They are assembled at run time, one
// byte at a time, so that our own executable never holds them as text: a
// search of a self-running show's file then finds only the film it carries.
struct PackageSignatures {
    std::string_view filmDescription;   // signature A, 24 bytes
    std::string_view mediaDescription;  // signature B, 25 bytes
};

// Built on first use; the same buffers for the life of the process.
const PackageSignatures& packageSignatures();

}  // namespace film
