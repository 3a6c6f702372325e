// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the Scala readers, built once per parser: with SORVEL_FUZZ_MAPPING the
// keyboard-mapping parser, else the scale parser. Any bytes must give either a result that
// keeps the parser's promises or a ScalaError naming the file and a line; never a crash, a
// read past a buffer or an allocation by a count the file claims.
#include "scala.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {

const std::string name = "fuzz";

void checkMessage(const sorvel::ScalaError& e) {
    const std::string what = e.what();
    std::size_t digits = name.size() + 1;
    while (digits < what.size() && what[digits] >= '0' && what[digits] <= '9')
        ++digits;
    if (what.compare(0, name.size() + 1, name + ":") != 0 || digits == name.size() + 1 ||
        what.compare(digits, 2, ": ") != 0)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    try {
#ifdef SORVEL_FUZZ_MAPPING
        const sorvel::KeyboardMapping m = sorvel::parseMapping(text, name);
        // Every pitch an exercise reaches has a degree, and the map holds no more entries
        // than the file has lines.
        long long repeats = 0;
        long long degree = 0;
        for (int key = sorvel::lowestExercisePitch; key <= sorvel::highestExercisePitch; ++key)
            if (!m.locate(key, repeats, degree))
                __builtin_trap();
        if (m.map.size() > size || m.map.size() > static_cast<std::size_t>(m.mapSize))
            __builtin_trap();
        sorvel::Scale equal;
        for (int i = 0; i < sorvel::scaleNoteCount; ++i)
            equal.cents[i] = 100.0 * (i + 1);
        (void)sorvel::scaleFrequencies(equal, &m, 440.0);
#else
        const sorvel::Scale s = sorvel::parseScale(text, name);
        if (!(s.period() > 0.0))
            __builtin_trap();
        for (double c : s.cents)
            if (!std::isfinite(c))
                __builtin_trap();
        const auto f = sorvel::scaleFrequencies(s, nullptr, 440.0);
        if (f[69] != 440.0)
            __builtin_trap();
#endif
    } catch (const sorvel::ScalaError& e) {
        checkMessage(e);
    }
    return 0;
}
