#pragma once
// `tvq418ctl set NAME VALUE...`: which setting, with its words already understood. Numbers stay
// text here: the setup's own checks judge them, with the setup's own messages.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tvq::cli {

enum class SetKind {
    Brightness,
    Saturation,
    Bias,
    Sharpness,
    TextKey,
    Audio,
    HotSpare,
    SyncMosaic,
    MainWindow,
    PipWindow,
    InputWindow,
    OutputWindow,
};

struct SetRequest {
    SetKind kind = SetKind::Brightness;
    std::string name;                  // as typed, for messages and JSON
    std::vector<std::string> numbers;  // brightness etc.: 1; text key: R G B; windows: X W Y H
    bool on = false;                   // sharp, above, sync
    std::array<bool, 4> hotSpare{};
    std::uint8_t audio1 = 0;  // source codes
    std::uint8_t audio2 = 0;
    unsigned mode = 0;  // PIP mode 0..3 of main-window and pip-window

    bool isWindow() const { return kind >= SetKind::MainWindow; }
};

// The words after `set`. A wrong name, count or word is a usage error (the text); numbers are
// not judged here.
std::variant<SetRequest, std::string> parseSetRequest(const std::vector<std::string_view>& words);

inline constexpr std::string_view kSetUsage =
    "  settings                  read every setting back (pages 3, 0, 1, 2, 4, 5, 6 and the\n"
    "                            rectangles of the four PIP modes); its lines are set commands\n"
    "  set NAME VALUE...         write one setting after the setup's checks:\n"
    "                              brightness 0..64 (even) | saturation 0..100 | bias 0..100\n"
    "                              sharpness normal|sharp | sync-mosaic on|off\n"
    "                              text-key below|above R G B (0..255 each)\n"
    "                              audio SRC1 SRC2 (two different sources)\n"
    "                              hot-spare a,b,c,d (0 or 1: V1>>V3 V2>>S-VIDEO HDMI>>DVI\n"
    "                              VGA1>>VGA2)\n"
    "                              main-window|pip-window M1..M4 X W Y H\n"
    "                              input-window X W Y H | output-window X W Y H\n"
    "                            (X, Y starts and W, H sizes in output pixels, all even;\n"
    "                            windows read the output resolution first)\n";

}  // namespace tvq::cli
