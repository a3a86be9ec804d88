#pragma once
// The browser panel: a page, its style sheet, its script and its texts, compiled in and served
// at "/" to whoever passes the Host and Origin checks. The files hold no secret; what the page
// then reads or presses goes through the API with the user's own token.

#include <optional>
#include <string_view>
#include <vector>

#include "core/web/web_access.h"

namespace tvq::web {

struct PanelFile {
    std::string_view path;  // "/", "/panel.js", ...
    std::string_view contentType;
    std::string_view body;
};
// Made by CMake from the files in panel/.
const std::vector<PanelFile>& panelFiles();

// The answer when the request's path (query aside) is one of the panel's files; nothing when
// it is not, and the API's routes take it.
std::optional<HttpResponse> panelResponse(const AccessPolicy& policy, const HttpRequest& request);

}  // namespace tvq::web
