#pragma once
// What one command prints: text lines and JSON fields are collected side by side, and only the
// form the caller asked for (--json or not) is printed.

#include <string>

#include "cli/cli_options.h"
#include "cli/json.h"
#include "cli/run_command.h"

namespace tvq::cli {

class CommandReport {
public:
    explicit CommandReport(const CliOptions& options) : options_(options) {
        json_["command"] = commandName(options.command);
        json_["address"] = options.address;
    }

    Json& json() { return json_; }
    void line(const std::string& text) { text_ += text + "\n"; }
    void lines(const std::string& text) { text_ += text; }

    CommandResult finish(int exitCode, std::string error = {}) {
        CommandResult result{exitCode, {}, std::move(error)};
        if (options_.json) {
            Json out{{"ok", exitCode == kExitOk}};
            out.update(json_);
            if (!result.error.empty()) out["error"] = result.error;
            result.output = jsonText(out) + "\n";
        } else {
            result.output = text_;
        }
        return result;
    }

private:
    const CliOptions& options_;
    Json json_ = Json::object();
    std::string text_;
};

}  // namespace tvq::cli
