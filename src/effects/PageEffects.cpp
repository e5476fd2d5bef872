#include "effects/PageEffects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <numbers>

#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr std::array<PageEffect::Preset, 14> CURL_PRESETS = {{{2, 1, 30},
                                                              {-4, -3, 40},
                                                              {1, 3, 20},
                                                              {2, -1, 50},
                                                              {3, 5, 25},
                                                              {-7, -1, 30},
                                                              {1, 1, 40},
                                                              {7, -1, 30},
                                                              {3, 1, 60},
                                                              {1, 1, 20},
                                                              {3, 5, 40},
                                                              {7, -1, 30},
                                                              {2, 6, 35},
                                                              {10, 1, 25}}};
constexpr std::array<PageEffect::Preset, 13> ROLL_PRESETS = {{{2, 1, 50},
                                                              {-4, 3, 175},
                                                              {5, -3, 200},
                                                              {-2, 1, 50},
                                                              {1, 1, 75},
                                                              {2, -1, 100},
                                                              {-3, 1, 175},
                                                              {7, -1, 75},
                                                              {3, 1, 125},
                                                              {-5, 1, 75},
                                                              {2, 1, 100},
                                                              {-2, 1, 100},
                                                              {10, 1, 200}}};

// The quarters peel toward their outer corners: (±3, ±4) for the curl and
// (±4, ±3) for the roll, with these radii.
constexpr PageEffect::Preset CURL_QUARTER = {3, 4, 30};
constexpr PageEffect::Preset ROLL_QUARTER = {4, 3, 100};

// Preset radii are for a stage 600 pixels high (the design canvas), so that
// a curl keeps its proportions from 640 x 480 to 1920 x 1080.
constexpr double REFERENCE_SIDE = 600.0;

// A roll starts thin and reaches the preset radius when it holds the page.
constexpr double ROLL_START_RADIUS = 0.25;

constexpr std::int64_t ONE = 1 << 16;  // 16.16 fixed point

// The bend table covers q = (c - s) / r from -1 (front of a roll) over the
// bend (0 to 1) and the shadow behind it (up to 2), in steps of 1/1024.
constexpr int BEND_STEPS = 1024;
constexpr int BEND_FIRST_Q = -1;
constexpr int BEND_LAST_Q = 2;
constexpr int BEND_ENTRIES = (BEND_LAST_Q - BEND_FIRST_Q) * BEND_STEPS + 1;

// How many rows ahead the active parts are asked for, and the slots of
// row parts kept meanwhile.
constexpr int PREFETCH_ROWS = 4;
constexpr int ROW_AHEAD_SLOTS = 16;

// An offset that puts any pixel off every page.
constexpr std::int32_t NO_PAPER = -(1 << 28);

// Light comes from above and ahead of the fold, so the bend darkens toward
// its back rim and casts its shadow on the uncovered picture.
constexpr double LIGHT_S = 0.5;
constexpr double LIGHT_Z = 1.0;
constexpr double AMBIENT = 0.4;
// The back of the paper: the picture showing through, washed toward white.
constexpr double PAPER_WHITE = 0.45;
constexpr double SPECULAR = 0.5;
constexpr double SPECULAR_POWER = 24.0;
// How far the shadow reaches behind the bend, in steps of the bend table
// past q = 1; within the table. It darkens by SHADOW_DEPTH / 256 right at
// the bend and fades with the square of the distance to its end.
constexpr int SHADOW_STEPS = BEND_STEPS / 2;
constexpr int SHADOW_DEPTH = 115;
constexpr int SHADOW_SHIFT = 18;
static_assert(SHADOW_STEPS * SHADOW_STEPS == 1 << SHADOW_SHIFT);

// The first step of the bend table (q as a step index) of each part of a
// row; the front's end is the page's own.
constexpr std::int64_t FIRST_TO_STEP = BEND_STEPS + SHADOW_STEPS;
constexpr std::int64_t FIRST_SHADOW_STEP = BEND_STEPS + 1;
constexpr std::int64_t FIRST_BEND_STEP = 0;

struct Light {
    double ls, lz, hs, hz;  // unit light and half vectors in the (s, z) plane
};

Light makeLight() {
    const double l = std::hypot(LIGHT_S, LIGHT_Z);
    Light light{LIGHT_S / l, LIGHT_Z / l, 0, 0};
    const double hs = light.ls;
    const double hz = light.lz + 1.0;
    const double h = std::hypot(hs, hz);
    light.hs = hs / h;
    light.hz = hz / h;
    return light;
}

// Diffuse light on a surface with normal (ns, nz); a flat, face-up page gets 1.
double diffuse(const Light& light, double ns, double nz) {
    const double d = std::max(0.0, ns * light.ls + nz * light.lz) / light.lz;
    return std::min(1.0, AMBIENT + (1.0 - AMBIENT) * d);
}

// The shade c * mul / 256 + add of light `level` on paper washed toward
// white by `white`; mul and add never carry a byte past 255.
PageEffect::Layer shadeLayer(double tau, double level, double white) {
    PageEffect::Layer layer;
    layer.tau = static_cast<std::int32_t>(std::lround(tau * ONE));
    layer.mul = static_cast<std::uint16_t>(std::floor(256.0 * level * (1.0 - white)));
    layer.add = static_cast<std::uint16_t>(std::floor(255.0 * level * white));
    return layer;
}

// The back of the paper with outward normal (ns, nz).
PageEffect::Layer backLayer(const Light& light, double tau, double ns, double nz) {
    const double highlight =
        SPECULAR * std::pow(std::max(0.0, ns * light.hs + nz * light.hz), SPECULAR_POWER);
    return shadeLayer(tau, diffuse(light, ns, nz), PAPER_WHITE + highlight * (1.0 - PAPER_WHITE));
}

// A bent page seen from above: at q the paper's outer side lies at angle
// a = pi - asin(q) around the cylinder and its inside at asin(q), measured
// from where it leaves the flat; the paper there lay r * (a - q) behind the
// pixel. A curl lies flat again past the top (q < 0), a roll keeps winding.
std::vector<PageEffect::BendEntry> buildBend(PageEffect::Fold fold, PageEffect::Layer& flatBack) {
    const Light light = makeLight();
    const double pi = std::numbers::pi;
    std::vector<PageEffect::BendEntry> bend(BEND_ENTRIES);
    for (int i = 0; i < BEND_ENTRIES; ++i) {
        const double q = BEND_FIRST_Q + static_cast<double>(i) / BEND_STEPS;
        PageEffect::BendEntry& entry = bend[static_cast<std::size_t>(i)];
        if (q > 1.0) {
            continue;  // the shadow, drawn without the table
        }
        const double z = std::sqrt(std::max(0.0, 1.0 - q * q));
        if (q >= 0.0) {
            entry.top = backLayer(light, pi - std::asin(q) - q, -q, z);
            // The inside shows only where no paper lies above it.
            entry.inside = shadeLayer(std::asin(q) - q, diffuse(light, q, z), 0.0);
        } else if (fold == PageEffect::Fold::Roll) {
            entry.top = backLayer(light, pi - std::asin(q) - q, -q, z);
        } else {
            entry.top = backLayer(light, pi - 2.0 * q, 0.0, 1.0);
        }
    }
    flatBack = backLayer(light, 0.0, 0.0, 1.0);
    return bend;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

PageEffect::Page makePage(int x0, int y0, int width, int height, int dx, int dy, double radius) {
    const double length = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
    PageEffect::Page page{};
    page.x0 = x0;
    page.y0 = y0;
    page.width = width;
    page.height = height;
    page.ux = std::llround(dx / length * ONE);
    page.uy = std::llround(dy / length * ONE);
    const int x1 = x0 + width - 1;
    const int y1 = y0 + height - 1;
    std::int64_t sMin = INT64_MAX;
    std::int64_t sMax = INT64_MIN;
    for (int x : {x0, x1}) {
        for (int y : {y0, y1}) {
            const std::int64_t s = x * page.ux + y * page.uy;
            sMin = std::min(sMin, s);
            sMax = std::max(sMax, s);
        }
    }
    page.sMin = sMin;
    page.sMax = sMax;
    page.radius = std::max<std::int64_t>(ONE, std::llround(radius * ONE));
    page.nextColumn = dx != 0 ? static_cast<int>(std::lround(-static_cast<double>(dy) / dx)) : 0;
    return page;
}

}  // namespace

int PageEffect::begin(const PictureFrameBlock& block) {
    end(block);
    begun_ = true;
    wholeUse_ = block.parameter != 0;
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const double scale = std::min(w, h) / REFERENCE_SIDE;
    try {
        bend_ = buildBend(fold_, flatBack_);
        tops_.resize(bend_.size());
        insides_.resize(bend_.size());
        fillShades();
        fast_ = !plainOnly_ && paperRunsHaveFastPath() && w <= FAST_SIDE && h <= FAST_SIDE;
        rows_.resize(ROW_AHEAD_SLOTS);
        if (wholeUse_) {
            const Preset preset =
                fold_ == Fold::Curl ? CURL_PRESETS[presetIndex_] : ROLL_PRESETS[presetIndex_];
            pages_.push_back(makePage(0, 0, w, h, preset.dx, preset.dy, preset.radius * scale));
        } else {
            const Preset q = fold_ == Fold::Curl ? CURL_QUARTER : ROLL_QUARTER;
            const int left = w / 2;
            const int bottom = h / 2;
            const double r = q.radius * scale;
            // Rows count upward: the first quarters are the lower ones.
            pages_.push_back(makePage(0, 0, left, bottom, -q.dx, -q.dy, r));
            pages_.push_back(makePage(left, 0, w - left, bottom, q.dx, -q.dy, r));
            pages_.push_back(makePage(0, bottom, left, h - bottom, -q.dx, q.dy, r));
            pages_.push_back(makePage(left, bottom, w - left, h - bottom, q.dx, q.dy, r));
        }
    } catch (const std::bad_alloc&) {
        bend_ = {};
        tops_ = {};
        insides_ = {};
        fast_ = false;
        rows_ = {};
        pages_ = {};
        return 0;
    }
    width_ = w;
    height_ = h;
    return 0;
}

int PageEffect::frame(const PictureFrameBlock& block) {
    // The pages belong to the size Begin saw.
    if (bend_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    if (copyEndPoint(block, percentProgress(block))) {
        return 0;
    }
    const std::int64_t progress = std::int64_t{block.elapsed} * ONE / block.duration;
    for (const Page& page : pages_) {
        if (page.width > 0 && page.height > 0) {
            drawPage(block, page, progress);
        }
    }
    return 0;
}

int PageEffect::end(const PictureFrameBlock&) {
    bend_ = {};
    tops_ = {};
    insides_ = {};
    fast_ = false;
    rows_ = {};
    pages_ = {};
    width_ = 0;
    height_ = 0;
    if (begun_ && wholeUse_) {
        const std::size_t count = fold_ == Fold::Curl ? CURL_PRESETS.size() : ROLL_PRESETS.size();
        presetIndex_ = (presetIndex_ + 1) % count;
    }
    begun_ = false;
    return 0;
}

PageEffect::Bend PageEffect::bendAt(const Page& page, std::int64_t progress) const {
    // The fold eases in and out; it starts at the page's first corner and
    // ends once the bend and its shadow have left the far one.
    const double x = static_cast<double>(progress) / ONE;
    const double eased = x * x * (3.0 - 2.0 * x);
    const std::int64_t extent = page.sMax - page.sMin;
    Bend bend;
    bend.c = page.sMin +
             static_cast<std::int64_t>(eased * static_cast<double>(extent + 2 * page.radius));
    bend.r = page.radius;
    if (fold_ == Fold::Roll) {
        // The roll's cross-section grows with the paper it has taken up.
        const double r0 = ROLL_START_RADIUS * static_cast<double>(page.radius);
        const double rEnd = static_cast<double>(page.radius);
        const double taken = std::clamp(static_cast<double>(bend.c - page.sMin) /
                                            static_cast<double>(std::max<std::int64_t>(extent, 1)),
                                        0.0, 1.0);
        bend.r = std::max<std::int64_t>(
            ONE, std::llround(std::sqrt(r0 * r0 + (rEnd * rEnd - r0 * r0) * taken)));
    }
    bend.qScale = (std::int64_t{BEND_STEPS} << 32) / bend.r;
    bend.piR = std::llround(std::numbers::pi * static_cast<double>(bend.r));
    return bend;
}

void PageEffect::LayerSteps::resize(std::size_t count) {
    x.resize(count);
    y.resize(count);
    xy.resize(count);
    shade.resize(count);
}

PaperLayer PageEffect::LayerSteps::layer() const {
    constexpr std::ptrdiff_t zero = -BEND_FIRST_Q * BEND_STEPS;
    return {x.data() + zero, y.data() + zero, shade.data() + zero, xy.data() + zero};
}

void PageEffect::fillShades() {
    // The shades and where there is no paper at all stay the same all
    // through a use; the inside has none before the bend.
    for (std::size_t i = 0; i < bend_.size(); ++i) {
        for (auto [steps, layer] :
             {std::pair{&tops_, bend_[i].top}, {&insides_, bend_[i].inside}}) {
            steps->shade[i] = packShade(layer.mul, layer.add);
            if (layer.tau < 0) {
                steps->x[i] = NO_PAPER;
                steps->y[i] = NO_PAPER;
                steps->xy[i] = packPlace(NO_PAPER, NO_PAPER);
            }
        }
    }
}

void PageEffect::fillSteps(const Page& page, const Bend& bend) {
    const auto fill = [&](LayerSteps& steps, std::size_t i, std::int32_t tau) {
        const std::int64_t t = (bend.r * tau) >> 16;
        const auto x = static_cast<std::int32_t>((ONE / 2 - ((t * page.ux) >> 16)) >> 16);
        const auto y = static_cast<std::int32_t>((ONE / 2 - ((t * page.uy) >> 16)) >> 16);
        steps.x[i] = x;
        steps.y[i] = y;
        steps.xy[i] = packPlace(x, y);
    };
    // Only the steps the runs read: the bend's, and a roll's front (a
    // curl's flap is a straight line). The shadow has its own reach.
    constexpr std::size_t zero = -BEND_FIRST_Q * BEND_STEPS;
    const std::size_t first = fold_ == Fold::Roll ? 0 : zero;
    for (std::size_t i = first; i < zero; ++i) {
        fill(tops_, i, bend_[i].top.tau);
    }
    for (std::size_t i = zero; i <= zero + BEND_STEPS; ++i) {
        fill(tops_, i, bend_[i].top.tau);
        fill(insides_, i, bend_[i].inside.tau);
    }
}

PageEffect::RowParts PageEffect::rowParts(const Page& page, const Bend& bend, std::int64_t frontEnd,
                                          int y) const {
    // Along the row q = qRow - x * qStep, stepped the same way by the part
    // loops, so a part's columns hold exactly its steps of the table.
    const std::int64_t qRow = (bend.c - y * page.uy) * bend.qScale;
    const std::int64_t qStep = page.ux * bend.qScale;
    const std::int64_t firsts[PART_COUNT - 1] = {FIRST_TO_STEP, FIRST_SHADOW_STEP, FIRST_BEND_STEP,
                                                 frontEnd};
    const int x1 = page.x0 + page.width;
    RowParts row{};
    row.rising = qStep < 0;
    row.edge[0] = page.x0;
    row.edge[PART_COUNT] = x1;
    for (int k = 0; k < PART_COUNT - 1; ++k) {
        const std::int64_t q =
            firsts[row.rising ? PART_COUNT - 2 - k : k] * (std::int64_t{1} << 32);
        std::int64_t x;
        if (qStep > 0) {
            x = floorDiv(qRow - q, qStep) + 1;  // the first column below q
        } else if (qStep < 0) {
            x = -floorDiv(qRow - q, -qStep);  // the first column at or above q
        } else {
            x = qRow >= q ? x1 : page.x0;
        }
        row.edge[k + 1] = static_cast<int>(std::clamp<std::int64_t>(x, row.edge[k], x1));
    }
    return row;
}

void PageEffect::drawPage(const PictureFrameBlock& block, const Page& page, std::int64_t progress) {
    const Bend bend = bendAt(page, progress);
    fillSteps(page, bend);
    // A roll's front ends with the roll; a curl's flap reaches as far past
    // the bend as the paper it has taken up, less the bend itself.
    std::int64_t frontEnd = BEND_FIRST_Q * BEND_STEPS;
    if (fold_ == Fold::Curl) {
        const std::int64_t flapEnd = 2 * bend.c - bend.piR - page.sMin + 2 * ONE;
        frontEnd =
            std::min<std::int64_t>(FIRST_BEND_STEP, ((bend.c - flapEnd) * bend.qScale) >> 32);
    }

    // Rows split into parts, drawn in order along the row. The active parts
    // read short runs of the pictures that the processor does not see
    // coming: ask for those of a row a few rows ahead.
    const int y1 = page.y0 + page.height;
    const auto partsOf = [&](int y) -> RowParts& {
        return rows_[static_cast<std::size_t>(y - page.y0) % ROW_AHEAD_SLOTS];
    };
    for (int y = page.y0; y < std::min(y1, page.y0 + PREFETCH_ROWS); ++y) {
        partsOf(y) = rowParts(page, bend, frontEnd, y);
    }
    for (int y = page.y0; y < y1; ++y) {
        const int ahead = y + PREFETCH_ROWS;
        if (ahead < y1) {
            partsOf(ahead) = rowParts(page, bend, frontEnd, ahead);
            prefetchActive(block, partsOf(ahead), ahead);
        }
        drawRow(block, page, bend, partsOf(y), y);
    }
}

void PageEffect::prefetchActive(const PictureFrameBlock& block, const RowParts& row, int y) const {
    // In either order the active parts are the middle three.
    const int begin = row.edge[1];
    const int end = row.edge[PART_COUNT - 1];
    if (begin >= end) {
        return;
    }
    const std::size_t first = static_cast<std::size_t>(y) * static_cast<std::size_t>(block.width);
    constexpr int LINE_PIXELS = 16;
    for (int x = begin; x < end + LINE_PIXELS; x += LINE_PIXELS) {
        const std::size_t i = first + static_cast<std::size_t>(std::min(x, end - 1));
        __builtin_prefetch(block.to + i);
        __builtin_prefetch(block.from + i);
        __builtin_prefetch(block.out + i, 1);
    }
}

void PageEffect::drawRow(const PictureFrameBlock& block, const Page& page, const Bend& bend,
                         const RowParts& row, int y) const {
    const int w = block.width;
    Pixel* out = rowOf(block.out, w, y);
    for (int i = 0; i < PART_COUNT; ++i) {
        const int part = row.rising ? PART_COUNT - 1 - i : i;
        const int begin = row.edge[i];
        const int end = row.edge[i + 1];
        if (begin >= end) {
            continue;
        }
        switch (part) {
            case PART_TO:
                copyPixels(out + begin, rowOf(block.to, w, y) + begin, end - begin);
                break;
            case PART_SHADOW:
                drawShadow(block, page, bend, y, begin, end);
                break;
            case PART_BEND:
                drawBend(block, page, bend, y, begin, end);
                break;
            case PART_FRONT:
                drawFront(block, page, bend, y, begin, end);
                break;
            default:
                copyPixels(out + begin, rowOf(block.from, w, y) + begin, end - begin);
                break;
        }
    }
}

namespace {

// The columns [first, second) of a run of `count` pixels at which
// (start + i * step) >> 32 lies in [0, limit).
std::pair<std::int64_t, std::int64_t> withinLimit(std::int64_t start, std::int64_t step,
                                                  std::int64_t limit, std::int64_t count) {
    const std::int64_t low = 0;
    const std::int64_t high = (limit << 32) - 1;  // the last value inside
    if (step == 0) {
        return start >= low && start <= high ? std::pair{std::int64_t{0}, count}
                                             : std::pair{std::int64_t{0}, std::int64_t{0}};
    }
    std::int64_t first, last;  // the first and last i inside
    if (step > 0) {
        first = -floorDiv(start - low, step);
        last = floorDiv(high - start, step);
    } else {
        first = -floorDiv(high - start, -step);
        last = floorDiv(start - low, -step);
    }
    return {std::max<std::int64_t>(first, 0), std::min<std::int64_t>(last + 1, count)};
}

}  // namespace

void PageEffect::drawShadow(const PictureFrameBlock& block, const Page& page, const Bend& bend,
                            int y, int begin, int end) const {
    const int w = block.width;
    const Pixel* toRow = rowOf(block.to, w, y);
    Pixel* out = rowOf(block.out, w, y);
    // No shadow where the rim has no paper. The rim's paper lay
    // r (pi / 2 - q) = pi r / 2 - (c - s) behind: it moves by a constant per
    // column (32.32 fixed point, rounded), and lies on the page along one
    // stretch of the run.
    const std::int64_t t = bend.piR / 2 - bend.c + y * page.uy + begin * page.ux;
    const std::int64_t half = std::int64_t{1} << 31;
    const std::int64_t sx = (std::int64_t{begin - page.x0} << 32) - t * page.ux + half;
    const std::int64_t sy = (std::int64_t{y - page.y0} << 32) - t * page.uy + half;
    const std::int64_t sxStep = (std::int64_t{1} << 32) - page.ux * page.ux;
    const std::int64_t syStep = -page.ux * page.uy;
    const std::int64_t count = end - begin;
    const auto [xFirst, xEnd] = withinLimit(sx, sxStep, page.width, count);
    const auto [yFirst, yEnd] = withinLimit(sy, syStep, page.height, count);
    const int first = static_cast<int>(std::min(std::max(xFirst, yFirst), count));
    const int last = std::max(first, static_cast<int>(std::min(xEnd, yEnd)));
    copyPixels(out + begin, toRow + begin, first);
    const std::int64_t qStep = page.ux * bend.qScale;
    const std::int64_t q = (bend.c - y * page.uy) * bend.qScale - (begin + first) * qStep;
    ShadowRun run{};
    run.out = out + begin + first;
    run.under = toRow + begin + first;
    run.count = last - first;
    // In 16.16 steps, as the table runs.
    run.q = static_cast<std::int32_t>(q >> 16);
    run.qStep = static_cast<std::int32_t>(qStep >> 16);
    run.firstStep = FIRST_SHADOW_STEP;
    run.lastStep = FIRST_TO_STEP;
    run.depth = SHADOW_DEPTH;
    run.shift = SHADOW_SHIFT;
    (fast_ ? shadowRunFast : shadowRunPlain)(run);
    copyPixels(out + begin + last, toRow + begin + last, count - last);
}

void PageEffect::drawBend(const PictureFrameBlock& block, const Page& page, const Bend& bend, int y,
                          int begin, int end) const {
    const PaperLayer inside = insides_.layer();
    TableRun run = tableRun(block, page, bend, y, begin, end);
    run.under = rowOf(block.to, block.width, y) + begin;
    run.firstStep = FIRST_BEND_STEP;
    run.lastStep = BEND_STEPS;
    run.second = &inside;
    (fast_ ? tableRunFast : tableRunPlain)(run);
}

TableRun PageEffect::tableRun(const PictureFrameBlock& block, const Page& page, const Bend& bend,
                              int y, int begin, int end) const {
    const std::int64_t qStep = page.ux * bend.qScale;
    const std::int64_t q = (bend.c - y * page.uy) * bend.qScale - begin * qStep;
    TableRun run{};
    run.out = rowOf(block.out, block.width, y) + begin;
    run.paper = rowOf(block.from, block.width, page.y0) + page.x0;
    run.stride = block.width;
    run.column = begin - page.x0;
    run.row = y - page.y0;
    run.pageWidth = page.width;
    run.pageHeight = page.height;
    run.count = end - begin;
    // In 16.16 steps: the run stays within its part of the table.
    run.q = static_cast<std::int32_t>(q >> 16);
    run.qStep = static_cast<std::int32_t>(qStep >> 16);
    run.first = tops_.layer();
    run.nextRow = block.width + page.nextColumn;
    return run;
}

void PageEffect::drawFront(const PictureFrameBlock& block, const Page& page, const Bend& bend,
                           int y, int begin, int end) const {
    const int w = block.width;
    const Pixel* fromRow = rowOf(block.from, w, y);
    Pixel* out = rowOf(block.out, w, y);
    if (fold_ == Fold::Roll) {
        TableRun run = tableRun(block, page, bend, y, begin, end);
        run.under = fromRow + begin;
        run.firstStep = BEND_FIRST_Q * BEND_STEPS;
        run.lastStep = FIRST_BEND_STEP - 1;
        run.second = nullptr;
        (fast_ ? tableRunFast : tableRunPlain)(run);
        return;
    }
    // The curl's flat, folded-back paper lay pi r + 2 (s - c) behind: a
    // mirror image, so the place it comes from moves by a constant per
    // column (32.32 fixed point, rounded), and it lies on the page along one
    // stretch of the run.
    const std::int64_t t = bend.piR + 2 * (y * page.uy + begin * page.ux - bend.c);
    const std::int64_t half = std::int64_t{1} << 31;
    LineRun run{};
    run.x = (std::int64_t{begin - page.x0} << 32) - t * page.ux + half;
    run.y = (std::int64_t{y - page.y0} << 32) - t * page.uy + half;
    run.xStep = (std::int64_t{1} << 32) - 2 * page.ux * page.ux;
    run.yStep = -2 * page.ux * page.uy;
    const std::int64_t count = end - begin;
    const auto [xFirst, xEnd] = withinLimit(run.x, run.xStep, page.width, count);
    const auto [yFirst, yEnd] = withinLimit(run.y, run.yStep, page.height, count);
    const int first = static_cast<int>(std::min(std::max(xFirst, yFirst), count));
    const int last = std::max(first, static_cast<int>(std::min(xEnd, yEnd)));
    copyPixels(out + begin, fromRow + begin, first);
    run.out = out + begin + first;
    run.paper = rowOf(block.from, w, page.y0) + page.x0;
    run.stride = w;
    run.count = last - first;
    run.x += first * run.xStep;
    run.y += first * run.yStep;
    run.shade = packShade(flatBack_.mul, flatBack_.add);
    (fast_ ? lineRunFast : lineRunPlain)(run);
    copyPixels(out + begin + last, fromRow + begin + last, count - last);
}

}  // namespace effects
