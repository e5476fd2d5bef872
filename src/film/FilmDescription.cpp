#include "film/FilmDescription.h"

#include <nlohmann/json.hpp>

#include <set>
#include <vector>

#include "imaging/JpegDimensions.h"
#include "platform/BinaryFile.h"
#include "platform/TextEncoding.h"

namespace film {

namespace {

using Json = nlohmann::json;

constexpr int kRandomTransitionSlot = 98;

// Errors unwind to parseFilmDescription, which turns them into a Result.
struct DescriptionError {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw DescriptionError{where + ": " + what};
}

void allowOnly(const Json& object, const std::string& where, std::set<std::string> fields) {
    if (!object.is_object()) {
        fail(where, "must be an object");
    }
    for (const auto& [key, value] : object.items()) {
        if (!fields.contains(key)) {
            fail(where, "unknown field \"" + key + "\"");
        }
    }
}

template <typename T>
T get(const Json& object, const std::string& key, const std::string& where, T fallback) {
    const auto it = object.find(key);
    if (it == object.end()) {
        return fallback;
    }
    try {
        return it->get<T>();
    } catch (const Json::exception&) {
        fail(where + "." + key, "has the wrong type");
    }
}

class DescriptionReader {
  public:
    explicit DescriptionReader(std::string baseDirectory) : base_(std::move(baseDirectory)) {}

    Film read(const Json& root) {
        allowOnly(root, "film", {"play_mode", "loop", "music", "items"});
        Film film;
        const std::string mode = get<std::string>(root, "play_mode", "film", "timed");
        if (mode != "timed" && mode != "manual") {
            fail("film.play_mode", "must be \"timed\" or \"manual\"");
        }
        film.setPlayMode(mode == "manual" ? PLAYMODE_MANUAL : PLAYMODE_TIMED);
        film.setLoop(get<bool>(root, "loop", "film", true) ? 1 : 0);
        if (root.contains("music")) {
            film.setMusicPath(localFile(get<std::string>(root, "music", "film", ""), "film.music"));
        }
        const auto items = root.find("items");
        if (items == root.end() || !items->is_array() || items->empty()) {
            fail("film.items", "must be a list of at least one item");
        }
        int index = 0;
        for (const Json& item : *items) {
            const std::string where = "film.items[" + std::to_string(index++) + "]";
            film.addItem(readItem(item, where));
            const FilmItem added = film.getItem(film.itemCount());
            for (const TextTitle& title : pendingTitles_) {
                film.attachText(added.number, title.animation, title.text, title.style);
            }
        }
        return film;
    }

  private:
    std::string localFile(const std::string& path, const std::string& where) {
        if (path.empty()) {
            fail(where, "is empty");
        }
        const std::string full = path[0] == '/' ? path : base_ + "/" + path;
        if (!platform::InputFile::open(full)) {
            fail(where, "cannot read \"" + full + "\"");
        }
        return full;
    }

    FileRef localRef(const Json& item, const std::string& key, const std::string& where) {
        if (!item.contains(key)) {
            return {};
        }
        const std::string full =
            localFile(get<std::string>(item, key, where, ""), where + "." + key);
        const auto slash = full.rfind('/');
        return FileRef{full.substr(0, slash + 1), full.substr(slash + 1)};
    }

    FilmItem readItem(const Json& json, const std::string& where) {
        allowOnly(
            json, where,
            {"type", "file", "overlay", "first_frame", "last_frame", "width", "height", "duration",
             "transition", "transition_ms", "music_cue", "music", "cd_track", "rect", "titles"});
        FilmItem item;
        const std::string type = get<std::string>(json, "type", where, "photo");
        if (type == "photo") {
            item.type = ITEM_PHOTO;
            item.picture = localRef(json, "file", where);
            item.overlay = localRef(json, "overlay", where);
            const auto size = jpegSize(item.picture, where + ".file");
            item.storedWidth = size.width;
            item.storedHeight = size.height;
        } else if (type == "clip") {
            item.type = ITEM_CLIP;
            item.clip = localRef(json, "file", where);
            item.firstFrameStill = localRef(json, "first_frame", where);
            item.lastFrameStill = localRef(json, "last_frame", where);
        } else if (type == "show") {
            item.type = ITEM_SHOW;
            item.show = localRef(json, "file", where);
        } else {
            fail(where + ".type", "must be \"photo\", \"clip\" or \"show\"");
        }
        if (!json.contains("file")) {
            fail(where + ".file", "is missing");
        }
        item.storedWidth = get<int>(json, "width", where, item.storedWidth);
        item.storedHeight = get<int>(json, "height", where, item.storedHeight);
        item.duration = get<int>(json, "duration", where, 5);
        item.transitionTime = get<int>(json, "transition_ms", where, 1000);
        item.effect = transitionSlot(json, where);

        const std::string cue = get<std::string>(json, "music_cue", where, "keep");
        if (cue == "keep") {
            item.musicCue = MUSIC_KEEP;
        } else if (cue == "stop") {
            item.musicCue = MUSIC_STOP;
        } else if (cue == "cd") {
            item.musicCue = MUSIC_CD_TRACK;
            item.music = FileRef{"", get<std::string>(json, "cd_track", where, "Track01.cda")};
        } else if (cue == "play") {
            item.musicCue = 3;
            item.music = localRef(json, "music", where);
            if (item.music.fileName.empty()) {
                fail(where + ".music", "is needed for music_cue \"play\"");
            }
        } else {
            fail(where + ".music_cue", "must be \"keep\", \"stop\", \"cd\" or \"play\"");
        }

        if (json.contains("rect")) {
            const auto rect = get<std::vector<int>>(json, "rect", where, {});
            if (rect.size() != 4) {
                fail(where + ".rect", "must be [left, top, right, bottom]");
            }
            item.source = SourceRect{rect[0], rect[1], rect[2], rect[3]};
        }
        pendingTitles_.clear();
        if (json.contains("titles")) {
            const Json& titles = json["titles"];
            if (!titles.is_array()) {
                fail(where + ".titles", "must be a list");
            }
            for (std::size_t k = 0; k < titles.size(); ++k) {
                pendingTitles_.push_back(
                    readTitle(titles[k], where + ".titles[" + std::to_string(k) + "]"));
            }
        }
        return item;
    }

    imaging::JpegDimensions jpegSize(const FileRef& ref, const std::string& where) {
        const std::string path = ref.folder + ref.fileName;
        auto file = platform::InputFile::open(path);
        std::vector<std::uint8_t> head;
        if (file) {
            head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(file->size(), 1 << 20)));
            head.resize(file->readAt(0, head.data(), head.size()));
        }
        const auto size = imaging::readJpegDimensions(head);
        if (!size) {
            fail(where, "\"" + path + "\" is not a JPEG picture");
        }
        return *size;
    }

    int transitionSlot(const Json& json, const std::string& where) {
        const auto it = json.find("transition");
        if (it == json.end()) {
            return 41;  // the cross-fade
        }
        if (it->is_string() && it->get<std::string>() == "random") {
            return kRandomTransitionSlot;
        }
        if (it->is_number_integer()) {
            const int slot = it->get<int>();
            if (slot < 0 || slot > kRandomTransitionSlot) {
                fail(where + ".transition", "must be 0..98");
            }
            return slot;
        }
        fail(where + ".transition", "must be a slot number or \"random\"");
    }

    TextTitle readTitle(const Json& json, const std::string& where) {
        allowOnly(json, where, {"animation", "text", "style"});
        TextTitle title;
        title.animation = get<int>(json, "animation", where, 0);
        const Json style = json.contains("style") ? json["style"] : Json::object();
        allowOnly(style, where + ".style",
                  {"x", "y", "face", "height", "weight", "italic", "charset", "colour", "spacing",
                   "alignment", "shadow"});
        const std::string sw = where + ".style";
        const int charSet = get<int>(style, "charset", sw, 0);
        if (charSet < 0 || charSet > 255) {
            fail(sw + ".charset", "must be 0..255");
        }
        const std::string face = get<std::string>(style, "face", sw, "Arial");
        if (face.size() > 31) {
            fail(sw + ".face", "is longer than 31 characters");
        }
        title.style.setPosition(get<int>(style, "x", sw, 100), get<int>(style, "y", sw, 100));
        title.style.setFont(get<int>(style, "height", sw, -32), get<int>(style, "weight", sw, 400),
                            get<bool>(style, "italic", sw, false),
                            static_cast<std::uint8_t>(charSet), face);
        title.style.setColour(
            colourRef(get<std::string>(style, "colour", sw, "#ffffff"), sw + ".colour"));
        title.style.setLineSpacing(get<int>(style, "spacing", sw, 100));
        const std::string alignment = get<std::string>(style, "alignment", sw, "left");
        if (alignment != "left" && alignment != "centre" && alignment != "right") {
            fail(sw + ".alignment", "must be \"left\", \"centre\" or \"right\"");
        }
        title.style.setAlignment(alignment == "left" ? 0 : alignment == "right" ? 2 : 1);
        title.style.setShadow(get<bool>(style, "shadow", sw, false));

        const std::string text = get<std::string>(json, "text", where, "");
        auto ansi =
            platform::utf8ToAnsi(text, codePageForCharSet(static_cast<std::uint8_t>(charSet)));
        if (!ansi) {
            fail(where + ".text",
                 "cannot be written in the code page of charset " + std::to_string(charSet));
        }
        // Lines end with CR LF in films.
        std::string lines;
        for (char c : *ansi) {
            if (c == '\n') {
                lines += "\r\n";
            } else if (c != '\r') {
                lines += c;
            }
        }
        title.text = lines;
        return title;
    }

    static std::uint32_t colourRef(const std::string& text, const std::string& where) {
        if (text.size() != 7 || text[0] != '#') {
            fail(where, "must be \"#rrggbb\"");
        }
        std::uint32_t rgb = 0;
        for (std::size_t i = 1; i < 7; ++i) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) {
                fail(where, "must be \"#rrggbb\"");
            }
            rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
        }
        // A COLORREF keeps red in the low byte.
        return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    }

    std::string base_;
    std::vector<TextTitle> pendingTitles_;
};

}  // namespace

platform::Result<Film> parseFilmDescription(const std::string& json,
                                            const std::string& baseDirectory) {
    const Json root = Json::parse(json, nullptr, /*allow_exceptions=*/false);
    if (root.is_discarded()) {
        return platform::Error{"the film description is not valid JSON"};
    }
    try {
        return DescriptionReader(baseDirectory).read(root);
    } catch (const DescriptionError& error) {
        return platform::Error{error.message};
    }
}

}  // namespace film
