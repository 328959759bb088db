#include "score_plot.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "exit_codes.h"
#include "interrupt_cleanup.h"
#include "temporary_directory.h"

extern char** environ;

namespace kelvo_cli {
namespace {

constexpr const char* kGnuplot = "gnuplot";

// A string in gnuplot's single quotes, where a quote is written twice.
std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    for (const char c : path.string()) {
        quoted += c == '\'' ? "''" : std::string(1, c);
    }
    return quoted + "'";
}

// The probabilities the DET axes are labelled with, in percent; the curve is clipped to the
// first and last.
constexpr double kDetTicks[] = {0.1, 0.5, 1, 2, 5, 10, 20, 40, 60, 80, 90, 95, 98, 99, 99.9};

std::string DetTicks() {
    std::ostringstream tics;
    tics << "(";
    for (const double tick : kDetTicks) {
        tics << (tick == kDetTicks[0] ? "" : ", ") << "'" << tick << "' invnorm(" << tick / 100
             << ")";
    }
    tics << ")";
    return tics.str();
}

std::string Script(const std::vector<ScoredTrial>& scored, const std::filesystem::path& data,
                   const std::filesystem::path& png) {
    const auto counts = CountByLabel(scored);
    std::ostringstream s;
    s << "set terminal pngcairo size 1400,600 noenhanced font 'sans,10'\n"
      << "set output " << Quoted(png) << "\n"
      << "set multiplot layout 1,2\n"
      << "set title 'Score distributions (a rejected attempt scores 0)'\n"
      << "set xlabel 'score'\nset ylabel 'share of the label''s trials'\n"
      << "width = 2.0\nbin(x) = width * floor(x / width) + width / 2\n"
      << "set boxwidth width\nset style fill transparent solid 0.35 border\n"
      << "set xrange [-1:101]\nset yrange [0:*]\nset key top center\n"
      << "plot ";
    const char* separator = "";
    for (std::size_t label = 0; label < kLabelCount; ++label) {
        if (counts[label].trials == 0) {
            continue;
        }
        s << separator << Quoted(data / (std::string(kLabelNames[label]) + ".dat"))
          << " using (bin($1)):(1.0 / " << counts[label].trials << ") smooth frequency"
          << " with boxes title '" << kLabelNames[label] << " (" << counts[label].trials << ")'";
        separator = ", \\\n     ";
    }
    const std::string ticks = DetTicks();
    s << "\nset title 'DET curve: targets against impostors'\n"
      << "set xlabel 'false alarm probability (%)'\nset ylabel 'miss probability (%)'\n"
      << "clip(p) = p < 0.001 ? 0.001 : (p > 0.999 ? 0.999 : p)\n"
      << "set xrange [invnorm(0.001):invnorm(0.999)]\nset yrange [invnorm(0.001):invnorm(0.999)]\n"
      << "set xtics " << ticks << "\nset ytics " << ticks << "\n"
      << "set grid\nset key bottom left\nset size ratio -1\n"
      << "plot " << Quoted(data / "det.dat")
      << " using (invnorm(clip($1))):(invnorm(clip($2))) with linespoints lw 2 pt 7 ps 0.6"
      << " title 'operating points', \\\n"
      << "     x with lines dashtype 2 lc 'gray' title 'miss = false alarm'\n"
      << "unset multiplot\n";
    return s.str();
}

void WriteData(const std::vector<ScoredTrial>& scored, const std::vector<OperatingPoint>& det,
               const std::filesystem::path& data) {
    std::ofstream files[kLabelCount];
    for (std::size_t label = 0; label < kLabelCount; ++label) {
        files[label].open(data / (std::string(kLabelNames[label]) + ".dat"));
    }
    for (const ScoredTrial& trial : scored) {
        files[static_cast<std::size_t>(trial.label)] << trial.score << '\n';
    }
    std::ofstream points(data / "det.dat");
    points.precision(10);
    for (const OperatingPoint& point : det) {
        points << point.falseAlarm << ' ' << point.miss << '\n';
    }
    bool written = static_cast<bool>(points.flush());
    for (std::ofstream& file : files) {
        written = written && file.flush();
    }
    if (!written) {
        throw CliError(kExitPlot, "cannot write the plot's data files");
    }
}

}  // namespace

void RequireGnuplot() {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path == nullptr ? "" : path);
    for (std::string dir; std::getline(directories, dir, ':');) {
        const std::filesystem::path candidate =
            std::filesystem::path(dir.empty() ? "." : dir) / kGnuplot;
        if (access(candidate.c_str(), X_OK) == 0) {
            return;
        }
    }
    throw CliError(kExitPlot,
                   "gnuplot not found on PATH: --plot needs it (Debian package gnuplot-nox)");
}

void PlotScores(const std::vector<ScoredTrial>& scored, const std::vector<OperatingPoint>& det,
                const std::filesystem::path& png) {
    const TemporaryDirectory data;
    WriteData(scored, det, data.Path());
    const std::string script = Script(scored, data.Path(), std::filesystem::absolute(png));

    const std::filesystem::path scriptFile = data.Path() / "plot.gp";
    std::ofstream scriptOut(scriptFile);
    if (!(scriptOut << script).flush()) {
        throw CliError(kExitPlot, "cannot write the plot's script");
    }

    // Only kelvo's own report goes to standard output: gnuplot's output (the PNG itself,
    // when the output file cannot be set) goes nowhere, its messages to standard error.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // It starts with no signal blocked, whatever kelvo blocks for its interrupt cleanup.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    char name[] = "gnuplot";
    std::string scriptArgument = scriptFile.string();
    char* argv[] = {name, scriptArgument.data(), nullptr};
    KillOnInterrupt child;
    const int spawned = Uninterrupted([&] {
        pid_t pid = -1;
        const int result = posix_spawnp(&pid, kGnuplot, &actions, &attributes, argv, environ);
        if (result == 0) {
            child = KillOnInterrupt(pid);
        }
        return result;
    });
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw CliError(kExitPlot, std::string("cannot start gnuplot (") + std::strerror(spawned) +
                                      "): --plot needs it (Debian package gnuplot-nox)");
    }
    const int status = child.Wait();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw CliError(kExitPlot, png.string() + ": gnuplot failed to draw the plot");
    }
}

}  // namespace kelvo_cli
