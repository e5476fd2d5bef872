#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "film/FilmItem.h"

namespace film {

inline constexpr std::int32_t PLAYMODE_TIMED = 728;
inline constexpr std::int32_t PLAYMODE_MANUAL = 729;

// The film document in memory: items in play order, the film music and the
// play flags. Items are handed out and taken back only as copies. Filled on
// the main thread before the show threads start, only read afterwards, so
// it has no lock.
class Film {
  public:
    // Appends a copy of the item and returns its number (1 for the first,
    // then the last number + 1).
    std::int32_t addItem(const FilmItem& item);

    // A copy of the item with that number; a copy with number -1 (type 1,
    // no title) when there is none.
    FilmItem getItem(std::int32_t number) const;

    // Replaces the item with that number by a copy of the given one, title
    // included. The number stays the Film's. Nothing happens when no item
    // has that number.
    void updateItem(std::int32_t number, const FilmItem& item);

    // 0 when no item has that number; else removes it, renumbers the rest
    // 1, 2, 3 ... and returns 1.
    std::int32_t removeItem(std::int32_t number);

    // -1 until the first item is added, then the number of items.
    std::int32_t itemCount() const;

    // Appends a text to the title of the item with that number, numbered
    // after the last one; nothing happens without such an item.
    void attachText(std::int32_t number, std::int32_t animation, const std::string& text,
                    const TextStyle& style);

    // Drops the title of an item copy.
    static void freeTextList(FilmItem& item) { item.title.clear(); }

    // The film music: a full path is split into folder (drive and
    // directory) and file name (base name and extension).
    void setMusicPath(const std::string& path);
    std::string musicPath() const { return musicFolder_ + musicFile_; }
    const std::string& musicFolder() const { return musicFolder_; }
    const std::string& musicFile() const { return musicFile_; }

    std::int32_t playMode() const { return playMode_; }
    void setPlayMode(std::int32_t mode) { playMode_ = mode; }
    std::int32_t loop() const { return loop_; }
    void setLoop(std::int32_t loop) { loop_ = loop; }
    // Handed to the clip player; never changed by the viewer.
    std::int32_t clipFitFlag() const { return clipFitFlag_; }

  private:
    std::vector<FilmItem> items_;  // items_[k].number == k + 1
    bool hadItems_ = false;
    std::string musicFolder_;
    std::string musicFile_;
    std::int32_t clipFitFlag_ = 0;
    std::int32_t playMode_ = PLAYMODE_TIMED;
    std::int32_t loop_ = 1;
};

}  // namespace film
