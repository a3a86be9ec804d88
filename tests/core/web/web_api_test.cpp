// The web routes against a chain service on a fake device: the API document and the route
// table name the same operations, every example in the document is what the route gives for
// its example request, and the refusals HTTP adds of its own.

#include "core/web/web_api.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <sstream>
#include <thread>

#include "core/service/journal_file.h"
#include "core/service/journal_reader.h"
#include "support/fake_device.h"

namespace tvq::web {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

const service::Peer kDesk{7, "token:desk", 0, -1};

// Every field of the example is in the actual body, of the same kind (null matches any).
void expectShape(const json& example, const json& actual, const std::string& where) {
    if (example.is_null() || actual.is_null()) return;
    ASSERT_EQ(example.type() == json::value_t::object, actual.is_object())
        << where << ": " << actual;
    EXPECT_EQ(example.is_number(), actual.is_number()) << where << ": " << actual;
    EXPECT_EQ(example.is_string(), actual.is_string()) << where << ": " << actual;
    EXPECT_EQ(example.is_boolean(), actual.is_boolean()) << where << ": " << actual;
    if (example.is_object())
        for (const auto& [key, value] : example.items()) {
            ASSERT_TRUE(actual.contains(key)) << where << ": no \"" << key << "\" in " << actual;
            expectShape(value, actual[key], where + "." + key);
        }
    if (example.is_array() && actual.is_array() && !example.empty() && !actual.empty())
        expectShape(example[0], actual[0], where + "[0]");
}

class WebRig : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tvq-web-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "Planinfo.ini") << "";
        device_.setStatus(1, {.mainSource = 8, .subSource = 1, .mainSignal = true});
        wall_.onSleep = [this](WallClock::TimePoint) {
            while (!tearingDown_) std::this_thread::sleep_for(1ms);
        };
        journal_ = std::make_unique<service::JournalFile>(dir_ / "journal");
        service::ServiceOptions options;
        options.link.ipText = "127.0.0.1";
        options.link.portText = "4001";
        options.plans = dir_ / "Planinfo.ini";
        options.rate = 0.1;  // the burst of 40 lasts the test; then 429
        options.journalQuery = [dir = dir_ / "journal"](const json& request) {
            std::string error;
            auto query = service::journalQueryFromJson(request, error);
            if (!query) throw std::invalid_argument(error);
            return service::journalPageJson(service::readJournal(dir, *query));
        };
        service_ = std::make_unique<service::ChainService>(
            options,
            [this](const LinkChoice&, const InfoSink&) { return OpenedLink{device_.openLink()}; },
            journal_.get(), clock_, wall_);
        service_->start();
        for (int i = 0; i < 5000 && !service_->unit(1)->reply; ++i)
            std::this_thread::sleep_for(1ms);
    }
    void TearDown() override {
        tearingDown_ = true;
        service_->stop();
        fs::remove_all(dir_);
    }
    HttpResponse call(const std::string& method, const std::string& target,
                      const std::string& body = "", Role role = Role::Admin,
                      const std::string& type = "application/json") {
        auto promise = std::make_shared<std::promise<HttpResponse>>();
        auto future = promise->get_future();
        WebApi(*service_).serve(kDesk, role, {method, target, {{"content-type", type}}, body},
                                [promise](HttpResponse r) { promise->set_value(std::move(r)); });
        if (future.wait_for(5s) != std::future_status::ready) {
            ADD_FAILURE() << "no answer to " << method << " " << target;
            return {};
        }
        return future.get();
    }

    FakeClock clock_;
    FakeWallClock wall_{WallClock::TimePoint{} + std::chrono::seconds{1'800'000'000}};
    test::FakeDevice device_{clock_};
    fs::path dir_;
    std::unique_ptr<service::JournalFile> journal_;
    std::unique_ptr<service::ChainService> service_;
    std::atomic<bool> tearingDown_{false};
};

const json& resolve(const json& doc, const json& node) {
    if (!node.contains("$ref")) return node;
    const std::string ref = node["$ref"];
    return doc.at(json::json_pointer(ref.substr(1)));
}

// The example request of an operation: its path with the parameters' examples, its body.
std::pair<std::string, std::string> exampleRequest(const json& doc, std::string path,
                                                   const json& operation) {
    for (const json& p : operation.value("parameters", json::array())) {
        const json& param = resolve(doc, p);
        const std::string name = param["name"];
        if (param["in"] == "path")
            path.replace(path.find("{" + name + "}"), name.size() + 2,
                         param["example"].is_string() ? param["example"].get<std::string>()
                                                      : param["example"].dump());
    }
    std::string body;
    if (operation.contains("requestBody"))
        body = operation["requestBody"]["content"]["application/json"]["example"].dump();
    return {path, body};
}

TEST_F(WebRig, TheDocumentNamesEveryRouteAndEachExampleIsWhatTheRouteGives) {
    const json doc = json::parse(openApiDocument());
    EXPECT_EQ(doc["openapi"], "3.1.0");
    std::set<std::pair<std::string, std::string>> documented, routed;
    for (const auto& [path, methods] : doc["paths"].items())
        for (const auto& [method, operation] : methods.items()) {
            std::string upper = method;
            for (char& c : upper) c = static_cast<char>(std::toupper(c));
            documented.emplace(upper, path);
        }
    for (const Route& r : routes()) routed.emplace(std::string(r.method), std::string(r.path));
    EXPECT_EQ(documented, routed);

    // Commands first, so the reads after them have records and plans to show.
    std::vector<std::tuple<std::string, std::string, json>> operations;
    for (const auto& [path, methods] : doc["paths"].items())
        for (const auto& [method, operation] : methods.items())
            operations.emplace_back(method, path, operation);
    std::ranges::stable_partition(operations,
                                  [](const auto& o) { return std::get<0>(o) != "get"; });
    int checked = 0;
    for (const auto& [method, path, operation] : operations) {
        // The first status with an example is what the example request gives.
        for (const auto& [status, r] : operation["responses"].items()) {
            const json& response = resolve(doc, r);
            const json contents = response.value("content", json::object());
            const json* example = nullptr;
            for (const auto& [type, content] : contents.items())
                if (content.contains("example")) example = &content["example"];
            if (!example) continue;
            const auto [target, body] = exampleRequest(doc, path, operation);
            std::string upper = method;
            for (char& c : upper) c = static_cast<char>(std::toupper(c));
            const HttpResponse got = call(upper, target, body);
            EXPECT_EQ(std::to_string(got.status), status)
                << upper << " " << target << ": " << got.body;
            if (example->is_string()) {  // text: each line is there, but for its last word
                std::istringstream lines(example->get<std::string>());
                for (std::string line; std::getline(lines, line);)
                    EXPECT_NE(got.body.find(line.substr(0, line.rfind(' '))), std::string::npos)
                        << line << " not in " << got.body;
            } else {
                expectShape(*example, json::parse(got.body), upper + " " + path);
            }
            ++checked;
            break;
        }
    }
    EXPECT_GE(checked, 12);
    // The journal names who asked through the web; its other formats hold the same records.
    const json journal = json::parse(call("GET", "/api/v1/journal?since=0").body);
    ASSERT_FALSE(journal["records"].empty());
    EXPECT_EQ(journal["records"][0]["by"]["client"]["user"], "token:desk");
    const HttpResponse lines = call("GET", "/api/v1/journal?since=0&format=ndjson");
    EXPECT_EQ(json::parse(lines.body.substr(0, lines.body.find('\n'))), journal["records"][0]);
    EXPECT_EQ(lines.headers, (decltype(lines.headers){{"Journal-Next", journal["next"].dump()}}));
    const HttpResponse csv = call("GET", "/api/v1/journal?since=0&format=csv");
    EXPECT_EQ(std::ranges::count(csv.body, '\n'), journal["records"].size() + 1) << csv.body;

    // A processor that stops answering keeps its last state, shown stale as the lamps would be.
    EXPECT_FALSE(json::parse(call("GET", "/api/v1/units/1").body)["stale"]);
    device_.setStatusFault(test::FakeDevice::Fault::Silent);
    json unit = json::object();
    for (int i = 0; i < 5000 && !unit.value("stale", false); ++i)
        unit = json::parse(call("GET", "/api/v1/units/1").body);
    EXPECT_TRUE(unit["stale"]) << unit;
    EXPECT_EQ(unit["state"]["main"], "HDMI") << unit;
}

TEST_F(WebRig, RefusalsOfItsOwnAndTheServicesAsHttp) {
    struct Case {
        Role role;
        std::string method, target, body;
        int status;
        std::string error;
        std::string type = "application/json";
    } const cases[] = {
        {Role::Admin, "GET", "/api/v2/units", "", 404, "not-found"},
        {Role::Admin, "PUT", "/api/v1/units", "", 405, "method-not-allowed"},
        {Role::Viewer, "POST", "/api/v1/units/1/source", R"({"source":"HDMI"})", 403, "forbidden"},
        {Role::Operator, "POST", "/api/v1/plans", R"({"kind":"day"})", 403, "forbidden"},
        {Role::Operator, "POST", "/api/v1/units/1/source", R"({"source":"HDMI2"})", 400,
         "bad-request"},
        {Role::Operator, "POST", "/api/v1/units/256/source", R"({"source":"HDMI"})", 400,
         "bad-request"},
        {Role::Operator, "POST", "/api/v1/units/1/press", "[1]", 400, "bad-request"},
        {Role::Operator, "POST", "/api/v1/units/1/press", R"({"button":"EJECT"})", 400,
         "bad-request"},
        // A body cannot choose another op than its route's.
        {Role::Operator, "POST", "/api/v1/units/1/press", R"({"op":"exchange","frame":"00"})", 400,
         "bad-request"},
        {Role::Viewer, "GET", "/api/v1/units/9", "", 404, "not-found"},
        {Role::Operator, "PUT", "/api/v1/units/1/settings", R"({"bias":1})", 403, "forbidden"},
        {Role::Operator, "POST", "/api/v1/wall", "{}", 403, "forbidden"},
        {Role::Viewer, "GET", "/api/v1/jobs/99", "", 404, "not-found"},
        {Role::Viewer, "GET", "/api/v1/journal?format=xml", "", 400, "bad-request"},
        {Role::Viewer, "GET", "/api/v1/journal?since=-1", "", 400, "bad-request"},
        {Role::Viewer, "GET", "/api/v1/events", "", 426, "upgrade-required"},
        // What another site's page may post without asking (CSRF).
        {Role::Admin, "POST", "/api/v1/units/1/source", R"({"source":"HDMI"})", 415,
         "unsupported-media-type", "text/plain"},
    };
    for (const Case& c : cases) {
        const HttpResponse got = call(c.method, c.target, c.body, c.role, c.type);
        EXPECT_EQ(got.status, c.status) << c.method << " " << c.target << ": " << got.body;
        EXPECT_EQ(json::parse(got.body)["error"], c.error) << c.target;
    }
    // Beyond the rate: 429 with when to try again.
    HttpResponse last;
    for (int i = 0; i < 60 && last.status != 429; ++i)
        last = call("POST", "/api/v1/units/1/source", R"({"source":"V1"})");
    ASSERT_EQ(last.status, 429);
    EXPECT_EQ(last.headers, (decltype(last.headers){{"Retry-After", "1"}}));
}

TEST(WebQuery, PercentDecodedLastValueKept) {
    const auto query = parseQuery("from=2026-12-07T14%3A00%3A00Z&on-air&a+b=c%2");
    EXPECT_EQ(query.at("from"), "2026-12-07T14:00:00Z");
    EXPECT_EQ(query.at("on-air"), "");
    EXPECT_EQ(query.at("a b"), "c%2");
}

}  // namespace
}  // namespace tvq::web
