// The virtual audio configuration that plays committed sample recordings (2 s of a spoken
// password each) into the recordings, one file per recording in turn, 5 times faster than
// real time. Like a sound card, the device drops what it captures while no buffer is queued;
// at this pace a buffer lasts 74 ms, time enough for the callback to queue the next one also
// on a loaded machine under the sanitizers (at 20 times, 18 ms sometimes was not).
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
    return configuration + "pace=5";
}

}  // namespace tarvik_test
