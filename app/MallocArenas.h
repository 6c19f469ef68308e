#pragma once

namespace MallocArenas {

// Every job and every port of a scan pass runs on a thread of its own, and glibc gives new
// threads arenas of their own whose freed pages it keeps: over a shift the resident set grows
// though nothing leaks. One arena keeps it flat; these threads wait on serial lines, not on
// malloc. Call before the first thread starts.
void useOne();

} // namespace MallocArenas
