#pragma once
// JSON as tvq418ctl prints it: keys in the order they were added, the order the guide and the
// manual show; text that is not UTF-8 (a serial path, say) is replaced, not refused.

#include <string>

#include <nlohmann/json.hpp>

namespace tvq::cli {

using Json = nlohmann::ordered_json;

inline std::string jsonText(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace tvq::cli
