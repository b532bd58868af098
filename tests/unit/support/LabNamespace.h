#pragma once

#include <functional>
#include <string>

namespace plover::testing {

// The echo lab of tests/lab/labs.sh, named after this test process (whose
// pid marks it as this process's own); taken down again when the object goes.
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
    std::string id_;
    bool up_ = false;
};

bool RunningAsRoot();

}  // namespace plover::testing
