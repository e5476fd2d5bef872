#include "shell/FilmInfo.h"

#include "shell/ConsoleDialogs.h"
#include "shell/ExitCodes.h"
#include "shell/TerminalProgress.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cinttypes>
#include <memory>
#include <optional>
#include <sstream>

#include "film/Film.h"
#include "film/FilmLoader.h"
#include "film/FilmStorageReader.h"
#include "film/PackageDetach.h"
#include "film/PackageSignatures.h"
#include "film/PresentationViewer.h"
#include "platform/BinaryFile.h"
#include "platform/MediaBackend.h"
#include "platform/Settings.h"
#include "platform/TextEncoding.h"

namespace shell {

namespace {

using Json = nlohmann::ordered_json;

// Paths in films are text of the authoring machine's code page.
constexpr unsigned PATH_CODE_PAGE = 1252;

const char* typeName(std::int32_t type) {
    switch (type) {
        case film::ITEM_PHOTO:
            return "photo";
        case film::ITEM_CLIP:
            return "clip";
        case film::ITEM_SHOW:
            return "presentation";
        default:
            return "unknown";
    }
}

const char* musicCueName(std::int32_t cue) {
    switch (cue) {
        case film::MUSIC_KEEP:
            return "keep";
        case film::MUSIC_STOP:
            return "stop";
        case film::MUSIC_CD_TRACK:
            return "cd-track";
        case 3:
        case 4:
            return "play-file";
        default:
            return "ignored";
    }
}

const char* playModeName(std::int32_t mode) {
    switch (mode) {
        case film::PLAYMODE_TIMED:
            return "timed";
        case film::PLAYMODE_MANUAL:
            return "manual";
        default:
            return "unknown";
    }
}

const char* alignmentName(std::int32_t alignment) {
    switch (alignment) {
        case film::TEXT_ALIGN_LEFT:
            return "left";
        case film::TEXT_ALIGN_RIGHT:
            return "right";
        default:
            return "centre";
    }
}

std::string colourName(std::uint32_t colourRef) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colourRef & 0xFF, (colourRef >> 8) & 0xFF,
                  (colourRef >> 16) & 0xFF);
    return text;
}

std::string pathText(const film::FileRef& ref) {
    return platform::ansiToUtf8(film::joinFileRef(ref), PATH_CODE_PAGE);
}

// The references an item carries, named for their role.
std::vector<std::pair<const char*, std::string>> itemFiles(const film::FilmItem& item) {
    const std::pair<const char*, const film::FileRef*> all[] = {
        {"picture", &item.picture},
        {"overlay", &item.overlay},
        {"clip", &item.clip},
        {"first_frame_still", &item.firstFrameStill},
        {"last_frame_still", &item.lastFrameStill},
        {"presentation", &item.show},
        {"music", &item.music},
    };
    std::vector<std::pair<const char*, std::string>> files;
    for (const auto& [role, ref] : all) {
        if (!ref->folder.empty() || !ref->fileName.empty()) {
            files.emplace_back(role, pathText(*ref));
        }
    }
    return files;
}

std::string titleText(const film::TextTitle& title) {
    return platform::ansiToUtf8(title.text, film::codePageForCharSet(title.style.charSet()));
}

bool isCompressedMusic(const film::FileRef& ref) {
    const std::string& name = ref.fileName;
    auto endsWith = [&name](std::string_view suffix) {
        if (name.size() < suffix.size()) {
            return false;
        }
        for (std::size_t i = 0; i < suffix.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(name[name.size() - suffix.size() + i])) !=
                suffix[i]) {
                return false;
            }
        }
        return true;
    };
    return endsWith(".ca") || endsWith(".ca.wav");
}

std::string describeText(const film::Film& film, const std::string& path,
                         const InfoContext& context) {
    std::ostringstream out;
    out << (context.package ? "Film package: " : "Film document: ") << path << "\n";
    if (!context.messages.empty()) {
        out << "Messages while loading:";
        for (int number : context.messages) {
            out << " " << number;
        }
        out << "\n";
    }
    out << "Play mode: " << playModeName(film.playMode()) << " (" << film.playMode() << ")\n";
    out << "Loop: " << (film.loop() ? "yes" : "no") << " (" << film.loop() << ")\n";
    const std::string music = platform::ansiToUtf8(film.musicPath(), PATH_CODE_PAGE);
    out << "Music: " << (music.empty() ? "none" : music) << "\n";
    const std::int32_t count = film.itemCount();
    out << "Items: " << (count < 0 ? 0 : count) << "\n";
    for (std::int32_t n = 1; n <= count; ++n) {
        const film::FilmItem item = film.getItem(n);
        out << "\nItem " << n << ": " << typeName(item.type) << " (" << item.type << ")\n";
        for (const auto& [role, file] : itemFiles(item)) {
            out << "  " << role << ": " << file << "\n";
        }
        out << "  stored size: " << item.storedWidth << " x " << item.storedHeight << "\n";
        out << "  duration: " << item.duration << " s\n";
        out << "  transition: slot " << item.effect << ", " << item.transitionTime << " ms\n";
        out << "  music cue: " << item.musicCue << " (" << musicCueName(item.musicCue) << ")"
            << (isCompressedMusic(item.music) ? ", compressed music (.ca)" : "") << "\n";
        if (context.package && item.type == film::ITEM_PHOTO) {
            out << "  picture at package offset " << item.picture.fileName << "\n";
        }
        out << "  source: " << item.source.left << "," << item.source.top << " - "
            << item.source.right << "," << item.source.bottom
            << (item.source.empty() ? " (whole picture)" : "") << "\n";
        for (const film::TextTitle& title : item.title) {
            const film::TextStyle& s = title.style;
            out << "  title " << title.number << ": animation slot " << title.animation << ": \"";
            std::string text = titleText(title);
            for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
                text.replace(at, 2, "\\n");
            }
            out << text << "\"\n";
            out << "    "
                << platform::ansiToUtf8(s.faceName(), film::codePageForCharSet(s.charSet()))
                << ", height " << s.fontHeight() << ", weight " << s.weight()
                << (s.italic() ? ", italic" : "") << ", colour " << colourName(s.colour()) << ", "
                << alignmentName(s.alignment()) << ", spacing " << s.lineSpacing() << "%"
                << (s.shadow() ? ", shadow" : "") << ", at " << s.x() << "," << s.y()
                << ", character set " << static_cast<int>(s.charSet()) << "\n";
        }
    }
    return out.str();
}

// The package offset a loaded photo is read from; null for a bare document.
Json pictureOffset(const film::FilmItem& item, const InfoContext& context) {
    if (!context.package || item.type != film::ITEM_PHOTO) {
        return nullptr;
    }
    try {
        std::size_t used = 0;
        const long long offset = std::stoll(item.picture.fileName, &used);
        return used == item.picture.fileName.size() ? Json(offset) : Json(nullptr);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::string describeJson(const film::Film& film, const std::string& path,
                         const InfoContext& context) {
    Json root;
    root["file"] = path;
    root["kind"] = context.package ? "package" : "document";
    const std::int32_t count = film.itemCount();
    root["item_count"] = count < 0 ? 0 : count;
    root["play_mode"] = film.playMode();
    root["play_mode_name"] = playModeName(film.playMode());
    root["loop"] = film.loop();
    root["music"] = platform::ansiToUtf8(film.musicPath(), PATH_CODE_PAGE);
    root["messages"] = context.messages;
    Json items = Json::array();
    for (std::int32_t n = 1; n <= count; ++n) {
        const film::FilmItem item = film.getItem(n);
        Json entry;
        entry["number"] = item.number;
        entry["type"] = item.type;
        entry["type_name"] = typeName(item.type);
        entry["duration"] = item.duration;
        entry["effect"] = item.effect;
        entry["transition_ms"] = item.transitionTime;
        entry["music_cue"] = item.musicCue;
        entry["music_cue_name"] = musicCueName(item.musicCue);
        entry["music_compressed"] = isCompressedMusic(item.music);
        entry["rect"] = {item.source.left, item.source.top, item.source.right, item.source.bottom};
        entry["picture_offset"] = pictureOffset(item, context);
        entry["stored_width"] = item.storedWidth;
        entry["stored_height"] = item.storedHeight;
        Json files = Json::object();
        for (const auto& [role, file] : itemFiles(item)) {
            files[role] = file;
        }
        entry["files"] = files;
        Json titles = Json::array();
        for (const film::TextTitle& title : item.title) {
            const film::TextStyle& s = title.style;
            titles.push_back(Json{
                {"number", title.number},
                {"animation", title.animation},
                {"text", titleText(title)},
                {"style", Json{{"x", s.x()},
                               {"y", s.y()},
                               {"face", platform::ansiToUtf8(
                                            s.faceName(), film::codePageForCharSet(s.charSet()))},
                               {"height", s.fontHeight()},
                               {"weight", s.weight()},
                               {"italic", s.italic()},
                               {"underline", s.underline()},
                               {"strike_out", s.strikeOut()},
                               {"charset", static_cast<int>(s.charSet())},
                               {"code_page", film::codePageForCharSet(s.charSet())},
                               {"colour", colourName(s.colour())},
                               {"alignment", alignmentName(s.alignment())},
                               {"line_spacing", s.lineSpacing()},
                               {"shadow", s.shadow()}}}});
        }
        entry["titles"] = titles;
        items.push_back(entry);
    }
    root["items"] = items;
    return root.dump(2) + "\n";
}

// Whether the file carries both package markers.
bool isPackage(const std::string& path) {
    auto file = platform::InputFile::open(path);
    if (!file) {
        return false;
    }
    const auto& signatures = film::packageSignatures();
    return film::findSignature(*file, signatures.filmDescription) != 0 &&
           film::findSignature(*file, signatures.mediaDescription) != 0;
}

}  // namespace

std::string describeFilm(const film::Film& film, const std::string& path, InfoFormat format,
                         const InfoContext& context) {
    return format == InfoFormat::Json ? describeJson(film, path, context)
                                      : describeText(film, path, context);
}

int runInfo(const std::string& path, const InfoOptions& options, std::FILE* out, std::FILE* err) {
    film::Film film;
    ConsoleDialogs dialogs(err);
    InfoContext context;
    std::optional<platform::TempDirectory> temp;
    std::unique_ptr<film::FilmLoader> loader;
    TerminalProgress progress(err, "Processing");
    if (isPackage(path)) {
        // Loaded as the viewer loads it: drops, messages and offsets included.
        std::string why;
        temp = platform::TempDirectory::create(&why);
        if (!temp) {
            std::fprintf(err, "photoreel: %s\n", why.c_str());
            return 1;
        }
        const bool viewer =
            !options.withoutViewer &&
            film::presentationViewerAvailable(platform::Settings::fromDefaultLocation());
        const bool media = !options.withoutMedia && platform::mediaBackendAvailable();
        loader = std::make_unique<film::FilmLoader>(dialogs, *temp, viewer);
        loader->setProgress(&progress);
        if (loader->loadFilm(nullptr, film, path, media) != 1) {
            std::fprintf(err, "photoreel: cannot load the film package \"%s\"\n", path.c_str());
            return EXIT_CODE_BAD_INPUT;
        }
        context.package = true;
        context.messages = loader->messagesShown();
    } else {
        std::string error;
        if (film::readFilmStorage(film, path, dialogs, &error) != 1) {
            std::fprintf(err, "photoreel: cannot read the film document \"%s\": %s\n", path.c_str(),
                         error.c_str());
            return EXIT_CODE_BAD_INPUT;
        }
    }
    const std::string description = describeFilm(film, path, options.format, context);
    std::fwrite(description.data(), 1, description.size(), out);
    if (loader) {
        loader->releaseFilm(film);
    }
    return 0;
}

}  // namespace shell
