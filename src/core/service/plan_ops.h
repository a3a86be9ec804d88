#pragma once
// plans.list, plans.add, plans.modify and plans.delete on the service's plan file, through the same
// page operations as the program window and tvq418ctl (each holds the file's lock from a fresh read
// to its save). Fields as `tvq418ctl plans add`: kind, time "H:M:S", source (name or code), weekday
// (week: 0-6 or "1Mon"...), day (month: 1-31), date (once: "Y-M-D").

#include <filesystem>

#include <nlohmann/json.hpp>

namespace tvq::service {

// Each returns the answer's fields; a bad field throws BadRequest. A file that cannot be
// changed throws PlanFileError.
struct PlanFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

nlohmann::json listPlansJson(const std::filesystem::path& file);
nlohmann::json addPlanJson(const std::filesystem::path& file, const nlohmann::json& request);
// The plan `entry` of `kind` replaced by the fields given, as the program window's Modify.
nlohmann::json modifyPlanJson(const std::filesystem::path& file, const nlohmann::json& request);
nlohmann::json deletePlanJson(const std::filesystem::path& file, const nlohmann::json& request);

}  // namespace tvq::service
