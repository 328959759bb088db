// The model initialiser's text inputs on any text: the transitions file and the model list.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "model_list.h"
#include "topology.h"

namespace {

bool Valid(const speech::Topology& topology) {
    if (topology.states == 0 || topology.states > speech::kMaxStates ||
        topology.transitions.size() != topology.states * (topology.states + 1)) {
        return false;
    }
    for (std::size_t from = 0; from < topology.states; ++from) {
        double sum = 0.0;
        for (std::size_t to = 0; to <= topology.states; ++to) {
            const double probability = topology.At(from, to);
            if (!(probability >= 0.0 && probability <= 1.0)) {
                return false;
            }
            sum += probability;
        }
        if (!(std::abs(sum - 1.0) <= 1e-6)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto topology = speech::ParseTopology(text); topology && !Valid(*topology)) {
        std::abort();
    }
    if (const auto models = speech::ParseModelList(text)) {
        std::set<std::string> names;
        for (const speech::ModelEntry& model : *models) {
            if (model.name.empty() || !names.insert(model.name).second ||
                model.silence != (model.name == "sil")) {
                std::abort();
            }
        }
    }
    return 0;
}
