// CalculateWindows over every cell of a 6 x 8 wall; the budget is 10 us a cell.
//
// Usage: wall_calc [Google Benchmark options]

#include <benchmark/benchmark.h>

#include "core/wall/mosaic_layout.h"

namespace {

tvq::WallLayout sixByEight(std::uint16_t bezel) {
    tvq::WallLayout layout;
    layout.rows = 6;
    layout.columns = 8;
    layout.resolution = {1920, 1080};
    layout.bezelH = bezel;
    layout.bezelV = bezel;
    for (unsigned k = 0; k < 48; ++k) {
        layout.widths.push_back(1700 + static_cast<int>(k % 8) * 20);
        layout.heights.push_back(900 + static_cast<int>(k / 8) * 30);
    }
    return layout;
}

void WallCalculate(benchmark::State& state) {
    tvq::WallLayout layout = sixByEight(static_cast<std::uint16_t>(state.range(0)));
    for (auto _ : state) {
        for (unsigned k = 0; k < 48; ++k) {
            layout.selected = k;
            benchmark::DoNotOptimize(tvq::CalculateWindows(layout));
        }
    }
    state.SetItemsProcessed(state.iterations() * 48);  // cells
}
BENCHMARK(WallCalculate)->Arg(0)->Arg(12);

}  // namespace

BENCHMARK_MAIN();
