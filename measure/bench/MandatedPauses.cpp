// The pauses that a run must make, path by path. The shipped stage bodies
// and the window model run on the in-memory machine with the virtual clock,
// built like the lab computer of the fault matrix (tests/lab/scenarios); every
// pause the clock records from the click on is summed. Nothing here is a
// hand-kept number: change a pause in the product and the sum follows.
//
//   plover_mandated_pauses PROGRAM_FILE OUT_DIR PATH...
//     PROGRAM_FILE  a branded PloverTool.exe: its branding block is the run's
//     OUT_DIR       each path's log goes to OUT_DIR/PATH.log, and to
//                   OUT_DIR/PATH.pauses one line per log line of the run,
//                   from "start plover tool" on: "INDEX<TAB>MS<TAB>LINE", MS
//                   the virtual time from the click to that line (pauses
//                   and time-outs: what the line cannot come sooner than)
//     PATH          healthy, proxy-on or dead-dns (the matrix's scenario names)
// Prints one line per path:
//   PATH pauses_ms=N pump_rounds=N timeouts_ms=N panel=success|failure
// All pauses count: on these paths every peer answers at once, so no look at
// a reply or a page ever has to wait.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "app/ProgramStages.h"
#include "measure/bench/LabComputerModel.h"
#include "tests/unit/app/FormFixture.h"

namespace plover {
namespace {

// The machine's clock, noting the virtual time at which each log line was
// stamped, so that the path's pauses and time-outs can be laid beside the
// lab run's lines.
class LineTaggedClock : public Clock {
public:
    explicit LineTaggedClock(standin::FakeWindows& machine) : machine_(machine) {}

    void Sleep(uint32_t milliseconds) override { machine_.clock.Sleep(milliseconds); }
    bool SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) override {
        return machine_.clock.SleepUnlessStopped(milliseconds, stop);
    }
    uint32_t TickCount() override { return machine_.clock.TickCount(); }
    // The log stamps each line with the time just before writing it.
    LocalDateTime Now() override {
        const std::string log = machine_.LogText();
        const auto lines = static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stampedAt_[lines] = machine_.clock.ElapsedMilliseconds();
        }
        return machine_.clock.Now();
    }
    std::string FormatShortDate(const LocalDateTime& when) override {
        return machine_.clock.FormatShortDate(when);
    }
    std::string FormatLongTime(const LocalDateTime& when) override {
        return machine_.clock.FormatLongTime(when);
    }

    // The virtual time at which the line of this index was stamped.
    uint64_t StampedAt(size_t line) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = stampedAt_.find(line);
        return it == stampedAt_.end() ? 0 : it->second;
    }

private:
    standin::FakeWindows& machine_;
    mutable std::mutex mutex_;
    std::map<size_t, uint64_t> stampedAt_;
};

// The log's lines as a file reader sees them (a message may hold line
// feeds of its own), without their "[timestamp] " prefix.
std::vector<std::string> LinesAsWritten(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t close = line.find("] ");
        if (!line.empty() && line.front() == '[' && close != std::string::npos) {
            line = line.substr(close + 2);
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

struct PathFigures {
    uint64_t pausesMs = 0;    // every fixed pause of the behaviour
    uint64_t pumpRounds = 0;  // of which the 1 ms rounds of PumpMessages
    uint64_t timeoutsMs = 0;  // virtual time spent waiting for silent peers
    bool success = false;
};

PathFigures RunPath(const std::string& path, const std::string& program,
                    const std::string& outPrefix) {
    testing::FormFixture fixture;
    standin::FakeWindows& machine = fixture.machine;
    bench::BuildLabComputer(machine, path);
    machine.files.SetContent(machine.system.executablePath, program);
    LineTaggedClock clock(machine);
    const Platform os{
        clock,           machine.debug,    machine.files,       machine.registry, machine.processes,
        machine.system,  machine.adapters, machine.connections, machine.sockets,  machine.http,
        machine.firewall};
    TFirewallOperations FirewallOperations(os);
    fixture.form = std::make_unique<TPloverMainForm>(
        MainFormParts{os, fixture.host, fixture.host, FirewallOperations, fixture.snapshot,
                      fixture.regTexts, fixture.messageForm});
    TPloverMainForm& form = *fixture.form;
    fixture.host.Attach(form);

    TNetworkSettings NetworkSettings(os, fixture.snapshot, fixture.regTexts);
    TLocalConnection LocalConnection(os, NetworkSettings, form);
    TISPSettings ISPSettings(os, form);
    TBrowserSettings BrowserSettings(os);
    TNameResolution NameResolution(os, NetworkSettings, form, form, form.ProviderDnsServers);
    ProcessObjects objects{os,
                           form,
                           NetworkSettings,
                           LocalConnection,
                           ISPSettings,
                           FirewallOperations,
                           BrowserSettings,
                           NameResolution};
    form.SetStageSlots(BuildStageSlots(objects));
    form.FormShow();

    machine.clock.ClearPauses();
    const uint64_t clickedAt = machine.clock.ElapsedMilliseconds();
    form.RunTestButtonClick();
    PathFigures figures;
    if (!fixture.FinishRun()) return figures;
    const uint64_t elapsed = machine.clock.ElapsedMilliseconds() - clickedAt;

    for (uint32_t pause : machine.clock.Pauses()) {
        figures.pausesMs += pause;
        if (pause == 1) ++figures.pumpRounds;
    }
    figures.timeoutsMs = elapsed - figures.pausesMs;
    figures.success = form.goodPanel.visible;

    const std::vector<std::string> lines = LinesAsWritten(machine.LogText());
    std::ofstream log(outPrefix + ".log", std::ios::binary);
    for (const std::string& line : lines) log << line << '\n';
    std::ofstream profile(outPrefix + ".pauses", std::ios::binary);
    size_t first = lines.size();
    for (size_t i = lines.size(); i-- > 0;) {
        if (lines[i].rfind("start plover tool", 0) == 0) {
            first = i;
            break;
        }
    }
    for (size_t i = first; i < lines.size(); ++i) {
        profile << i - first << '\t' << clock.StampedAt(i) - clickedAt << '\t' << lines[i] << '\n';
    }
    return figures;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace
}  // namespace plover

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PROGRAM_FILE OUT_DIR PATH...\n", argv[0]);
        return 2;
    }
    const std::string program = plover::ReadFile(argv[1]);
    if (program.empty()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    int status = 0;
    for (int i = 3; i < argc; ++i) {
        const std::string path = argv[i];
        if (!plover::bench::IsLabPath(path)) {
            std::fprintf(stderr, "%s: no path '%s'\n", argv[0], path.c_str());
            return 2;
        }
        const auto figures = plover::RunPath(path, program, std::string(argv[2]) + "/" + path);
        std::printf("%s pauses_ms=%llu pump_rounds=%llu timeouts_ms=%llu panel=%s\n", path.c_str(),
                    static_cast<unsigned long long>(figures.pausesMs),
                    static_cast<unsigned long long>(figures.pumpRounds),
                    static_cast<unsigned long long>(figures.timeoutsMs),
                    figures.success ? "success" : "failure");
        if (!figures.success) status = 1;
    }
    return status;
}
