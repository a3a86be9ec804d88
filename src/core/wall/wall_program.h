#pragma once
// Programming a whole wall in one go: for every cell in turn, the connect sequence with its DVI
// preparation, the calculation at the resolution that processor reports, odd values made even,
// both window writes and the mosaic mode.

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/wall/mosaic_device.h"
#include "core/wall/mosaic_layout.h"

namespace tvq {

struct WallPlan {
    WallLayout layout;                    // `selected` is ignored: every cell is programmed
    std::vector<std::uint8_t> addresses;  // per cell; empty: cell k -> address k + 1
    std::optional<bool> syncMosaic;       // the mosaic mode to set; absent: leave it
};

// Cell k -> address k + 1 for the cells of a rows x columns wall.
std::vector<std::uint8_t> defaultWallAddresses(unsigned rows, unsigned columns);

enum class CellOutcome {
    Done,
    NoAnswer,        // the connect's page 3, page 4 or status query went unanswered
    NotWallReady,    // still not ready after the DVI preparation
    CalcFailed,      // a width or height check failed (failures says which)
    OutOfRange,      // a window fails the range check even after evening
    InputRejected,   // the input window write was not accepted
    OutputRejected,  // the output window write was not accepted
    ModeRejected,    // the mosaic-mode write was not accepted
    Cancelled,       // a stop request ended it, or it was never reached
};

struct CellResult {
    unsigned cell = 0;
    std::uint8_t address = 0;
    CellOutcome outcome = CellOutcome::Cancelled;
    MessageId message = MessageId::None;   // the screen's message for a failure, if it has one
    std::optional<Resolution> resolution;  // as the device reported it
    std::optional<WallWindows> windows;    // as sent (after evening)
    unsigned evenedInput = 0;              // bits per WindowField made even on the input side
    unsigned evenedOutput = 0;             // ... on the output side
    std::vector<WallFailure> failures;     // CalcFailed only
    bool prepared = false;                 // the DVI preparation ran for this cell
};

enum class WallStep { Connect, Calculate, SetInput, SetOutput, SetMode };

struct WallProgress {
    unsigned cell = 0;
    unsigned cellsDone = 0;  // cells finished before this one
    unsigned cellCount = 0;
    WallStep step = WallStep::Connect;
};

struct WallCallbacks {
    std::function<void(const WallProgress&)> progress;  // at the start of every step
    std::function<void(const CellResult&)> cellDone;    // once per cell, cancelled ones too
};

struct WallSummary {
    std::vector<CellResult> cells;  // one per cell, in cell order
    unsigned done = 0;
    unsigned failed = 0;  // neither done nor cancelled
    unsigned cancelled = 0;
    bool allDone() const { return done == cells.size(); }
};

// Runs the plan. A stop request ends it after the exchange in flight (which ends its reply wait
// within one try): that cell and every later one report Cancelled. A plan that wallPlanError
// refuses programs nothing and returns no cells.
WallSummary programWall(const WallPlan& plan, const ExchangeFn& exchange, Clock& clock,
                        std::stop_token stop = {}, const WallCallbacks& callbacks = {},
                        MosaicPauses pauses = {});

// Why a plan cannot run (a one-line English reason), or nothing.
std::optional<std::string> wallPlanError(const WallPlan& plan);

// One line for a cell's result, English: "cell 002 address 3: done (input width 533 -> 532)".
std::string describeCell(const CellResult& result);

std::string_view cellOutcomeName(CellOutcome outcome);

}  // namespace tvq
