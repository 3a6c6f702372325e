// SPDX-License-Identifier: GPL-3.0-or-later
#include "helptext.h"

#include "tuningsystems.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>
#include <string>

namespace sorvel {
namespace {

// The paragraph that starts with `prefix`.
std::string paragraph(std::string_view prefix) {
    for (std::string_view line : helpLines())
        if (line.starts_with(prefix))
            return std::string(line);
    return {};
}

TEST(help_text, greeting_paragraphs_and_length) {
    const auto lines = helpLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Welcome to the Sorvel!");
    EXPECT_GE(lines.size(), 75u);
    EXPECT_LE(lines.size(), 105u);
    // Paragraphs alternate with empty lines.
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].empty(), i % 2 == 1) << "line " << i;
    EXPECT_EQ(helpText().substr(0, 24), "Welcome to the Sorvel!\n\n");
}

TEST(help_text, sections_in_order) {
    const char* sections[] = {"1. ",      "2. ",      "3. ",       "4. ",
                              "5. ",      "6. ",      "7. ",       "Notes on tuning system:",
                              "Equal:",   "Perfect:", "Vallotti:", "Werkmeister III:",
                              "Meantone:"};
    std::size_t next = 0;
    for (std::size_t i = 0; i < helpLines().size() && next < std::size(sections); ++i)
        if (helpLines()[i].starts_with(sections[next]))
            ++next;
    EXPECT_EQ(next, std::size(sections)) << "missing or out of order: " << sections[next];
    const std::string text = helpText();
    for (const char* caption :
         {"\"New Exercise\"", "\"Start Over\"", "\"Check Answer\"", "\"Reveal Errors\"",
          "\"Show Answers on Tuning Diagram\"", "\"Advanced Sound Options...\"", "\"Help Me!\"",
          "\"Compare with correctly tuned version\""})
        EXPECT_NE(text.find(caption), std::string::npos) << caption;
}

// A new user finds how to start before the numbered steps, and every key of the menus.
TEST(help_text, says_how_to_start_and_names_the_keys_and_the_record) {
    std::size_t start = 0, first = 0;
    for (std::size_t i = 0; i < helpLines().size(); ++i) {
        if (!start && helpLines()[i].starts_with("To start, choose one of the page tabs"))
            start = i;
        if (!first && helpLines()[i].starts_with("1. "))
            first = i;
    }
    EXPECT_GT(start, 0u);
    EXPECT_LT(start, first);
    const std::string keys = paragraph("Menus and keys:");
    for (const char* key : {"Ctrl+N New Exercise", "Ctrl+Backspace Start Over",
                            "Ctrl+Return Check Answer", "Ctrl+R Reveal Errors", "Ctrl+Z Undo",
                            "Ctrl+H Session Record", "F1", "Ctrl+Q Quit"})
        EXPECT_NE(keys.find(key), std::string::npos) << key;
    const std::string record = paragraph("Session Record");
    for (const char* part : {"\"Copy\"", "\"Save...\"", "largest error first", "asks"})
        EXPECT_NE(record.find(part), std::string::npos) << part;
}

TEST(help_text, just_ratios_match_the_perfect_system) {
    // The Perfect paragraph lists the ratios from the minor second up, with the tritone as a
    // square root; each must be the ratio the tuning uses.
    const std::string perfect = paragraph("Perfect:");
    const std::regex fraction(R"((\d+):(\d+))");
    std::vector<double> listed;
    for (auto it = std::sregex_iterator(perfect.begin(), perfect.end(), fraction);
         it != std::sregex_iterator(); ++it)
        listed.push_back(std::stod((*it)[1]) / std::stod((*it)[2]));
    ASSERT_EQ(listed.size(), 10u);
    const int semitones[10] = {1, 2, 3, 4, 5, 7, 8, 9, 10, 11};
    for (std::size_t i = 0; i < listed.size(); ++i)
        EXPECT_DOUBLE_EQ(listed[i], justRatios()[static_cast<std::size_t>(semitones[i])])
            << "ratio " << i;
}

// The fifth above each pitch class of a fixed system, in cents.
double fifthCents(const FixedTuningSystem& system, int pitchClass) {
    // Ratios are against an A; the octave is set right below.
    const auto& r = system.ratioTable();
    double fifth = r[static_cast<std::size_t>((pitchClass + 7) % 12)] /
                   r[static_cast<std::size_t>(pitchClass)];
    while (fifth < 1.4)
        fifth *= 2;
    while (fifth > 1.6)
        fifth /= 2;
    return 1200 * std::log2(fifth);
}

int pitchClassOf(const std::string& name) {
    const int natural[7] = {9, 11, 0, 2, 4, 5, 7}; // A..G
    return natural[name[0] - 'A'];
}

TEST(help_text, tempered_fifths_match_the_tunings) {
    const double pure = 1200 * std::log2(1.5);
    const double pythagorean = 1200 * std::log2(pythagoreanComma());
    struct Case {
        const char* prefix;
        int system;
        double narrowing;
    } cases[] = {{"Vallotti:", 2, pythagorean / 6}, {"Werkmeister III:", 3, pythagorean / 4}};
    for (const Case& c : cases) {
        const auto* system = dynamic_cast<const FixedTuningSystem*>(tuningSystems()[c.system]);
        ASSERT_NE(system, nullptr);
        const std::string text = paragraph(c.prefix);
        const std::regex pair(R"(\b([A-G])-([A-G])\b)");
        std::set<int> tempered;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pair);
             it != std::sregex_iterator(); ++it) {
            const int from = pitchClassOf((*it)[1]);
            ASSERT_EQ((from + 7) % 12, pitchClassOf((*it)[2])) << c.prefix << " " << it->str();
            tempered.insert(from);
        }
        ASSERT_FALSE(tempered.empty()) << c.prefix;
        for (int pc = 0; pc < 12; ++pc) {
            const double expected = tempered.count(pc) ? pure - c.narrowing : pure;
            EXPECT_NEAR(fifthCents(*system, pc), expected, 0.01) << c.prefix << " class " << pc;
        }
    }
}

} // namespace
} // namespace sorvel
