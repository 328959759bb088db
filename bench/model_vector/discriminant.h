// Linear discriminant analysis with within-class normalisation: the directions along which
// classes lie far apart next to how much each class varies in itself.
//
//   1. each statistic is standardised over all samples, and the standardised samples are
//      reduced to their principalDims principal components (fewer numbers to estimate from
//      few speakers);
//   2. the within-class scatter W (samples around their class mean) gets a ridge of shrinkage
//      times its mean variance, and is whitened;
//   3. the between scatter B is that of the class means around the mean of their group (a
//      class is one speaker saying one phrase; for the voice its group is the phrase, so that
//      only speakers saying the same thing are compared, for the phrase its group is the
//      speaker);
//   4. the outputs eigenvectors of the whitened B with the largest eigenvalues give the
//      directions; along each, a class varies with standard deviation 1 (or, weighted, less
//      where classes lie close together).
// The result maps a sample x to matrix^T (x - center), standardisation included.
#pragma once

#include <cstddef>
#include <vector>

#include "model_vector.h"

namespace fitting {

struct DiscriminantOptions {
    std::size_t principalDims = 80;
    std::size_t outputs = 25;
    double shrinkage = 0.01;
    // Each direction scaled by sqrt(b / (1 + b)), b its between-class variance next to the
    // within-class one of 1: directions that tell classes apart little count for less.
    bool weighted = false;
};

// samples: one row of statistics each; classOf: each sample's class; groupOf: each class's
// group. Needs at least two classes in some group.
speech::Projection FitDiscriminant(const std::vector<const std::vector<double>*>& samples,
                                   const std::vector<std::size_t>& classOf,
                                   const std::vector<std::size_t>& groupOf,
                                   const DiscriminantOptions& options);

}  // namespace fitting
