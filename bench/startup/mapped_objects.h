/* How many shared objects (files named *.so or *.so.N...) the process has mapped now, from
 * /proc/self/maps; -1 when it cannot be read. The dynamic linker maps each object's segments
 * next to each other, so a file counts once however many mappings it has. */
#ifndef KELVO_BENCH_MAPPED_OBJECTS_H
#define KELVO_BENCH_MAPPED_OBJECTS_H

#include <stdio.h>
#include <string.h>

static int CountMappedObjects(void) {
    char line[1024];
    char previous[1024] = "";
    int count = 0;
    FILE* maps = fopen("/proc/self/maps", "r");
    if (maps == NULL) {
        return -1;
    }
    while (fgets(line, sizeof line, maps) != NULL) {
        const char* path = strchr(line, '/');
        if (path == NULL || strstr(path, ".so") == NULL || strcmp(path, previous) == 0) {
            continue;
        }
        ++count;
        snprintf(previous, sizeof previous, "%s", path);
    }
    fclose(maps);
    return count;
}

#endif
