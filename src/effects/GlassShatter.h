#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"

namespace effects {

// The outgoing picture breaks into 16 shards, like a pane hit in its centre:
// angular sectors whose edges run straight out to a radius and then bend.
// The shards fall out of the frame one after another, each accelerating, and
// uncover the incoming picture. Direction and parameter are not read.
class GlassShatter final : public PictureEffect {
  public:
    static constexpr int SHARD_COUNT = 16;

    // Assigns every pixel to its shard and keeps each row as runs.
    int begin(const PictureFrameBlock& block) override;
    // Writes nothing when Begin could not build the runs.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    // The shard of the pixel at column x, memory row y of a width x height
    // frame.
    static int shardOf(int x, int y, int width, int height);

    // One run of a row: columns first .. end - 1 belong to `shard`.
    struct Run {
        std::int32_t first, end, shard;
    };
    // The runs of memory row y; empty without Begin.
    std::vector<Run> rowRuns(int y) const;

  private:
    std::vector<Run> runs_;                // every row's runs, row after row
    std::vector<std::uint32_t> rowStart_;  // height + 1 indices into runs_
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
