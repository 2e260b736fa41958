// Where a new thread starts. Linux places a new thread on its maker's
// processor unless a processor sharing a cache with it is idle; on a machine
// that reports no caches (as virtual machines may) none ever is, and the new
// thread waits there until the next balancing moves it, which on the
// benchmark's machine took 4 to 9 ms while the other processor idled.
#pragma once

#include <thread>

#ifdef __linux__
// Moves a thread just made, not yet running, to one of the process's other
// processors and gives it back its maker's set of processors at once: the
// system places it, as ever, but it starts elsewhere. Nothing when the
// maker may run on one processor only.
void start_away_from_maker(std::thread& thread);
#else
inline void start_away_from_maker(std::thread&) {}
#endif
