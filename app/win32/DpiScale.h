#pragma once

#include <windows.h>

namespace plover::win32 {

// The window is designed at 96 DPI. The program declares itself DPI aware,
// so Windows no longer stretches its bitmap at 120 or 144 DPI (which blurs
// every text): it draws every position, size and font scaled itself.
class DpiScale {
public:
    // The screen's DPI as this program sees it.
    static int SystemDpi();

    explicit DpiScale(int dpi = 96) : dpi_(dpi > 0 ? dpi : 96) {}
    int Dpi() const { return dpi_; }
    int ToScreen(int designed) const { return MulDiv(designed, dpi_, 96); }
    RECT ToScreen(const RECT& designed) const {
        return {ToScreen(designed.left), ToScreen(designed.top), ToScreen(designed.right),
                ToScreen(designed.bottom)};
    }
    POINT ToDesign(POINT screen) const {
        return {MulDiv(screen.x, 96, dpi_), MulDiv(screen.y, 96, dpi_)};
    }

private:
    int dpi_;
};

// For one scope, a DC draws in the 96-DPI design's units: GDI scales every
// line, fill and TrueType text itself, so they stay sharp.
class DesignUnits {
public:
    DesignUnits(HDC dc, const DpiScale& scale);
    ~DesignUnits();
    DesignUnits(const DesignUnits&) = delete;
    DesignUnits& operator=(const DesignUnits&) = delete;

private:
    HDC dc_;
    int oldMode_;
    XFORM old_{};
};

}  // namespace plover::win32
