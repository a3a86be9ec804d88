// docs/protocol.md is what integrators code against: every example line in it parses, every
// request passes the service's own request reader, every answer and event carries the fields
// the page promises, and no kind of message is left without an example.

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/service/chain_service.h"
#include "core/service/request_line.h"

namespace tvq::service {
namespace {

using nlohmann::json;
using Fields = std::vector<std::string>;

struct Op {
    std::string name;
    Fields request;  // beyond "id" and "op"
    Fields answer;   // of an "ok":true answer, beyond "class", "id" and "ok"
};

const Fields kExchangeAnswer{"result", "reply", "received", "lineClosed"};
const Op kOps[] = {
    {"exchange", {"address", "frame"}, kExchangeAnswer},
    {"gather", {"address", "frame"}, {"count", "bytes"}},
    {"begin", {}, {}},
    {"end", {}, {}},
    {"status", {"address"}, {"address", "state", "reply"}},
    {"source", {"address", "source"}, kExchangeAnswer},
    {"press", {"address", "key"}, kExchangeAnswer},
    {"watch", {}, {"seq"}},
    {"unwatch", {}, {}},
    {"plans.list", {}, {"plans", "warnings"}},
    {"plans.add", {"kind", "time", "source"}, {"kind", "entry"}},
    {"plans.modify", {"kind", "entry", "time", "source"}, {"kind", "entry"}},
    {"plans.delete", {"kind", "entry"}, {"kind", "entry"}},
    {"plans.start", {}, {"armed"}},
    {"plans.stop", {}, {"armed"}},
    {"journal", {}, {"records", "next", "warnings"}},
    {"settings", {"address"}, {"address", "outputFormat", "modes", "missing"}},
    {"set", {"address", "settings"}, {"address", "written"}},
    {"wall", {"rows", "columns", "widths", "heights"}, {"job", "state"}},
    {"job", {"job"}, {"job", "kind", "state", "progress", "cells", "result"}},
};
const std::map<std::string, Fields> kEvents{{"state", {"address", "state", "reply"}},
                                            {"link", {"state", "message"}},
                                            {"plan", {"what", "kind", "entry", "source", "due"}},
                                            {"journal", {"record"}},
                                            {"job", {"job", "kind", "state", "cells"}}};
const std::set<std::string> kErrors{"parse",  "bad-request", "unknown-op", "too-long",
                                    "busy",   "link-down",   "sequence",   "internal",
                                    "device", "not-found"};
const Fields kState{"pip",       "text",          "pictureMode", "transition", "transitionName",
                    "freeze",    "bypass",        "mosaic",      "mainSource", "mainSourceName",
                    "subSource", "subSourceName", "mainSignal",  "subSignal",  "pipMode",
                    "extType",   "extTypeName"};
const Fields kGreeting{"protocol", "service",      "version",   "chain",
                       "link",     "capabilities", "addresses", "limits"};

// Each line of every ```json block.
std::vector<std::string> exampleLines() {
    std::ifstream in(PROTOCOL_DOC);
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("```")) {
            inside = line == "```json";
            continue;
        }
        if (inside && !line.empty()) lines.push_back(line);
    }
    return lines;
}

void expectFields(const json& object, const Fields& fields, const std::string& line) {
    for (const std::string& field : fields)
        EXPECT_TRUE(object.contains(field)) << "no \"" << field << "\" in " << line;
}

TEST(ProtocolDocument, EveryExampleHoldsAndEveryMessageHasOne) {
    const std::vector<std::string> lines = exampleLines();
    ASSERT_GT(lines.size(), 30u) << "examples not found in " << PROTOCOL_DOC;

    std::map<std::string, std::string> opOfId;  // request id (as text) -> op
    std::set<std::string> answered, errors, events;
    bool greeted = false;
    std::vector<std::pair<json, std::string>> okAnswers;
    for (const std::string& line : lines) {
        const json message = json::parse(line, nullptr, false);
        ASSERT_TRUE(message.is_object()) << "not a JSON object: " << line;
        if (message.contains("op")) {
            const ParsedLine parsed = parseRequestLine(line);
            ASSERT_TRUE(parsed.ok()) << parsed.error << " for " << line;
            const std::string op = message["op"];
            const auto known = std::find_if(std::begin(kOps), std::end(kOps),
                                            [&](const Op& o) { return o.name == op; });
            ASSERT_NE(known, std::end(kOps)) << "undocumented op in " << line;
            expectFields(message, known->request, line);
            EXPECT_TRUE(opOfId.emplace(message["id"].dump(), op).second) << "id reused: " << line;
            continue;
        }
        const std::string kind = message.value("class", "");
        if (kind == "hello") {
            greeted = true;
            expectFields(message, kGreeting, line);
            EXPECT_EQ(message["protocol"], kProtocolVersion);
            EXPECT_EQ(message["limits"]["maxLine"], kMaxRequestLine);
        } else if (kind == "answer") {
            ASSERT_TRUE(message.contains("id") && message["ok"].is_boolean()) << line;
            if (message["ok"]) {
                okAnswers.emplace_back(message, line);
            } else {
                EXPECT_TRUE(kErrors.contains(message.value("error", ""))) << line;
                EXPECT_TRUE(message["message"].is_string()) << line;
                errors.insert(message.value("error", ""));
            }
        } else if (kind == "event") {
            const std::string type = message.value("type", "");
            ASSERT_TRUE(kEvents.contains(type)) << line;
            EXPECT_TRUE(message["seq"].is_number_unsigned()) << line;
            // A start or stop of the plans is a plan event about no plan.
            const bool arming = type == "plan" && message.contains("armed");
            expectFields(message, arming ? Fields{"what", "armed", "by"} : kEvents.at(type), line);
            if (type == "state") expectFields(message["state"], kState, line);
            events.insert(type);
        } else {
            ADD_FAILURE() << "neither request, hello, answer nor event: " << line;
        }
    }
    // An ok answer shows the fields of the op its id was asked with.
    for (const auto& [answer, line] : okAnswers) {
        const auto op = opOfId.find(answer["id"].dump());
        if (op == opOfId.end()) {
            EXPECT_EQ(answer.size(), 3u) << "answer to no example request: " << line;
            continue;
        }
        const auto known = std::find_if(std::begin(kOps), std::end(kOps),
                                        [&](const Op& o) { return o.name == op->second; });
        expectFields(answer, known->answer, line);
        if (op->second == "status") expectFields(answer["state"], kState, line);
        answered.insert(op->second);
    }

    EXPECT_TRUE(greeted) << "no greeting";
    for (const Op& op : kOps)
        EXPECT_TRUE(answered.contains(op.name)) << "no example of " << op.name;
    for (const std::string& code : kErrors) EXPECT_TRUE(errors.contains(code)) << code;
    for (const auto& [type, fields] : kEvents) EXPECT_TRUE(events.contains(type)) << type;
}

}  // namespace
}  // namespace tvq::service
