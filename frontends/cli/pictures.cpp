#include "frontends/cli/pictures.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "engine/cell_grid.h"
#include "engine/field.h"

namespace gb::cli {

CellBox InteriorBox(const Field& f) { return {1, 1, f.gridWidth - 2, f.gridHeight - 2}; }

CellBox CropBox(const Extent& e) {
    if (!e.found) return {};
    return {e.left - 1, e.top - 1, e.right + 1, e.bottom + 1};
}

namespace {

struct PngSink {
    std::string bytes;
    char message[200] = {};
    std::jmp_buf jump;
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    sink->bytes.append(reinterpret_cast<const char*>(data), length);
}
void PngFlush(png_structp) {}
[[noreturn]] void PngError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message);
    std::longjmp(sink->jump, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Sets pixels p0 .. p1 of a row of one bit a pixel, the first pixel in the high bit: whole
// bytes at once.
void SetPixels(std::vector<png_byte>& row, std::int64_t p0, std::int64_t p1) {
    auto first = static_cast<std::size_t>(p0 >> 3);
    const auto last = static_cast<std::size_t>(p1 >> 3);
    const auto head = static_cast<png_byte>(0xFFu >> (p0 & 7));
    const auto tail = static_cast<png_byte>(0xFFu << (7 - (p1 & 7)));
    if (first == last) {
        row[first] |= static_cast<png_byte>(head & tail);
        return;
    }
    row[first++] |= head;
    std::fill(row.begin() + static_cast<std::ptrdiff_t>(first),
              row.begin() + static_cast<std::ptrdiff_t>(last), png_byte{0xFF});
    row[last] |= tail;
}

// The rows go out one at a time; everything with a destructor lives outside the jump.
bool WritePng(PngSink& sink, const Field& f, const CellBox& box, const PictureStyle& style,
              std::vector<png_byte>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, PngError, PngWarning);
    if (png == nullptr) {
        std::snprintf(sink.message, sizeof sink.message, "libpng could not start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (setjmp(sink.jump) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (info == nullptr) png_error(png, "libpng could not start");
    png_set_write_fn(png, &sink, PngWrite, PngFlush);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    const auto width = static_cast<png_uint_32>(box.width() * style.cell);
    const auto height = static_cast<png_uint_32>(box.height() * style.cell);
    png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[2];
    for (int i = 0; i < 2; ++i) {
        const Rgb c = i == 0 ? style.back : style.live;
        palette[i] = {static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                      static_cast<png_byte>(c)};
    }
    png_set_PLTE(png, info, palette, 2);
    png_write_info(png, info);
    const CellGrid& cells = f.cells();
    for (int y = box.top; y <= box.bottom; ++y) {
        std::fill(row.begin(), row.end(), png_byte{0});
        cells.forEachRun(y, box.left, box.right, [&](int x0, int x1) {
            SetPixels(row, (x0 - box.left) * std::int64_t{style.cell},
                      (x1 - box.left + 1) * std::int64_t{style.cell} - 1);
        });
        for (int k = 0; k < style.cell; ++k) png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

}  // namespace

std::optional<std::string> EncodePng(const Field& f, const CellBox& box, const PictureStyle& style,
                                     std::string& error) {
    const std::int64_t width = box.width() * style.cell, height = box.height() * style.cell;
    if (width > 0x7fffffff || height > 0x7fffffff) {
        error = "the picture would be wider or taller than a PNG can be";
        return std::nullopt;
    }
    PngSink sink;
    std::vector<png_byte> row(static_cast<std::size_t>((width + 7) / 8));
    if (!WritePng(sink, f, box, style, row)) {
        error = sink.message;
        return std::nullopt;
    }
    return std::move(sink.bytes);
}

std::optional<std::string> GifSizeProblem(const CellBox& box, int cell, std::int64_t frames) {
    const std::int64_t width = box.width() * cell, height = box.height() * cell;
    if (width > kMaxGifSide || height > kMaxGifSide)
        return "the GIF would be " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels; a GIF side holds at most 65535 (use --crop or a smaller --cell)";
    const __int128 pixels = static_cast<__int128>(width) * height * frames;
    if (pixels > kMaxGifPixels)
        return "the GIF's " + std::to_string(frames) + " frames of " + std::to_string(width) +
               " x " + std::to_string(height) +
               " pixels would exceed 2^31 pixels (use a larger --every, --crop or a smaller "
               "--cell)";
    return std::nullopt;
}

GifRecorder::GifRecorder(const Field& field, bool crop, const PictureStyle& style, int delayMs)
    : crop_(crop), style_(style), delayMs_(delayMs), interior_(InteriorBox(field)) {}

void GifRecorder::add(const Field& field, const Extent& extent) {
    frames_.push_back(PackCells(field, extent));
    const Extent& e = frames_.back().box;
    if (!e.found) return;
    if (!anyLive_) {
        union_ = e;
        anyLive_ = true;
        return;
    }
    union_.left = std::min(union_.left, e.left);
    union_.top = std::min(union_.top, e.top);
    union_.right = std::max(union_.right, e.right);
    union_.bottom = std::max(union_.bottom, e.bottom);
}

CellBox GifRecorder::box() const {
    if (!crop_) return interior_;
    Extent e = union_;
    e.found = anyLive_ ? 1 : 0;
    return CropBox(e);
}

std::optional<std::string> GifRecorder::tooLarge() const {
    return GifSizeProblem(box(), style_.cell, frames());
}

std::optional<std::string> GifRecorder::encode(std::string& error) const {
    if (auto problem = tooLarge()) {
        error = *problem;
        return std::nullopt;
    }
    std::string bytes;
    int code = 0;
    GifFileType* gif = EGifOpen(&bytes, GifWrite, &code);
    if (gif == nullptr) {
        error = GifErrorString(code);
        return std::nullopt;
    }
    const CellBox b = box();
    const int width = static_cast<int>(b.width() * style_.cell);
    const int height = static_cast<int>(b.height() * style_.cell);
    GifColorType colours[2];
    for (int i = 0; i < 2; ++i) {
        const Rgb c = i == 0 ? style_.back : style_.live;
        colours[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                      static_cast<GifByteType>(c)};
    }
    ColorMapObject* map = GifMakeMapObject(2, colours);
    const auto fail = [&] {
        error = GifErrorString(gif->Error);
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
        GifFreeMapObject(map);
        return std::nullopt;
    };
    if (map == nullptr) return fail();
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, width, height, 1, 0, map) == GIF_ERROR) return fail();
    // Played in a loop for ever.
    static const GifByteType kLoop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 3, kLoop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif) == GIF_ERROR)
        return fail();
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.UserInputFlag = false;
    control.DelayTime = (delayMs_ + 5) / 10;  // hundredths of a second
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const auto extensionLength = static_cast<int>(EGifGCBToExtension(&control, extension));
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (const PackedCells& frame : frames_) {
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, extensionLength, extension) ==
                GIF_ERROR ||
            EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_ERROR)
            return fail();
        for (int y = b.top; y <= b.bottom; ++y) {
            std::fill(line.begin(), line.end(), GifPixelType{0});
            frame.forEachRun(y, b.left, b.right, [&](int x0, int x1) {
                const auto px = static_cast<std::ptrdiff_t>(x0 - b.left) * style_.cell;
                std::fill_n(line.begin() + px,
                            static_cast<std::ptrdiff_t>(x1 - x0 + 1) * style_.cell,
                            GifPixelType{1});
            });
            for (int k = 0; k < style_.cell; ++k)
                if (EGifPutLine(gif, line.data(), width) == GIF_ERROR) return fail();
        }
    }
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) == GIF_ERROR) {
        error = GifErrorString(closeError);
        GifFreeMapObject(map);
        return std::nullopt;
    }
    GifFreeMapObject(map);
    return bytes;
}

}  // namespace gb::cli
