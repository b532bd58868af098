#include "app/win32/Artwork.h"

#include <cmath>
#include <utility>

#include "app/win32/GdiObjects.h"

namespace plover::win32 {

namespace {

constexpr COLORREF Navy = RGB(14, 58, 102);
constexpr COLORREF Blue = RGB(31, 111, 178);
constexpr COLORREF LightBlue = RGB(120, 196, 240);
constexpr COLORREF Teal = RGB(34, 166, 179);
constexpr COLORREF Green = RGB(46, 158, 68);
constexpr COLORREF Red = RGB(208, 56, 58);
constexpr COLORREF Orange = RGB(232, 137, 28);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Sand = RGB(201, 164, 106);
constexpr COLORREF Ink = RGB(30, 30, 30);
constexpr COLORREF BarFace = RGB(238, 242, 246);
constexpr COLORREF BarLine = RGB(213, 222, 232);
constexpr COLORREF SoftFace = RGB(244, 248, 252);

COLORREF Mix(COLORREF a, COLORREF b, int step, int steps) {
    const auto channel = [&](int ca, int cb) {
        return ca + (cb - ca) * step / (steps > 0 ? steps : 1);
    };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& area, COLORREF colour) {
    UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &area, brush.get());
}

void VerticalGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom) {
    const int height = area.bottom - area.top;
    for (int y = 0; y < height; ++y) {
        RECT line{area.left, area.top + y, area.right, area.top + y + 1};
        Fill(dc, line, Mix(top, bottom, y, height - 1));
    }
}

// Runs a drawing step with a solid brush and pen.
template <typename Draw>
void WithColours(HDC dc, COLORREF fill, COLORREF outline, int penWidth, Draw draw) {
    UniqueBrush brush(CreateSolidBrush(fill));
    UniquePen pen(CreatePen(PS_SOLID, penWidth, outline));
    Selection selectBrush(dc, brush.get());
    Selection selectPen(dc, pen.get());
    draw();
}

void Disc(HDC dc, int cx, int cy, int r, COLORREF fill, COLORREF outline) {
    WithColours(dc, fill, outline, 1, [&] { Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1); });
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width) {
    UniquePen pen(CreatePen(PS_SOLID, width, colour));
    Selection select(dc, pen.get());
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void Text(HDC dc, int x, int y, const char* text, const FontSpec& spec, COLORREF colour) {
    UniqueFont font = CreateFontFor(spec);
    Selection select(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, text, static_cast<int>(lstrlenA(text)));
}

FontSpec Face(int height, bool bold, bool italic = false) {
    FontSpec spec;
    spec.face = "Arial";
    spec.pixelHeight = height;
    spec.bold = bold;
    spec.italic = italic;
    return spec;
}

// The plover of the product mark: a small shore bird with its black neck ring,
// standing in a white disc of the given size.
void Bird(HDC dc, int left, int top, int size) {
    const auto at = [&](double v) { return static_cast<int>(std::lround(v * size / 56.0)); };
    Disc(dc, left + at(28), top + at(28), at(28), White, RGB(200, 225, 245));
    // Legs.
    Line(dc, left + at(25), top + at(38), left + at(23), top + at(49), Orange,
         at(2) > 0 ? at(2) : 1);
    Line(dc, left + at(31), top + at(38), left + at(32), top + at(49), Orange,
         at(2) > 0 ? at(2) : 1);
    // Body, back and belly.
    WithColours(dc, Sand, RGB(150, 115, 70), 1,
                [&] { Ellipse(dc, left + at(12), top + at(22), left + at(44), top + at(41)); });
    WithColours(dc, White, White, 1,
                [&] { Ellipse(dc, left + at(17), top + at(31), left + at(38), top + at(41)); });
    // Tail.
    POINT tail[] = {{left + at(41), top + at(27)},
                    {left + at(50), top + at(24)},
                    {left + at(43), top + at(33)}};
    WithColours(dc, Sand, RGB(150, 115, 70), 1, [&] { Polygon(dc, tail, 3); });
    // Neck ring and head.
    WithColours(dc, Ink, Ink, 1,
                [&] { Ellipse(dc, left + at(13), top + at(20), left + at(25), top + at(27)); });
    Disc(dc, left + at(18), top + at(16), at(7), Sand, RGB(150, 115, 70));
    WithColours(dc, White, White, 1,
                [&] { Ellipse(dc, left + at(12), top + at(16), left + at(20), top + at(21)); });
    Disc(dc, left + at(17), top + at(14), at(1) > 0 ? at(1) : 1, Ink, Ink);
    // Beak.
    POINT beak[] = {
        {left + at(11), top + at(15)}, {left + at(4), top + at(17)}, {left + at(11), top + at(18)}};
    WithColours(dc, Orange, RGB(160, 90, 20), 1, [&] { Polygon(dc, beak, 3); });
}

// "PloverTool" with the second word lighter, set as one word.
void Wordmark(HDC dc, int x, int y, int height) {
    Text(dc, x, y, "Plover", Face(height, true), White);
    SIZE word{};
    {
        UniqueFont font = CreateFontFor(Face(height, true));
        Selection select(dc, font.get());
        GetTextExtentPoint32A(dc, "Plover", 6, &word);
    }
    Text(dc, x + word.cx, y, "Tool", Face(height, false), LightBlue);
}

void BottomBar(HDC dc, const RECT& area) {
    RECT bar{area.left, area.top + 424, area.right, area.bottom};
    Fill(dc, bar, BarFace);
    Line(dc, area.left, area.top + 424, area.right, area.top + 424, BarLine, 1);
}

void WelcomeBackground(HDC dc, const RECT& area) {
    Fill(dc, area, White);
    RECT header{area.left, area.top, area.right, area.top + 112};
    VerticalGradient(dc, header, Navy, Blue);
    RECT stripe{area.left, area.top + 112, area.right, area.top + 116};
    Fill(dc, stripe, Teal);
    Bird(dc, area.left + 24, area.top + 26, 60);
    Wordmark(dc, area.left + 100, area.top + 28, 34);
    Text(dc, area.left + 102, area.top + 70, "Internet connection check and repair",
         Face(13, false), RGB(214, 232, 248));
    WithColours(dc, SoftFace, BarLine, 1, [&] {
        RoundRect(dc, area.left + 40, area.top + 134, area.left + 402, area.top + 404, 14, 14);
    });
    BottomBar(dc, area);
}

void PanelBackground(HDC dc, const RECT& area) {
    Fill(dc, area, White);
    RECT header{area.left, area.top, area.right, area.top + 44};
    VerticalGradient(dc, header, Navy, Blue);
    RECT stripe{area.left, area.top + 44, area.right, area.top + 47};
    Fill(dc, stripe, Teal);
    Bird(dc, area.left + 12, area.top + 6, 32);
    Wordmark(dc, area.left + 52, area.top + 12, 18);
    Line(dc, area.left + 30, area.top + 130, area.right - 30, area.top + 130, BarLine, 1);
    BottomBar(dc, area);
}

void HeaderIcon(HDC dc, const RECT& area) {
    const int cx = area.left + 22;
    const int cy = area.top + 24;
    Disc(dc, cx, cy, 21, Blue, Navy);
    WithColours(dc, Blue, LightBlue, 1, [&] {
        Ellipse(dc, cx - 9, cy - 21, cx + 10, cy + 22);
        Ellipse(dc, cx - 21, cy - 9, cx + 22, cy + 10);
    });
    Line(dc, cx, cy - 21, cx, cy + 21, LightBlue, 1);
    Line(dc, cx - 21, cy, cx + 21, cy, LightBlue, 1);
    // Magnifier over the globe.
    Line(dc, area.left + 38, area.top + 44, area.left + 47, area.top + 55, Ink, 5);
    Disc(dc, area.left + 33, area.top + 38, 9, RGB(225, 240, 252), Ink);
    Disc(dc, area.left + 33, area.top + 38, 7, RGB(205, 230, 250), RGB(160, 200, 235));
}

void CheckStroke(HDC dc, const RECT& box, COLORREF colour, int width) {
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    UniquePen pen(CreatePen(PS_SOLID, width, colour));
    Selection select(dc, pen.get());
    POINT points[] = {{box.left + w * 22 / 100, box.top + h * 52 / 100},
                      {box.left + w * 42 / 100, box.top + h * 72 / 100},
                      {box.left + w * 78 / 100, box.top + h * 30 / 100}};
    Polyline(dc, points, 3);
}

void SuccessIcon(HDC dc, const RECT& area) {
    WithColours(dc, Green, RGB(30, 120, 50), 1,
                [&] { RoundRect(dc, area.left, area.top, area.right, area.bottom, 12, 12); });
    CheckStroke(dc, area, White, 5);
}

void Mark(HDC dc, const RECT& area, bool pass) {
    const int cx = (area.left + area.right) / 2;
    const int cy = (area.top + area.bottom) / 2;
    Disc(dc, cx, cy, 8, pass ? Green : Red, pass ? RGB(30, 120, 50) : RGB(150, 30, 30));
    if (pass) {
        RECT box{cx - 8, cy - 8, cx + 9, cy + 9};
        CheckStroke(dc, box, White, 2);
    } else {
        Line(dc, cx - 4, cy - 4, cx + 5, cy + 5, White, 2);
        Line(dc, cx + 4, cy - 4, cx - 5, cy + 5, White, 2);
    }
}

// Eight dots round a ring; the bright one moves on with the frame.
void Spinner(HDC dc, const RECT& area, COLORREF colour, int frame) {
    const double cx = (area.left + area.right - 1) / 2.0;
    const double cy = (area.top + area.bottom - 1) / 2.0;
    for (int i = 0; i < 8; ++i) {
        const double angle = i * 3.14159265358979 / 4;
        const int x = static_cast<int>(std::lround(cx + 5.5 * std::cos(angle)));
        const int y = static_cast<int>(std::lround(cy + 5.5 * std::sin(angle)));
        const int age = (frame - i + 80) % 8;
        const COLORREF dot = Mix(colour, RGB(225, 230, 236), age, 7);
        WithColours(dc, dot, dot, 1, [&] { Ellipse(dc, x - 2, y - 2, x + 2, y + 2); });
    }
}

}  // namespace

void DrawPicture(HDC dc, const RECT& area, Picture picture, int frame) {
    switch (picture) {
        case Picture::None:
            return;
        case Picture::WelcomeBackground:
            return WelcomeBackground(dc, area);
        case Picture::PanelBackground:
            return PanelBackground(dc, area);
        case Picture::Bullet:
            return Disc(dc, (area.left + area.right) / 2, (area.top + area.bottom) / 2, 4, Teal,
                        RGB(20, 120, 130));
        case Picture::HeaderIcon:
            return HeaderIcon(dc, area);
        case Picture::SuccessIcon:
            return SuccessIcon(dc, area);
        case Picture::PassMark:
            return Mark(dc, area, true);
        case Picture::FailMark:
            return Mark(dc, area, false);
        case Picture::Working:
            return Spinner(dc, area, Blue, frame);
        case Picture::RepairWorking:
            return Spinner(dc, area, Orange, frame);
    }
}

void DrawSkinButton(HDC dc, const RECT& area, const char* caption, HFONT font, bool enabled,
                    bool pressed, bool focused, bool primary) {
    COLORREF top = primary ? RGB(52, 140, 218) : White;
    COLORREF bottom = primary ? RGB(24, 92, 160) : RGB(222, 229, 237);
    COLORREF border = primary ? RGB(18, 70, 125) : RGB(160, 175, 190);
    COLORREF text = primary ? White : RGB(30, 43, 56);
    if (!enabled) {
        top = RGB(245, 246, 248);
        bottom = RGB(228, 231, 235);
        border = RGB(190, 196, 204);
        text = RGB(160, 166, 172);
    } else if (pressed) {
        std::swap(top, bottom);
    }
    // The corners outside the rounded face show the bar behind the button.
    Fill(dc, area, BarFace);
    RECT inner{area.left + 1, area.top + 1, area.right - 1, area.bottom - 1};
    VerticalGradient(dc, inner, top, bottom);
    {
        UniquePen pen(CreatePen(PS_SOLID, 1, border));
        Selection selectPen(dc, pen.get());
        Selection selectBrush(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, area.left, area.top, area.right, area.bottom, 8, 8);
    }
    Selection selectFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    RECT label = area;
    if (pressed) OffsetRect(&label, 1, 1);
    DrawTextA(dc, caption, -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (focused && enabled) {
        RECT focus{area.left + 4, area.top + 4, area.right - 4, area.bottom - 4};
        DrawFocusRect(dc, &focus);
    }
}

}  // namespace plover::win32
