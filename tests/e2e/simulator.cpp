#include "e2e/simulator.h"

namespace tvq::e2e {

Simulator::Simulator(Via via, const std::vector<std::string>& options) {
    std::vector<std::string> argv{TVQ418SIM_PATH};
    if (via == Via::Tcp) {
        argv.insert(argv.end(), {"--tcp", "127.0.0.1:0"});
    } else {
        argv.push_back("--pty");
    }
    argv.insert(argv.end(), options.begin(), options.end());
    process_ = std::make_unique<Background>(argv);

    const auto where = process_->waitForLine(via == Via::Tcp ? "tcp " : "pty ", Millis{10000});
    if (where) linkArgs_ = {via == Via::Tcp ? "--tcp" : "--serial", *where};
}

std::string Simulator::diagnostics() const {
    return "simulator stdout:\n" + process_->out() + "simulator stderr:\n" + process_->err();
}

Finished Simulator::ctl(const std::vector<std::string>& args, Millis limit) const {
    std::vector<std::string> all = linkArgs_;
    all.insert(all.end(), args.begin(), args.end());
    return e2e::ctl(all, limit);
}

Finished ctl(const std::vector<std::string>& args, Millis limit) {
    std::vector<std::string> argv{TVQ418CTL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return runToEnd(argv, limit);
}

}  // namespace tvq::e2e
