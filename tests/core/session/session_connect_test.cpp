// The connect job: link open, device check, the three ends it can come to, and address 0.

#include "session_rig.h"
#include "support/diagnostic_capture.h"

namespace tvq::test {
namespace {

using test::PrintTo;
using Fault = FakeDevice::Fault;

InfoText msg(MessageId id) {
    return InfoText::message(id);
}

struct ConnectCase {
    const char* name;
    Opening opening;
    Fault statusFault;
    ConnectOutcome outcome;
    std::vector<InfoText> infos;
    std::size_t framesSent;
    bool connected;
};

class ConnectOutcomes : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(ConnectOutcomes, EndsOnceInTheDocumentedState) {
    const ConnectCase& c = GetParam();
    FakeClock clock;
    SessionRig rig(clock);
    rig.device.setStatus(1, status(kHdmi));
    rig.device.setStatusFault(c.statusFault);
    rig.opening = c.opening;
    rig.session.holdWorkers(kAllWorkers);  // keep the check's frame alone in the log

    EXPECT_EQ(rig.connect(), c.outcome);
    EXPECT_FALSE(rig.session.connectInProgress());
    EXPECT_EQ(rig.observer.infos(), c.infos);
    EXPECT_EQ(rig.session.connected(), c.connected);
    EXPECT_EQ(rig.session.link().isOpen(), c.connected);
    EXPECT_EQ(rig.device.liveLinks(), c.connected ? 1 : 0) << "a failed check drops its link";
    EXPECT_EQ(rig.session.workersRunning(), c.connected);

    const auto sent = rig.device.sent();
    ASSERT_EQ(sent.size(), c.framesSent);
    if (!sent.empty()) {
        EXPECT_EQ(sent[0].frame, pageQuery(1));
    }

    const PanelState s = rig.session.snapshot();
    EXPECT_EQ(s.isEnabled(Control::Disconnect), c.connected);
    EXPECT_EQ(s.isEnabled(Control::Connect), !c.connected);
    EXPECT_TRUE(operationControls(s, c.connected));
    EXPECT_EQ(s.mainSource, c.connected ? kHdmi : kNoSource) << "the check's reply is applied";
    EXPECT_EQ(s.isShown(Light::Hdmi), c.connected);

    rig.session.releaseWorkers();
    rig.session.disconnect();
    EXPECT_EQ(rig.observer.outcomes().size(), 1u) << "nothing reports a second time";
}

const std::vector<InfoText> kOpened{msg(MessageId::OpenNetworkSuccess)};

std::vector<InfoText> opened(MessageId then) {
    return {msg(MessageId::OpenNetworkSuccess), msg(then)};
}

INSTANTIATE_TEST_SUITE_P(
    Session, ConnectOutcomes,
    ::testing::Values(
        ConnectCase{"present", Opening::Works, Fault::None, ConnectOutcome::Connected,
                    opened(MessageId::EquipmentNormal), 1, true},
        ConnectCase{"silent", Opening::Works, Fault::Silent, ConnectOutcome::DeviceAbsent,
                    opened(MessageId::EquipmentFailed), 1, false},
        ConnectCase{"wrong_command_byte", Opening::Works, Fault::WrongCommand,
                    ConnectOutcome::DeviceAbsent, opened(MessageId::EquipmentFailed), 1, false},
        ConnectCase{"bad_check_byte", Opening::Works, Fault::BadCheckByte,
                    ConnectOutcome::DeviceAbsent, opened(MessageId::EquipmentFailed), 1, false},
        ConnectCase{"link_fails",
                    Opening::Fails,
                    Fault::None,
                    ConnectOutcome::LinkFailed,
                    {msg(MessageId::OpenNetworkFail)},
                    0,
                    false},
        ConnectCase{"port_out_of_range",
                    Opening::PortOutOfRange,
                    Fault::None,
                    ConnectOutcome::PortOutOfRange,
                    {},
                    0,
                    false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SessionConnect, AddressZeroSendsNothingAndHidesEveryLight) {
    FakeClock clock;
    SessionRig rig(clock);
    rig.device.setStatus(1, status(kHdmi, true, 3));  // lights HDMI and PIP/POP
    ASSERT_EQ(rig.connect(), ConnectOutcome::Connected);
    rig.session.disconnect();
    ASSERT_TRUE(rig.session.snapshot().isShown(Light::Hdmi));

    rig.session.setDeviceAddress(0);
    const auto before = rig.device.sentCount();
    EXPECT_EQ(rig.connect(), ConnectOutcome::ConnectedToAll);
    EXPECT_EQ(rig.device.sentCount(), before) << "no status query at address 0";
    const PanelState s = rig.session.snapshot();
    EXPECT_TRUE(s.lightShown.none());
    EXPECT_TRUE(rig.session.connected());
    EXPECT_FALSE(rig.session.workersRunning());
    EXPECT_TRUE(s.isEnabled(Control::Disconnect));
    EXPECT_FALSE(s.isEnabled(Control::Connect));
    EXPECT_TRUE(operationControls(s, false));
    EXPECT_TRUE(rig.session.link().isOpen());

    rig.session.closeLinkAfterDialog();
    const PanelState after = rig.session.snapshot();
    EXPECT_FALSE(rig.session.link().isOpen());
    EXPECT_TRUE(after.isEnabled(Control::Connect));
    EXPECT_FALSE(after.isEnabled(Control::Disconnect));
}

// openChosenLink against the real openers: only what needs no hardware.
struct ChosenCase {
    const char* name;
    LinkChoice choice;
    ConnectOutcome failure;
    std::vector<MessageId> infos;
};

class ChosenLinkFailures : public ::testing::TestWithParam<ChosenCase> {};

TEST_P(ChosenLinkFailures, MapToTheirOutcome) {
    const ChosenCase& c = GetParam();
    DiagnosticCapture quiet;
    std::vector<MessageId> infos;
    OpenedLink opened = openChosenLink(c.choice, [&](const InfoText& t) {
        if (t.id != MessageId::None) infos.push_back(t.id);
    });
    EXPECT_EQ(opened.link, nullptr);
    EXPECT_EQ(opened.failure, c.failure);
    EXPECT_EQ(infos, c.infos);
}

INSTANTIATE_TEST_SUITE_P(Session, ChosenLinkFailures,
                         ::testing::Values(ChosenCase{"port_above_range",
                                                      {false, "", "127.0.0.1", "70000"},
                                                      ConnectOutcome::PortOutOfRange,
                                                      {}},
                                           ChosenCase{"negative_port",
                                                      {false, "", "127.0.0.1", "-1"},
                                                      ConnectOutcome::PortOutOfRange,
                                                      {}},
                                           ChosenCase{"unusable_address",
                                                      {false, "", "0.0.0.0", "5000"},
                                                      ConnectOutcome::LinkFailed,
                                                      {MessageId::OpenNetworkFail}},
                                           ChosenCase{"missing_serial_port",
                                                      {true, "/nonexistent/ttyTVQ", "", ""},
                                                      ConnectOutcome::LinkFailed,
                                                      {MessageId::OpenComPortFail}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tvq::test
