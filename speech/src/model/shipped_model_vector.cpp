// The layout the library ships with. Its 45 positions were chosen by
// bench/model_vector/speech_model_vector_tuning from segment means over splits of the speech
// frames into 1 to 6 segments: the candidates that best separate voices saying the same phrase
// (variance between voices over the variance between sessions of one voice), skipping any
// candidate correlated above 0.9 with one already chosen. Centers and spreads come from a
// training corpus of sixteen synthetic voices, four phrases and ten sessions each
// (scripts/make-voice-corpus.sh --seed 3 DIR 10); the speech range, level and gain were then
// chosen on a second corpus (--seed 2). Mostly the higher liftered cepstra are chosen: they
// carry the shape of the voice more than the words.
#include "model_vector.h"

namespace speech {
namespace {

struct Position {
    SegmentPick pick;
    double center;
    double spread;
};

// clang-format off
constexpr Position kPositions[] = {
    {{5, 3, 11, Statistic::kMean, 0}, 1.2167, 2.4856},
    {{5, 3, 9, Statistic::kMean, 0}, -10.3881, 2.8245},
    {{4, 0, 11, Statistic::kMean, 0}, -3.1549, 2.3237},
    {{3, 0, 13, Statistic::kMean, 0}, -1.0343, 1.6685},
    {{4, 2, 11, Statistic::kMean, 0}, -0.4569, 2.4132},
    {{6, 1, 11, Statistic::kMean, 0}, -3.0316, 2.8174},
    {{4, 2, 13, Statistic::kMean, 0}, -0.1348, 1.6514},
    {{5, 3, 10, Statistic::kMean, 0}, 8.4568, 2.6892},
    {{5, 3, 13, Statistic::kMean, 0}, 0.0498, 1.7788},
    {{4, 0, 12, Statistic::kMean, 0}, -5.2174, 1.9614},
    {{3, 2, 9, Statistic::kMean, 0}, -12.3005, 2.5499},
    {{1, 0, 13, Statistic::kMean, 0}, -0.4430, 1.0123},
    {{2, 1, 10, Statistic::kMean, 0}, 2.9216, 1.8204},
    {{2, 0, 12, Statistic::kMean, 0}, -3.3987, 1.3855},
    {{5, 0, 9, Statistic::kMean, 0}, -5.5036, 2.9621},
    {{5, 3, 12, Statistic::kMean, 0}, -3.3064, 2.0274},
    {{6, 0, 8, Statistic::kMean, 0}, 8.1718, 3.3680},
    {{5, 4, 10, Statistic::kMean, 0}, -1.0204, 2.4162},
    {{4, 2, 9, Statistic::kMean, 0}, -7.4290, 2.8030},
    {{6, 5, 13, Statistic::kMean, 0}, -0.5618, 1.8469},
    {{4, 1, 13, Statistic::kMean, 0}, -0.1943, 1.8181},
    {{4, 3, 9, Statistic::kMean, 0}, -12.5576, 2.9487},
    {{5, 1, 7, Statistic::kMean, 0}, 4.9772, 2.8639},
    {{1, 0, 11, Statistic::kMean, 0}, -1.3375, 1.4462},
    {{6, 1, 7, Statistic::kMean, 0}, 6.3405, 3.4738},
    {{6, 2, 12, Statistic::kMean, 0}, -0.4867, 2.3234},
    {{3, 0, 10, Statistic::kMean, 0}, -0.9140, 2.1579},
    {{6, 1, 10, Statistic::kMean, 0}, 1.8342, 2.5954},
    {{4, 3, 3, Statistic::kMean, 0}, -2.6309, 2.6759},
    {{3, 2, 6, Statistic::kMean, 0}, 2.1878, 2.5213},
    {{6, 2, 10, Statistic::kMean, 0}, 1.4947, 2.9210},
    {{4, 1, 12, Statistic::kMean, 0}, -1.5373, 1.8478},
    {{1, 0, 12, Statistic::kMean, 0}, -2.1300, 1.0785},
    {{2, 0, 11, Statistic::kMean, 0}, -4.4340, 1.8385},
    {{3, 1, 13, Statistic::kMean, 0}, -0.0923, 1.5328},
    {{4, 2, 12, Statistic::kMean, 0}, -2.1882, 1.9830},
    {{3, 1, 12, Statistic::kMean, 0}, -0.8577, 1.6507},
    {{6, 4, 13, Statistic::kMean, 0}, 0.1625, 1.9884},
    {{4, 3, 7, Statistic::kMean, 0}, 10.4797, 2.7876},
    {{5, 0, 10, Statistic::kMean, 0}, -2.3668, 2.8664},
    {{3, 0, 9, Statistic::kMean, 0}, -6.2388, 2.4500},
    {{3, 2, 11, Statistic::kMean, 0}, 3.4405, 2.1375},
    {{5, 1, 11, Statistic::kMean, 0}, -4.1888, 2.5800},
    {{5, 1, 13, Statistic::kMean, 0}, -0.5376, 2.1002},
    {{6, 1, 8, Statistic::kMean, 0}, -2.9971, 2.8914},
};
// clang-format on

ModelVectorLayout MakeShippedLayout() {
    ModelVectorLayout layout;
    layout.speechRangeDb = 12.0;
    layout.level = 40.0;
    layout.gain = 1.8;
    layout.minimum = 0.5;
    for (const Position& position : kPositions) {
        layout.picks.push_back(position.pick);
        layout.center.push_back(position.center);
        layout.spread.push_back(position.spread);
    }
    return layout;
}

}  // namespace

const ModelVectorLayout& ShippedModelVectorLayout() {
    static const ModelVectorLayout layout = MakeShippedLayout();
    return layout;
}

}  // namespace speech
