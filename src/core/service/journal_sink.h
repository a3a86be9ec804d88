#pragma once
// Where the chain service writes its proof of play: one record per exchange that changed
// something, and one per stretch of air time. The journal on disk is one implementation; tests
// keep records in memory.

#include <cstdint>

#include <nlohmann/json.hpp>

namespace tvq::service {

class JournalSink {
public:
    virtual ~JournalSink() = default;
    // Stamps the record with the next sequence number ("seq") and the UTC time ("time") unless
    // it carries one, writes it whole, and returns its sequence number. Safe from any thread.
    virtual std::uint64_t append(nlohmann::json record) = 0;
    // The number the next record will get.
    virtual std::uint64_t nextSeq() const = 0;
};

}  // namespace tvq::service
