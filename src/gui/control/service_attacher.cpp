#include "gui/control/service_attacher.h"

#ifdef TVQ_HAVE_SERVICE_CLIENT

#include <optional>

#include <nlohmann/json.hpp>

#include "service/client/service_client.h"

namespace {

std::optional<tvq::CommandFrame> frameFromHex(const std::string& hex) {
    tvq::CommandFrame frame{};
    if (hex.size() != frame.size() * 2) return std::nullopt;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        unsigned value = 0;
        for (char c : hex.substr(i * 2, 2)) {
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                return std::nullopt;
        }
        frame[i] = static_cast<std::uint8_t>(value);
    }
    return frame;
}

class ClientAttachment final : public tvq::ServiceAttachment {
public:
    explicit ClientAttachment(const std::string& socket) : client_(socket), wire_(client_) {}

    tvq::FrameExchanger& wire() override { return wire_; }
    void beginSequence(const std::string& what) override { wire_.beginSequence(what); }
    void endSequence() override { wire_.endSequence(); }

    void watch(tvq::ServiceEvents events) override {
        client_.onEvent([events](const nlohmann::json& event) {
            const std::string type = event.value("type", "");
            if (type == "state" && events.state) {
                const int address = event.value("address", -1);
                const auto reply = frameFromHex(event.value("reply", ""));
                if (reply && address >= 0 && address <= 255)
                    events.state(static_cast<std::uint8_t>(address), *reply);
            } else if (type == "link" && events.link) {
                events.link(event.value("state", ""), event.value("message", ""));
            } else if (type == "plan" && event.contains("armed") && events.plansArmed) {
                events.plansArmed(event.value("armed", false));
            }
        });
        client_.onClosed([closed = events.closed] {
            if (closed) closed();
        });
        const nlohmann::json answer =
            client_.request({{"op", "watch"}, {"events", {"state", "link", "plan"}}});
        if (!answer.value("ok", false))
            throw tvq::service::ServiceError(
                answer.value("message", "the service refused to watch"));
    }

    // The plan ops answer from the service's file at once: a few seconds is plenty.
    nlohmann::json request(const nlohmann::json& request) override {
        return client_.request(request, std::chrono::seconds(5));
    }

    std::optional<bool> plansArmed() const override {
        const nlohmann::json& hello = client_.greeting();
        const auto plans = hello.find("plans");
        if (plans == hello.end() || !plans->is_object()) return std::nullopt;
        return plans->value("armed", false);
    }

private:
    tvq::service::ServiceClient client_;
    tvq::service::ServiceExchanger wire_;
};

}  // namespace

tvq::ServiceAttacher serviceAttacher() {
    return [](const std::string& socket) -> std::unique_ptr<tvq::ServiceAttachment> {
        return std::make_unique<ClientAttachment>(socket);
    };
}

#else

tvq::ServiceAttacher serviceAttacher() {
    return {};
}

#endif
