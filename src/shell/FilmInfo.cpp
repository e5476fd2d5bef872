#include "shell/FilmInfo.h"

#include "shell/ConsoleDialogs.h"

#include <cinttypes>
#include <sstream>

#include "film/Film.h"
#include "film/FilmStorageReader.h"
#include "platform/TextEncoding.h"

namespace shell {

namespace {

// Paths in films are text of the authoring machine's code page.
constexpr unsigned PATH_CODE_PAGE = 1252;

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

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
        {"firstFrameStill", &item.firstFrameStill},
        {"lastFrameStill", &item.lastFrameStill},
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

std::string describeText(const film::Film& film, const std::string& path) {
    std::ostringstream out;
    out << "Film: " << path << "\n";
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
        out << "  music cue: " << item.musicCue << " (" << musicCueName(item.musicCue) << ")\n";
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

std::string describeJson(const film::Film& film, const std::string& path) {
    std::ostringstream out;
    out << "{\n  \"file\": " << jsonString(path) << ",\n";
    out << "  \"playMode\": " << film.playMode() << ",\n";
    out << "  \"playModeName\": " << jsonString(playModeName(film.playMode())) << ",\n";
    out << "  \"loop\": " << film.loop() << ",\n";
    out << "  \"music\": " << jsonString(platform::ansiToUtf8(film.musicPath(), PATH_CODE_PAGE))
        << ",\n";
    out << "  \"items\": [";
    const std::int32_t count = film.itemCount();
    for (std::int32_t n = 1; n <= count; ++n) {
        const film::FilmItem item = film.getItem(n);
        out << (n > 1 ? "," : "") << "\n    {\n";
        out << "      \"number\": " << item.number << ",\n";
        out << "      \"type\": " << item.type << ",\n";
        out << "      \"typeName\": " << jsonString(typeName(item.type)) << ",\n";
        out << "      \"files\": {";
        bool first = true;
        for (const auto& [role, file] : itemFiles(item)) {
            out << (first ? "" : ", ") << jsonString(role) << ": " << jsonString(file);
            first = false;
        }
        out << "},\n";
        out << "      \"storedWidth\": " << item.storedWidth << ",\n";
        out << "      \"storedHeight\": " << item.storedHeight << ",\n";
        out << "      \"duration\": " << item.duration << ",\n";
        out << "      \"effect\": " << item.effect << ",\n";
        out << "      \"transitionTime\": " << item.transitionTime << ",\n";
        out << "      \"musicCue\": " << item.musicCue << ",\n";
        out << "      \"musicCueName\": " << jsonString(musicCueName(item.musicCue)) << ",\n";
        out << "      \"source\": {\"left\": " << item.source.left
            << ", \"top\": " << item.source.top << ", \"right\": " << item.source.right
            << ", \"bottom\": " << item.source.bottom
            << ", \"wholePicture\": " << (item.source.empty() ? "true" : "false") << "},\n";
        out << "      \"titles\": [";
        for (std::size_t k = 0; k < item.title.size(); ++k) {
            const film::TextTitle& title = item.title[k];
            const film::TextStyle& s = title.style;
            out << (k ? "," : "") << "\n        {\"number\": " << title.number
                << ", \"animation\": " << title.animation
                << ", \"text\": " << jsonString(titleText(title)) << ",\n";
            out << "         \"style\": {\"x\": " << s.x() << ", \"y\": " << s.y() << ", \"face\": "
                << jsonString(
                       platform::ansiToUtf8(s.faceName(), film::codePageForCharSet(s.charSet())))
                << ", \"height\": " << s.fontHeight() << ", \"weight\": " << s.weight()
                << ", \"italic\": " << (s.italic() ? "true" : "false")
                << ", \"underline\": " << (s.underline() ? "true" : "false")
                << ", \"strikeOut\": " << (s.strikeOut() ? "true" : "false")
                << ", \"charSet\": " << static_cast<int>(s.charSet())
                << ", \"codePage\": " << film::codePageForCharSet(s.charSet())
                << ", \"colour\": " << jsonString(colourName(s.colour()))
                << ", \"alignment\": " << jsonString(alignmentName(s.alignment()))
                << ", \"lineSpacing\": " << s.lineSpacing()
                << ", \"shadow\": " << (s.shadow() ? "true" : "false") << "}}";
        }
        out << (item.title.empty() ? "]\n" : "\n      ]\n");
        out << "    }";
    }
    out << (count > 0 ? "\n  ]\n}\n" : "]\n}\n");
    return out.str();
}

}  // namespace

std::string describeFilm(const film::Film& film, const std::string& path, InfoFormat format) {
    return format == InfoFormat::Json ? describeJson(film, path) : describeText(film, path);
}

int runInfo(const std::string& path, InfoFormat format, std::FILE* out, std::FILE* err) {
    film::Film film;
    ConsoleDialogs dialogs(err);
    std::string error;
    if (film::readFilmStorage(film, path, dialogs, &error) != 1) {
        std::fprintf(err, "photoreel: cannot read the film document \"%s\": %s\n", path.c_str(),
                     error.c_str());
        return 1;
    }
    const std::string description = describeFilm(film, path, format);
    std::fwrite(description.data(), 1, description.size(), out);
    return 0;
}

}  // namespace shell
