#include "core/web/web_panel.h"

#include <algorithm>

namespace tvq::web {

std::optional<HttpResponse> panelResponse(const AccessPolicy& policy, const HttpRequest& request) {
    const std::string path = request.target.substr(0, request.target.find('?'));
    const auto& files = panelFiles();
    const auto file = std::ranges::find(files, path, &PanelFile::path);
    if (file == files.end()) return std::nullopt;
    // A request that lacks nothing but a token is served: admit() asks for the token last,
    // once the Host and Origin checks have passed.
    if (auto refusal = admit(policy, request).refusal; refusal && refusal->status != 401)
        return refusal;
    if (request.method != "GET") {
        HttpResponse response = errorResponse(405, "method-not-allowed", "use GET here");
        response.headers.emplace_back("Allow", "GET");
        return response;
    }
    HttpResponse response;
    response.contentType = std::string(file->contentType);
    response.body = std::string(file->body);
    // The page runs its own files and talks to this server only: nothing inline, nothing from
    // elsewhere, never inside another site's frame.
    response.headers = {
        {"Content-Security-Policy",
         "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
         "img-src 'self' data:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
    };
    return response;
}

}  // namespace tvq::web
