#pragma once

#include "platform/FirewallManager.h"

namespace plover::win32 {

// The Windows Firewall manager objects (hnetcfg) through COM.
class Win32FirewallManager : public FirewallManager {
public:
    ComStart StartComponentLibrary() override;
    void StopComponentLibrary() override;
    std::unique_ptr<FirewallProfile> CurrentProfile() override;
};

}  // namespace plover::win32
