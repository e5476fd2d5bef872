#include "film/Film.h"

namespace film {

std::int32_t Film::addItem(const FilmItem& item) {
    items_.push_back(item);
    hadItems_ = true;
    const auto number = static_cast<std::int32_t>(items_.size());
    items_.back().number = number;
    return number;
}

FilmItem Film::getItem(std::int32_t number) const {
    if (number >= 1 && static_cast<std::size_t>(number) <= items_.size()) {
        return items_[static_cast<std::size_t>(number) - 1];
    }
    FilmItem none;
    none.number = -1;
    none.type = 1;
    return none;
}

void Film::updateItem(std::int32_t number, const FilmItem& item) {
    if (number < 1 || static_cast<std::size_t>(number) > items_.size()) {
        return;
    }
    FilmItem& stored = items_[static_cast<std::size_t>(number) - 1];
    stored = item;
    // Numbers are positions; a copy carrying another number must not make
    // two items answer to one number.
    stored.number = number;
}

std::int32_t Film::removeItem(std::int32_t number) {
    if (number < 1 || static_cast<std::size_t>(number) > items_.size()) {
        return 0;
    }
    items_.erase(items_.begin() + (number - 1));
    for (std::size_t k = 0; k < items_.size(); ++k) {
        items_[k].number = static_cast<std::int32_t>(k + 1);
    }
    return 1;
}

std::int32_t Film::itemCount() const {
    return hadItems_ ? static_cast<std::int32_t>(items_.size()) : -1;
}

void Film::attachText(std::int32_t number, std::int32_t animation, const std::string& text,
                      const TextStyle& style) {
    if (number < 1 || static_cast<std::size_t>(number) > items_.size()) {
        return;
    }
    auto& title = items_[static_cast<std::size_t>(number) - 1].title;
    TextTitle added;
    added.number = title.empty() ? 1 : title.back().number + 1;
    added.animation = animation;
    added.text = text;
    added.style = style;
    title.push_back(std::move(added));
}

void Film::setMusicPath(const std::string& path) {
    // Both separators count, and a drive without a directory ("E:x.cda")
    // belongs to the folder.
    std::size_t split = path.find_last_of("\\/");
    if (split != std::string::npos) {
        ++split;
    } else if (path.size() >= 2 && path[1] == ':') {
        split = 2;
    } else {
        split = 0;
    }
    musicFolder_ = path.substr(0, split);
    musicFile_ = path.substr(split);
}

}  // namespace film
