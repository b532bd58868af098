#pragma once

#include <string>

#include "tests/standin/FakeWindows.h"

namespace plover::bench {

// The lab computer of the fault matrix (tests/lab/matrix) as the in-memory
// machine sees it: Wine's Windows 7, one adapter on the lab's subnet, the
// router and the Internet behind it answering echo, the adapter's DNS server
// and the reseller's, the two web servers, and the fault of the path.
namespace lab {
constexpr const char* AdapterName = "{00000003-0000-0000-0000-4E6574446576}";
constexpr const char* Address = "10.77.0.2";
constexpr const char* Mask = "255.255.255.0";
constexpr const char* Gateway = "10.77.0.1";
constexpr const char* AdapterDns = "192.0.2.53";
constexpr const char* ResellerDns = "198.51.100.53";
constexpr const char* SecondResellerDns = "203.0.113.53";
constexpr const char* VendorWeb = "192.0.2.80";
constexpr const char* SearchWeb = "192.0.2.81";
}  // namespace lab

// The paths the benchmark times: the matrix's scenarios of the same names.
bool IsLabPath(const std::string& path);
void BuildLabComputer(standin::FakeWindows& machine, const std::string& path);

// A DNS server's answer to a query: an address record for each lab name, a
// name error for anything else.
std::string LabDnsAnswer(const std::string& query);

}  // namespace plover::bench
