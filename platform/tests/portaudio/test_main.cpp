// The test program is also the child the tests start: "--scenario NAME ..." runs a scenario.
#include <gtest/gtest.h>

#include <cstring>

#include "scenarios.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--scenario") == 0) {
        return portaudio_test::RunScenario(argc - 2, argv + 2);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
