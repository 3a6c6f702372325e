// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning the program runs with: the reference pitch every system follows, and a Scala scale
// a musician imported, which becomes a sixth system after the five built in. Set from the
// command line or the Tuning menu; nothing of it is kept between runs.
//
//   sorvel::TuningSetup t;
//   t.setReferencePitch(415.0);
//   t.setScale(sorvel::loadScale("kirnberger3.scl", "", t.referencePitch()));
//   double c4 = t.frequency(5, 60, {});        // the scale's C4 with its A4 at 415 Hz
#pragma once

#include "scala.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sorvel {

inline constexpr double defaultReferencePitch = 440.0;
// Reference pitches offered directly: baroque, classical, modern and orchestral ones.
inline constexpr std::array<double, 6> usualReferencePitches = {415, 430, 440, 442, 443, 466};
// The system index an imported scale takes.
inline constexpr int importedSystem = 5;

// An imported scale, checked: every note exercises reach sounds at a frequency Sorvel plays.
struct ImportedScale {
    std::string name; // the file's description line, or its file name when that is empty
    Scale scale;
    std::optional<KeyboardMapping> mapping; // none: degree 0 on C, A4 at the reference pitch
};

// Reads a scale and, when `kbmPath` is not empty, its keyboard mapping; a ScalaError names the
// file and line of what is wrong. `a4` is the reference pitch the scale is checked at.
ImportedScale loadScale(const std::string& sclPath, const std::string& kbmPath, double a4);

// The files chosen together in a file dialog: the one scale, and the mapping (a name ending in
// ".kbm") if one is among them; refused with a ScalaError when that is not what was chosen.
struct ScalaFiles {
    std::string scale;
    std::string mapping;
};
ScalaFiles sortScalaFiles(const std::vector<std::string>& paths);

// A reference pitch typed by a musician: a number of Hz from 380 to 480, kept to 0.1 Hz.
// Empty with `error` set when the text is not one.
std::optional<double> parseReferencePitch(std::string_view text, std::string& error);

// "415 Hz", "442.5 Hz": the reference pitch as menus and the diagram name it.
std::string referencePitchText(double a4);

class TuningSetup {
public:
    double referencePitch() const { return a4_; }
    // Values outside 380..480 Hz are refused with std::invalid_argument.
    void setReferencePitch(double a4);

    bool hasScale() const { return scale_.has_value(); }
    const std::optional<ImportedScale>& scale() const { return scale_; }
    // Replaces any scale imported before; std::nullopt removes it.
    void setScale(std::optional<ImportedScale> scale);

    // Five systems, or six with a scale.
    int systemCount() const { return hasScale() ? importedSystem + 1 : importedSystem; }
    std::string systemName(int system) const;
    // The name, and the reference pitch where it is not 440 Hz and the system follows it:
    // "Vallotti, A4 = 415 Hz".
    std::string describeSystem(int system) const;
    // The index of a system by its name (the built-in names, or the scale's), or -1.
    int systemIndex(std::string_view name) const;
    // Frequency in Hz of a pitch number in a system; `sonority` as for TuningSystem.
    double frequency(int system, int pitch, std::span<const int> sonority) const;

private:
    void tabulate();

    double a4_ = defaultReferencePitch;
    std::optional<ImportedScale> scale_;
    std::array<double, 128> scaleTable_{};
};

// The one set-up the window and the exercises use.
TuningSetup& activeTuning();

} // namespace sorvel
