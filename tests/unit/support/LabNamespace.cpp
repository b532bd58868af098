#include "tests/unit/support/LabNamespace.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <thread>

#ifndef PLOVER_SOURCE_DIR
#error "PLOVER_SOURCE_DIR must name the source tree"
#endif

namespace plover::testing {

namespace {
std::string Lab() { return std::string(PLOVER_SOURCE_DIR) + "/tests/lab/labs.sh icmp "; }
}  // namespace

bool RunningAsRoot() { return ::geteuid() == 0; }

IcmpLab::IcmpLab(const std::string& test) : id_(std::to_string(::getpid()) + "-" + test) {
    const std::string up = Lab() + "up " + id_ + " >/dev/null 2>&1";
    up_ = std::system(up.c_str()) == 0;
}

IcmpLab::~IcmpLab() {
    const std::string down = Lab() + "down " + id_;
    std::system(down.c_str());
}

void IcmpLab::RunInClient(const std::function<void()>& work) const {
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            const std::string path = "/var/run/netns/plv-" + id_ + "-c";
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
                if (fd >= 0) ::close(fd);
                throw std::runtime_error("cannot enter " + path);
            }
            ::close(fd);
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace plover::testing
