// kelvo eval --plot: gnuplot (pngcairo) draws the score distribution of each label as
// histograms and the DET curve of targets against impostors, side by side in one PNG.
#pragma once

#include <filesystem>
#include <vector>

#include "eval_stats.h"

namespace kelvo_cli {

// Throws CliError (plot) when gnuplot is not on PATH; checked before the trials run.
void RequireGnuplot();

// Writes the data and gnuplot's script to temporary files and runs gnuplot on them. Throws
// CliError (plot) when gnuplot cannot be started or fails.
void PlotScores(const std::vector<ScoredTrial>& scored, const std::vector<OperatingPoint>& det,
                const std::filesystem::path& png);

}  // namespace kelvo_cli
