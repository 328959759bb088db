#include "discriminant.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace fitting {

using Eigen::MatrixXd;
using Eigen::VectorXd;

speech::Projection FitDiscriminant(const std::vector<const std::vector<double>*>& samples,
                                   const std::vector<std::size_t>& classOf,
                                   const std::vector<std::size_t>& groupOf,
                                   const DiscriminantOptions& options) {
    const auto n = static_cast<Eigen::Index>(samples.size());
    if (n < 2) {
        throw std::runtime_error("too few samples to fit a projection");
    }
    const auto inputs = static_cast<Eigen::Index>(samples.front()->size());
    MatrixXd x(n, inputs);
    for (Eigen::Index i = 0; i < n; ++i) {
        x.row(i) = Eigen::Map<const VectorXd>(samples[static_cast<std::size_t>(i)]->data(), inputs);
    }
    // 1. Standardise, then principal components.
    const VectorXd center = x.colwise().mean();
    x.rowwise() -= center.transpose();
    const VectorXd deviation =
        ((x.array().square().colwise().sum() / static_cast<double>(n)).sqrt() + 1e-9).matrix();
    x = x.array().rowwise() / deviation.transpose().array();
    Eigen::SelfAdjointEigenSolver<MatrixXd> total(x.transpose() * x / static_cast<double>(n));
    const Eigen::Index principal =
        std::min<Eigen::Index>(static_cast<Eigen::Index>(options.principalDims), inputs);
    const MatrixXd components = total.eigenvectors().rightCols(principal);  // largest last
    const MatrixXd y = x * components;

    // 2. Within-class scatter, ridged and whitened.
    const std::size_t classes = groupOf.size();
    MatrixXd means = MatrixXd::Zero(static_cast<Eigen::Index>(classes), principal);
    std::vector<double> counts(classes, 0.0);
    for (Eigen::Index i = 0; i < n; ++i) {
        const std::size_t c = classOf[static_cast<std::size_t>(i)];
        means.row(static_cast<Eigen::Index>(c)) += y.row(i);
        counts[c] += 1.0;
    }
    for (std::size_t c = 0; c < classes; ++c) {
        if (counts[c] > 0.0) {
            means.row(static_cast<Eigen::Index>(c)) /= counts[c];
        }
    }
    MatrixXd residual = y;
    for (Eigen::Index i = 0; i < n; ++i) {
        residual.row(i) -=
            means.row(static_cast<Eigen::Index>(classOf[static_cast<std::size_t>(i)]));
    }
    MatrixXd within = residual.transpose() * residual / static_cast<double>(n);
    within += options.shrinkage * within.trace() / static_cast<double>(principal) *
              MatrixXd::Identity(principal, principal);
    Eigen::SelfAdjointEigenSolver<MatrixXd> withinSolver(within);
    const MatrixXd whitening = withinSolver.eigenvectors() *
                               withinSolver.eigenvalues().cwiseSqrt().cwiseInverse().asDiagonal();

    // 3. Class means around their group's mean.
    const std::size_t groups = *std::max_element(groupOf.begin(), groupOf.end()) + 1;
    MatrixXd groupMeans = MatrixXd::Zero(static_cast<Eigen::Index>(groups), principal);
    std::vector<double> groupCounts(groups, 0.0);
    for (std::size_t c = 0; c < classes; ++c) {
        if (counts[c] > 0.0) {
            groupMeans.row(static_cast<Eigen::Index>(groupOf[c])) +=
                means.row(static_cast<Eigen::Index>(c));
            groupCounts[groupOf[c]] += 1.0;
        }
    }
    MatrixXd between = MatrixXd::Zero(principal, principal);
    double used = 0.0;
    for (std::size_t c = 0; c < classes; ++c) {
        if (counts[c] > 0.0) {
            const VectorXd offset =
                (means.row(static_cast<Eigen::Index>(c)) -
                 groupMeans.row(static_cast<Eigen::Index>(groupOf[c])) / groupCounts[groupOf[c]])
                    .transpose();
            between += offset * offset.transpose();
            used += 1.0;
        }
    }
    between /= used;

    // 4. The leading directions of the whitened between scatter.
    Eigen::SelfAdjointEigenSolver<MatrixXd> betweenSolver(whitening.transpose() * between *
                                                          whitening);
    const auto outputs =
        std::min<Eigen::Index>(static_cast<Eigen::Index>(options.outputs), principal);
    MatrixXd leading = betweenSolver.eigenvectors().rightCols(outputs).rowwise().reverse();
    if (options.weighted) {
        const VectorXd spread = betweenSolver.eigenvalues().tail(outputs).reverse();
        for (Eigen::Index j = 0; j < outputs; ++j) {
            const double b = std::max(0.0, spread(j));
            leading.col(j) *= std::sqrt(b / (1.0 + b));
        }
    }
    // Back to the statistics: standardisation, components, whitening, directions.
    const MatrixXd directions =
        deviation.cwiseInverse().asDiagonal() * components * whitening * leading;

    speech::Projection projection;
    projection.inputs = static_cast<std::size_t>(inputs);
    projection.outputs = static_cast<std::size_t>(outputs);
    projection.center.assign(center.data(), center.data() + inputs);
    projection.matrix.resize(projection.inputs * projection.outputs);
    for (Eigen::Index i = 0; i < inputs; ++i) {
        for (Eigen::Index j = 0; j < outputs; ++j) {
            projection.matrix[static_cast<std::size_t>(i * outputs + j)] = directions(i, j);
        }
    }
    return projection;
}

}  // namespace fitting
