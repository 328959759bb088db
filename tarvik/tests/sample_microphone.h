// The virtual audio configuration that plays committed sample recordings (2 s of a spoken
// password each) into the recordings, one file per recording in turn, 20 times faster than
// real time.
#pragma once

#include <initializer_list>
#include <string>

namespace tarvik_test {

inline std::string SampleMicrophone(std::initializer_list<std::string> samples) {
    std::string configuration = "in=file:";
    for (const std::string& sample : samples) {
        configuration += std::string(TARVIK_SAMPLES) + "/" + sample + ";";
    }
    configuration.back() = ',';
    return configuration + "pace=20";
}

}  // namespace tarvik_test
