#include "core/wall/wall_program.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tvq {
namespace {

CellResult failed(CellResult cell, CellOutcome outcome, MessageId message) {
    cell.outcome = outcome;
    cell.message = message;
    return cell;
}

// Runs one cell; `stop` is looked at after every exchange by the steps themselves.
CellResult programCell(const WallPlan& plan, unsigned k, std::uint8_t address,
                       const ExchangeFn& exchange, Clock& clock, std::stop_token stop,
                       const std::function<void(WallStep)>& step, MosaicPauses pauses) {
    CellResult cell;
    cell.cell = k;
    cell.address = address;

    step(WallStep::Connect);
    const MosaicConnect c = connectForWall(exchange, clock, address, stop, pauses);
    cell.prepared = c.prepared;
    cell.resolution = c.resolution;
    if (c.stopped) return cell;
    // A processor that leaves page 3 or 4 unanswered is taken as connected by the one-screen
    // sequence; for a whole wall that only means two more silent writes, so it fails here.
    if (!c.statusAnswered)
        return failed(cell, CellOutcome::NoAnswer,
                      c.message == MessageId::None ? MessageId::WallNoAnswer : c.message);
    if (!c.actionsEnabled) return failed(cell, CellOutcome::NotWallReady, MessageId::WallCheckDvi);

    step(WallStep::Calculate);
    WallLayout layout = plan.layout;
    layout.selected = k;
    layout.resolution = c.resolution.value_or(plan.layout.resolution);
    WallCalculation calc = CalculateWindows(layout);
    if (!calc.windows) {
        cell.failures = calc.failures;
        const MessageId message =
            calc.failures.empty() ? MessageId::WallDataOutOfRange : calc.failures.front().message;
        return failed(cell, CellOutcome::CalcFailed, message);
    }
    WallWindows windows = *calc.windows;
    cell.evenedInput = makeEven(windows.input);
    cell.evenedOutput = makeEven(windows.output);
    cell.windows = windows;
    if (!checkWindow(windows.input, layout.resolution).ok() ||
        !checkWindow(windows.output, layout.resolution).ok())
        return failed(cell, CellOutcome::OutOfRange, MessageId::WallSetOutOfRange);

    const std::array<std::pair<WallSide, WallStep>, 2> sides{
        {{WallSide::Input, WallStep::SetInput}, {WallSide::Output, WallStep::SetOutput}}};
    for (const auto& [side, s] : sides) {
        step(s);
        const WindowRect& rect = side == WallSide::Input ? windows.input : windows.output;
        const WindowWrite write =
            setWallWindow(exchange, address, side, rect, layout.resolution, true, stop);
        if (stop.stop_requested()) return cell;
        if (!write.accepted)
            return failed(
                cell,
                side == WallSide::Input ? CellOutcome::InputRejected : CellOutcome::OutputRejected,
                MessageId::WallWriteRejected);
    }

    if (plan.syncMosaic) {
        step(WallStep::SetMode);
        const bool accepted = setMosaicMode(exchange, address, *plan.syncMosaic, stop);
        if (stop.stop_requested()) return cell;
        if (!accepted) return failed(cell, CellOutcome::ModeRejected, MessageId::WallSetFail);
    }
    cell.outcome = CellOutcome::Done;
    return cell;
}

std::string threeDigits(unsigned k) {
    char text[8];
    std::snprintf(text, sizeof text, "%03u", k);
    return text;
}

std::string evenedText(unsigned bits, std::string_view side, const WindowRect& sent) {
    static constexpr std::array<std::string_view, 4> kNames{"width", "horizontal start", "height",
                                                            "vertical start"};
    const std::array<std::int32_t, 4> values{sent.width, sent.x, sent.height, sent.y};
    std::string text;
    for (unsigned f = 0; f < 4; ++f) {
        if ((bits & (1u << f)) == 0) continue;
        if (!text.empty()) text += ", ";
        text += std::string(side) + " " + std::string(kNames[f]) + " " +
                std::to_string(values[f] + 1) + " -> " + std::to_string(values[f]);
    }
    return text;
}

}  // namespace

std::vector<std::uint8_t> defaultWallAddresses(unsigned rows, unsigned columns) {
    std::vector<std::uint8_t> addresses;
    for (unsigned k = 0; k < rows * columns && k < 255; ++k)
        addresses.push_back(static_cast<std::uint8_t>(k + 1));
    return addresses;
}

std::optional<std::string> wallPlanError(const WallPlan& plan) {
    const WallLayout& l = plan.layout;
    if (checkWallSize(l.rows, l.columns)) return "a wall has 1 to 6 rows and 1 to 8 columns";
    const std::size_t cells = std::size_t{l.rows} * l.columns;
    if (l.widths.size() != cells || l.heights.size() != cells)
        return "the wall has " + std::to_string(cells) + " cells: give " + std::to_string(cells) +
               " widths and " + std::to_string(cells) + " heights";
    if (l.bezelH > kMaxBezel || l.bezelV > kMaxBezel)
        return "a bezel is at most " + std::to_string(kMaxBezel) + " pixels";
    if (plan.addresses.empty()) return std::nullopt;
    if (plan.addresses.size() != cells)
        return "the wall has " + std::to_string(cells) + " cells: give " + std::to_string(cells) +
               " addresses";
    std::array<bool, 256> seen{};
    for (std::uint8_t address : plan.addresses) {
        if (address == 0)
            return std::string("address 0 reaches every device and is never answered");
        if (seen[address]) return "address " + std::to_string(address) + " is given to two cells";
        seen[address] = true;
    }
    return std::nullopt;
}

WallSummary programWall(const WallPlan& plan, const ExchangeFn& exchange, Clock& clock,
                        std::stop_token stop, const WallCallbacks& callbacks, MosaicPauses pauses) {
    WallSummary summary;
    if (wallPlanError(plan)) return summary;
    const unsigned count = plan.layout.rows * plan.layout.columns;
    const std::vector<std::uint8_t> addresses =
        plan.addresses.empty() ? defaultWallAddresses(plan.layout.rows, plan.layout.columns)
                               : plan.addresses;

    for (unsigned k = 0; k < count; ++k) {
        CellResult cell;
        cell.cell = k;
        cell.address = addresses[k];
        if (!stop.stop_requested()) {
            auto step = [&](WallStep s) {
                if (callbacks.progress) callbacks.progress({k, k, count, s});
            };
            cell = programCell(plan, k, addresses[k], exchange, clock, stop, step, pauses);
        }
        switch (cell.outcome) {
            case CellOutcome::Done:
                ++summary.done;
                break;
            case CellOutcome::Cancelled:
                ++summary.cancelled;
                break;
            default:
                ++summary.failed;
                break;
        }
        if (callbacks.cellDone) callbacks.cellDone(cell);
        summary.cells.push_back(std::move(cell));
    }
    return summary;
}

std::string_view cellOutcomeName(CellOutcome outcome) {
    switch (outcome) {
        case CellOutcome::Done:
            return "done";
        case CellOutcome::NoAnswer:
            return "no-answer";
        case CellOutcome::NotWallReady:
            return "not-wall-ready";
        case CellOutcome::CalcFailed:
            return "calc-failed";
        case CellOutcome::OutOfRange:
            return "out-of-range";
        case CellOutcome::InputRejected:
            return "input-rejected";
        case CellOutcome::OutputRejected:
            return "output-rejected";
        case CellOutcome::ModeRejected:
            return "mode-rejected";
        case CellOutcome::Cancelled:
            return "cancelled";
    }
    return "";
}

std::string describeCell(const CellResult& r) {
    std::string text = "cell " + threeDigits(r.cell) + " address " + std::to_string(r.address) +
                       ": " + std::string(cellOutcomeName(r.outcome));
    if (r.outcome != CellOutcome::Done && r.message != MessageId::None)
        text += ": " + std::string(englishText(r.message));
    if (r.outcome == CellOutcome::CalcFailed && !r.failures.empty()) {
        for (const WallFailure& f : r.failures)
            text +=
                " [" + std::string(wallCheckName(f.check)) + " cell " + threeDigits(f.cell) + "]";
    }
    if (r.windows) {
        const WindowRect& in = r.windows->input;
        const WindowRect& out = r.windows->output;
        text += " input " + std::to_string(in.width) + "x" + std::to_string(in.height) + "+" +
                std::to_string(in.x) + "+" + std::to_string(in.y) + " output " +
                std::to_string(out.width) + "x" + std::to_string(out.height) + "+" +
                std::to_string(out.x) + "+" + std::to_string(out.y);
    }
    std::string evened =
        evenedText(r.evenedInput, "input", r.windows ? r.windows->input : WindowRect{});
    const std::string outEven =
        evenedText(r.evenedOutput, "output", r.windows ? r.windows->output : WindowRect{});
    if (!outEven.empty()) evened += (evened.empty() ? "" : ", ") + outEven;
    if (!evened.empty()) text += " (made even: " + evened + ")";
    return text;
}

}  // namespace tvq
