// The model list: one "<index> <name>" entry per model, indices 0, 1, 2... in order, names
// unique. A model named "sil" models the pauses; every other model the speech.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

struct ModelEntry {
    std::string name;
    bool silence = false;
};

std::optional<std::vector<ModelEntry>> ParseModelList(std::string_view text);

}  // namespace speech
