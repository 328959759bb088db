/* A program that does nothing, built linked to libkelvo and not linked, to time what loading
 * the library costs at start-up. With --maps it prints how many shared objects it mapped. */
#include "mapped_objects.h"

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "--maps") == 0) {
        printf("%d\n", CountMappedObjects());
    }
    return 0;
}
