// The window at another DPI: the design's 96-DPI units drawn scaled by GDI,
// the child windows' fonts made at the screen's DPI, points read back.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/win32/DpiScale.h"
#include "app/win32/FontCache.h"
#include "app/win32/GdiObjects.h"

namespace plover {
namespace {

using win32::DesignUnits;
using win32::DpiScale;

TEST(DpiScaleUnderWine, DesignUnitsAreDrawnScaledAndTheDcIsGivenBack) {
    const DpiScale scale(144);
    EXPECT_EQ(scale.ToScreen(440), 660);
    EXPECT_EQ(scale.ToScreen(480), 720);
    const POINT design = scale.ToDesign(POINT{330, 15});
    EXPECT_EQ(design.x, 220);
    EXPECT_EQ(design.y, 10);

    const HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    win32::UniqueMemoryDc dc(CreateCompatibleDC(screen));
    win32::UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 64, 64));
    ReleaseDC(nullptr, screen);
    win32::Selection select(dc.get(), bitmap.get());
    const RECT all{0, 0, 64, 64};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        const DesignUnits units(dc.get(), scale);
        const RECT square{0, 0, 20, 20};  // 30 x 30 on the screen
        FillRect(dc.get(), &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    EXPECT_EQ(GetPixel(dc.get(), 25, 25), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc.get(), 35, 35), RGB(255, 255, 255));
    // Given back as it was: unscaled again.
    const RECT later{40, 40, 42, 42};
    FillRect(dc.get(), &later, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetPixel(dc.get(), 41, 41), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc.get(), 43, 43), RGB(255, 255, 255));
    EXPECT_EQ(GetGraphicsMode(dc.get()), GM_COMPATIBLE);
}

TEST(DpiScaleUnderWine, ChildFontsAreMadeAtTheScreensDpi) {
    FontSpec spec;
    spec.face = "Tahoma";
    spec.pixelHeight = 12;
    win32::FontCache design;
    win32::FontCache screen(144);
    LOGFONTA font{};
    ASSERT_NE(GetObjectA(design.For(spec), sizeof font, &font), 0);
    EXPECT_EQ(font.lfHeight, -12);
    ASSERT_NE(GetObjectA(screen.For(spec), sizeof font, &font), 0);
    EXPECT_EQ(font.lfHeight, -18);
}

}  // namespace
}  // namespace plover
