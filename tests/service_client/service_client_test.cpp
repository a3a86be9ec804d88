#include "service/client/service_client.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

namespace tvq::service {
namespace {

using nlohmann::json;
constexpr const char* kHello =
    R"({"class":"hello","protocol":1,"link":{"kind":"serial","state":"up"}})";

// One connection at a time on a fresh socket path; `script` plays the service's side.
class ScriptedService {
public:
    using Script = std::function<void(ScriptedService&)>;
    explicit ScriptedService(Script script)
        : path_((std::filesystem::temp_directory_path() /
                 ("tvq-client-" + std::to_string(::getpid()) + ".sock"))
                    .string()) {
        ::unlink(path_.c_str());
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path_.copy(address.sun_path, sizeof address.sun_path - 1);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        thread_ = std::thread([this, script] {
            fd_ = ::accept(listener_, nullptr, nullptr);
            script(*this);
            ::close(fd_);
        });
    }
    ~ScriptedService() {
        thread_.join();
        ::close(listener_);
        ::unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }
    void say(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(::write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    json hear() {
        std::string line;
        char c = 0;
        while (::read(fd_, &c, 1) == 1 && c != '\n') line += c;
        return json::parse(line, nullptr, false);
    }

private:
    std::string path_;
    int listener_ = -1;
    int fd_ = -1;
    std::thread thread_;
};

TEST(ServiceClient, RefusesWhatIsNotOurService) {
    const struct {
        const char* first;  // nullptr: the peer closes at once
        const char* message;
    } cases[] = {{"SSH-2.0-OpenSSH_9.2", ": not a tvq418d socket"},
                 {R"({"class":"hello","protocol":2})", ": protocol 2 is not supported"},
                 {nullptr, ": not a tvq418d socket"}};
    for (const auto& c : cases) {
        ScriptedService service([&](ScriptedService& s) {
            if (c.first) s.say(c.first);
        });
        try {
            ServiceClient client(service.path(), std::chrono::seconds(2));
            ADD_FAILURE() << "accepted " << (c.first ? c.first : "a closed socket");
        } catch (const ServiceError& e) {
            EXPECT_EQ(e.what(), service.path() + c.message);
        }
    }
}

TEST(ServiceClient, MatchesAnswersByIdAcrossThreadsAndHandsOnEvents) {
    ScriptedService service([](ScriptedService& s) {
        s.say(kHello);
        const json a = s.hear(), b = s.hear();
        // Answered in the opposite order, an event and a stray answer between them.
        s.say(json{{"class", "answer"}, {"id", b["id"]}, {"ok", true}, {"echo", b["op"]}}.dump());
        s.say(R"({"class":"event","seq":7,"type":"link","state":"down"})");
        s.say(R"({"class":"answer","id":999,"ok":true})");
        s.say(json{{"class", "answer"}, {"id", a["id"]}, {"ok", true}, {"echo", a["op"]}}.dump());
    });
    ServiceClient client(service.path());
    std::atomic<int> events{0};
    client.onEvent([&](const json& e) { events += e["seq"] == 7; });
    json first, second;
    std::thread other([&] { first = client.request({{"op", "first"}}); });
    second = client.request({{"op", "second"}});
    other.join();
    EXPECT_EQ(first["echo"], "first");
    EXPECT_EQ(second["echo"], "second");
    EXPECT_EQ(events, 1);
}

TEST(ServiceClient, ServiceLeavingMidRequestFailsItAndSaysClosed) {
    ScriptedService service([](ScriptedService& s) {
        s.say(kHello);
        s.hear();
    });
    ServiceClient client(service.path());
    std::atomic<bool> closed{false};
    client.onClosed([&] { closed = true; });
    EXPECT_THROW(client.request({{"op", "status"}}, std::chrono::seconds(5)), ServiceError);
    // onClosed runs on the reader thread, maybe just after the request gave up.
    for (int i = 0; i < 100 && !closed; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(closed);
    EXPECT_FALSE(client.connected());
    EXPECT_THROW(client.request({{"op", "status"}}), ServiceError);
}

// What an exchange through the service comes to, for each kind of answer.
TEST(ServiceExchanger, MapsAnswersOntoTheExchangeContract) {
    const std::string reply = "0501000102030405060708090a";
    const struct {
        std::string answer;  // without class and id
        int result;
        std::size_t received;
        bool lineClosed;
        std::string lastError;
    } cases[] = {
        {R"("ok":true,"result":13,"reply":")" + reply + R"(","received":13,"lineClosed":false)", 13,
         13, false, ""},
        {R"("ok":true,"result":0,"received":5,"lineClosed":true)", 0, 5, true, ""},
        {R"("ok":false,"error":"busy","message":"busy: the queue is full")", 0, 0, false,
         "busy: the queue is full"},
        {R"("ok":false,"error":"link-down","message":"the link is down")", 0, 0, false,
         "the link is down"},
        {R"("ok":true,"result":13,"reply":"zz","received":13)", 0, 13, false,
         "SOCKET: the service sent a malformed reply"}};
    for (const auto& c : cases) {
        json asked;
        ScriptedService service([&](ScriptedService& s) {
            s.say(kHello);
            asked = s.hear();
            s.say(R"({"class":"answer","id":)" + asked["id"].dump() + "," + c.answer + "}");
            s.hear();  // until the client goes
        });
        ServiceClient client(service.path());
        ServiceExchanger link(client);
        EXPECT_TRUE(link.isSerial());
        link.setDeviceAddress(5);
        CommandFrame frame{0x05, 0x05, 0x01}, got{};
        ExchangeDetail detail;
        EXPECT_EQ(link.exchangeFrame(frame, got, 300, detail), c.result) << c.answer;
        EXPECT_EQ(detail.received, c.received) << c.answer;
        EXPECT_EQ(detail.lineClosed, c.lineClosed) << c.answer;
        std::string expected = c.lastError;
        if (expected.starts_with("SOCKET")) expected.replace(0, 6, service.path());
        EXPECT_EQ(link.lastError(), expected) << c.answer;
        EXPECT_EQ(asked["op"], "exchange");
        EXPECT_EQ(asked["address"], 5);
        EXPECT_EQ(asked["frame"].get<std::string>().substr(0, 6), "050501");
        if (c.result == 13) {
            EXPECT_EQ(got[12], 0x0a);
        }
        EXPECT_EQ(link.isUp(), c.lastError != "the link is down") << c.answer;
    }
}

}  // namespace
}  // namespace tvq::service
