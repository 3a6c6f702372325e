// SPDX-License-Identifier: GPL-3.0-or-later
// Imported scales: generated Scala files against frequencies worked out here from the values
// they were written from, every refusal with its file and line, and the bundled temperaments.
#include "scala.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {
namespace {

struct Generated {
    std::string scl, kbm, description;
    std::array<double, 13> degree{}; // cents of degrees 0..12, as written
    bool mapped = false;
    int mapSize = 0, first = 0, last = 127, middle = 60, refNote = 69, octave = 12;
    double refFreq = 0;
    std::vector<int> map;
};

std::string printed(const char* format, double v) {
    char b[64];
    std::snprintf(b, sizeof b, format, v);
    return b;
}

Generated generate(std::mt19937& rng) {
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto real = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    Generated g;
    const std::string eol = uniform(0, 1) ? "\r\n" : "\n";
    auto comments = [&] {
        std::string c;
        for (int n = uniform(0, 2); n > 0; --n)
            c += "!" + std::string(uniform(0, 1) ? " a comment 3/2 700.0" : "") + eol;
        return c;
    };
    auto trailing = [&] {
        static const char* tails[] = {"", " ", "\t! fifth", "  cents of a wolf", " !x"};
        return std::string(tails[uniform(0, 4)]);
    };
    g.description = uniform(0, 3) ? "Generated temperament 3/2" : "";
    g.scl = comments() + g.description + eol + comments() + std::string(uniform(0, 1) ? " " : "") +
            "12" + trailing() + eol;
    for (int i = 1; i <= 12; ++i) {
        g.scl += comments() + std::string(uniform(0, 1) ? "  " : "");
        const bool period = i == 12;
        if (uniform(0, 1)) {
            const int d = uniform(1, period ? 1000 : 2147483647);
            const int n = period ? uniform(d + 1, 4 * d) : uniform(1, 2147483647);
            g.degree[i] = 1200.0 * std::log2(static_cast<long double>(n) / d);
            g.scl += std::to_string(n) + (d == 1 && uniform(0, 1) ? "" : "/" + std::to_string(d));
        } else {
            const std::string text =
                printed("%.5f", period ? real(300.0, 2400.0) : real(-1200.0, 3600.0));
            g.degree[i] = std::stod(text);
            g.scl += text;
        }
        g.scl += trailing() + eol;
    }
    g.scl += comments();
    if (!(g.mapped = uniform(0, 1)))
        return g;
    g.mapSize = uniform(0, 2) == 0 ? 0 : uniform(1, 19);
    g.first = uniform(0, 45);
    g.last = uniform(88, 127);
    g.middle = uniform(40, 80);
    g.refNote = uniform(g.first, g.last);
    g.refFreq = std::stod(printed("%.4f", real(50.0, 2000.0)));
    // A formal octave of 0 means the period, as does any with a linear mapping.
    const int octave = uniform(0, 24);
    g.octave = g.mapSize == 0 || octave == 0 ? 12 : octave;
    const int fields[] = {g.mapSize, g.first, g.last, g.middle, g.refNote};
    for (int v : fields)
        g.kbm += comments() + std::to_string(v) + trailing() + eol;
    g.kbm += printed("%.4f", g.refFreq) + trailing() + eol + std::to_string(octave) + eol;
    for (int i = 0; i < g.mapSize; ++i) {
        g.map.push_back(uniform(-3, 30));
        g.kbm += comments() + std::to_string(g.map.back()) + trailing() + eol;
    }
    return g;
}

// Cents of a degree of the generated scale, stepping whole periods at a time.
double degreeCents(const Generated& g, long long d) {
    double base = 0;
    for (; d < 0; d += 12)
        base -= g.degree[12];
    for (; d >= 12; d -= 12)
        base += g.degree[12];
    return base + g.degree[d];
}

// Cents of a key relative to nothing in particular, or NaN when it is unmapped.
double keyCents(const Generated& g, int key) {
    if (!g.mapped)
        return degreeCents(g, key - 60); // degree 0 on every C
    if (key < g.first || key > g.last)
        return NAN;
    if (g.mapSize == 0)
        return degreeCents(g, key - g.middle);
    int step = key - g.middle, repeats = 0;
    for (; step < 0; step += g.mapSize)
        --repeats;
    for (; step >= g.mapSize; step -= g.mapSize)
        ++repeats;
    return repeats * degreeCents(g, g.octave) + degreeCents(g, g.map[step]);
}

TEST(scala, generated_files_give_each_pitch_its_frequency) {
    const double references[] = {380.0, 415.0, 430.0, 440.0, 442.0, 443.0, 466.0, 480.0};
    std::mt19937 rng(20241208);
    for (int n = 0; n < 400; ++n) {
        SCOPED_TRACE(n);
        const Generated g = generate(rng);
        const double a4 = references[n % 8];
        const Scale scale = parseScale(g.scl, "gen.scl");
        EXPECT_EQ(scale.description, g.description);
        KeyboardMapping mapping;
        if (g.mapped)
            mapping = parseMapping(g.kbm, "gen.kbm");
        const auto f = scaleFrequencies(scale, g.mapped ? &mapping : nullptr, a4);
        const int refNote = g.mapped ? g.refNote : 69;
        const double refFreq = g.mapped ? g.refFreq : a4;
        for (int key = 0; key < 128; ++key) {
            const double c = keyCents(g, key);
            if (std::isnan(c)) {
                EXPECT_EQ(f[key], 0.0) << key;
                continue;
            }
            const double expected = refFreq * std::pow(2.0, (c - keyCents(g, refNote)) / 1200.0);
            ASSERT_GT(f[key], 0.0) << key;
            EXPECT_NEAR(1200.0 * std::log2(f[key] / expected), 0.0, 0.01) << key;
        }
    }
}

// Each refusal, as a file holding it, the line it must name and a word of its message.
std::string lines(std::initializer_list<const char*> ls) {
    std::string s;
    for (const char* l : ls)
        s += std::string(l) + "\n";
    return s;
}

std::string scaleWith(const char* value, int at) {
    std::string s = "desc\n12\n";
    for (int i = 1; i <= 12; ++i)
        s += std::string(i == at ? value : i == 12 ? "2/1" : "100.0") + "\n";
    return s;
}

const char* const kbmHead = "12\n0\n127\n60\n69\n440.0\n12\n";

std::string mapWith(const char* entry) {
    std::string s = kbmHead;
    for (int i = 0; i < 12; ++i)
        s += std::string(i == 5 ? entry : std::to_string(i).c_str()) + "\n";
    return s;
}

void expectRefusal(const std::string& path, int line, const char* says) {
    try {
        if (path.ends_with(".kbm"))
            readMapping(path);
        else
            readScale(path);
        ADD_FAILURE() << path << " was taken";
    } catch (const ScalaError& e) {
        const std::string want = path + ":" + std::to_string(line) + ": ";
        EXPECT_EQ(std::string(e.what()).substr(0, want.size()), want) << e.what();
        EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
}

TEST(scala, every_refusal_names_its_file_and_line) {
    struct Row {
        const char* name;
        std::string text;
        int line;
        const char* says;
    };
    const std::string big(scalaMaxFileSize + 1, '!');
    const Row rows[] = {
        {"empty.scl", "", 1, "empty"},
        {"binary.scl",
         "desc\n12\n1\x01"
         "00.0\n",
         3, "not text"},
        {"big.scl", big, 1, "larger than 1 MB"},
        {"nocount.scl", "! only\ndesc\n", 2, "before the note count"},
        {"badcount.scl", "desc\n! c\ntwelve\n", 3, "not a whole number"},
        {"seven.scl", "desc\n7\n", 2, "Sorvel plays 12-note scales (exercises are spelled"},
        {"few.scl", "desc\n 12\n100.0\r\n200.0\r\n", 4, "after 2 of its 12 values"},
        {"many.scl", scaleWith("2/1", 12) + "!\n3/2\n", 16, "more values"},
        {"word.scl", scaleWith("fifth", 4), 6, "not a number"},
        {"dots.scl", scaleWith("1.2.3", 2), 4, "not a number of cents"},
        {"zero.scl", scaleWith("0/5", 3), 5, "zero or negative"},
        {"negative.scl", scaleWith("-3/2", 3), 5, "zero or negative"},
        {"zeroden.scl", scaleWith("3/0", 3), 5, "zero denominator"},
        {"bignum.scl", scaleWith("2147483648/2", 1), 3, "above 2147483647"},
        {"bigden.scl", scaleWith("3/2147483648", 1), 3, "above 2147483647"},
        {"huge.scl", scaleWith("99999999999999999999999", 1), 3, "above 2147483647"},
        {"flat.scl", scaleWith("0.0", 12), 14, "period"},
        {"down.scl", scaleWith("1/2", 12), 14, "period"},
        {"size.kbm", "size\n", 1, "map size is not a whole number"},
        {"first.kbm", "12\n200\n", 2, "first note must lie in 0..127"},
        {"last.kbm", "12\n60\n50\n", 3, "last note must lie in 60..127"},
        {"short.kbm", "0\n0\n127\n60\n69\n440.0\n", 6, "before the formal octave degree"},
        {"freq.kbm", "0\n0\n127\n60\n69\n-440\n12\n", 6, "reference frequency"},
        {"octave.kbm", "12\n0\n127\n60\n69\n440\n-1\n", 7, "formal octave degree must lie"},
        {"entry.kbm", mapWith("y"), 13, "neither a degree nor \"x\""},
        {"extra.kbm", mapWith("5") + "3\n", 20, "more map entries"},
        {"hole.kbm", mapWith("x"), 13, "pitch number 53"},
        {"leftout.kbm", kbmHead + lines({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}), 1,
         "pitch number 46"},
        {"narrow.kbm", "0\n50\n127\n60\n69\n440\n12\n", 2, "pitch number 45"},
        {"unref.kbm", "0\n0\n60\n60\n69\n440\n12\n", 5, "reference note 69 is not mapped"},
    };
    const std::string dir = testing::TempDir() + "sorvel-scala-" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    for (const Row& row : rows) {
        const std::string path = dir + "/" + row.name;
        std::ofstream(path, std::ios::binary) << row.text;
        expectRefusal(path, row.line, row.says);
    }
    // A FIFO with no writer and a directory are refused at once, without a read.
    const std::string fifo = dir + "/fifo.scl";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    expectRefusal(fifo, 1, "not a regular file");
    expectRefusal(dir, 1, "not a regular file");
    std::filesystem::remove_all(dir);
}

TEST(scala, bundled_temperaments_are_twelve_notes_to_the_octave) {
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SORVEL_ASSET_DIR "/scales")) {
        if (entry.path().extension() != ".scl")
            continue;
        SCOPED_TRACE(entry.path().string());
        ++found;
        const Scale s = readScale(entry.path().string());
        EXPECT_FALSE(s.description.empty());
        EXPECT_NEAR(s.period(), 1200.0, 1e-9);
        // A temperament of the keyboard stays within a quarter tone of equal temperament.
        for (int i = 0; i < 11; ++i)
            EXPECT_NEAR(s.cents[i], 100.0 * (i + 1), 50.0) << i;
    }
    EXPECT_GE(found, 5);
}

} // namespace
} // namespace sorvel
