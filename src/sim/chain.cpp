#include "sim/chain.h"

#include <algorithm>

namespace tvq::sim {

Chain::Chain(std::span<const std::uint8_t> addresses) {
    for (std::uint8_t address : addresses)
        if (address != kBroadcast && !find(address)) processors_.emplace_back(address);
}

std::vector<CommandFrame> Chain::deliver(const CommandFrame& frame) {
    std::vector<CommandFrame> replies;
    if (frame[0] != kFrameStart || !checkByteOk(frame)) return replies;
    if (frame[1] == kBroadcast) {
        for (Processor& p : processors_) p.handle(frame);
        return replies;
    }
    if (Processor* p = find(frame[1])) {
        if (auto reply = p->handle(frame)) replies.push_back(*reply);
    }
    return replies;
}

Processor* Chain::find(std::uint8_t address) {
    auto it = std::find_if(processors_.begin(), processors_.end(),
                           [address](const Processor& p) { return p.address() == address; });
    return it == processors_.end() ? nullptr : &*it;
}

const Processor* Chain::find(std::uint8_t address) const {
    return const_cast<Chain*>(this)->find(address);
}

}  // namespace tvq::sim
