// What a command reports: lines of text on standard output, or with --json one JSON object
// printed when the command ends. Messages for people (progress, problems) go to standard
// error in both modes.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

#include "exit_codes.h"

namespace kelvo_cli {

class Output {
  public:
    explicit Output(bool json) : json_(json) {}

    bool Json() const { return json_; }

    // The object printed in JSON mode; commands fill in their results.
    nlohmann::json& Data() { return data_; }

    // A line on standard output, in text mode only.
    void Line(std::string_view text) const;

    // "kelvo: <message>" on standard error, in both modes.
    static void Problem(std::string_view message);

    // A failure that ended the command: its message on standard error, and in JSON mode
    // recorded in the object as "error".
    void Fail(const CliError& error);

    // Prints the JSON object (with "exit_code" added) in JSON mode; returns Checked(code).
    int Finish(ExitCode code);

    // Flushes standard output and returns `code`, or kExitSetUp when anything written there
    // was lost (a closed pipe, a full disk): a report no one got is no success.
    static int Checked(ExitCode code);

  private:
    bool json_;
    nlohmann::json data_ = nlohmann::json::object();
};

}  // namespace kelvo_cli
