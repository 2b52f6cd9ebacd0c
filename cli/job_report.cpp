#include "job_report.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

namespace {

// A level with two decimals, as the summary line gives it; a level just below
// full scale rounds to zero, without a sign.
std::string levelText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return std::string(text) == "-0.00" ? "0.00" : text;
}

std::string dbfs(double value)
{
    return std::isinf(value) ? "-inf dBFS" : levelText(value) + " dBFS";
}

// The level in JSON: the summary line's figure as a number; null for a signal
// that is all zeros, whose level (-infinity) JSON cannot carry.
nlohmann::ordered_json levelNumber(double value)
{
    if (std::isinf(value))
        return nullptr;
    return std::strtod(levelText(value).c_str(), nullptr);
}

std::string describeSignal(const CliOptions& o, const std::string& noteName)
{
    switch (o.signal) {
    case CliSignal::Sine:
        return noteName.empty() ? "sine " + hertz(o.frequency) : "sine " + noteName + " " + hertz(o.frequency);
    case CliSignal::Sweep:
        return "sweep " + hertz(o.startFrequency) + " to " + hertz(o.endFrequency);
    case CliSignal::Pink:
    case CliSignal::White:
        return signalName(o.signal);
    }
    return {};
}

const char* signalWord(CliSignal signal)
{
    switch (signal) {
    case CliSignal::Sine: return "sine";
    case CliSignal::Sweep: return "sweep";
    case CliSignal::Pink: return "pink";
    case CliSignal::White: return "white";
    }
    return "";
}

}  // namespace

std::string hertz(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g Hz", value);
    return text;
}

bool dependsOnSeedTime(const CliOptions& options)
{
    return options.signal == CliSignal::Pink || options.signal == CliSignal::White || options.bits == 16;
}

std::string summaryLine(const JobReport& r)
{
    const CliOptions& o = r.options;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", double(r.levels.frames) / o.rate);
    std::string line = r.shownPath + ": " + describeSignal(o, r.noteName) + ", " + std::to_string(o.rate) + " Hz, " +
                       std::to_string(o.bits) + " bits, " + std::to_string(r.levels.frames) + " frames (" + seconds +
                       " s), peak " + dbfs(r.levels.peakDbfs) + ", RMS " + dbfs(r.levels.rmsDbfs);
    if (dependsOnSeedTime(o))
        line += ", seed time " + std::to_string(r.seedTime);
    return line + "\n";
}

std::string jsonLine(const JobReport& r)
{
    const CliOptions& o = r.options;
    nlohmann::ordered_json json;
    json["path"] = r.jsonPath;
    json["signal"] = signalWord(o.signal);
    if (o.signal == CliSignal::Sine) {
        json["frequency"] = o.frequency;
    } else if (o.signal == CliSignal::Sweep) {
        json["start"] = o.startFrequency;
        json["end"] = o.endFrequency;
    }
    json["duration"] = o.duration;
    json["attenuation"] = o.attenuation;
    json["rate"] = o.rate;
    json["bits"] = o.bits;
    json["frames"] = r.levels.frames;
    json["seconds"] = double(r.levels.frames) / o.rate;
    json["seed_time"] = dependsOnSeedTime(o) ? nlohmann::ordered_json(r.seedTime) : nlohmann::ordered_json(nullptr);
    json["peak_dbfs"] = levelNumber(r.levels.peakDbfs);
    json["rms_dbfs"] = levelNumber(r.levels.rmsDbfs);
    json["sha256"] = r.sha256 ? nlohmann::ordered_json(*r.sha256) : nlohmann::ordered_json(nullptr);
    // A path is bytes; JSON text is Unicode. Bytes that are no UTF-8 become
    // U+FFFD, so that the line stays valid JSON whatever the name.
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}
