#include "core/service/chain_service.h"

namespace tvq::service {

struct ChainService::Impl {};

ChainService::ChainService(ServiceOptions, LinkOpener, JournalSink*, Clock&, WallClock&)
    : impl_(std::make_unique<Impl>()) {}
ChainService::~ChainService() = default;
void ChainService::start() {}
void ChainService::stop() {}
nlohmann::json ChainService::greeting() const {
    return {{"class", "hello"}, {"protocol", kProtocolVersion}};
}
std::string ChainService::linkState() const {
    return "down";
}
void ChainService::handle(const Peer&, const nlohmann::json& request,
                          std::function<void(nlohmann::json)> answer) {
    answer({{"class", "answer"},
            {"id", request.value("id", nlohmann::json())},
            {"ok", false},
            {"error", "internal"},
            {"message", "not ready"}});
}
void ChainService::setEventSink(std::uint64_t, std::function<void(const nlohmann::json&)>) {}
std::uint64_t ChainService::watch(const Peer&, std::optional<std::uint64_t>, std::set<std::string>,
                                  std::function<void(const nlohmann::json&)>) {
    return 0;
}
void ChainService::unwatch(std::uint64_t) {}
void ChainService::peerGone(const Peer&) {}
bool ChainService::submit(JobPriority, std::function<void(FrameExchanger&, std::stop_token)>,
                          std::function<void()>) {
    return false;
}
std::uint64_t ChainService::lastEventSeq() const {
    return 0;
}

}  // namespace tvq::service
