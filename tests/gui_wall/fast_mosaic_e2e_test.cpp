// FastMS against the simulator over TCP, with the real clock and time-outs: the screen connects
// and prepares a processor that was not set up for a wall, sets both windows and the mosaic
// mode; afterwards the main window is disconnected.

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "gui/ui/color_button.h"
#include "gui/wall/simple_mosaic.h"
#include "gui/wall/wall_grid.h"
#include "gui_e2e/e2e_rig.h"

using namespace e2e;

namespace {

template <class W = QAbstractButton>
W* in(QWidget* screen, const char* name) {
    auto* found = screen->findChild<W*>(QLatin1String(name));
    if (!found) ADD_FAILURE() << "no control named " << name;
    return found;
}

bool clickAndSettle(CSimpleMosaic* screen, const char* name) {
    in(screen, name)->click();
    return waitFor([screen] { return !screen->busy(); }, 40000);
}

TEST(GuiE2eFastMosaic, ConnectPreparesTheProcessorAndSetsWriteIt) {
    Rig rig(Via::Tcp);
    rig.open();
    rig.chooseSimulatorLink();
    ASSERT_TRUE(rig.connect());
    rig.change([](tvq::sim::ProcessorState& s) {
        s.bypass = true;
        s.mosaic = false;
        s.mainSource = 0;
        s.outputFormat = 2;  // 1280 x 1024
        s.syncMosaic = true;
    });

    bool ran = false;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        auto* screen = qobject_cast<CSimpleMosaic*>(QApplication::activeModalWidget());
        if (!screen) return;
        timer->stop();
        timer->deleteLater();
        EXPECT_FALSE(rig.window().session().workersRunning());
        EXPECT_TRUE(clickAndSettle(screen, "connectButton"));
        EXPECT_TRUE(screen->connected());
        EXPECT_EQ(screen->resolutionWidth(), 1280);
        EXPECT_TRUE(in<QRadioButton>(screen, "syncRadio")->isChecked());
        EXPECT_TRUE(in(screen, "inputSetButton")->isEnabled());  // prepared: wall-ready
        const auto prepared = rig.state();
        EXPECT_FALSE(prepared.bypass);
        EXPECT_TRUE(prepared.mosaic);
        EXPECT_EQ(prepared.mainSource, 7);

        in<QLineEdit>(screen, "rowsEntry")->setText("1");
        in<QLineEdit>(screen, "columnsEntry")->setText("2");
        in(screen, "wallSizeOkButton")->click();
        screen->grid()->cell(1)->button()->click();
        in(screen, "autoCalcButton")->click();
        EXPECT_TRUE(clickAndSettle(screen, "inputSetButton"));
        EXPECT_TRUE(clickAndSettle(screen, "outputSetButton"));
        EXPECT_TRUE(clickAndSettle(screen, "noSyncRadio"));
        const auto written = rig.state();
        EXPECT_EQ(written.inputRect, (tvq::sim::Rect{640, 640, 0, 1024}));
        EXPECT_EQ(written.outputRect, (tvq::sim::Rect{0, 1280, 0, 1024}));
        EXPECT_FALSE(written.syncMosaic);
        for (int f = 0; f < 16; ++f) EXPECT_FALSE(screen->pending(f)) << f;
        EXPECT_EQ(rig.boxes.shown, std::vector<QString>{"Set Success"});
        ran = true;
        screen->accept();
    });
    timer->start(20);
    rig.click("fastMsButton");
    EXPECT_TRUE(ran);
    EXPECT_TRUE(rig.enabled("connectButton"));
    EXPECT_FALSE(rig.enabled("disconnectButton"));
    EXPECT_FALSE(rig.window().session().link().isOpen());
}

}  // namespace
