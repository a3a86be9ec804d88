// Any file text through the plan loader and the page rewrite: no crash, no hang, memory that
// follows the text's size, entries not taken kept, and a rewritten file that rewrites to itself.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/plans/plan_file.h"
#include "core/plans/plan_pages.h"
#include "core/plans/today_plans.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("TZ", "Europe/Berlin", 1);  // a zone with gaps and folds
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvq;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoadedPlans loaded = loadPlanText(text);

    for (const PlanKind kind : kPlanKinds) {
        (void)pageRows(loaded.store, kind, PlanLanguage::Chinese);
        buildTodayPlans(loaded.store, kind, 1743300000);  // 2025-03-30, the spring jump
    }
    (void)firingOrder(loaded.store.todayPlans);

    // What the pages write is a fixed point: rewriting it again changes nothing.
    const auto rewrite = [](LoadedPlans& plans) {
        for (const PlanKind kind : kPlanKinds) {
            if (!pageEditable(plans.result, kind)) continue;
            refreshPage(plans.store.plans(kind), kind);
            savePageSection(plans.file, plans.store.plans(kind), kind);
        }
        return plans.file.text();
    };
    // A kind the load did not take whole is kept as the file has it: no save drops an entry.
    const auto keysOf = [](const ProfileFile& file, PlanKind kind) {
        std::string keys;
        for (const auto& copy : file.sectionCopies(planSection(kind)))
            for (const auto& [key, value] : copy)
                keys.append(key).append("=").append(value).append("\n");
        return keys;
    };
    std::string kept[4];
    for (const PlanKind kind : kPlanKinds)
        if (!pageEditable(loaded.result, kind)) kept[kindIndex(kind)] = keysOf(loaded.file, kind);
    const std::string once = rewrite(loaded);
    for (const PlanKind kind : kPlanKinds)
        if (!pageEditable(loaded.result, kind) &&
            keysOf(loaded.file, kind) != kept[kindIndex(kind)])
            std::abort();
    LoadedPlans again = loadPlanText(once);
    if (rewrite(again) != once) std::abort();
    return 0;
}
