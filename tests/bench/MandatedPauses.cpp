// The pauses that a run must make, path by path. The shipped stage bodies
// and the window model run on the in-memory machine with the virtual clock,
// built like the lab computer of the fault matrix (tests/lab/matrix); every
// pause the clock records from the click on is summed. Nothing here is a
// hand-kept number: change a pause in the product and the sum follows.
//
//   plover_mandated_pauses PROGRAM_FILE OUT_DIR PATH...
//     PROGRAM_FILE  a branded PloverTool.exe: its branding block is the run's
//     OUT_DIR       each path's log goes to OUT_DIR/PATH.log
//     PATH          healthy, proxy-on or dead-dns (the matrix's scenario names)
// Prints one line per path:
//   PATH pauses_ms=N pump_rounds=N timeouts_ms=N panel=success|failure
// All pauses count: on these paths every peer answers at once, so no look at
// a reply or a page ever has to wait.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "app/ProgramStages.h"
#include "tests/bench/LabComputerModel.h"
#include "tests/unit/app/FormFixture.h"

namespace plover {
namespace {

struct PathFigures {
    uint64_t pausesMs = 0;    // every fixed pause of the behaviour
    uint64_t pumpRounds = 0;  // of which the 1 ms rounds of PumpMessages
    uint64_t timeoutsMs = 0;  // virtual time spent waiting for silent peers
    bool success = false;
};

PathFigures RunPath(const std::string& path, const std::string& program,
                    const std::string& logFile) {
    testing::FormFixture fixture;
    bench::BuildLabComputer(fixture.machine, path);
    fixture.machine.files.SetContent(fixture.machine.system.executablePath, program);
    TPloverMainForm& form = fixture.Build();
    const Platform& os = fixture.machine.Os();

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
                           fixture.firewall,
                           BrowserSettings,
                           NameResolution};
    form.SetStageSlots(BuildStageSlots(objects));
    form.FormShow();

    fixture.machine.clock.ClearPauses();
    const uint64_t clickedAt = fixture.machine.clock.ElapsedMilliseconds();
    form.RunTestButtonClick();
    PathFigures figures;
    if (!fixture.FinishRun()) return figures;
    const uint64_t elapsed = fixture.machine.clock.ElapsedMilliseconds() - clickedAt;

    for (uint32_t pause : fixture.machine.clock.Pauses()) {
        figures.pausesMs += pause;
        if (pause == 1) ++figures.pumpRounds;
    }
    figures.timeoutsMs = elapsed - figures.pausesMs;
    figures.success = form.goodPanel.visible;

    std::ofstream log(logFile, std::ios::binary);
    for (const std::string& line : fixture.machine.LogLines()) log << line << '\n';
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
        const auto figures =
            plover::RunPath(path, program, std::string(argv[2]) + "/" + path + ".log");
        std::printf("%s pauses_ms=%llu pump_rounds=%llu timeouts_ms=%llu panel=%s\n", path.c_str(),
                    static_cast<unsigned long long>(figures.pausesMs),
                    static_cast<unsigned long long>(figures.pumpRounds),
                    static_cast<unsigned long long>(figures.timeoutsMs),
                    figures.success ? "success" : "failure");
        if (!figures.success) status = 1;
    }
    return status;
}
