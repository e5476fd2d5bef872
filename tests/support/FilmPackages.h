#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "film/Film.h"
#include "film/FilmStorageWriter.h"
#include "film/PackageSignatures.h"
#include "film/PackageWriter.h"

namespace testing_support {

// Writes a file of size bytes whose content tells where it came from.
inline std::string writeSample(const std::string& directory, const std::string& name,
                               std::size_t size, char fill) {
    const std::string path = directory + "/" + name;
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) {
        out.put(static_cast<char>(fill + static_cast<char>(i % 7)));
    }
    return path;
}

inline std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// A reference to a file on this machine, as the package writer takes it.
inline film::FileRef localRef(const std::string& path) {
    const std::filesystem::path p(path);
    return film::FileRef{p.parent_path().string() + "/", p.filename().string()};
}

inline film::FilmItem photoItem(const std::string& picture, int durationSeconds = 3) {
    film::FilmItem item;
    item.type = film::ITEM_PHOTO;
    item.picture = localRef(picture);
    item.storedWidth = 800;
    item.storedHeight = 600;
    item.duration = durationSeconds;
    return item;
}

// Writes film as a package at path; fails the test when that is impossible.
inline void writePackage(const film::Film& film, const std::string& path,
                         const std::string& prefix = {}) {
    auto written = film::writeFilmPackage(film, path, prefix);
    ASSERT_TRUE(written) << written.error();
}

// Writes a package byte for byte: signature A, the film's document as it is
// (its references untouched), signature B, then media.
inline void writeRawPackage(const film::Film& film, const std::string& media,
                            const std::string& path) {
    auto document = film::writeFilmStorage(film);
    ASSERT_TRUE(document) << document.error();
    const auto& signatures = film::packageSignatures();
    std::ofstream out(path, std::ios::binary);
    out << signatures.filmDescription;
    out.write(reinterpret_cast<const char*>(document->data()),
              static_cast<std::streamsize>(document->size()));
    out << signatures.mediaDescription << media;
}

}  // namespace testing_support
