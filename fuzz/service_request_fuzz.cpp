// Any bytes as one request line of the chain service: never a crash or a throw, always either a
// request with a string op and a usable id or a refusal of the documented shape, and whatever
// comes back can be written to the wire.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/service/request_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvq::service;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const ParsedLine parsed = parseRequestLine(line);
    if (parsed.ok()) {
        const auto& request = parsed.request;
        if (!request.is_object() || !request.contains("op") || !request["op"].is_string() ||
            !request.contains("id"))
            std::abort();
        const auto& id = request["id"];
        if (!id.is_null() && !id.is_number() && !id.is_string()) std::abort();
        (void)wireLine(request);
    } else {
        const auto& error = parsed.error;
        const std::string code = error.value("error", "");
        if (error.value("class", "") != "answer" || error.value("ok", true) ||
            (code != "parse" && code != "bad-request" && code != "too-long") ||
            !error.contains("id") || !error["message"].is_string())
            std::abort();
        const std::string wire = wireLine(error);
        if (wire.find('\n') != wire.size() - 1) std::abort();  // one line, whatever was echoed
    }
    return 0;
}
