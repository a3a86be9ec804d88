#pragma once
// What one command prints: text lines and JSON fields are collected side by side, and only the
// form the caller asked for (--json or not) is printed.

#include <string>

#include "cli/cli_options.h"
#include "cli/json_object.h"
#include "cli/run_command.h"

namespace tvq::cli {

class CommandReport {
public:
    explicit CommandReport(const CliOptions& options) : options_(options) {
        json_.addString("command", commandName(options.command));
        json_.addNumber("address", options.address);
    }

    JsonObject& json() { return json_; }
    void line(const std::string& text) { text_ += text + "\n"; }
    void lines(const std::string& text) { text_ += text; }

    CommandResult finish(int exitCode, std::string error = {}) {
        CommandResult result{exitCode, {}, std::move(error)};
        if (options_.json) {
            JsonObject out;
            out.addBool("ok", exitCode == kExitOk).addFields(json_);
            if (!result.error.empty()) out.addString("error", result.error);
            result.output = out.str() + "\n";
        } else {
            result.output = text_;
        }
        return result;
    }

private:
    const CliOptions& options_;
    JsonObject json_;
    std::string text_;
};

}  // namespace tvq::cli
