#include "runner/win32/menu_glyphs.h"

#include <algorithm>
#include <array>

namespace qm::win32 {

namespace {

// Glyphs are drawn on a 16 x 16 grid scaled to the bitmap.
class Grid {
public:
    Grid(int width, int height) : width_(width), height_(height) {}
    int X(int u) const { return MulDiv(u, width_, 16); }
    int Y(int u) const { return MulDiv(u, height_, 16); }
    POINT P(int x, int y) const { return {X(x), Y(y)}; }
    int Stroke() const { return std::max(1, MulDiv(std::min(width_, height_), 1, 9)); }

private:
    int width_;
    int height_;
};

void FillPolygon(HDC dc, COLORREF fill, COLORREF outline, int stroke, const POINT* points,
                 int count) {
    const UniqueBrush brush(CreateSolidBrush(fill));
    const UniquePen pen(CreatePen(PS_SOLID, stroke, outline));
    const Selection brushSelection(dc, brush.Get());
    const Selection penSelection(dc, pen.Get());
    Polygon(dc, points, count);
}

void FillBox(HDC dc, COLORREF fill, COLORREF outline, int stroke, RECT box) {
    const UniqueBrush brush(CreateSolidBrush(fill));
    const UniquePen pen(CreatePen(PS_SOLID, stroke, outline));
    const Selection brushSelection(dc, brush.Get());
    const Selection penSelection(dc, pen.Get());
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
}

void Lines(HDC dc, COLORREF color, int stroke, const POINT* points, int count) {
    const UniquePen pen(CreatePen(PS_SOLID, stroke, color));
    const Selection penSelection(dc, pen.Get());
    Polyline(dc, points, count);
}

void DrawGlyph(HDC dc, MenuGlyph glyph, const Grid& g) {
    const int s = g.Stroke();
    switch (glyph) {
    case MenuGlyph::Run: {
        const POINT triangle[] = {g.P(4, 2), g.P(13, 8), g.P(4, 14)};
        FillPolygon(dc, RGB(40, 170, 70), RGB(20, 110, 40), 1, triangle, 3);
        break;
    }
    case MenuGlyph::Stop:
        FillBox(dc, RGB(210, 50, 50), RGB(140, 20, 20), 1, {g.X(3), g.Y(3), g.X(13), g.Y(13)});
        break;
    case MenuGlyph::Browse: {
        const POINT folder[] = {g.P(1, 3),  g.P(6, 3),   g.P(7, 5),
                                g.P(15, 5), g.P(15, 13), g.P(1, 13)};
        FillPolygon(dc, RGB(240, 190, 60), RGB(150, 100, 10), 1, folder, 6);
        break;
    }
    case MenuGlyph::Exit: {
        FillBox(dc, RGB(235, 235, 235), RGB(90, 90, 90), 1, {g.X(2), g.Y(1), g.X(9), g.Y(15)});
        const POINT shaft[] = {g.P(5, 8), g.P(15, 8)};
        Lines(dc, RGB(200, 40, 40), s, shaft, 2);
        const POINT head[] = {g.P(11, 4), g.P(15, 8), g.P(11, 12)};
        Lines(dc, RGB(200, 40, 40), s, head, 3);
        break;
    }
    case MenuGlyph::Devices: {
        // A circular arrow: the list is read again.
        const UniquePen pen(CreatePen(PS_SOLID, s, RGB(30, 100, 200)));
        const Selection penSelection(dc, pen.Get());
        const Selection brushSelection(dc, GetStockObject(NULL_BRUSH));
        Arc(dc, g.X(2), g.Y(2), g.X(14), g.Y(14), g.X(14), g.Y(5), g.X(14), g.Y(11));
        const POINT head[] = {g.P(10, 1), g.P(15, 2), g.P(13, 7)};
        FillPolygon(dc, RGB(30, 100, 200), RGB(30, 100, 200), 1, head, 3);
        break;
    }
    case MenuGlyph::Priority:
        FillBox(dc, RGB(240, 150, 40), RGB(160, 90, 10), 1, {g.X(2), g.Y(10), g.X(6), g.Y(15)});
        FillBox(dc, RGB(240, 150, 40), RGB(160, 90, 10), 1, {g.X(6), g.Y(6), g.X(10), g.Y(15)});
        FillBox(dc, RGB(240, 150, 40), RGB(160, 90, 10), 1, {g.X(10), g.Y(2), g.X(14), g.Y(15)});
        break;
    case MenuGlyph::Poll: {
        const UniqueBrush face(CreateSolidBrush(RGB(250, 250, 250)));
        const UniquePen rim(CreatePen(PS_SOLID, s, RGB(40, 80, 160)));
        {
            const Selection brushSelection(dc, face.Get());
            const Selection penSelection(dc, rim.Get());
            Ellipse(dc, g.X(1), g.Y(1), g.X(15), g.Y(15));
        }
        const POINT hands[] = {g.P(8, 4), g.P(8, 8), g.P(11, 10)};
        Lines(dc, RGB(40, 40, 40), s, hands, 3);
        break;
    }
    case MenuGlyph::Preferences: {
        const POINT upper[] = {g.P(1, 5), g.P(15, 5)};
        const POINT lower[] = {g.P(1, 11), g.P(15, 11)};
        Lines(dc, RGB(110, 110, 110), s, upper, 2);
        Lines(dc, RGB(110, 110, 110), s, lower, 2);
        FillBox(dc, RGB(60, 120, 210), RGB(30, 70, 150), 1, {g.X(3), g.Y(2), g.X(7), g.Y(9)});
        FillBox(dc, RGB(60, 120, 210), RGB(30, 70, 150), 1, {g.X(9), g.Y(8), g.X(13), g.Y(15)});
        break;
    }
    }
}

} // namespace

UniqueBitmap DrawMenuGlyph(MenuGlyph glyph, int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    const WindowDc screen(nullptr);
    if (screen.Get() == nullptr)
        return {};
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    const UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    if (!bitmap || !dc)
        return {};
    {
        const Selection bitmapSelection(dc.Get(), bitmap.Get());
        const RECT all{0, 0, width, height};
        FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawGlyph(dc.Get(), glyph, Grid(width, height));
    }
    return bitmap;
}

} // namespace qm::win32
