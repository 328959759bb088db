/* Times a program's whole run (start-up included) when hyperfine is not installed:
 *   startup_timer RUNS PROGRAM [ARGUMENTS...]
 * starts it RUNS times, one after the other, after 5 unmeasured runs, and prints the median
 * and the fastest wall time in milliseconds. Fails when a run does not exit with 0. */
#define _POSIX_C_SOURCE 200809L
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double Now(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1e3 + (double)now.tv_nsec / 1e6;
}

static int CompareDoubles(const void* a, const void* b) {
    const double x = *(const double*)a;
    const double y = *(const double*)b;
    return (x > y) - (x < y);
}

/* The run's wall time in milliseconds, or -1 when it failed. */
static double RunOnce(char** argv) {
    pid_t child = 0;
    int status = 0;
    const double start = Now();
    if (posix_spawn(&child, argv[0], NULL, NULL, argv, environ) != 0 ||
        waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return Now() - start;
}

int main(int argc, char** argv) {
    const int runs = argc > 2 ? atoi(argv[1]) : 0;
    double* times = NULL;
    if (runs < 1) {
        fprintf(stderr, "usage: %s RUNS PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    times = malloc(sizeof *times * (size_t)runs);
    if (times == NULL) {
        return 1;
    }
    for (int i = -5; i < runs; ++i) {
        const double time = RunOnce(argv + 2);
        if (time < 0) {
            fprintf(stderr, "%s failed\n", argv[2]);
            free(times);
            return 1;
        }
        if (i >= 0) {
            times[i] = time;
        }
    }
    qsort(times, (size_t)runs, sizeof *times, CompareDoubles);
    printf("median %.3f ms, fastest %.3f ms over %d runs\n", times[runs / 2], times[0], runs);
    free(times);
    return 0;
}
