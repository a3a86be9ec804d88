#include <QElapsedTimer>

#include "setup_rig.h"

using namespace guitest;

namespace {

std::size_t statusQueries(const WindowRig& rig) {
    std::size_t n = 0;
    for (const auto& s : rig.device.sent()) n += s.frame[2] == 0x17 && s.frame[3] == 0;
    return n;
}

// The pause before the dialog leaves the window painting; the workers rest while it is open
// and carry on after it.
TEST(GuiSetupWindow, SetupPausesWithoutFreezingAndHoldsTheWorkers) {
    WindowRig rig;
    rig.open();
    rig.connect();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    std::size_t pollsWhileOpen = 0;
    bool opened = false;
    onNextModal<CSetScreen>([&](CSetScreen* dialog) {
        opened = true;
        EXPECT_GT(ticks, 40);  // the 1000 ms pause went by with the event loop running
        EXPECT_TRUE(waitFor([dialog] { return !dialog->busy(); }));
        const std::size_t before = statusQueries(rig);
        QTest::qWait(400);  // four poll periods
        pollsWhileOpen = statusQueries(rig) - before;
        dialog->reject();
    });
    QElapsedTimer press;
    press.start();
    rig.get<QPushButton>("setupButton")->click();
    EXPECT_LT(press.elapsed(), 900);  // returns before the pause is over
    EXPECT_TRUE(waitFor([&] { return opened; }));
    EXPECT_EQ(pollsWhileOpen, 0u);
    const std::size_t after = statusQueries(rig);
    EXPECT_TRUE(waitFor([&] { return statusQueries(rig) > after; }));
}

}  // namespace
