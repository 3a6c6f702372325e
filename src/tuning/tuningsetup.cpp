// SPDX-License-Identifier: GPL-3.0-or-later
// The reference pitch and the imported scale, and the frequency of a pitch in any system.
#include "tuningsetup.h"

#include "tuningsystems.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace sorvel {

namespace {

// Lowest and highest frequency an imported pitch may have: below, the synthesizer's table
// cannot hold one period; above, too few harmonics are left under the Nyquist limit to be heard
// as the instrument.
constexpr double lowestScaleFrequency = 20.0;
constexpr double highestScaleFrequency = 5000.0;

std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string hertz(double f) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f Hz", f);
    return text;
}

} // namespace

ImportedScale loadScale(const std::string& sclPath, const std::string& kbmPath, double a4) {
    ImportedScale imported;
    imported.scale = readScale(sclPath);
    if (!kbmPath.empty())
        imported.mapping = readMapping(kbmPath);
    imported.name = imported.scale.description;
    // Leading and trailing blanks would only shift the name in the boxes.
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!imported.name.empty() && blank(imported.name.back()))
        imported.name.pop_back();
    std::size_t first = 0;
    while (first < imported.name.size() && blank(imported.name[first]))
        ++first;
    imported.name.erase(0, first);
    if (imported.name.empty())
        imported.name = fileName(sclPath);

    const auto f = scaleFrequencies(imported.scale,
                                    imported.mapping ? &*imported.mapping : nullptr, a4);
    const std::string& blamed = kbmPath.empty() ? sclPath : kbmPath;
    for (int pitch = lowestExercisePitch; pitch <= highestExercisePitch; ++pitch) {
        const double hz = f[static_cast<std::size_t>(pitch)];
        if (!(hz >= lowestScaleFrequency && hz <= highestScaleFrequency))
            throw ScalaError(blamed + ": pitch number " + std::to_string(pitch) +
                             " would sound at " + (std::isfinite(hz) ? hertz(hz) : "no pitch") +
                             "; Sorvel plays pitches from 20 to 5000 Hz");
    }
    return imported;
}

ScalaFiles sortScalaFiles(const std::vector<std::string>& paths) {
    ScalaFiles files;
    int scales = 0;
    int mappings = 0;
    for (const std::string& path : paths) {
        std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
        for (char& c : tail)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (tail == ".kbm") {
            files.mapping = path;
            ++mappings;
        } else {
            files.scale = path;
            ++scales;
        }
    }
    if (scales != 1 || mappings > 1)
        throw ScalaError("Choose one scale (.scl) and, if wanted, one keyboard mapping (.kbm) "
                         "to go with it.");
    return files;
}

std::optional<double> parseReferencePitch(std::string_view text, std::string& error) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                           std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        error = "the reference pitch '" + std::string(text) + "' is not a number of Hz";
        return std::nullopt;
    }
    value = std::round(value * 10.0) / 10.0;
    if (!(value >= lowestReferencePitch && value <= highestReferencePitch)) {
        error = "the reference pitch " + std::string(text) +
                " Hz is outside the range Sorvel offers (380 to 480 Hz)";
        return std::nullopt;
    }
    return value;
}

std::string referencePitchText(double a4) {
    char text[32];
    const double tenths = std::round(a4 * 10.0);
    if (std::fmod(tenths, 10.0) == 0.0)
        std::snprintf(text, sizeof text, "%.0f Hz", a4);
    else
        std::snprintf(text, sizeof text, "%.1f Hz", a4);
    return text;
}

void TuningSetup::setReferencePitch(double a4) {
    if (!(a4 >= lowestReferencePitch && a4 <= highestReferencePitch))
        throw std::invalid_argument("reference pitch outside 380..480 Hz");
    a4_ = a4;
    tabulate();
}

void TuningSetup::setScale(std::optional<ImportedScale> scale) {
    scale_ = std::move(scale);
    tabulate();
}

void TuningSetup::tabulate() {
    if (scale_)
        scaleTable_ = scaleFrequencies(scale_->scale, scale_->mapping ? &*scale_->mapping : nullptr,
                                       a4_);
}

std::string TuningSetup::systemName(int system) const {
    if (system >= 0 && system < tuningSystemCount)
        return std::string(tuningSystemNames[static_cast<std::size_t>(system)]);
    if (system == importedSystem && scale_)
        return scale_->name;
    return {};
}

std::string TuningSetup::describeSystem(int system) const {
    std::string name = systemName(system);
    const bool mapped = system == importedSystem && scale_ && scale_->mapping;
    if (!name.empty() && !mapped && a4_ != defaultReferencePitch)
        name += ", A4 = " + referencePitchText(a4_);
    return name;
}

int TuningSetup::systemIndex(std::string_view name) const {
    for (int s = 0; s < systemCount(); ++s)
        if (systemName(s) == name)
            return s;
    return -1;
}

double TuningSetup::frequency(int system, int pitch, std::span<const int> sonority) const {
    const auto& systems = tuningSystems();
    switch (system) {
    case 0:
        return static_cast<const EqualTemperament*>(systems[0])->frequencyAt(pitch, a4_);
    case 1:
        return static_cast<const JustIntonation*>(systems[1])->frequencyAt(pitch, sonority, a4_);
    case 2:
    case 3:
    case 4:
        return static_cast<const FixedTuningSystem*>(systems[static_cast<std::size_t>(system)])
            ->frequencyAt(pitch, a4_);
    default:
        if (system == importedSystem && scale_ && pitch >= 0 && pitch < 128)
            return scaleTable_[static_cast<std::size_t>(pitch)];
        throw std::out_of_range("no tuning system " + std::to_string(system));
    }
}

TuningSetup& activeTuning() {
    static TuningSetup setup;
    return setup;
}

} // namespace sorvel
