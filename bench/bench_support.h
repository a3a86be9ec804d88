#pragma once
// Shared pieces of the measuring programs: an in-process simulator, a link to it, statistics.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "core/link/device_link.h"
#include "core/link/link_open.h"
#include "sim/sim_server.h"

namespace tvq::bench {

inline std::unique_ptr<ByteLink> openTo(const sim::SimServer& server, bool pty) {
    if (pty) return openSerialLink(server.ptyPath(), {});
    return openNetworkLink("127.0.0.1", std::to_string(server.tcpPort()), {}).link;
}

// mono_us of every reply that went out, in log order, for one endpoint ("tcp" or "pty").
inline std::vector<std::int64_t> sentReplyTimes(const std::string& logPath,
                                                const std::string& endpoint) {
    std::ifstream in(logPath);
    std::vector<std::int64_t> times;
    const std::regex out(R"re("mono_us":(\d+).*"dir":"out","endpoint":")re" + endpoint + "\"");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, out) && line.find("\"sent\":false") == std::string::npos)
            times.push_back(std::stoll(m[1]));
    return times;
}

inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace tvq::bench
