#include "platform/win32/Win32FirewallManager.h"

#include <netfw.h>
#include <objbase.h>
#include <windows.h>

#include "platform/win32/ComObject.h"

namespace plover::win32 {

namespace {

// {304CE942-6E39-40D8-943A-B913C40C9CD4}
constexpr CLSID FirewallManagerClass = {
    0x304CE942, 0x6E39, 0x40D8, {0x94, 0x3A, 0xB9, 0x13, 0xC4, 0x0C, 0x9C, 0xD4}};
// {F7898AF5-CAC4-4632-A2EC-DA06E5111AF2}
constexpr IID FirewallManagerInterface = {
    0xF7898AF5, 0xCAC4, 0x4632, {0xA2, 0xEC, 0xDA, 0x06, 0xE5, 0x11, 0x1A, 0xF2}};

class Win32FirewallProfile : public FirewallProfile {
public:
    explicit Win32FirewallProfile(ComPtr<INetFwProfile> profile) : profile_(std::move(profile)) {}

    std::optional<bool> FirewallEnabled() override {
        // Pre-filled so a call that reports success without writing is caught.
        VARIANT_BOOL enabled = VARIANT_FALSE;
        if (FAILED(profile_.get()->get_FirewallEnabled(&enabled))) return std::nullopt;
        return enabled != VARIANT_FALSE;
    }
    std::optional<bool> EchoRequestsAllowed() override {
        ComPtr<INetFwIcmpSettings> settings;
        if (FAILED(profile_.get()->get_IcmpSettings(settings.put())) || !settings) {
            return std::nullopt;
        }
        VARIANT_BOOL allowed = VARIANT_FALSE;
        if (FAILED(settings.get()->get_AllowInboundEchoRequest(&allowed))) return std::nullopt;
        return allowed != VARIANT_FALSE;
    }

private:
    ComPtr<INetFwProfile> profile_;
};

}  // namespace

ComStart Win32FirewallManager::StartComponentLibrary() {
    const HRESULT result =
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (SUCCEEDED(result)) return ComStart::Started;
    if (result == RPC_E_CHANGED_MODE) return ComStart::ChangedMode;
    return ComStart::Failed;
}

void Win32FirewallManager::StopComponentLibrary() { CoUninitialize(); }

std::unique_ptr<FirewallProfile> Win32FirewallManager::CurrentProfile() {
    ComPtr<INetFwMgr> manager;
    if (FAILED(CoCreateInstance(FirewallManagerClass, nullptr, CLSCTX_INPROC_SERVER,
                                FirewallManagerInterface,
                                reinterpret_cast<void**>(manager.put()))) ||
        !manager) {
        return nullptr;
    }
    ComPtr<INetFwPolicy> policy;
    if (FAILED(manager.get()->get_LocalPolicy(policy.put())) || !policy) return nullptr;
    ComPtr<INetFwProfile> profile;
    if (FAILED(policy.get()->get_CurrentProfile(profile.put())) || !profile) return nullptr;
    return std::make_unique<Win32FirewallProfile>(std::move(profile));
}

}  // namespace plover::win32
