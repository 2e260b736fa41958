#include "thread_placement.h"

#include <pthread.h>
#include <sched.h>

void start_away_from_maker(std::thread& thread) {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2) return;
    const int here = sched_getcpu();
    if (here < 0 || !CPU_ISSET(here, &allowed)) return;
    cpu_set_t elsewhere = allowed;
    CPU_CLR(here, &elsewhere);
    // Narrowing moves it while it waits to run; widening again leaves it where it is.
    if (pthread_setaffinity_np(thread.native_handle(), sizeof elsewhere, &elsewhere) == 0)
        pthread_setaffinity_np(thread.native_handle(), sizeof allowed, &allowed);
}
