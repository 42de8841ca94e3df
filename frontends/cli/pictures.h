// Pictures of the Field for gridbloom-cli: a PNG of one generation, an animated GIF of a run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "frontends/cli/arguments.h"
#include "frontends/cli/study.h"

namespace gb {
struct Field;
}

namespace gb::cli {

struct PictureStyle {
    int cell = 1;  // pixels per cell
    Rgb live = 0xFF0000;
    Rgb back = 0xFFFFFF;
};

// A box of grid cells, inclusive.
struct CellBox {
    int left = 1, top = 1, right = 1, bottom = 1;
    std::int64_t width() const { return static_cast<std::int64_t>(right) - left + 1; }
    std::int64_t height() const { return static_cast<std::int64_t>(bottom) - top + 1; }
};

// The whole interior of the Field.
CellBox InteriorBox(const Field& field);
// The extent with a margin of one cell; a single cell at the interior's corner when empty.
CellBox CropBox(const Extent& extent);

// The cells of the Field within box as a PNG with a two-colour palette; nothing (and why) when
// libpng gives up.
std::optional<std::string> EncodePng(const Field& field, const CellBox& box,
                                     const PictureStyle& style, std::string& error);

// The largest GIF side (16 bits) and pixel count of all frames together.
inline constexpr std::int64_t kMaxGifSide = 65535;
inline constexpr std::int64_t kMaxGifPixels = std::int64_t{1} << 31;

// Frames of a run, kept as packed copies of their cells until the GIF is written (a cropped GIF
// needs the union of all the extents before its first frame).
class GifRecorder {
public:
    GifRecorder(const Field& field, bool crop, const PictureStyle& style, int delayMs);
    // Adds the Field, whose extent is given, as the next frame.
    void add(const Field& field, const Extent& extent);
    std::int64_t frames() const { return static_cast<std::int64_t>(frames_.size()); }
    // The box the frames show: the interior, or the union of the extents with a margin.
    CellBox box() const;
    // Why the GIF cannot be made (a side beyond 65535 pixels or more than 2^31 pixels in all),
    // or nothing when it can. Frames only ever make it worse.
    std::optional<std::string> tooLarge() const;
    std::optional<std::string> encode(std::string& error) const;

private:
    bool crop_;
    PictureStyle style_;
    int delayMs_;
    CellBox interior_;
    bool anyLive_ = false;
    Extent union_;
    std::vector<PackedCells> frames_;
};

// Why a picture of box at this cell size is too large for a GIF of this many frames, or nothing.
std::optional<std::string> GifSizeProblem(const CellBox& box, int cell, std::int64_t frames);

}  // namespace gb::cli
