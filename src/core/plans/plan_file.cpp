#include "core/plans/plan_file.h"

#include <set>
#include <stdexcept>

#include "core/plans/plan_pages.h"
#include "core/plans/plan_text.h"

namespace tvq {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Entry numbers N of the "TimeN" keys present in a section (N written without leading zeros,
// as the key lookup would find it). A scan of the text, so the work follows the file's size.
std::set<int> presentEntries(const ProfileFile& file, std::string_view section) {
    std::set<int> entries;
    const std::string text = file.text();
    std::string_view rest = text;
    bool inside = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            inside = close != std::string_view::npos &&
                     sameName(trimmed(line.substr(1, close - 1)), section);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inside || eq == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, eq));
        if (key.size() < 5 || key.size() > 14 || !sameName(key.substr(0, 4), "time")) continue;
        const std::string_view digits = key.substr(4);
        if (digits.size() > 1 && digits[0] == '0') continue;
        long long n = 0;
        bool ok = true;
        for (const char c : digits) {
            ok = ok && c >= '0' && c <= '9';
            n = n * 10 + (c - '0');
        }
        if (ok && n <= 0x7FFFFFFF) entries.insert(static_cast<int>(n));
    }
    return entries;
}

int numberField(const std::string& text) {
    int value = 0;
    return readDecimal(text, value) ? value : 0;
}

// Throws std::invalid_argument for a clock or date out of range; false for too few fields.
bool buildRecord(PlanKind kind, const std::vector<std::string>& fields, PlanRecord& record) {
    const std::size_t needed = kind == PlanKind::Day ? 2 : 3;
    if (fields.size() < needed) return false;
    // A weekday or day of month is a few characters; a long one would not survive the rewrite
    // (values are read at most 259 characters), so it is treated as unusable.
    if (kind != PlanKind::Day && fields[0].size() > kPlanDayFieldMax) return false;
    const std::size_t clockField = needed - 2;
    const ClockFields clock = parseClock(fields[clockField]);
    if (clock.count < 3) return false;
    ClockFields date;
    if (kind == PlanKind::Once) {
        date = parseDate(fields[0]);
        if (date.count < 3) return false;
    }

    const auto [hour, minute, second] = clock.value;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw std::invalid_argument("clock out of range");
    record.timeOfDay = clockAt(2000, 1, 1, hour, minute, second);
    record.source = numberField(fields[needed - 1]);
    switch (kind) {
        case PlanKind::Day:
            break;
        case PlanKind::Week:
            record.weekDayText = fields[0];
            break;
        case PlanKind::Month:
            record.monthDayText = fields[0];
            break;
        case PlanKind::Once:
            record.date = clockAt(date.value[0], date.value[1], date.value[2], 0, 0, 0);
            clockAt(date.value[0], date.value[1], date.value[2], hour, minute, second);
            break;
    }
    return true;
}

}  // namespace

std::string_view planSection(PlanKind kind) {
    return planPage(kind).section;
}

std::string_view planCountKey(PlanKind kind) {
    return planPage(kind).countKey;
}

std::string planEntryKey(int entry) {
    return "Time" + std::to_string(entry);
}

PlanNotice PlanLoadResult::notice() const {
    if (ok) return {};
    return {MessageId::PlanLoadFailed,
            {std::string(planSection(failedKind)), planEntryKey(failedEntry)}};
}

void readPlanCounts(CInfoPlan& store, const ProfileFile& file) {
    for (const PlanKind kind : kPlanKinds)
        store.count(kind) =
            numberField(file.readString(kPlanCountSection, planCountKey(kind), "00"));
}

PlanLoadResult loadPlans(CInfoPlan& store, const ProfileFile& file) {
    PlanLoadResult result;
    for (const PlanKind kind : kPlanKinds) {
        const std::string_view section = planSection(kind);
        const int count = store.count(kind);
        const std::set<int> present = presentEntries(file, section);
        int missing = 0;
        int expected = 0;
        for (const int entry : present) {
            if (entry >= count) break;
            missing += entry - expected;
            expected = entry + 1;
            const std::string key = planEntryKey(entry);
            const std::string value = file.readString(section, key, "00");
            PlanRecord record;
            try {
                if (!buildRecord(kind, splitFields(value), record)) {
                    result.diagnostics.push_back("Plan file: " + std::string(section) + " " + key +
                                                 "=" + value + " lacks a usable field, skipped\n");
                    continue;
                }
            } catch (const std::invalid_argument&) {
                result.ok = false;
                result.failedKind = kind;
                result.failedEntry = entry;
                return result;
            }
            store.plans(kind)[entry] = std::move(record);
        }
        if (count > expected) missing += count - expected;
        if (missing > 0)
            result.diagnostics.push_back("Plan file: " + std::string(section) + " lacks " +
                                         std::to_string(missing) + " of its " +
                                         std::to_string(count) + " entries, skipped\n");
    }
    return result;
}

std::string planEntryValue(const PlanRecord& record, PlanKind kind) {
    const std::string clock = clockText(record.timeOfDay);
    const std::string source = sourceFieldText(record.source);
    switch (kind) {
        case PlanKind::Day:
            return clock + "," + source;
        case PlanKind::Week: {
            int weekday = -1;
            if (readDecimal(record.weekDayText, weekday) && (weekday < 0 || weekday > 6))
                weekday = -1;
            return std::to_string(weekday) + "," + clock + "," + source;
        }
        case PlanKind::Month:
            return record.monthDayText + "," + clock + "," + source;
        case PlanKind::Once:
            return dateText(record.date) + "," + clock + "," + source;
    }
    return {};
}

bool writePlanEntry(ProfileFile& file, std::string_view section,
                    std::optional<std::string_view> key, std::optional<std::string_view> value) {
    // Removing what is not there is no failure.
    if (!key) {
        file.removeSection(section);
        return true;
    }
    if (!value) {
        file.removeKey(section, *key);
        return true;
    }
    return file.writeString(section, *key, *value);
}

LoadedPlans loadPlanFile(const std::filesystem::path& path) {
    LoadedPlans loaded{ProfileFile(path), {}, {}};
    readPlanCounts(loaded.store, loaded.file);
    loaded.result = loadPlans(loaded.store, loaded.file);
    return loaded;
}

LoadedPlans loadPlanText(std::string_view text) {
    LoadedPlans loaded{ProfileFile::fromText(text), {}, {}};
    readPlanCounts(loaded.store, loaded.file);
    loaded.result = loadPlans(loaded.store, loaded.file);
    return loaded;
}

}  // namespace tvq
