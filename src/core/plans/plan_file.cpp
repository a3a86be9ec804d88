#include "core/plans/plan_file.h"

#include <map>
#include <stdexcept>

#include "core/plans/plan_pages.h"
#include "core/plans/plan_text.h"

namespace tvq {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// N of a key "TimeN" (any letter case, N without leading zeros, as planEntryKey writes it),
// or -1 for any other key.
int entryNumber(std::string_view key) {
    if (key.size() < 5 || key.size() > 14) return -1;
    for (std::size_t i = 0; i < 4; ++i)
        if (lower(key[i]) != "time"[i]) return -1;
    const std::string_view digits = key.substr(4);
    if (digits.size() > 1 && digits[0] == '0') return -1;
    long long n = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n <= 0x7FFFFFFF ? static_cast<int>(n) : -1;
}

int numberField(const std::string& text) {
    int value = 0;
    return readDecimal(text, value) ? value : 0;
}

// Throws std::invalid_argument for a clock or date out of range; for an entry that cannot be
// taken, returns why.
std::optional<std::string> buildRecord(PlanKind kind, const std::vector<std::string>& fields,
                                       PlanRecord& record) {
    const std::size_t needed = kind == PlanKind::Day ? 2 : 3;
    const std::optional<std::string> unusable = "lacks a usable field";
    if (fields.size() < needed) return unusable;
    // A weekday or day of month is a few characters; a long one would not survive the rewrite
    // (values are read at most 259 characters), so it is treated as unusable.
    if (kind != PlanKind::Day && fields[0].size() > kPlanDayFieldMax) return unusable;
    const std::size_t clockField = needed - 2;
    const ClockFields clock = parseClock(fields[clockField]);
    if (clock.count < 3) return unusable;
    ClockFields date;
    if (kind == PlanKind::Once) {
        date = parseDate(fields[0]);
        if (date.count < 3) return unusable;
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
        case PlanKind::Once: {
            const auto [year, month, day] = date.value;
            record.date = clockAt(year, month, day, 0, 0, 0);
            clockAt(year, month, day, hour, minute, second);
            // 30 February would roll over into March and be written back so.
            if (!existsLocally(year, month, day)) return "has no such date";
            break;
        }
    }
    return std::nullopt;
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
    const auto untaken = [&](PlanKind kind, std::string key, std::string why) {
        result.diagnostics.push_back("Plan file: " + std::string(planSection(kind)) + " " + key +
                                     " " + why + ", not taken\n");
        result.untaken.push_back({kind, std::move(key), std::move(why)});
    };
    // A key the count promises but the file lacks holds nothing a save could drop: a warning.
    const auto missing = [&](PlanKind kind, int first, int last) {
        result.diagnostics.push_back(
            "Plan file: " + std::string(planSection(kind)) + " " + planEntryKey(first) +
            (last > first ? ".." + planEntryKey(last) : "") + " missing, skipped\n");
    };
    for (const PlanKind kind : kPlanKinds) {
        const std::string_view section = planSection(kind);
        const int count = store.count(kind);
        const auto copies = file.sectionCopies(section);
        // Entries by number, the first of a repeated key winning as in a lookup.
        std::map<int, std::string_view> present;
        for (std::size_t copy = 0; copy < copies.size(); ++copy) {
            for (const auto& [key, value] : copies[copy]) {
                const int n = entryNumber(key);
                if (copy > 0)
                    untaken(kind, std::string(key),
                            "is in a second [" + std::string(section) + "] section");
                else if (n < 0)
                    untaken(kind, std::string(key), "is not a plan key (Time0, Time1, ...)");
                else if (!present.emplace(n, value).second)
                    untaken(kind, std::string(key), "repeats an earlier key");
                else if (n >= count)
                    untaken(kind, std::string(key),
                            "lies beyond " + std::string(planCountKey(kind)) + "=" +
                                std::to_string(count));
            }
        }
        int expected = 0;
        for (const auto& [entry, value] : present) {
            if (entry >= count) break;
            if (entry > expected) missing(kind, expected, entry - 1);
            expected = entry + 1;
            PlanRecord record;
            try {
                if (auto why = buildRecord(kind, splitFields(value), record)) {
                    untaken(kind, planEntryKey(entry), "(\"" + std::string(value) + "\") " + *why);
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
        if (count > expected) missing(kind, expected, count - 1);
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
    if (loaded.file.state() == ProfileFile::State::Unreadable) {
        loaded.result.unreadable = loaded.file.loadError();
        loaded.result.diagnostics.push_back("Plan file " + path.string() + " cannot be read: " +
                                            loaded.result.unreadable.message() + "\n");
        return loaded;
    }
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
