#pragma once

#include <atomic>
#include <memory>

#include "platform/FirewallManager.h"

namespace plover::standin {

// The firewall manager objects of a machine: present or not, the firewall on
// or off, and every call countable so tests can prove start/stop pairs and
// profile releases match.
class FakeFirewall : public FirewallManager {
public:
    ComStart StartComponentLibrary() override;
    void StopComponentLibrary() override;
    std::unique_ptr<FirewallProfile> CurrentProfile() override;

    std::atomic<bool> enabled{true};            // Windows XP SP2 ships with it on
    std::atomic<bool> echoAllowed{false};       // and with echo requests kept out
    std::atomic<bool> managerMissing{false};    // class not registered (older systems)
    std::atomic<bool> switchUnreadable{false};  // get_FirewallEnabled fails
    std::atomic<ComStart> startResult{ComStart::Started};

    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<int> profilesOpen{0};  // handed out and not yet released
};

}  // namespace plover::standin
