// Several takes of one password compared with each other by the verifier's own rule.
#include "kelvo/core/take_agreement.h"

#include <algorithm>
#include <optional>

#include "kelvo/core/scoring.h"

namespace kelvo {
namespace {

double MissesAgainst(const ModelVector& enrolled, const ModelVector& take) {
    return CompareVectors(enrolled, enrolled, take, kPassThreshold).misses;
}

bool Contains(const std::vector<std::size_t>& indices, std::size_t index) {
    return std::find(indices.begin(), indices.end(), index) != indices.end();
}

// The next take that is off among those not yet left out, if any.
std::optional<std::size_t> NextOutlier(const std::vector<ModelVector>& takes,
                                       const TakeAgreement& agreement) {
    std::vector<std::size_t> left;
    for (std::size_t i = 0; i < takes.size(); ++i) {
        if (!agreement.IsOutlier(i)) {
            left.push_back(i);
        }
    }
    if (left.size() < 3) {
        return std::nullopt;
    }
    std::size_t furthest = left.front();
    double furthestMisses = -1.0;
    for (const std::size_t i : left) {
        std::vector<std::size_t> skip = agreement.outliers;
        skip.push_back(i);
        const double misses = MissesAgainst(MeanOfTakes(takes, skip), takes[i]);
        if (misses > furthestMisses) {
            furthest = i;
            furthestMisses = misses;
        }
    }
    if (furthestMisses <= kOutlierMisses) {
        return std::nullopt;
    }
    for (const std::size_t i : left) {
        for (const std::size_t j : left) {
            if (i < j && i != furthest && j != furthest &&
                agreement.misses[i][j] > kTakesApartMisses) {
                return std::nullopt;  // the rest disagree too: no one take is to blame
            }
        }
    }
    return furthest;
}

}  // namespace

bool TakeAgreement::IsOutlier(std::size_t take) const {
    return Contains(outliers, take);
}

ModelVector MeanOfTakes(const std::vector<ModelVector>& takes,
                        const std::vector<std::size_t>& skip) {
    ModelVector mean{};
    double count = 0.0;
    for (std::size_t t = 0; t < takes.size(); ++t) {
        if (Contains(skip, t)) {
            continue;
        }
        count += 1.0;
        for (std::size_t i = 0; i < mean.size(); ++i) {
            mean[i] += takes[t][i];
        }
    }
    if (count > 0.0) {
        for (double& value : mean) {
            value /= count;
        }
    }
    return mean;
}

TakeAgreement CompareTakes(const std::vector<ModelVector>& takes) {
    TakeAgreement agreement;
    const std::size_t count = takes.size();
    agreement.misses.assign(count, std::vector<double>(count, 0.0));
    agreement.againstOthers.assign(count, 0.0);
    if (count < 2) {
        return agreement;
    }
    bool anyClose = false;
    std::vector<double> total(count, 0.0);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            const double misses = MissesAgainst(takes[i], takes[j]);
            agreement.misses[i][j] = agreement.misses[j][i] = misses;
            total[i] += misses;
            total[j] += misses;
            anyClose = anyClose || misses <= kTakesApartMisses;
        }
        agreement.againstOthers[i] = MissesAgainst(MeanOfTakes(takes, {i}), takes[i]);
    }
    for (std::size_t i = 1; i < count; ++i) {
        if (total[i] < total[agreement.central]) {
            agreement.central = i;
        }
    }
    agreement.noneAgree = !anyClose;
    if (agreement.noneAgree) {
        return agreement;
    }
    for (auto off = NextOutlier(takes, agreement); off; off = NextOutlier(takes, agreement)) {
        agreement.outliers.push_back(*off);
    }
    return agreement;
}

}  // namespace kelvo
