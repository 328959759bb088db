// The C consumer's job in C++: enrol one recording, verify two others.
// Usage: enrol_and_verify ENROL.raw SAME_VOICE.raw OTHER_VOICE.raw (in an empty directory).
#include <kelvo/kelvo.h>

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: " << argv[0] << " ENROL.raw SAME_VOICE.raw OTHER_VOICE.raw\n";
        return 2;
    }
    for (int n = 1; n <= 3; ++n) {
        std::filesystem::copy_file(argv[n], std::to_string(n) + ".raw");
    }
    const int enrolled = TrainSpeaker("Demo", 1);
    const double same = EvalSpeaker("Demo", 2);
    const double other = EvalSpeaker("Demo", 3);
    std::cout << "enrolled " << enrolled << ", same voice " << same << ", other voice " << other
              << '\n';
    return enrolled == KELVO_TRAIN_OK && same > 0.0 && other == 0.0 ? 0 : 1;
}
