#pragma once

#include <string>

#include "platform/Platform.h"

namespace plover {

// Marks the run as interrupted by a restart and arranges for the program to
// start again at the next log-on: the running program's own file, by its
// full path, whatever it is called and wherever it lies.
void ScheduleResume(const Platform& os);
// The schtasks parameters that make the log-on task for a program file.
std::string ResumeTaskParameters(const std::string& exe);
// Undoes the log-on start that ScheduleResume arranged.
void RemoveResumeSchedule(const Platform& os);
// True when the resume marker existed; it is gone afterwards.
bool ClearResumeMarker(const Platform& os);

}  // namespace plover
