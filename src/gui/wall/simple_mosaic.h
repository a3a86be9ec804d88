#pragma once
// The fast mosaic screen: lay out a wall of up to 6 x 8 screens, calculate the input and output
// windows of one screen, and program that screen's processor (or the whole wall in one go).
// The fixed part is a Designer form; the grid of cells is built in code.

#include <array>
#include <cstdint>
#include <vector>

#include "core/wall/mosaic_device.h"
#include "gui/ui/device_task.h"
#include "gui/ui/retranslating_dialog.h"
#include "gui/wall/wall_sizing.h"
#include "ui_simple_mosaic.h"

namespace tvq {
class Session;
}
class CProgress;
class MessageBoxes;
class QLineEdit;

class CSimpleMosaic final : public RetranslatingDialog {
    Q_OBJECT
public:
    // The sixteen result fields: side (input, output) x kind (calculated, adjusted) x quantity.
    enum Side { Input = 0, Output = 1 };
    enum Quantity { Width = 0, Height = 1, HStart = 2, VStart = 3 };
    static constexpr int field(Side side, bool adjusted, Quantity q) {
        return side * 8 + (adjusted ? 4 : 0) + q;
    }

    // The pauses of the connect sequence go through `clock`; tests shorten them.
    CSimpleMosaic(tvq::Session& session, MessageBoxes& boxes, tvq::Clock& clock,
                  tvq::MosaicPauses pauses = {}, QWidget* parent = nullptr);
    ~CSimpleMosaic() override;  // ends a running device sequence within one try

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    int selectedCell() const { return selected_; }
    std::uint8_t deviceAddress() const { return deviceAddress_; }
    bool connected() const { return connected_; }
    int resolutionWidth() const { return resolutionWidth_; }
    int resolutionHeight() const { return resolutionHeight_; }
    int value(int f) const { return values_[static_cast<std::size_t>(f)]; }
    bool pending(int f) const { return pending_[static_cast<std::size_t>(f)]; }
    // True while a device sequence runs.
    bool busy() const { return task_.busy(); }
    CWallGrid* grid() const { return ui_.wallPanel; }

private:
    // What the last Set of each side and the last Detect came to, told in text as well.
    enum class Outcome {
        None,
        Written,
        NotAccepted,
        Refused,
        NotConnected,
        Ready,
        NeedsDvi,
        NoAnswer
    };

    void retranslate() override;
    void nameControls();
    void describeOutcomes();
    void clearResults();
    void wireControls();

    // Layout and calculation.
    void onPreset(int rows, int columns);
    void onWallSizeOk();
    void sizeWindow();
    void rebuildGrid();
    void onCellClicked(int k);
    void showBoxTitles();
    void formatWallTitle();
    void onAutoCalculate();
    void onSpin(int f, int delta);
    void writeField(int f, int value);
    void setPending(int f, bool pending);
    void setActionButtons(bool on);
    void setBusy(bool busy);
    tvq::WallLayout wallLayout() const;
    tvq::WindowRect windowOf(Side side) const;

    // Device.
    void onAddressRadio(int n);
    void onAddressList(int index);
    void onConnect();
    void onDetect();
    void onSet(Side side);
    void onMosaicMode(bool sync);
    void onProgramWall();
    void applyConnect(const tvq::MosaicConnect& result);
    // Runs `work` on the device task with the device controls disabled; `done` on the UI thread.
    void runOnDevice(std::function<void(const tvq::ExchangeFn&, std::stop_token)> work,
                     std::function<void()> done);
    QString message(tvq::MessageId id) const;

    tvq::Session& session_;
    MessageBoxes& boxes_;
    tvq::Clock& clock_;
    tvq::MosaicPauses pauses_;
    Ui::CSimpleMosaic ui_;
    CProgress* waitBox_;
    DeviceTask task_;

    int rows_ = 1, columns_ = 1;
    WallSize size_{kDesignedWindowWidth,
                   kDesignedWindowHeight,
                   kDesignedPanelWidth,
                   kDesignedPanelHeight,
                   2,
                   4};
    int resolutionWidth_ = 1024, resolutionHeight_ = 768;
    std::uint8_t deviceAddress_ = 1;
    int selected_ = 0;
    bool connected_ = false;
    bool actionsOn_ = false;                   // the four action buttons, as the rules leave them
    std::vector<std::uint8_t> wallAddresses_;  // per cell, for "Program wall"
    std::array<QLineEdit*, 16> fields_{};
    std::array<int, 16> values_{};
    std::array<bool, 16> pending_{};
    std::array<Outcome, 2> outcomes_{Outcome::None, Outcome::None};
    Outcome detectOutcome_ = Outcome::None;
};
