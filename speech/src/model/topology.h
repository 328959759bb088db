// The states of each model and the transitions between them. A transitions file holds the
// number of emitting states S (1 to 16) followed by S rows of S + 1 probabilities: from state
// i to each state j, then to the model's exit. Every row sums to 1.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace speech {

struct Topology {
    std::size_t states = 0;
    std::vector<double> transitions;  // states rows of states + 1 columns

    double& At(std::size_t from, std::size_t to) { return transitions[from * (states + 1) + to]; }
    double At(std::size_t from, std::size_t to) const {
        return transitions[from * (states + 1) + to];
    }
};

inline constexpr std::size_t kMaxStates = 16;

// Three emitting states, left to right: each stays with 0.6 and moves on with 0.4.
Topology DefaultTopology();

std::optional<Topology> ParseTopology(std::string_view text);

}  // namespace speech
