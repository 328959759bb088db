// kelvo: the command-line front of the speaker verification library. The command table:
// each subcommand's arguments and help, parsed with CLI11 and handed to its Run function.
// GCC 12 sees a possible null dereference, after inlining, in the string splitting of CLI11's
// headers (a false positive in third-party code).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnull-dereference"
#include <CLI/CLI.hpp>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstring>
#include <iostream>
#include <thread>

#include "commands.h"
#include "global_options.h"
#include "interrupt_cleanup.h"
#include "output.h"

namespace {

using namespace kelvo_cli;

constexpr const char* kEnvironmentHelp =
    "Environment:\n"
    "  KELVO_DIR             the profile directory when --dir is not given; else\n"
    "                        $XDG_DATA_HOME/kelvo, else ~/.local/share/kelvo\n"
    "  KELVO_VIRTUAL_AUDIO   record, play and devices use a virtual audio device\n"
    "                        (e.g. \"in=file:voice.raw,pace=max\"; see kelvo(1))\n";

// An empty name or path is never meant: refused as a usage error naming the argument, not
// taken for the working directory or a speaker without a name.
const CLI::Validator kNotEmpty(
    [](std::string& value) { return value.empty() ? std::string("must not be empty") : ""; }, "",
    "NOT_EMPTY");

// Everything a command line can set.
struct Arguments {
    bool json = false;
    std::string dir;
    std::string plot;
    std::string results;
    EnrolOptions enrol;
    VerifyOptions verify;
    RecordOptions record;
    PlayOptions play;
    SpeakersOptions speakers;
    ForgetOptions forget;
    EvalOptions eval;
};

std::string Footer(const std::string& details = "") {
    return details + (details.empty() ? "" : "\n") + kExitCodeHelp + "\n" + kEnvironmentHelp;
}

CLI::App* AddCommand(CLI::App& app, Arguments& arguments, const char* name, const char* description,
                     const char* details = "") {
    CLI::App* command = app.add_subcommand(name, description);
    command->footer(Footer(details));
    command->add_flag("--json", arguments.json,
                      "print one JSON object on standard output instead of text");
    return command;
}

CLI::Option* AddDir(CLI::App* command, Arguments& arguments) {
    return command
        ->add_option("--dir", arguments.dir,
                     "the profile directory (default: $KELVO_DIR, "
                     "$XDG_DATA_HOME/kelvo or ~/.local/share/kelvo)")
        ->check(kNotEmpty);
}

// The value of --dir when it was given.
std::optional<std::string> GivenDir(const CLI::Option* option, const std::string& value) {
    return option->count() > 0 ? std::optional<std::string>(value) : std::nullopt;
}

// Builds the command table; `run` receives the chosen command's action.
void DefineCommands(CLI::App& app, Arguments& a, std::function<ExitCode(Output&)>& run) {
    CLI::App* enrol = AddCommand(
        app, a, "enrol", "Enrol a speaker from recordings of the password",
        "Each FILE may be in any format libsndfile reads (WAV, FLAC, OGG, ...), at any rate and\n"
        "with any channels; a .raw file is a kelvo recording (8-bit unsigned mono, 11025 Hz).\n"
        "Each is mixed to mono, resampled to 11025 Hz and measured. Several takes of the\n"
        "password (three are best) are compared with each other: a take that does not match\n"
        "the others is named and left out, and the mean of the rest is stored as one\n"
        "enrolment, which verifies the speaker better than any one take. Takes that do not\n"
        "match one another are refused (exit 5). Every file is reported. The profile\n"
        "directory is created when missing.\n");
    CLI::Option* enrolDir = AddDir(enrol, a);
    enrol->add_option("NAME", a.enrol.speaker, "the speaker's name: one token")
        ->required()
        ->check(kNotEmpty);
    enrol->add_option("FILE", a.enrol.files, "recordings of the password")
        ->required()
        ->check(kNotEmpty);
    enrol->callback([&a, &run, enrolDir] {
        a.enrol.dir = GivenDir(enrolDir, a.dir);
        run = [&a](Output& out) { return RunEnrol(a.enrol, out); };
    });

    CLI::App* verify = AddCommand(
        app, a, "verify", "Verify a recording against a speaker: accepted (0) or rejected (1)",
        "Prints the score (100 = no difference; a rejected attempt scores 0) and accepted or\n"
        "rejected. FILE is converted as enrol converts its files.\n");
    CLI::Option* verifyDir = AddDir(verify, a);
    verify->add_option("NAME", a.verify.speaker, "the enrolled speaker")
        ->required()
        ->check(kNotEmpty);
    verify->add_option("FILE", a.verify.file, "the attempt")->required()->check(kNotEmpty);
    verify->callback([&a, &run, verifyDir] {
        a.verify.dir = GivenDir(verifyDir, a.dir);
        run = [&a](Output& out) { return RunVerify(a.verify, out); };
    });

    CLI::App* record = AddCommand(
        app, a, "record", "Record the audio input into a WAV file (8-bit mono, 11025 Hz)",
        "Stops after the given seconds, or as soon as the file holds that much audio when the\n"
        "device runs faster than real time; the file holds exactly the seconds asked for.\n");
    record->add_option("FILE", a.record.file, "the WAV file written")->required()->check(kNotEmpty);
    record->add_option("--seconds", a.record.seconds, "how long to record")
        ->default_val(3.0)
        ->check(CLI::Range(0.01, 3600.0));
    record->callback([&a, &run] { run = [&a](Output& out) { return RunRecord(a.record, out); }; });

    CLI::App* play = AddCommand(
        app, a, "play", "Play a sound file to its end",
        "A kelvo .raw recording or a plain 8- or 16-bit PCM WAV plays as it is; any other\n"
        "format libsndfile reads is converted to a temporary 16-bit WAV first.\n");
    play->add_option("FILE", a.play.file, "the sound file")->required()->check(kNotEmpty);
    play->callback([&a, &run] { run = [&a](Output& out) { return RunPlay(a.play, out); }; });

    CLI::App* devices = AddCommand(app, a, "devices", "Count the audio input and output devices");
    devices->callback([&run] { run = [](Output& out) { return RunDevices(out); }; });

    CLI::App* speakers =
        AddCommand(app, a, "speakers", "List the enrolled speakers and their enrolment counts");
    CLI::Option* speakersDir = AddDir(speakers, a);
    speakers->callback([&a, &run, speakersDir] {
        a.speakers.dir = GivenDir(speakersDir, a.dir);
        run = [&a](Output& out) { return RunSpeakers(a.speakers, out); };
    });

    CLI::App* forget = AddCommand(
        app, a, "forget", "Remove a speaker's enrolments from the profile",
        "Every other byte of the profile is kept. The profile is rewritten into a temporary\n"
        "file and renamed over kelvo.cfg while the directory's lock (kelvo.lock) is held.\n");
    CLI::Option* forgetDir = AddDir(forget, a);
    forget->add_option("NAME", a.forget.speaker, "the speaker to remove")
        ->required()
        ->check(kNotEmpty);
    forget->callback([&a, &run, forgetDir] {
        a.forget.dir = GivenDir(forgetDir, a.dir);
        run = [&a](Output& out) { return RunForget(a.forget, out); };
    });

    CLI::App* eval = AddCommand(
        app, a, "eval", "Measure verification on a list of trials",
        "TRIALS holds tab-separated lines enrol<TAB>test<TAB>label; an optional header line\n"
        "starts with \"enrol\", '#' starts a comment, paths are relative to the list's folder.\n"
        "Labels: target (the enrolled speaker and password), impostor (another speaker, the\n"
        "same password), wrong-phrase (the same speaker, another password), near-phrase (the\n"
        "same speaker, a password sharing a word). Each distinct enrol file is enrolled once\n"
        "in a temporary profile. Prints the counts, FRR (targets rejected), FAR (impostors\n"
        "accepted), the wrong- and near-phrase acceptance rates and an estimate of the equal\n"
        "error rate (targets against impostors; tied scores are never split).\n");
    eval->add_option("TRIALS", a.eval.trials, "the trial list (.tsv)")
        ->required()
        ->check(kNotEmpty);
    CLI::Option* plot =
        eval->add_option("--plot", a.plot,
                         "draw score histograms and a DET curve into this PNG (needs gnuplot)")
            ->check(kNotEmpty);
    CLI::Option* results =
        eval->add_option("--results", a.results,
                         "write every trial's score and decision into this TSV file")
            ->check(kNotEmpty);
    const unsigned cores = std::thread::hardware_concurrency();
    a.eval.jobs = cores == 0 ? 1 : static_cast<int>(std::min(cores, 1024u));
    eval->add_option("--jobs", a.eval.jobs, "worker processes (default: the number of cores)")
        ->check(CLI::Range(1, 1024));
    eval->callback([&a, &run, plot, results] {
        a.eval.plot = plot->count() > 0 ? std::optional<std::string>(a.plot) : std::nullopt;
        a.eval.results =
            results->count() > 0 ? std::optional<std::string>(a.results) : std::nullopt;
        run = [&a](Output& out) { return RunEval(a.eval, out); };
    });
}

// The word given where the command belongs when it names none; CLI11 itself only says that
// a command is required.
std::optional<std::string> UnknownCommand(const CLI::App& app, int argc, char** argv) {
    const auto word = std::find_if(argv + 1, argv + argc, [](const char* arg) {
        return arg[0] != '-' || std::strcmp(arg, "-") == 0;
    });
    const std::string name = word == argv + argc ? "" : *word;
    const auto named =
        app.get_subcommands([&name](const CLI::App* command) { return command->check_name(name); });
    if (word == argv + argc || !named.empty()) {
        return std::nullopt;
    }
    return std::string(*word);
}

bool AskedForJson(int argc, char** argv) {
    return std::any_of(argv + 1, argv + argc,
                       [](const char* arg) { return std::strcmp(arg, "--json") == 0; });
}

}  // namespace

int main(int argc, char** argv) {
    InstallInterruptCleanup();  // before any thread is started
    CLI::App app(
        "kelvo: enrol speakers and verify them by a spoken password, record and "
        "play audio, and measure verification on trial lists.",
        "kelvo");
    app.footer(Footer());
    app.require_subcommand(1);
    app.set_version_flag("--version", "kelvo " KELVO_VERSION);
    Arguments arguments;
    std::function<ExitCode(Output&)> run;
    DefineCommands(app, arguments, run);
    std::vector<std::string> given(argv, argv + argc);
    const std::vector<std::string> reordered = CommandFirst(given);
    // CLI11 takes the arguments in reverse order, without the program's name.
    std::vector<std::string> reversed(reordered.rbegin(), reordered.rend() - 1);
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& help) {
        return Output::Checked(static_cast<ExitCode>(app.exit(help)));
    } catch (const CLI::CallForVersion& version) {
        return Output::Checked(static_cast<ExitCode>(app.exit(version)));
    } catch (const CLI::ParseError& error) {
        Output out(AskedForJson(argc, argv));
        const std::optional<std::string> unknown = UnknownCommand(app, argc, argv);
        out.Fail(CliError(kExitUsage, unknown ? "unknown command " + *unknown : error.what()));
        std::cerr << "Run 'kelvo --help' for the commands and their arguments.\n";
        return out.Finish(kExitUsage);
    }
    Output out(arguments.json);
    try {
        return out.Finish(run(out));
    } catch (const CliError& error) {
        out.Fail(error);
        return out.Finish(error.Code());
    } catch (const std::exception& error) {
        out.Fail(CliError(kExitSetUp, error.what()));
        return out.Finish(kExitSetUp);
    }
}
