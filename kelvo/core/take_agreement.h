// How several takes of one password agree with each other: which take is off, and what an
// enrolment from them keeps.
#pragma once

#include <cstddef>
#include <vector>

#include "kelvo/core/model_vector.h"

namespace kelvo {

// A take is named as off when more of its numbers than this lie outside the tolerance against
// the mean of the other takes. Measured on unseen voices (three takes from other sessions),
// 2-4 % of takes of the password go over it, and 60-66 % of takes of another phrase by the
// same voice; at the verifier's own limit of 10 the first would be 14-18 %.
inline constexpr double kOutlierMisses = 15.0;
// Two takes of one password by one voice differ by more than this many numbers in 0.5-2 % of
// pairs: takes no two of which come closer are not the same password said the same way.
inline constexpr double kTakesApartMisses = 20.0;

struct TakeAgreement {
    // misses[i][j]: the misses of take j verified against take i enrolled alone. The
    // comparison's misses are symmetric; the diagonal is 0.
    std::vector<std::vector<double>> misses;
    // Per take: its misses against the mean of the other takes (0 for a single take).
    std::vector<double> againstOthers;
    // The take closest to the others (the fewest misses against them all; the earliest on a
    // tie).
    std::size_t central = 0;
    // The takes that are off, in the order found. While three takes or more are left, the
    // take furthest from the mean of the others left is off when it is more than
    // kOutlierMisses from it while the others, without it, are all within kTakesApartMisses
    // of one another: it is then the one that is off, not the others.
    std::vector<std::size_t> outliers;

    bool IsOutlier(std::size_t take) const;
    // Two or more takes and no two of them within kTakesApartMisses.
    bool noneAgree = false;
};

// Compares every take with every other by the verifier's own rule. No takes: nothing to say.
TakeAgreement CompareTakes(const std::vector<ModelVector>& takes);

// The mean of the takes, number by number, leaving out those in `skip` (all left out: zeros).
// What an enrolment from several takes stores: measured on unseen voices, the mean of three
// takes rejects the enrolled voice about three times less often than one take does.
ModelVector MeanOfTakes(const std::vector<ModelVector>& takes,
                        const std::vector<std::size_t>& skip = {});

}  // namespace kelvo
