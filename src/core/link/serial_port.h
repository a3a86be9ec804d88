#pragma once
// One RS-232 port at 9600 baud, 8N1, with a time-stamped trace of every frame on stdout.

#include <asio/io_context.hpp>
#include <asio/serial_port.hpp>
#include <string>
#include <vector>

#include "core/link/byte_link.h"

namespace tvq {

class CSerialPort final : public ByteLink {
public:
    CSerialPort();
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens the device for exclusive reading and writing. 1 on success, 0 on failure.
    int Open(const std::string& devicePath);
    // Sets 9600 baud, 8 data bits, no parity, one stop bit. 1 on success; 0 closes the port.
    int Configure();
    // Writes 13 bytes; returns the count written, 0 when not usable or on failure.
    int WriteFrame(const CommandFrame& frame);
    // Reads at most max (<= 13) of the bytes already waiting; 0 when none. Never blocks.
    int ReadAvailable(std::uint8_t* bytes, int max = static_cast<int>(kFrameSize));
    void Close();

    bool configured() const { return configured_ != 0; }
    // The system's error number behind the last failure printed, 0 before any.
    int lastError() const { return lastError_; }

    // ByteLink
    Kind kind() const override { return Kind::Serial; }
    bool isOpen() const override;
    int writeFrame(const CommandFrame& frame) override { return WriteFrame(frame); }
    int readAvailable(std::uint8_t* out, int max) override;
    bool waitReadable(Millis timeout) override;
    int discardInput() override;
    bool broken() const override { return broken_; }
    void close() override { Close(); }

private:
    int fail(const char* what, bool closePort);
    int bytesWaiting();

    asio::io_context io_;
    asio::serial_port port_;
    int configured_ = 0;
    int lastError_ = 0;
    bool broken_ = false;  // the device went away (adapter pulled, far end of a pty closed)
};

// Prints one trace line: "08:15:02-041 -> 05 01 17 ..." (direction "->" or "<-").
void printTrafficLine(const char* direction, std::span<const std::uint8_t> bytes);

// A serial port the system lists: its kernel device name and the name it is opened by.
struct PresentPort {
    std::string deviceName;
    std::string portName;
};

// Device names that count as present serial hardware start with this.
inline constexpr std::string_view kDeviceNamePrefix = "\\Device\\";

// The last listed port whose device name starts with "\Device\", or an empty name.
std::string findSerialPort(const std::vector<PresentPort>& ports);

}  // namespace tvq
