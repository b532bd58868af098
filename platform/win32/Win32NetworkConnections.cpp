#include "platform/win32/Win32NetworkConnections.h"

// clang-format off
#include <windows.h>
#include <objbase.h>
#include <netcon.h>
// clang-format on

#include <string>

#include "platform/win32/ComObject.h"

namespace plover::win32 {

namespace {

// {BA126AD1-2166-11D1-B1D0-00805FC1270E}
constexpr CLSID ConnectionManagerClass = {
    0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// {C08956A2-1CD3-11D1-B1C5-00805FC1270E}
constexpr IID ConnectionManagerInterface = {
    0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// Local server only, no code download.
constexpr DWORD ManagerClassContext = 0x404;

// A property block with its two strings, all released with CoTaskMemFree.
struct PropertiesTraits {
    using Type = NETCON_PROPERTIES*;
    static Type Empty() { return nullptr; }
    static void Close(Type properties) {
        CoTaskMemFree(properties->pszwName);
        CoTaskMemFree(properties->pszwDeviceName);
        CoTaskMemFree(properties);
    }
};
using PropertyBlock = UniqueResource<PropertiesTraits>;

std::string Narrow(const wchar_t* wide) {
    if (!wide) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string text(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(static_cast<size_t>(size - 1));
    return text;
}

ConnectionProperties Translate(const NETCON_PROPERTIES& properties) {
    ConnectionProperties result;
    result.name = Narrow(properties.pszwName);
    switch (properties.Status) {
        case NCS_DISCONNECTED:
            result.status = ConnectionStatus::Disconnected;
            break;
        case NCS_CONNECTING:
            result.status = ConnectionStatus::Connecting;
            break;
        case NCS_CONNECTED:
            result.status = ConnectionStatus::Connected;
            break;
        default:
            result.status = ConnectionStatus::Other;
            break;
    }
    switch (properties.MediaType) {
        case NCM_LAN:
        case NCM_BRIDGE:
        case NCM_SHAREDACCESSHOST_LAN:
            result.media = ConnectionMedia::Lan;
            break;
        case NCM_PHONE:
        case NCM_ISDN:
        case NCM_PPPOE:
        case NCM_TUNNEL:
        case NCM_DIRECT:
        case NCM_SHAREDACCESSHOST_RAS:
            result.media = ConnectionMedia::Dialled;
            break;
        default:
            result.media = ConnectionMedia::Other;
            break;
    }
    return result;
}

class Win32Connection : public NetworkConnection {
public:
    explicit Win32Connection(ComPtr<INetConnection> connection)
        : connection_(std::move(connection)) {}

    ConnectionCallResult ReadProperties() override {
        PropertyBlock properties;
        const HRESULT result = connection_.get()->GetProperties(properties.put());
        if (FAILED(result)) return ConnectionCallResult::Error;
        if (properties.get()) properties_ = Translate(*properties.get());
        return result == S_OK ? ConnectionCallResult::Success : ConnectionCallResult::OtherSuccess;
    }
    ConnectionProperties Properties() const override { return properties_; }
    void Connect() override { connection_.get()->Connect(); }
    void Disconnect() override { connection_.get()->Disconnect(); }

private:
    ComPtr<INetConnection> connection_;
    ConnectionProperties properties_;
};

class Win32Enumeration : public ConnectionEnumeration {
public:
    explicit Win32Enumeration(ComPtr<IEnumNetConnection> enumeration)
        : enumeration_(std::move(enumeration)) {}

    std::unique_ptr<NetworkConnection> Next() override {
        ComPtr<INetConnection> connection;
        ULONG fetched = 0;
        const HRESULT result = enumeration_.get()->Next(1, connection.put(), &fetched);
        if (result != S_OK || fetched != 1 || !connection) return nullptr;
        return std::make_unique<Win32Connection>(std::move(connection));
    }

private:
    ComPtr<IEnumNetConnection> enumeration_;
};

class Win32Manager : public ConnectionManager {
public:
    // Members go in reverse order: the manager is released before the
    // apartment is left.
    Win32Manager(std::unique_ptr<ComApartment> apartment, ComPtr<INetConnectionManager> manager)
        : apartment_(std::move(apartment)), manager_(std::move(manager)) {}

    std::unique_ptr<ConnectionEnumeration> EnumConnections() override {
        ComPtr<IEnumNetConnection> enumeration;
        if (FAILED(manager_.get()->EnumConnections(NCME_DEFAULT, enumeration.put())) ||
            !enumeration) {
            return nullptr;
        }
        return std::make_unique<Win32Enumeration>(std::move(enumeration));
    }

private:
    std::unique_ptr<ComApartment> apartment_;
    ComPtr<INetConnectionManager> manager_;
};

}  // namespace

std::unique_ptr<ConnectionManager> Win32NetworkConnections::CreateManager() {
    auto apartment = std::make_unique<ComApartment>();
    ComPtr<INetConnectionManager> manager;
    const HRESULT result =
        CoCreateInstance(ConnectionManagerClass, nullptr, ManagerClassContext,
                         ConnectionManagerInterface, reinterpret_cast<void**>(manager.put()));
    if (FAILED(result) || !manager) return nullptr;
    return std::make_unique<Win32Manager>(std::move(apartment), std::move(manager));
}

}  // namespace plover::win32
