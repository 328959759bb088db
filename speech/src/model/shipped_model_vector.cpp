// The layout the library ships with, printed by bench/model_vector/speech_model_vector_tuning
// with its default settings:
//
//   speech_model_vector_tuning --train SEED3/manifest.tsv --train SEED5/manifest.tsv
//       --test SEED2/manifest.tsv
//
// on corpora of sixteen synthetic voices and four phrases made by scripts/make-voice-corpus.sh
// (--seed 3 and --seed 5 with ten sessions each for training, --seed 2 with five for tuning).
// The candidates are segment means of the statics and segment standard deviations of the
// statics, deltas and accelerations, over splits of the speech frames into 1 to 6 segments.
// Starting from the 45 that best separate voices saying the same phrase (Fisher ratio, skipping
// candidates correlated above 0.9 with one already chosen), positions were swapped for other
// candidates while that lowered the verification error on the training corpora, counted with
// the verifier's own per-position rule; the speech range, level and gain were then chosen on
// the tuning corpus. Centers and spreads come from the training corpora. About half the
// positions are means of the higher liftered cepstra, which carry the shape of the voice more
// than the words; the rest are deviations, mostly of cepstra within a segment: how much the
// spectrum moves, which tells voices of the same synthesizer apart better than its average.
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
    {{3, 1, 0, Statistic::kDeviation, 1}, 2.2669, 0.2606},
    {{3, 2, 2, Statistic::kDeviation, 0}, 7.0062, 1.1078},
    {{4, 3, 8, Statistic::kDeviation, 0}, 11.2273, 1.2938},
    {{4, 1, 4, Statistic::kDeviation, 0}, 14.4111, 1.7364},
    {{2, 1, 8, Statistic::kDeviation, 0}, 15.3276, 1.2908},
    {{4, 2, 4, Statistic::kDeviation, 0}, 16.1269, 1.8407},
    {{4, 2, 14, Statistic::kMean, 0}, -0.4264, 0.0939},
    {{4, 0, 9, Statistic::kDeviation, 0}, 16.2399, 1.7530},
    {{5, 2, 13, Statistic::kMean, 0}, 0.0175, 2.1487},
    {{3, 2, 8, Statistic::kDeviation, 0}, 12.3301, 1.2186},
    {{6, 5, 12, Statistic::kMean, 0}, 1.5343, 2.1795},
    {{4, 1, 13, Statistic::kMean, 0}, -0.2800, 1.9042},
    {{3, 2, 1, Statistic::kDeviation, 1}, 1.3650, 0.2008},
    {{1, 0, 9, Statistic::kDeviation, 1}, 4.4734, 0.3197},
    {{6, 2, 12, Statistic::kMean, 0}, -0.4799, 2.4619},
    {{1, 0, 8, Statistic::kDeviation, 0}, 18.4087, 1.1220},
    {{2, 0, 13, Statistic::kDeviation, 0}, 11.3029, 1.0514},
    {{4, 2, 13, Statistic::kMean, 0}, -0.1320, 1.7216},
    {{3, 2, 7, Statistic::kDeviation, 0}, 9.8851, 1.2703},
    {{5, 0, 7, Statistic::kMean, 0}, -1.1582, 2.8048},
    {{4, 0, 13, Statistic::kMean, 0}, -0.9825, 1.8703},
    {{2, 0, 12, Statistic::kMean, 0}, -3.4513, 1.4320},
    {{5, 3, 11, Statistic::kMean, 0}, 1.2593, 2.4082},
    {{6, 0, 4, Statistic::kDeviation, 0}, 13.4324, 1.9070},
    {{4, 0, 11, Statistic::kMean, 0}, -3.2949, 2.3713},
    {{6, 4, 12, Statistic::kMean, 0}, -2.7760, 2.1777},
    {{2, 1, 13, Statistic::kMean, 0}, -0.2507, 1.2856},
    {{2, 1, 10, Statistic::kDeviation, 0}, 15.2054, 1.4111},
    {{4, 0, 12, Statistic::kMean, 0}, -5.2715, 1.9824},
    {{1, 0, 8, Statistic::kDeviation, 1}, 4.1725, 0.2934},
    {{2, 0, 9, Statistic::kDeviation, 0}, 18.8550, 1.3235},
    {{5, 3, 3, Statistic::kDeviation, 0}, 10.9635, 1.9277},
    {{4, 2, 10, Statistic::kMean, 0}, 5.4128, 2.4712},
    {{4, 1, 5, Statistic::kDeviation, 0}, 14.8513, 1.5030},
    {{3, 1, 5, Statistic::kDeviation, 0}, 15.0719, 1.3355},
    {{3, 2, 10, Statistic::kDeviation, 0}, 12.3206, 1.3080},
    {{6, 0, 14, Statistic::kMean, 0}, -0.3226, 0.1146},
    {{5, 1, 8, Statistic::kMean, 0}, -2.3144, 2.7251},
    {{3, 1, 9, Statistic::kDeviation, 0}, 18.3360, 1.6092},
    {{6, 4, 9, Statistic::kMean, 0}, -13.6840, 3.3518},
    {{4, 1, 7, Statistic::kDeviation, 0}, 15.4975, 1.6450},
    {{6, 0, 10, Statistic::kDeviation, 0}, 12.0104, 1.8991},
    {{5, 3, 6, Statistic::kMean, 0}, 6.3662, 2.8494},
    {{6, 1, 10, Statistic::kMean, 0}, 1.9043, 2.8037},
    {{1, 0, 11, Statistic::kDeviation, 0}, 16.0441, 0.9809},
};
// clang-format on

ModelVectorLayout MakeShippedLayout() {
    ModelVectorLayout layout;
    layout.speechRangeDb = 11.0;
    layout.level = 50.0;
    layout.gain = 2.35;
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
