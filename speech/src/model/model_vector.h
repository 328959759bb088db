// The model vector: the 45 numbers at the head of the state file that characterise one
// recording for the verifier. The verifier compares a fresh vector with an enrolled one
// position by position, counts a position as a miss when the two values differ by more than
// about 6 % of their sum, and accepts at 10 misses or fewer.
//
// The numbers are made from the recording's utterance statistics in four steps:
//   1. the voice statistics are projected on the directions learned across many speakers
//      where one speaker varies least next to how speakers differ (linear discriminant
//      analysis of speakers saying the same phrase), the phrase statistics on those where
//      one speaker's phrases differ most next to how the same phrase varies;
//   2. each of the two projections is scaled to a fixed length (only its direction counts,
//      so a louder or longer take does not move it), the phrase part then weighted;
//   3. the joined coordinates are read along 45 fixed directions (whole orthonormal bases of
//      their space, one after another), so that the number of positions that miss grows with
//      the distance between two recordings in every direction alike;
//   4. each reading r becomes level + gain * r, kept within [minimum, maximum]: around a level
//      this high the verifier's relative tolerance is nearly the same absolute distance at
//      every position, and the gain sets how far apart two takes of one speaker may lie.
// The learned numbers are a generated table (model_vector_table.cpp).
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "utterance_statistics.h"

namespace speech {

inline constexpr std::size_t kModelVectorSize = 45;

// y = matrix^T (x - center): inputs values in, outputs values out; matrix is inputs rows of
// outputs columns.
struct Projection {
    std::size_t inputs = 0;
    std::size_t outputs = 0;
    std::vector<double> center;  // inputs
    std::vector<double> matrix;  // inputs * outputs

    std::vector<double> Apply(std::span<const double> x) const;
};

struct ModelVectorParameters {
    Projection voice;
    Projection phrase;
    double phraseWeight = 1.0;
    std::vector<double> directions;  // kModelVectorSize rows of voice + phrase outputs
    double level = 10000.0;
    double gain = 1000.0;
    double minimum = 1000.0;
    double maximum = 19000.0;
};

// The coordinates of step 2: both projections scaled to length sqrt(outputs), the phrase's
// times phraseWeight, voice first. A projection of length 0 stays 0.
std::vector<double> Coordinates(const UtteranceStatistics& statistics,
                                const ModelVectorParameters& parameters);

// Steps 3 and 4 on coordinates.
std::vector<double> ReadModelVector(std::span<const double> coordinates,
                                    const ModelVectorParameters& parameters);

std::vector<double> ComputeModelVector(const UtteranceStatistics& statistics,
                                       const ModelVectorParameters& parameters);

// The parameters the library ships with.
const ModelVectorParameters& ShippedModelVector();

}  // namespace speech
