#pragma once
// One TCP connection to a processor (or a serial-to-network converter in front of it).

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/link/byte_link.h"

namespace tvq {

class NetworkLink final : public ByteLink {
public:
    NetworkLink();
    ~NetworkLink() override;

    Kind kind() const override { return Kind::Network; }
    bool isOpen() const override { return socket_.is_open(); }
    int writeFrame(const CommandFrame& frame) override;
    int readAvailable(std::uint8_t* out, int max) override;
    bool waitReadable(Millis timeout) override;
    int discardInput() override;
    void close() override;
    bool broken() const override { return broken_; }

    asio::ip::tcp::socket& socket() { return socket_; }

private:
    asio::io_context io_;
    asio::ip::tcp::socket socket_;
    bool broken_ = false;  // the peer closed or reset the connection
};

// The documented connect wait: 3 s and 3000 µs.
inline constexpr Millis kConnectTimeout{3003};

// Connects with a bounded wait; the socket stays non-blocking for the connection's life.
// Returns nullptr (and leaves no socket open) on failure.
std::unique_ptr<NetworkLink> connectWithTimeout(std::uint32_t address, std::uint16_t port,
                                                Millis timeout = kConnectTimeout);

// The port box read as a signed integer: an empty or non-numeric text reads as 0; a value that
// does not fit 32 bits saturates. Range 0..65535 is accepted.
std::int64_t readPortText(std::string_view text);
bool portInRange(std::int64_t port);

// "a.b.c.d" with each field 0..255, first field most significant; nullopt when malformed.
std::optional<std::uint32_t> parseIPv4(std::string_view text);
std::string formatIPv4(std::uint32_t address);

}  // namespace tvq
