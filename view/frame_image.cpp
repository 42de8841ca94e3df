#include "view/frame_image.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "session/context.h"
#include "session/frame.h"

namespace gb {

namespace {

QColor ToQColor(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

// Keeps a line's end within a pixel of the image, so that the painter never sees coordinates far
// outside it; what is drawn inside the image stays the same.
int Near(int v, int size) { return std::clamp(v, -2, size + 1); }

// zoom is in image pixels per cell; the spacing of the lines follows the zoom the user chose.
void DrawGrid(QPainter& p, const Context& ctx, const FramePlacement& at, int w, int h,
              double zoom) {
    const int gw = ctx.field.gridWidth, gh = ctx.field.gridHeight;
    const int k = std::max(1, GridSpacing(ctx.view.zoom));
    const QColor colour = ToQColor(ctx.display.gridColor);
    // Each line runs from the interior's first pixel up to, not including, the border cell.
    const int x0 = Near(at.left, w), x1 = Near(at.right, w);
    const int y0 = Near(at.top, h), y1 = Near(at.bottom, h);
    // The lines' pixels grow with d: start a little before the first that can be on the image
    // and stop at the first past it.
    const auto firstLine = [k, zoom](float viewStart) {
        const double d = std::floor(viewStart - 2 / zoom) - 2;
        if (!(d > 2)) return 2;
        const double steps = std::floor((std::min(d, 2e9) - 2) / k);
        return 2 + k * static_cast<int>(steps);
    };
    for (int d = firstLine(at.viewTop); d < gh - 1; d += k) {
        const int y = GridLinePixel(d, at.viewTop, zoom);
        if (y >= h) break;
        if (y >= 0 && x1 > x0) p.fillRect(x0, y, x1 - x0, 1, colour);
    }
    for (int d = firstLine(at.viewLeft); d < gw - 1; d += k) {
        const int x = GridLinePixel(d, at.viewLeft, zoom);
        if (x >= w) break;
        if (x >= 0 && y1 > y0) p.fillRect(x, y0, 1, y1 - y0, colour);
    }
}

void DrawBorder(QPainter& p, const Context& ctx, const FramePlacement& at, int w, int h) {
    QPen pen(ToQColor(ctx.display.liveColor), 1, Qt::DotLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBackgroundMode(Qt::TransparentMode);
    const int l = Near(at.left - 1, w), r = Near(at.right - 1, w);
    const int t = Near(at.top - 1, h), b = Near(at.bottom - 1, h);
    const QPoint corners[] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
    p.drawPolyline(corners, 5);
}

void DrawTextAt(QPainter& p, const QFontMetrics& metrics, int x, int y, const std::string& text) {
    p.drawText(QPoint(x, y + metrics.ascent()), QString::fromStdString(text));
}

}  // namespace

QFont FrameFont() {
    QFont font;
    font.setFamilies({QString::fromUtf8("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(12);
    // Crisp text: every text pixel in the text colour, as on the bitmap faces it was made for.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QImage ComposeFrame(Context& ctx, QSize client, bool advance, double devicePixelRatio) {
    // The image has the screen's pixels: on a high-density screen every geometric size (cells,
    // grid, border) is multiplied by the ratio, and the texts are drawn at the finer resolution.
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int w = std::max(static_cast<int>(std::lround(client.width() * ratio)), 0);
    const int h = std::max(static_cast<int>(std::lround(client.height() * ratio)), 0);
    const double zoom = ctx.view.zoom * ratio;
    QImage image(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    image.fill(ToQColor(ctx.display.backColor));
    // While the Field is being rebuilt at a new size its blocks come and go: show the background
    // only, and do not take a missing block for a fatal one.
    if (ctx.run.rebuilding) {
        image.setDevicePixelRatio(ratio);
        return image;
    }
    BeginFrame(ctx, advance);

    const FramePlacement at = PlaceField(ctx.field.gridWidth, ctx.field.gridHeight, w, h, zoom,
                                         ctx.view.offsetX, ctx.view.offsetY);
    ctx.view.viewLeft = at.viewLeft;
    ctx.view.viewTop = at.viewTop;
    ctx.view.pixelRatio = ratio;

    {
        QPainter lines(&image);
        if (ctx.display.gridShown) DrawGrid(lines, ctx, at, w, h, zoom);
        DrawBorder(lines, ctx, at, w, h);
    }

    // The cells go straight into the pixels, between the painter's two turns.
    PixelTarget target;
    target.pixels = reinterpret_cast<std::uint32_t*>(image.bits());
    target.width = w;
    target.height = h;
    target.stride = image.bytesPerLine() / 4;
    ctx.view.population = PaintCells(ctx.field, target, at.viewLeft, at.viewTop, zoom,
                                     ToQColor(ctx.display.liveColor).rgb());

    // From here on the painter works in the view's own (logical) pixels.
    image.setDevicePixelRatio(ratio);
    QPainter p(&image);
    const int grey = TextGrey(ctx.display.backColor);
    p.setPen(QColor(grey, grey, grey));
    p.setBackgroundMode(Qt::TransparentMode);
    const QFont font = FrameFont();
    p.setFont(font);
    const QFontMetrics metrics(font, &image);
    DrawTextAt(p, metrics, 10, 10, StatusLine(ctx.field.generation, ctx.view.population));
    if (ctx.view.zoomLabelShown) DrawTextAt(p, metrics, 10, 30, ZoomLabel(ctx.view.zoom));
    if (!HasLiveCells(ctx.view) && ctx.field.generation != 0)
        DrawTextAt(p, metrics, client.width() / 2, client.height() / 2, kExtinctionText);
    p.end();
    FrameFindsExtinction(ctx);
    return image;
}

}  // namespace gb
