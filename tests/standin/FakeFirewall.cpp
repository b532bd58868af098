#include "tests/standin/FakeFirewall.h"

namespace plover::standin {

namespace {

class FakeProfile : public FirewallProfile {
public:
    explicit FakeProfile(FakeFirewall& firewall) : firewall_(firewall) { ++firewall_.profilesOpen; }
    ~FakeProfile() override { --firewall_.profilesOpen; }

    std::optional<bool> FirewallEnabled() override {
        if (firewall_.switchUnreadable) return std::nullopt;
        return firewall_.enabled.load();
    }
    std::optional<bool> EchoRequestsAllowed() override {
        if (firewall_.switchUnreadable) return std::nullopt;
        return firewall_.echoAllowed.load();
    }

private:
    FakeFirewall& firewall_;
};

}  // namespace

ComStart FakeFirewall::StartComponentLibrary() {
    ++starts;
    return startResult;
}

void FakeFirewall::StopComponentLibrary() { ++stops; }

std::unique_ptr<FirewallProfile> FakeFirewall::CurrentProfile() {
    if (managerMissing) return nullptr;
    return std::make_unique<FakeProfile>(*this);
}

}  // namespace plover::standin
