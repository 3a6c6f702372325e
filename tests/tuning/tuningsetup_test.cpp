// SPDX-License-Identifier: GPL-3.0-or-later
// The reference pitch as typed, the files chosen in the dialog, and a mapping that would put a
// note out of the range Sorvel plays.
#include "tuningsetup.h"
#include "tuningsystems.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace sorvel {
namespace {

TEST(tuning_setup, reference_pitches_as_typed) {
    const struct {
        const char* text;
        double value; // 0: refused
    } cases[] = {{"415", 415},   {" 442.5 ", 442.5}, {"380", 380}, {"480.0", 480},
                 {"440.04", 440}, {"379.9", 0},      {"480.1", 0}, {"", 0},
                 {"442Hz", 0},   {"nan", 0},         {"inf", 0},   {"-440", 0},
                 {"4.4e2", 0}};
    for (const auto& c : cases) {
        std::string error;
        const auto a4 = parseReferencePitch(c.text, error);
        EXPECT_EQ(a4.value_or(0), c.value) << c.text;
        EXPECT_EQ(error.empty(), c.value != 0) << c.text << ": " << error;
    }
    EXPECT_EQ(referencePitchText(415), "415 Hz");
    EXPECT_EQ(referencePitchText(442.5), "442.5 Hz");
}

TEST(tuning_setup, one_scale_and_at_most_one_mapping_are_chosen) {
    const ScalaFiles f = sortScalaFiles({"a/B.KBM", "a/x.scl"});
    EXPECT_EQ(f.scale, "a/x.scl");
    EXPECT_EQ(f.mapping, "a/B.KBM");
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{}, {"m.kbm"}, {"a.scl", "b.scl"}, {"a.scl", "m.kbm", "n.kbm"}})
        EXPECT_THROW(sortScalaFiles(wrong), ScalaError) << wrong.size();
}

// Every system follows the reference pitch, the sixth one included; a mapping that drives a
// reachable note below 20 Hz is refused with its file's name, and nothing changes.
TEST(tuning_setup, systems_follow_the_reference_and_the_scale_is_checked) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string scl = (dir / "sorvel-setup-test.scl").string();
    const std::string kbm = (dir / "sorvel-setup-test.kbm").string();
    std::ofstream(scl) << "Equal again\n12\n100.\n200.\n300.\n400.\n500.\n600.\n700.\n800.\n900."
                          "\n1000.\n1100.\n2/1\n";
    std::ofstream(kbm) << "0\n0\n127\n60\n69\n4.0\n12\n";
    TuningSetup t;
    for (double a4 : {380.0, 415.0, 442.0, 466.0}) {
        t.setReferencePitch(a4);
        t.setScale(loadScale(scl, "", a4));
        ASSERT_EQ(t.systemCount(), 6);
        EXPECT_EQ(t.systemName(5), "Equal again");
        EXPECT_EQ(t.systemIndex("Werkmeister III"), 3);
        for (int pitch = lowestExercisePitch; pitch <= highestExercisePitch; ++pitch) {
            const double equal = a4 * std::exp2((pitch - 69) / 12.0);
            EXPECT_NEAR(t.frequency(0, pitch, {}), equal, equal * 1e-12);
            EXPECT_NEAR(t.frequency(5, pitch, {}), equal, equal * 1e-9);
            // The fixed systems keep their ratios: the same table scaled by a4 / 440.
            for (int s = 2; s <= 4; ++s)
                EXPECT_NEAR(t.frequency(s, pitch, {}),
                            tuningSystems()[static_cast<std::size_t>(s)]->frequency(pitch, {}) *
                                a4 / 440,
                            1e-9);
        }
        EXPECT_EQ(t.describeSystem(2), a4 == 440 ? "Vallotti" : "Vallotti, A4 = " + referencePitchText(a4));
    }
    try {
        loadScale(scl, kbm, 440);
        ADD_FAILURE() << "a 4 Hz A4 was taken";
    } catch (const ScalaError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(kbm + ": pitch number 45 would sound at", 0), 0u)
            << e.what();
    }
    EXPECT_THROW(t.setReferencePitch(500), std::invalid_argument);
    EXPECT_EQ(t.referencePitch(), 466.0);
    std::filesystem::remove(scl);
    std::filesystem::remove(kbm);
}

} // namespace
} // namespace sorvel
