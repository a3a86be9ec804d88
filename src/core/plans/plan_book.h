#pragma once
// Where the program window's plans are kept: the local plan file, or the plan file of an
// attached chain service, changed through its plan ops. The pages do not know which.

#include <functional>

#include <nlohmann/json.hpp>

#include "core/plans/plan_file.h"
#include "core/plans/plan_pages.h"

namespace tvq {

class PlanBook {
public:
    virtual ~PlanBook() = default;
    // The plans as last read, and how that read went: what the pages list and edit.
    virtual LoadedPlans& plans() = 0;
    virtual PageOutcome add(const PlanDraft& draft) = 0;
    virtual PageOutcome modify(std::int32_t row, const PlanDraft& draft) = 0;
    virtual PageOutcome remove(PlanKind kind, std::int32_t row) = 0;
    // Why the plans could not be read just now (None when they could).
    virtual PlanNotice listNotice() const { return {}; }
};

// The plan file on this machine, under its lock.
class FilePlanBook final : public PlanBook {
public:
    explicit FilePlanBook(LoadedPlans& plans) : plans_(plans) {}
    LoadedPlans& plans() override { return plans_; }
    PageOutcome add(const PlanDraft& draft) override;
    PageOutcome modify(std::int32_t row, const PlanDraft& draft) override;
    PageOutcome remove(PlanKind kind, std::int32_t row) override;

private:
    LoadedPlans& plans_;
};

// One request of the service's protocol and its answer; may throw std::runtime_error.
using ServiceAsk = std::function<nlohmann::json(const nlohmann::json& request)>;

// The service's plans: each change is one plans.add, plans.modify or plans.delete, then the
// whole list is read again (another client may have changed it meanwhile). The spacing rule is
// checked here first, so its refusal reads as it does for the local file.
class ServicePlanBook final : public PlanBook {
public:
    explicit ServicePlanBook(ServiceAsk ask);  // lists at once; see listNotice()
    LoadedPlans& plans() override { return plans_; }
    PageOutcome add(const PlanDraft& draft) override;
    PageOutcome modify(std::int32_t row, const PlanDraft& draft) override;
    PageOutcome remove(PlanKind kind, std::int32_t row) override;
    // ServiceRefusedJob with the service's words when the last listing failed.
    PlanNotice listNotice() const override { return listNotice_; }

private:
    PageOutcome change(nlohmann::json request);
    void list();

    ServiceAsk ask_;
    LoadedPlans plans_;
    PlanNotice listNotice_;
};

// The store a plans.list answer's "plans" describe; rows it cannot read are left out.
CInfoPlan plansFromList(const nlohmann::json& plans);
// The fields of plans.add and plans.modify for a draft of the plan dialog.
nlohmann::json planFields(const PlanDraft& draft);

}  // namespace tvq
