// Compares a screenshot of the running program with a plain-text pattern ("*" or "O" live,
// anything else dead, lines starting with "#" skipped).
//
//   gridbloom_shot_check SHOT.png PATTERN.txt initial|settled ZOOM CENTRE_X CENTRE_Y TOLERANCE
//
// "initial" expects the pattern as written; "settled" expects the state it settles into under
// B3/S23 (worked out here, independently of the program, and required to differ from the
// pattern, so that a picture passing it proves generations were run). The live-cell colour is
// red (255, 0, 0) and the background white. Every pixel of the picture that has the live colour
// must belong to the expected cells: the red bounding box has the expected size, and inside it
// each cell square (ZOOM - 1 pixels, a one-pixel gap after it) is all red or all white. The
// pattern's own centre must lie within TOLERANCE pixels of (CENTRE_X, CENTRE_Y).
//
// Exit status: 0 the picture matches, 1 it does not, 2 bad arguments or unreadable files.
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Cell = std::pair<int, int>;  // row, column
using Cells = std::set<Cell>;

bool ReadPattern(const char* path, Cells& live, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    int row = 0;
    width = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        for (int x = 0; x < static_cast<int>(line.size()); ++x)
            if (line[static_cast<std::size_t>(x)] == '*' ||
                line[static_cast<std::size_t>(x)] == 'O')
                live.insert({row, x});
        width = std::max(width, static_cast<int>(line.size()));
        ++row;
    }
    height = row;
    return !live.empty();
}

// One generation of B3/S23 on an unbounded plane.
Cells Step(const Cells& live) {
    std::set<Cell> candidates;
    for (const auto& [y, x] : live)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) candidates.insert({y + dy, x + dx});
    Cells next;
    for (const auto& [y, x] : candidates) {
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if ((dy != 0 || dx != 0) && live.count({y + dy, x + dx})) ++n;
        if (n == 3 || (n == 2 && live.count({y, x}))) next.insert({y, x});
    }
    return next;
}

struct Box {
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

Box BoxOf(const Cells& cells) {
    Box b{1 << 30, 1 << 30, -(1 << 30), -(1 << 30)};
    for (const auto& [y, x] : cells) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
    }
    return b;
}

constexpr QRgb kLive = qRgb(255, 0, 0);
constexpr QRgb kBack = qRgb(255, 255, 255);

const char* Name(QRgb c) {
    return c == kLive ? "live colour" : c == kBack ? "background" : "other";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 8) {
        std::fprintf(stderr,
                     "usage: %s SHOT.png PATTERN.txt initial|settled ZOOM CENTRE_X CENTRE_Y "
                     "TOLERANCE\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[3];
    const int zoom = std::atoi(argv[4]);
    const int centreX = std::atoi(argv[5]);
    const int centreY = std::atoi(argv[6]);
    const int tolerance = std::atoi(argv[7]);
    if ((mode != "initial" && mode != "settled") || zoom < 3) {
        std::fprintf(stderr, "shot_check: bad mode or zoom (integer zoom of 3 or more)\n");
        return 2;
    }

    Cells pattern;
    int patternW = 0, patternH = 0;
    if (!ReadPattern(argv[2], pattern, patternW, patternH)) {
        std::fprintf(stderr, "shot_check: cannot read a live cell from %s\n", argv[2]);
        return 2;
    }
    Cells expected = pattern;
    if (mode == "settled") {
        bool settled = false;
        for (int g = 0; g < 200 && !settled; ++g) {
            Cells next = Step(expected);
            settled = next == expected;
            expected = std::move(next);
        }
        if (!settled || expected.empty() || expected == pattern) {
            std::fprintf(stderr,
                         "shot_check: %s must settle into a non-empty still picture that differs "
                         "from itself\n",
                         argv[2]);
            return 2;
        }
    }

    QImage shot(QString::fromLocal8Bit(argv[1]));
    if (shot.isNull()) {
        std::fprintf(stderr, "shot_check: cannot read the picture %s\n", argv[1]);
        return 2;
    }
    shot = shot.convertToFormat(QImage::Format_RGB32);
    const auto pixel = [&shot](int x, int y) { return shot.pixel(x, y) & 0xFFFFFFu; };

    Box red{shot.width(), shot.height(), -1, -1};
    long redCount = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (pixel(x, y) == (kLive & 0xFFFFFFu)) {
                ++redCount;
                red.left = std::min(red.left, x);
                red.right = std::max(red.right, x);
                red.top = std::min(red.top, y);
                red.bottom = std::max(red.bottom, y);
            }
    if (redCount == 0) {
        std::printf("%s: no pixel has the live colour\n", mode.c_str());
        return 1;
    }

    const Box cells = BoxOf(expected);
    const int wantW = cells.width() * zoom - 1, wantH = cells.height() * zoom - 1;
    if (red.width() != wantW || red.height() != wantH) {
        std::printf("%s: live colour covers %dx%d pixels at (%d,%d), expected %dx%d\n",
                    mode.c_str(), red.width(), red.height(), red.left, red.top, wantW, wantH);
        return 1;
    }

    int wrong = 0;
    for (int y = red.top; y <= red.bottom; ++y) {
        for (int x = red.left; x <= red.right; ++x) {
            const int dx = x - red.left, dy = y - red.top;
            const bool gap = dx % zoom == zoom - 1 || dy % zoom == zoom - 1;
            const bool live =
                !gap && expected.count({cells.top + dy / zoom, cells.left + dx / zoom});
            const QRgb want = live ? kLive : kBack;
            const QRgb got = pixel(x, y) | 0xFF000000u;
            if (got == want) continue;
            if (++wrong <= 5)
                std::printf(
                    "%s: pixel (%d,%d) of cell row %d column %d is %06X (%s), expected %s\n",
                    mode.c_str(), x, y, cells.top + dy / zoom, cells.left + dx / zoom,
                    got & 0xFFFFFFu, Name(got), Name(want));
        }
    }
    if (wrong > 0) {
        std::printf("%s: %d pixels differ from the expected cells\n", mode.c_str(), wrong);
        return 1;
    }

    // Where the pattern as written sits: its cells keep their place while it settles.
    const double originX = red.left - static_cast<double>(cells.left) * zoom;
    const double originY = red.top - static_cast<double>(cells.top) * zoom;
    const double midX = originX + patternW * zoom / 2.0, midY = originY + patternH * zoom / 2.0;
    if (std::abs(midX - centreX) > tolerance || std::abs(midY - centreY) > tolerance) {
        std::printf("%s: the pattern's centre is at (%.1f,%.1f), expected (%d,%d) within %d\n",
                    mode.c_str(), midX, midY, centreX, centreY, tolerance);
        return 1;
    }
    std::printf("%s: %zu cells in %dx%d pixels at (%d,%d), centre (%.1f,%.1f)\n", mode.c_str(),
                expected.size(), red.width(), red.height(), red.left, red.top, midX, midY);
    return 0;
}
