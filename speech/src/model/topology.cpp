#include "topology.h"

#include <cmath>

#include "text_io.h"

namespace speech {

Topology DefaultTopology() {
    Topology topology;
    topology.states = 3;
    topology.transitions.assign(3 * 4, 0.0);
    for (std::size_t state = 0; state < 3; ++state) {
        topology.At(state, state) = 0.6;
        topology.At(state, state + 1) = 0.4;  // column 3 is the exit
    }
    return topology;
}

std::optional<Topology> ParseTopology(std::string_view text) {
    NumberReader reader(text);
    Topology topology;
    if (!reader.Read(topology.states) || topology.states == 0 || topology.states > kMaxStates) {
        return std::nullopt;
    }
    topology.transitions.assign(topology.states * (topology.states + 1), 0.0);
    for (std::size_t from = 0; from < topology.states; ++from) {
        double sum = 0.0;
        for (std::size_t to = 0; to <= topology.states; ++to) {
            double& probability = topology.At(from, to);
            if (!reader.Read(probability) || probability < 0.0 || probability > 1.0) {
                return std::nullopt;
            }
            sum += probability;
        }
        if (std::abs(sum - 1.0) > 1e-6) {
            return std::nullopt;
        }
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return topology;
}

}  // namespace speech
