#pragma once

#include <string>

#include "LabAddresses.h"
#include "tests/standin/FakeWindows.h"

namespace plover::bench {

// The lab computer of the fault matrix as the in-memory machine sees it:
// Wine's Windows 7, one adapter on the lab's subnet, the router and the
// Internet behind it answering echo, the adapter's DNS server and the
// reseller's, the two web servers, and the fault of the path. Its addresses
// and names are the lab's own (tests/lab/lib/lab.env, made LabAddresses.h
// by the build).
// The paths the benchmark times: the matrix's scenarios of the same names.
bool IsLabPath(const std::string& path);
void BuildLabComputer(standin::FakeWindows& machine, const std::string& path);

}  // namespace plover::bench
