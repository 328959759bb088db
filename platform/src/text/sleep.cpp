// Sleep: suspends the calling thread for at least the given time, resuming after signals
// until all of it has passed. Sleep(0) gives up the rest of the time slice; INFINITE never
// returns.
#include <errno.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <windows.h>

extern "C" void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) {
            pause();
        }
    }
    timespec remaining{};
    remaining.tv_sec = static_cast<time_t>(milliseconds / 1000);
    remaining.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
