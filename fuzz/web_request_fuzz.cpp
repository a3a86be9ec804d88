// Any bytes as one web request (first line the target, then "name: value" header lines, a blank
// line and the body): the access checks and the routes answer each exactly once, with a
// status and, for JSON, a body that parses. The service behind has stopped, so nothing waits.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/web/web_access.h"
#include "core/web/web_api.h"

namespace {

tvq::service::ChainService& stoppedService() {
    static tvq::service::ChainService service(
        tvq::service::ServiceOptions{},
        [](const tvq::LinkChoice&, const tvq::InfoSink&) { return tvq::OpenedLink{}; }, nullptr);
    static const bool stopped = (service.stop(), true);
    (void)stopped;
    return service;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvq::web;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    HttpRequest request;
    const std::size_t blank = text.find("\n\n");
    const std::string_view head = text.substr(0, blank);
    if (blank != std::string_view::npos) request.body = std::string(text.substr(blank + 2));
    std::size_t start = 0;
    for (bool first = true; start <= head.size(); first = false) {
        const std::size_t end = std::min(head.find('\n', start), head.size());
        const std::string_view line = head.substr(start, end - start);
        if (first) {
            const std::size_t space = line.find(' ');
            request.method = std::string(line.substr(0, space));
            request.target =
                space == std::string_view::npos ? "/" : std::string(line.substr(space + 1));
        } else if (const std::size_t colon = line.find(": "); colon != std::string_view::npos) {
            request.headers[std::string(line.substr(0, colon))] =
                std::string(line.substr(colon + 2));
        }
        start = end + 1;
    }

    std::string error;
    const AccessPolicy policy{"0.0.0.0", 8418,
                              parseTokens("desk operator 0123456789abcdef\n", error)};
    const Admission admission = admit(policy, request);
    if (admission.refusal && (admission.refusal->status < 400 || admission.refusal->status > 499))
        std::abort();
    (void)parseTokens(text, error);
    (void)WebApi::eventsQuery(request.target);

    int answers = 0;
    WebApi(stoppedService())
        .serve({1, "fuzz", 0, -1}, Role::Admin, request, [&](HttpResponse response) {
            ++answers;
            if (response.status < 200 || response.status > 599) std::abort();
            if (response.contentType == "application/json" &&
                nlohmann::json::parse(response.body, nullptr, false).is_discarded())
                std::abort();
        });
    if (answers != 1) std::abort();
    return 0;
}
