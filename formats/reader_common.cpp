#include "formats/reader_common.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/context.h"
#include "core/engine/cell_index.h"
#include "core/engine/extent.h"
#include "core/engine/field.h"
#include "core/run.h"
#include "core/shell.h"

namespace gb {

void ReportFileNotFound(Context& ctx, const std::string& path) {
    ctx.field.busy = 0;
    RefreshCursor(ctx);
    ctx.shell.messageCaption = "ファイルが見つかりません。";
    AppMessageBox(ctx, "ファイル\"" + path + "\"が見つかりません。", Icon::Exclamation);
}

std::string FileRuleText(std::string_view text) {
    std::string out(text.substr(0, text.find(':')));
    for (char& c : out) {
        if (c == 'b') c = 'B';
        if (c == 's') c = 'S';
    }
    return out;
}

std::string_view ControlLineText(std::string_view line) {
    std::string_view text = line.size() > 2 ? line.substr(2) : std::string_view();
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

namespace {

// dst[i] = src[i] wherever src[i] is not 0; the other bytes of dst stay.
void MergeNonZero(std::int8_t* dst, const std::int8_t* src, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i keep = _mm_and_si128(_mm_cmpeq_epi8(s, zero), d);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(s, keep));
    }
#endif
    for (; i < n; ++i)
        if (src[i] != 0) dst[i] = src[i];
}

bool RowHasCells(const std::int8_t* row, int left, int right) {
    for (int x = left; x <= right; ++x)
        if (row[x] != 0) return true;
    return false;
}

}  // namespace

Extent StagedExtent(const Field& f) {
    Extent e;
    if (f.stagedTop > f.stagedBottom) return e;
    const auto row = [&f](int y) { return f.loadArea + static_cast<std::ptrdiff_t>(y) * f.loadWidth; };
    int left = f.stagedLeft, top = f.stagedTop, right = f.stagedRight, bottom = f.stagedBottom;
    if (!f.stagedTight) {
        // Rows with cells first, then the first and last column any of them uses.
        while (top <= bottom && !RowHasCells(row(top), left, right)) ++top;
        if (top > bottom) return e;
        while (!RowHasCells(row(bottom), left, right)) --bottom;
        int newLeft = right + 1, newRight = left - 1;
        for (int y = top; y <= bottom; ++y) {
            const std::int8_t* r = row(y);
            for (int x = left; x < newLeft; ++x)
                if (r[x] != 0) {
                    newLeft = x;
                    break;
                }
            for (int x = right; x > newRight; --x)
                if (r[x] != 0) {
                    newRight = x;
                    break;
                }
        }
        left = newLeft;
        right = newRight;
    }
    e.found = 1;
    e.left = left;
    e.top = top;
    e.right = right;
    e.bottom = bottom;
    e.width = right - left + 1;
    e.height = bottom - top + 1;
    return e;
}

void ClearStaging(Field& f) {
    if (f.stagedTop <= f.stagedBottom) {
        // Only the marked tiles within the box: nothing was written anywhere else.
        ForEachLiveBox(f.stagedIndex, [&f](CellBox box) {
            const int left = std::max(box.left, f.stagedLeft), right = std::min(box.right, f.stagedRight);
            const int top = std::max(box.top, f.stagedTop), bottom = std::min(box.bottom, f.stagedBottom);
            if (left > right || top > bottom) return;
            const auto count = static_cast<std::size_t>(right - left + 1);
            for (int y = top; y <= bottom; ++y)
                std::memset(f.loadArea + static_cast<std::ptrdiff_t>(y) * f.loadWidth + left, 0, count);
        });
    }
    ForgetStagedCells(f);
    ClearIndex(f.stagedIndex);
}

void PlaceStagedCells(Field& f, const Extent& e, int dx, int dy) {
    if (!e.found) return;
    // The box of plane 0 the cells may land in: the staged box moved, within the interior.
    const long long left = std::max<long long>(1, static_cast<long long>(e.left) + dx);
    const long long right = std::min<long long>(f.gridWidth - 2, static_cast<long long>(e.right) + dx);
    const long long top = std::max<long long>(1, static_cast<long long>(e.top) + dy);
    const long long bottom =
        std::min<long long>(f.gridHeight - 2, static_cast<long long>(e.bottom) + dy);
    if (left > right || top > bottom) return;
    // The staged tiles one run of tiles at a time, each within the box; whole rows at a time,
    // only non-zero staged bytes written.
    ForEachLiveBox(f.stagedIndex, [&](CellBox box) {
        const long long l = std::max<long long>(left, static_cast<long long>(box.left) + dx);
        const long long r = std::min<long long>(right, static_cast<long long>(box.right) + dx);
        const long long t = std::max<long long>(top, static_cast<long long>(box.top) + dy);
        const long long b = std::min<long long>(bottom, static_cast<long long>(box.bottom) + dy);
        if (l > r || t > b) return;
        const auto count = static_cast<std::size_t>(r - l + 1);
        for (long long ty = t; ty <= b; ++ty) {
            const std::int8_t* src =
                f.loadArea + static_cast<std::ptrdiff_t>(ty - dy) * f.loadWidth + static_cast<std::ptrdiff_t>(l - dx);
            MergeNonZero(&f.at(static_cast<int>(l), static_cast<int>(ty)), src, count);
        }
        NoteCellsWritten(f, static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b));
    });
}

}  // namespace gb
