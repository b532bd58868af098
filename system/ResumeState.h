#pragma once

#include "platform/Platform.h"

namespace plover {

// Marks the run as interrupted by a restart and arranges for the program to
// start again at the next log-on.
void ScheduleResume(const Platform& os);
// Undoes the log-on start that ScheduleResume arranged.
void RemoveResumeSchedule(const Platform& os);
// True when the resume marker existed; it is gone afterwards.
bool ClearResumeMarker(const Platform& os);

}  // namespace plover
