#include "platform/win32/Win32Processes.h"

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <vector>

#include "platform/win32/Win32Handles.h"

namespace plover::win32 {

ProgramOutcome Win32Processes::RunHiddenAndWait(const std::string& commandLine,
                                                uint32_t timeoutMilliseconds,
                                                const std::string& workingFolder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    // CreateProcessA may write into the command line buffer.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    // Started suspended so that it joins its job before it can start a child
    // ("cmd.exe /c netsh ..."): a hung program is then stopped with all it
    // started, and none of them keeps holding its output file.
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE,
                          NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                          &info)) {
        return ProgramOutcome::NotStarted;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    // Without a job (a system that does not allow one here), only the
    // program itself can be stopped.
    UniqueHandle job(::CreateJobObjectA(nullptr, nullptr));
    if (job && !::AssignProcessToJobObject(job.get(), process.get())) job.reset();
    ::ResumeThread(thread.get());

    if (::WaitForSingleObject(process.get(), timeoutMilliseconds) == WAIT_OBJECT_0) {
        return ProgramOutcome::Ended;
    }
    if (job) {
        ::TerminateJobObject(job.get(), 1);
    } else {
        ::TerminateProcess(process.get(), 1);
    }
    ::WaitForSingleObject(process.get(), 5000);
    return ProgramOutcome::TimedOut;
}

bool Win32Processes::ShellOpen(const std::string& file, const std::string& parameters,
                               const std::string& directory, bool hidden) {
    const HINSTANCE result = ::ShellExecuteA(
        nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
        directory.empty() ? nullptr : directory.c_str(), hidden ? SW_HIDE : SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace plover::win32
