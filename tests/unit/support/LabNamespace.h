#pragma once

#include <functional>
#include <string>

namespace plover::testing {

// The echo lab of tests/lab/icmp-lab.sh under a name unique to this test
// process; taken down again when the object goes.
class IcmpLab {
public:
    explicit IcmpLab(const std::string& test);
    ~IcmpLab();
    IcmpLab(const IcmpLab&) = delete;
    IcmpLab& operator=(const IcmpLab&) = delete;

    bool Up() const { return up_; }
    // Runs work on a thread that lives in the client namespace: every socket
    // it opens belongs to the lab.
    void RunInClient(const std::function<void()>& work) const;

private:
    std::string name_;
    bool up_ = false;
};

bool RunningAsRoot();

}  // namespace plover::testing
