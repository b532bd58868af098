#include "app/win32/DpiScale.h"

namespace plover::win32 {

int DpiScale::SystemDpi() {
    const HDC screen = GetDC(nullptr);
    if (!screen) return 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

DesignUnits::DesignUnits(HDC dc, const DpiScale& scale)
    : dc_(dc), oldMode_(SetGraphicsMode(dc, GM_ADVANCED)) {
    GetWorldTransform(dc_, &old_);
    const FLOAT factor = static_cast<FLOAT>(scale.Dpi()) / 96.0f;
    const XFORM scaled{factor, 0, 0, factor, 0, 0};
    SetWorldTransform(dc_, &scaled);
}

DesignUnits::~DesignUnits() {
    SetWorldTransform(dc_, &old_);
    if (oldMode_) SetGraphicsMode(dc_, oldMode_);
}

}  // namespace plover::win32
