// The subcommands of the kelvo command. Each takes its parsed options, reports through
// `out` and returns the exit status; failures that end it are thrown as CliError.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "output.h"

namespace kelvo_cli {

struct EnrolOptions {
    std::optional<std::string> dir;
    std::string speaker;
    std::vector<std::string> files;
};
ExitCode RunEnrol(const EnrolOptions& options, Output& out);

struct VerifyOptions {
    std::optional<std::string> dir;
    std::string speaker;
    std::string file;
};
ExitCode RunVerify(const VerifyOptions& options, Output& out);

struct RecordOptions {
    std::string file;
    double seconds = 3.0;
};
ExitCode RunRecord(const RecordOptions& options, Output& out);

struct PlayOptions {
    std::string file;
};
ExitCode RunPlay(const PlayOptions& options, Output& out);

ExitCode RunDevices(Output& out);

struct SpeakersOptions {
    std::optional<std::string> dir;
};
ExitCode RunSpeakers(const SpeakersOptions& options, Output& out);

struct ForgetOptions {
    std::optional<std::string> dir;
    std::string speaker;
};
ExitCode RunForget(const ForgetOptions& options, Output& out);

struct EvalOptions {
    std::string trials;
    std::optional<std::string> plot;
    std::optional<std::string> results;  // a TSV of every trial's score and decision
    int jobs = 1;
};
ExitCode RunEval(const EvalOptions& options, Output& out);

}  // namespace kelvo_cli
