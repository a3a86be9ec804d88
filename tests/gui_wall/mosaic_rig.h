#pragma once
// The fast mosaic screen on a Session whose link leads to a FakeDevice; time is virtual, so
// the connect sequence's pauses and a silent device's time-outs pass at once.

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include "gui/gui_test_support.h"
#include "gui/ui/color_button.h"
#include "gui/wall/simple_mosaic.h"
#include "gui/wall/wall_grid.h"

namespace walltest {

// A processor ready for the wall: mosaic on, bypass off, DVI with a signal.
inline tvq::StatusReport wallReadyStatus() {
    return {.mosaic = true, .mainSource = 7, .mainSignal = true};
}

struct MosaicRig {
    tvq::FakeClock clock;
    tvq::test::FakeDevice device{clock};
    guitest::QuietObserver observer;
    guitest::ScriptedBoxes boxes;
    tvq::Session session{observer, clock, [this](const tvq::LinkChoice&, const tvq::InfoSink&) {
                             return tvq::OpenedLink{device.openLink()};
                         }};
    std::unique_ptr<CSimpleMosaic> screen;

    // With a link: connected at address 1 as the main window is, workers stopped as FastMS does.
    explicit MosaicRig(bool linked = true) {
        device.setStatus(1, wallReadyStatus());
        if (linked) {
            session.startConnect({});
            session.waitForConnectJob();
            session.stopWorkers();
        }
        screen = std::make_unique<CSimpleMosaic>(session, boxes, clock);
        screen->show();
    }
    ~MosaicRig() {
        screen.reset();
        guitest::switchLanguage(false);
    }

    template <class W = QWidget>
    W* get(const QString& name) {
        return guitest::child<W>(screen.get(), name);
    }
    void click(const QString& name) { guitest::clickOn(get<QAbstractButton>(name)); }
    void wallSize(const QString& rows, const QString& columns) {
        get<QLineEdit>("rowsEntry")->setText(rows);
        get<QLineEdit>("columnsEntry")->setText(columns);
        click("wallSizeOkButton");
    }
    WallCell* cell(int k) { return screen->grid()->cell(k); }
    void selectCell(int k) { guitest::clickOn(cell(k)->button()); }
    // Widths row by row (width entries of the cells in order); heights likewise.
    void sizes(const QStringList& widths, const QStringList& heights = {}) {
        for (int k = 0; k < widths.size(); ++k) cell(k)->widthEntry()->setText(widths[k]);
        for (int k = 0; k < heights.size(); ++k) cell(k)->heightEntry()->setText(heights[k]);
    }
    int value(CSimpleMosaic::Side side, bool adjusted, CSimpleMosaic::Quantity q) {
        return screen->value(CSimpleMosaic::field(side, adjusted, q));
    }
    // Presses a spin arrow of one adjusted field `times` times.
    void spin(const QString& field, int times) {
        auto* spin = get<QWidget>(field + "Spin");
        auto* arrow = spin->findChild<QAbstractButton*>(times > 0 ? "up" : "down");
        for (int i = 0; i < std::abs(times); ++i) arrow->click();
    }
    bool actionsEnabled() {
        const bool on = get("inputSetButton")->isEnabled();
        EXPECT_EQ(get("outputSetButton")->isEnabled(), on);
        EXPECT_EQ(get("noSyncRadio")->isEnabled(), on);
        EXPECT_EQ(get("syncRadio")->isEnabled(), on);
        return on;
    }
    bool settle() {
        return guitest::waitFor([this] { return !screen->busy(); });
    }
    QStringList shownTexts() {
        QStringList out;
        for (const auto& s : boxes.shown) out << s.text;
        return out;
    }
    std::vector<tvq::CommandFrame> framesSentFrom(std::size_t first) {
        std::vector<tvq::CommandFrame> out;
        const auto sent = device.sent();
        for (std::size_t i = first; i < sent.size(); ++i) out.push_back(sent[i].frame);
        return out;
    }
};

}  // namespace walltest
