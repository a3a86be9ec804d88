// The screen settings and whole-wall programming as jobs of the service. Each is one job on the
// runner, so no other client's frame, plan or poll comes between its exchanges, as the setup
// dialog and the wall screen hold the workers while they talk to the device.

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/link/sources.h"
#include "core/service/request_fields.h"
#include "core/service/service_impl.h"
#include "core/setup/read_back.h"
#include "core/setup/setup_checks.h"
#include "core/setup/setup_frames.h"
#include "core/wall/wall_program.h"

namespace tvq::service {
namespace {

using nlohmann::json;
using namespace tvq::setup;

constexpr std::size_t kJobsKept = 64;  // finished jobs still answered by "job"

// The setup's and the wall's rectangles alike.
template <class Rect>
json rectJson(const Rect& r) {
    return {{"x", r.x}, {"width", r.width}, {"y", r.y}, {"height", r.height}};
}

json modeJson(unsigned mode) {
    return mode < kPipModes ? json("M" + std::to_string(mode + 1)) : json(mode);
}

json audioJson(unsigned code) {
    const auto position = audioPositionOfCode(code);
    return position ? json(kAudioEntries[*position]) : json(code);
}

json settingsJson(const setup::ScreenSettings& s, const std::array<ModeRects, kPipModes>& modes) {
    json out = json::object();
    json missing = json::array();
    if (s.output) {
        json format{{"index", s.output->formatIndex}};
        if (const auto resolution = formatResolution(s.output->formatIndex)) {
            format["text"] = kOutputFormats[s.output->formatIndex].text;
            format["width"] = resolution->width;
            format["height"] = resolution->height;
        }
        out["outputFormat"] = format;
        out["outputWindow"] = rectJson(s.output->output);
    }
    if (s.input) {
        out["inputWindow"] = rectJson(s.input->input);
        out["syncMosaic"] = s.input->syncMosaic;
    } else {
        missing.push_back("inputWindow");
    }
    if (s.main) {
        out["pipMode"] = modeJson(s.main->mode);
        out["mainWindow"] = rectJson(s.main->rect);
    } else {
        missing.push_back("mainWindow");
    }
    if (s.pip)
        out["pipWindow"] = rectJson(*s.pip);
    else
        missing.push_back("pipWindow");
    json perMode = json::object();
    for (unsigned m = 0; m < kPipModes; ++m) {
        json one = json::object();
        if (modes[m].main) one["main"] = rectJson(modes[m].main->rect);
        if (modes[m].pip) one["pip"] = rectJson(*modes[m].pip);
        if (!modes[m].main || !modes[m].pip) missing.push_back("modes.M" + std::to_string(m + 1));
        perMode["M" + std::to_string(m + 1)] = one;
    }
    out["modes"] = perMode;
    if (const auto& p = s.picture) {
        out["brightness"] = p->brightness;
        out["saturation"] = p->saturation;
        out["bias"] = p->bias;
        out["sharpness"] = p->sharp ? "sharp" : "normal";
        out["audio"] = {{"ad1", audioJson(p->audio1)}, {"ad2", audioJson(p->audio2)}};
        out["hotSpare"] = p->hotSpare;
    } else {
        missing.push_back("picture");
    }
    if (const auto& t = s.textKey)
        out["textKey"] = {{"mode", t->above ? "above" : "below"},
                          {"red", t->rgb[0]},
                          {"green", t->rgb[1]},
                          {"blue", t->rgb[2]}};
    else
        missing.push_back("textKey");
    if (s.status)
        out["inputSaveAllowed"] = s.status->inputSaveAllowed;
    else
        missing.push_back("inputSaveAllowed");
    out["missing"] = missing;
    return out;
}

// A setting's number: a JSON integer; its range is the setup's checks' to judge.
std::optional<std::int32_t> number(const json& settings, const std::string& setting,
                                   const char* name = nullptr) {
    const json& value = name ? settings.at(setting).at(name) : settings.at(setting);
    if (!value.is_number_integer())
        throw BadRequest("\"" + setting + (name ? std::string(".") + name : "") +
                         "\" must be a whole number");
    const auto wide = value.get<std::int64_t>();
    if (wide < std::numeric_limits<std::int32_t>::min() ||
        wide > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;  // refused as out of range
    return static_cast<std::int32_t>(wide);
}

json field(const json& object, const std::string& setting, const char* name) {
    if (!object.is_object() || !object.contains(name))
        throw BadRequest("\"" + setting + "\" wants \"" + name + "\"");
    return object.at(name);
}

std::string refusal(const std::string& setting, MessageId message, std::string_view what = {}) {
    return setting + ": " + std::string(englishText(message)) +
           (what.empty() ? "" : " (" + std::string(what) + ")");
}

// Settings are written in this order, whatever the order of the request.
constexpr std::array<std::string_view, 12> kSettings{
    "brightness", "saturation", "bias",         "sharpness",   "textKey",    "audio",
    "hotSpare",   "syncMosaic", "outputWindow", "inputWindow", "mainWindow", "pipWindow"};

}  // namespace

// One write of a "set": its frame now, or (a window) its values, framed once the output
// resolution is known.
struct SetWrite {
    std::string setting;
    std::optional<CommandFrame> frame;
    RectTarget target = RectTarget::Main;
    unsigned mode = 0;
    std::array<std::optional<std::int32_t>, 4> values{};  // width, x, height, y
};

namespace {

std::vector<SetWrite> parseSet(const json& settings, std::uint8_t address) {
    if (!settings.is_object() || settings.empty())
        throw BadRequest("\"settings\" must be an object with at least one setting");
    for (const auto& [name, value] : settings.items())
        if (std::ranges::find(kSettings, name) == kSettings.end())
            throw BadRequest("unknown setting \"" + name + "\"");
    std::vector<SetWrite> writes;
    for (std::string_view n : kSettings) {
        const std::string name(n);
        if (!settings.contains(name)) continue;
        const json& v = settings.at(name);
        SetWrite w{name, {}};
        const auto level = [&](Level which, CommandFrame (*frame)(std::uint8_t, std::uint8_t)) {
            const auto value = number(settings, name);
            if (const CheckOutcome o = checkLevel(which, value); o != CheckOutcome::Ok)
                throw BadRequest(refusal(name, refusalMessage(o)));
            return frame(address, static_cast<std::uint8_t>(*value));
        };
        const auto choice = [&](const json& word, const char* no, const char* yes) {
            if (word == no) return false;
            if (word == yes) return true;
            throw BadRequest("\"" + name + "\" must be \"" + no + "\" or \"" + yes + "\"");
        };
        if (name == "brightness") {
            w.frame = level(Level::Brightness, brightnessFrame);
        } else if (name == "saturation") {
            w.frame = level(Level::Saturation, saturationFrame);
        } else if (name == "bias") {
            w.frame = level(Level::Bias, biasFrame);
        } else if (name == "sharpness") {
            w.frame = sharpnessFrame(address, choice(v, "normal", "sharp"));
        } else if (name == "syncMosaic") {
            if (!v.is_boolean()) throw BadRequest("\"syncMosaic\" must be true or false");
            w.frame = syncMosaicFrame(address, v.get<bool>());
        } else if (name == "hotSpare") {
            std::array<bool, 4> marks{};
            if (!v.is_array() || v.size() != marks.size())
                throw BadRequest("\"hotSpare\" must be four true/false");
            for (std::size_t i = 0; i < marks.size(); ++i) {
                if (!v[i].is_boolean()) throw BadRequest("\"hotSpare\" must be four true/false");
                marks[i] = v[i].get<bool>();
            }
            w.frame = hotSpareFrame(address, marks);
        } else if (name == "audio") {
            std::array<std::uint8_t, 2> codes{};
            for (std::size_t i = 0; i < 2; ++i) {
                const json one = field(v, name, i == 0 ? "ad1" : "ad2");
                const auto code = one.is_string() ? parseSource(one.get<std::string>())
                                                  : std::optional<std::uint8_t>{};
                if (!code || !audioPositionOfCode(*code))
                    throw BadRequest("\"audio\" wants a source name for ad1 and ad2");
                codes[i] = *code;
            }
            if (codes[0] == codes[1]) throw BadRequest(refusal(name, MessageId::SameAudioChannel));
            w.frame = audioFrame(address, codes[0], codes[1]);
        } else if (name == "textKey") {
            const bool above = choice(field(v, name, "mode"), "below", "above");
            std::array<std::optional<std::int32_t>, 3> rgb;
            const char* colours[] = {"red", "green", "blue"};
            for (std::size_t i = 0; i < 3; ++i) {
                field(v, name, colours[i]);
                rgb[i] = number(settings, name, colours[i]);
            }
            if (const auto bad = firstBadThreshold(rgb))
                throw BadRequest(refusal(name, MessageId::ValueOutOfRange, colours[*bad]));
            w.frame = textKeyFrame(
                address, above,
                {static_cast<std::uint8_t>(*rgb[0]), static_cast<std::uint8_t>(*rgb[1]),
                 static_cast<std::uint8_t>(*rgb[2])});
        } else {
            w.target = name == "mainWindow"    ? RectTarget::Main
                       : name == "pipWindow"   ? RectTarget::Pip
                       : name == "inputWindow" ? RectTarget::Input
                                               : RectTarget::Output;
            if (w.target == RectTarget::Main || w.target == RectTarget::Pip) {
                const json mode = field(v, name, "mode");
                const std::string m = mode.is_string() ? mode.get<std::string>() : "";
                if (m.size() != 2 || m[0] != 'M' || m[1] < '1' || m[1] > '4')
                    throw BadRequest("\"" + name + ".mode\" must be M1, M2, M3 or M4");
                w.mode = static_cast<unsigned>(m[1] - '1');
            }
            const char* names[] = {"width", "x", "height", "y"};
            for (std::size_t i = 0; i < 4; ++i) {
                field(v, name, names[i]);
                w.values[i] = number(settings, name, names[i]);
            }
        }
        writes.push_back(std::move(w));
    }
    return writes;
}

const char* rectFieldName(RectField f) {
    switch (f) {
        case RectField::Width:
            return "width";
        case RectField::HStart:
            return "x";
        case RectField::Height:
            return "height";
        case RectField::VStart:
            return "y";
    }
    return "";
}

}  // namespace

setup::ExchangeFn ChainService::Impl::exchangeFn(FrameExchanger& wire, const Peer& peer,
                                                 std::string op) {
    return [this, &wire, by = clientBy(peer), op](const CommandFrame& frame, CommandFrame& reply,
                                                  std::int32_t timeoutMs, std::stop_token stop) {
        const std::uint8_t address = frame[1];
        const Exchanged e = exchange(wire, address, frame, timeoutMs, stop);
        seeStatus(address, frame, e);
        if (changesDevice(frame)) {
            noteCommand(address, by, "command");
            journalExchange(address, by, op, framesJson(e), resultName(e), e.ms);
        }
        reply = e.reply;
        return e.result;
    };
}

void ChainService::Impl::queueSettings(const Peer& peer, const json& id, const Answer& answer,
                                       std::uint8_t address) {
    Job job;
    job.peer = peer.id;
    job.work = [=, this](FrameExchanger& wire, std::stop_token stop) {
        if (!wire.isUp()) return (*answer)(errorAnswer(id, "link-down", "no link to the chain"));
        const ExchangeFn ex = exchangeFn(wire, peer, "settings");
        const ReadBackResult read = readBack(ex, address, clock, stop);
        if (!read.settings.output)  // nothing can be judged without the output resolution
            return (*answer)(
                errorAnswer(id, read.stopped ? "link-down" : "device",
                            "no usable reply to page 3 from address " + std::to_string(address)));
        std::array<ModeRects, kPipModes> modes{};
        for (unsigned m = 0; m < kPipModes && !stop.stop_requested(); ++m)
            if (pauseUnlessStopped(clock, kPagePause, stop))
                modes[m] = readModeRects(ex, address, m, clock, stop);
        json result = settingsJson(read.settings, modes);
        result["address"] = address;
        (*answer)(okAnswer(id, std::move(result)));
    };
    job.refuse = [id, answer](std::string_view code, std::string_view message) {
        (*answer)(errorAnswer(id, code, message));
    };
    if (!enqueue(std::move(job), true)) (*answer)(notQueued(id));
}

void ChainService::Impl::queueSet(const Peer& peer, const json& id, const Answer& answer,
                                  const json& request) {
    const std::uint8_t address = addressField(request);
    const auto it = request.find("settings");
    const std::vector<SetWrite> writes =
        parseSet(it == request.end() ? json() : *it, address);  // every check that needs no wire
    if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));
    Job job;
    job.peer = peer.id;
    job.work = [=, this](FrameExchanger& wire, std::stop_token stop) {
        if (!wire.isUp()) return (*answer)(errorAnswer(id, "link-down", "no link to the chain"));
        const ExchangeFn ex = exchangeFn(wire, peer, "set");
        std::vector<SetWrite> ready = writes;
        const bool windows = std::ranges::any_of(ready, [](const SetWrite& w) { return !w.frame; });
        if (windows) {  // the window checks need the output resolution, as the setup has it
            const auto page3 = readPage(ex, address, kOutputPage, kPageTimeoutMs, stop);
            if (!page3)
                return (*answer)(errorAnswer(
                    id, "device",
                    "no usable reply to page 3 from address " + std::to_string(address)));
            const setup::Resolution output =
                formatResolution(decodeOutputPage(*page3).formatIndex).value_or(kDefaultResolution);
            if (std::ranges::any_of(ready, [](const SetWrite& w) {
                    return !w.frame && w.target == RectTarget::Input;
                })) {
                pauseUnlessStopped(clock, kPagePause, stop);
                const auto page0 = readPage(ex, address, kStatusPage, kPageTimeoutMs, stop);
                const auto status = page0 ? decodeSetupStatus(*page0) : std::nullopt;
                if (!status)
                    return (*answer)(errorAnswer(
                        id, "device", "no status from address " + std::to_string(address)));
                if (!status->inputSaveAllowed)
                    return (*answer)(errorAnswer(
                        id, "bad-request",
                        "inputWindow: the input window can be set only while the main picture "
                        "is DVI with a signal, MOSAIC is on and BYPASS is off"));
            }
            for (SetWrite& w : ready) {
                if (w.frame) continue;
                const RectCheck check = checkRect(w.values, output);
                if (check.outcome != CheckOutcome::Ok)
                    return (*answer)(errorAnswer(id, "bad-request",
                                                 refusal(w.setting, refusalMessage(check.outcome),
                                                         rectFieldName(check.field))));
                w.frame = rectFrame(address, w.target, saveCodeOf(w.mode), check.rect);
            }
        }
        json written = json::array();
        for (const SetWrite& w : ready) {
            if (stop.stop_requested())
                return (*answer)(errorAnswer(id, "link-down", "the service is stopping"));
            if (!pauseUnlessStopped(clock, written.empty() && !windows ? Millis{0} : kPagePause,
                                    stop))
                continue;
            CommandFrame reply{};
            const int result = ex(*w.frame, reply, kWriteTimeoutMs, stop);
            CommandFrame sent = *w.frame;
            sent[12] = frameCheck(sent);
            json one{{"setting", w.setting}, {"sent", hexText(sent.data(), kFrameSize)}};
            const WriteOutcome outcome = judgeWrite(result, *w.frame, reply);
            if (address == 0) {
                one["outcome"] = "sent";  // nobody answers address 0
            } else if (outcome == WriteOutcome::Accepted) {
                one["outcome"] = "accepted";
                one["reply"] = hexText(reply.data(), kFrameSize);
            } else {
                std::string why = outcome == WriteOutcome::Failed
                                      ? refusal(w.setting, MessageId::SetupFailed)
                                      : w.setting + ": the reply does not acknowledge the write: " +
                                            hexText(reply.data(), kFrameSize);
                std::string before;
                for (const json& done : written)
                    before += (before.empty() ? "" : ", ") + done["setting"].get<std::string>();
                if (!before.empty()) why += " (written before it: " + before + ")";
                return (*answer)(errorAnswer(id, "device", why));
            }
            written.push_back(std::move(one));
        }
        (*answer)(okAnswer(id, {{"address", address}, {"written", written}}));
    };
    job.refuse = [id, answer](std::string_view code, std::string_view message) {
        (*answer)(errorAnswer(id, code, message));
    };
    if (!enqueue(std::move(job), true)) (*answer)(notQueued(id));
}

namespace {

std::vector<WallEntry> wallEntries(const json& request, const char* name, std::size_t cells) {
    const auto it = request.find(name);
    if (it == request.end() || !it->is_array() || it->size() != cells)
        throw BadRequest(std::string("\"") + name + "\" must list " + std::to_string(cells) +
                         " entries (rows x columns, row by row)");
    std::vector<WallEntry> out;
    for (const json& entry : *it) {
        if (entry.is_null())
            out.emplace_back();
        else if (entry.is_number_integer() &&
                 entry.get<std::int64_t>() >= std::numeric_limits<std::int32_t>::min() &&
                 entry.get<std::int64_t>() <= std::numeric_limits<std::int32_t>::max())
            out.emplace_back(entry.get<std::int32_t>());
        else
            throw BadRequest(std::string("\"") + name + "\" entries are whole numbers or null");
    }
    return out;
}

json cellJson(const CellResult& c) {
    json cell{{"cell", c.cell},
              {"address", c.address},
              {"outcome", cellOutcomeName(c.outcome)},
              {"line", describeCell(c)}};
    if (c.windows) {
        cell["input"] = rectJson(c.windows->input);
        cell["output"] = rectJson(c.windows->output);
    }
    return cell;
}

constexpr std::array<std::string_view, 5> kStepNames{"connect", "calculate", "set-input",
                                                     "set-output", "set-mode"};

}  // namespace

void ChainService::Impl::updateJob(std::uint64_t job, const json& change) {
    json event;
    {
        std::lock_guard lock(mutex);
        const auto it = jobs.find(job);
        if (it == jobs.end()) return;
        it->second.update(change);
        event = it->second;
    }
    events.publish("job", std::move(event));
}

void ChainService::Impl::startWall(const Peer& peer, const json& id, const Answer& answer,
                                   const json& request) {
    WallPlan plan;
    plan.layout.rows = static_cast<unsigned>(intField(request, "rows", 1, kMaxWallRows));
    plan.layout.columns = static_cast<unsigned>(intField(request, "columns", 1, kMaxWallColumns));
    const std::size_t cells = std::size_t{plan.layout.rows} * plan.layout.columns;
    plan.layout.widths = wallEntries(request, "widths", cells);
    plan.layout.heights = wallEntries(request, "heights", cells);
    plan.layout.bezelH = static_cast<std::uint16_t>(intField(request, "bezelH", 0, kMaxBezel, 0));
    plan.layout.bezelV = static_cast<std::uint16_t>(intField(request, "bezelV", 0, kMaxBezel, 0));
    if (const auto it = request.find("addresses"); it != request.end() && !it->is_null()) {
        if (!it->is_array()) throw BadRequest("\"addresses\" must list an address per cell");
        for (const json& a : *it) {
            if (!a.is_number_integer() || a.get<std::int64_t>() < 1 || a.get<std::int64_t>() > 255)
                throw BadRequest("\"addresses\" holds addresses 1 to 255");
            plan.addresses.push_back(a.get<std::uint8_t>());
        }
    }
    if (const auto it = request.find("sync"); it != request.end() && !it->is_null())
        plan.syncMosaic = boolField(request, "sync", false);
    if (const auto error = wallPlanError(plan)) throw BadRequest(*error);
    if (auto refused = admit(peer, id, true)) return (*answer)(std::move(*refused));

    std::uint64_t number = 0;
    json record;
    {
        std::lock_guard lock(mutex);
        number = ++lastJob;
        record = {{"job", number},        {"kind", "wall"},      {"state", "queued"},
                  {"by", clientBy(peer)}, {"progress", nullptr}, {"cells", json::array()},
                  {"result", nullptr}};
        jobs[number] = record;
        // Finished jobs are kept for a while for those who ask; running ones always.
        for (auto it = jobs.begin(); jobs.size() > kJobsKept && it != jobs.end();) {
            const std::string state = it->second["state"];
            it = state == "queued" || state == "running" ? std::next(it) : jobs.erase(it);
        }
    }
    Job job;
    job.peer = peer.id;
    job.work = [=, this](FrameExchanger& wire, std::stop_token stop) {
        if (!wire.isUp())
            return updateJob(number, {{"state", "failed"}, {"message", "no link to the chain"}});
        updateJob(number, {{"state", "running"}});
        WallCallbacks callbacks;
        callbacks.progress = [&](const WallProgress& p) {
            updateJob(number, {{"progress",
                                {{"cell", p.cell},
                                 {"cellsDone", p.cellsDone},
                                 {"cellCount", p.cellCount},
                                 {"step", kStepNames[static_cast<std::size_t>(p.step)]}}}});
        };
        callbacks.cellDone = [&](const CellResult& c) {
            json cellsSoFar;
            {
                std::lock_guard lock(mutex);
                jobs[number]["cells"].push_back(cellJson(c));
                cellsSoFar = jobs[number]["cells"];
            }
            updateJob(number, {{"cells", cellsSoFar}});
        };
        const WallSummary summary =
            programWall(plan, exchangeFn(wire, peer, "wall"), clock, stop, callbacks);
        const char* state = summary.allDone() ? "done" : summary.failed ? "failed" : "cancelled";
        updateJob(number, {{"state", state},
                           {"result",
                            {{"done", summary.done},
                             {"failed", summary.failed},
                             {"cancelled", summary.cancelled}}}});
    };
    job.refuse = [this, number](std::string_view, std::string_view message) {
        updateJob(number, {{"state", "failed"}, {"message", message}});
    };
    events.publish("job", record);  // before the job can run and say more
    if (!enqueue(std::move(job), true)) {
        const json refused = notQueued(id);
        updateJob(number, {{"state", "failed"}, {"message", refused["message"]}});
        return (*answer)(refused);
    }
    (*answer)(okAnswer(id, {{"job", number}, {"state", "queued"}}));
}

json ChainService::Impl::jobRecord(const json& id, std::uint64_t job) const {
    std::lock_guard lock(mutex);
    const auto it = jobs.find(job);
    if (it == jobs.end())
        return errorAnswer(id, "not-found", "no job " + std::to_string(job) + " is kept");
    return okAnswer(id, it->second);
}

}  // namespace tvq::service
