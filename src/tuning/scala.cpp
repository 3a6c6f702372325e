// SPDX-License-Identifier: GPL-3.0-or-later
// The Scala file reader: line splitting, number parsing and the checks that name a line.
#include "scala.h"

#include "regularfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>


namespace sorvel {

namespace {

constexpr long long maxInteger = 2147483647; // 2^31 - 1

long long floorDiv(long long a, long long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Walks the non-comment lines of a file, counting every line for the messages.
class Lines {
public:
    Lines(std::string_view text, const std::string& name) : text_(text), name_(name) {
        // Some editors open a file with a byte order mark; it is not part of the first line.
        if (text_.starts_with("\xEF\xBB\xBF"))
            text_.remove_prefix(3);
    }

    [[noreturn]] void fail(int line, const std::string& what) const {
        throw ScalaError(name_ + ":" + std::to_string(line) + ": " + what);
    }

    // The next line that is not a comment, without its line end; false at the end.
    bool next(std::string_view& out) {
        while (pos_ < text_.size()) {
            const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
            std::string_view line = text_.substr(pos_, end - pos_);
            pos_ = end + 1;
            ++line_;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (!line.empty() && line.front() == '!')
                continue;
            out = line;
            return true;
        }
        return false;
    }

    // The next line, refused with `missing` at the end of the file.
    std::string_view require(const char* missing) {
        std::string_view line;
        if (!next(line))
            fail(std::max(line_, 1), missing);
        return line;
    }

    // Lines left after the last value may only be blank or comments.
    void expectEnd(const char* extra) {
        std::string_view line;
        while (next(line))
            if (line.find_first_not_of(" \t") != std::string_view::npos)
                fail(line_, extra);
    }

    int line() const { return line_; }

private:
    std::string_view text_;
    const std::string& name_;
    std::size_t pos_ = 0;
    int line_ = 0;
};

// The value at the start of a line: leading blanks skipped, anything after it ignored.
std::string_view leadingToken(std::string_view line) {
    const std::size_t start = std::min(line.find_first_not_of(" \t"), line.size());
    line.remove_prefix(start);
    const std::size_t end = std::min(line.find_first_not_of("0123456789+-./"), line.size());
    return line.substr(0, end);
}

bool parseWhole(std::string_view s, long long& value) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size();
}

// An integer field of a mapping, within [low, high].
int integerField(Lines& lines, const char* what, long long low, long long high) {
    const std::string_view line =
        lines.require((std::string("the file ends before the ") + what).c_str());
    long long v = 0;
    if (!parseWhole(leadingToken(line), v))
        lines.fail(lines.line(), std::string("the ") + what + " is not a whole number");
    if (v < low || v > high)
        lines.fail(lines.line(), std::string("the ") + what + " must lie in " +
                                     std::to_string(low) + ".." + std::to_string(high));
    return static_cast<int>(v);
}

// A value line of a scale, in cents.
double scaleValue(Lines& lines, std::string_view line) {
    const std::string_view token = leadingToken(line);
    const int at = lines.line();
    if (token.find('.') != std::string_view::npos) {
        double c = 0;
        std::string_view s = token;
        if (!s.empty() && s.front() == '+')
            s.remove_prefix(1);
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), c);
        if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(c))
            lines.fail(at, "the value is not a number of cents");
        return c;
    }
    const std::size_t slash = token.find('/');
    long long n = 0;
    long long d = 1;
    if (!parseWhole(token.substr(0, slash), n) ||
        (slash != std::string_view::npos && !parseWhole(token.substr(slash + 1), d))) {
        // Digits beyond what a long long holds are still a number, only too large.
        const bool digits =
            !token.empty() && token.find_first_not_of("0123456789/") == std::string_view::npos &&
            token.front() != '/' && token.back() != '/' && token.find('/') == token.rfind('/');
        lines.fail(at, digits ? "a numerator or denominator is above 2147483647"
                              : "the value is not a number");
    }
    if (d == 0)
        lines.fail(at, "the ratio has a zero denominator");
    if (n <= 0 || d < 0)
        lines.fail(at, "the ratio is zero or negative");
    if (n > maxInteger || d > maxInteger)
        lines.fail(at, "a numerator or denominator is above 2147483647");
    return 1200.0 * std::log2(static_cast<double>(n) / static_cast<double>(d));
}

// The whole file, refused when it cannot be a Scala file before any of it is parsed.
std::string readText(const std::string& path) {
    const auto fail = [&](const std::string& what) -> std::string {
        throw ScalaError(path + ":1: " + what);
    };
    RegularFile file(path);
    if (file.state() == RegularFile::notRegular)
        return fail("not a regular file");
    if (file.state() == RegularFile::cannotOpen)
        return fail(std::string("cannot be opened: ") + std::strerror(file.error()));
    if (file.size() > scalaMaxFileSize)
        return fail("the file is larger than 1 MB");
    // Read one byte beyond the limit, in case the file grew since the check.
    std::string text;
    if (!file.readUpTo(scalaMaxFileSize + 1, text))
        return fail(std::string("cannot be read: ") + std::strerror(errno));
    if (text.size() > scalaMaxFileSize)
        return fail("the file is larger than 1 MB");
    return text;
}

// Refuses what cannot be a text file: empty, or holding control bytes other than line ends.
void checkText(std::string_view text, const std::string& name) {
    if (text.empty())
        throw ScalaError(name + ":1: the file is empty");
    int line = 1;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n')
            ++line;
        else if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7f)
            throw ScalaError(name + ":" + std::to_string(line) + ": the file is not text");
    }
}

} // namespace

double Scale::degreeCents(long long degree) const {
    const long long q = floorDiv(degree, scaleNoteCount);
    const long long r = degree - q * scaleNoteCount;
    return static_cast<double>(q) * period() + (r == 0 ? 0.0 : cents[r - 1]);
}

bool KeyboardMapping::locate(int key, long long& repeats, long long& degree) const {
    if (key < firstNote || key > lastNote)
        return false;
    const long long i = key - middleNote;
    if (mapSize == 0) {
        repeats = 0;
        degree = i;
        return true;
    }
    repeats = floorDiv(i, mapSize);
    const long long r = i - repeats * mapSize;
    // Entries left out at the end of the map are unmapped keys.
    if (r >= static_cast<long long>(map.size()) || map[r] == unmappedKey)
        return false;
    degree = map[r];
    return true;
}

Scale parseScale(std::string_view text, const std::string& name) {
    checkText(text, name);
    Lines lines(text, name);
    Scale scale;
    std::string_view description = lines.require("the file ends before the description line");
    const std::size_t end = description.find_last_not_of(" \t");
    scale.description =
        std::string(description.substr(0, end == std::string_view::npos ? 0 : end + 1));

    const std::string_view countLine = lines.require("the file ends before the note count");
    long long count = 0;
    if (!parseWhole(leadingToken(countLine), count) || count < 0)
        lines.fail(lines.line(), "the note count is not a whole number");
    if (count != scaleNoteCount)
        lines.fail(lines.line(), "Sorvel plays 12-note scales (exercises are spelled on a "
                                 "12-pitch staff); this scale has " +
                                     std::to_string(count) + " notes");
    for (int i = 0; i < scaleNoteCount; ++i) {
        std::string_view line;
        if (!lines.next(line))
            lines.fail(std::max(lines.line(), 1), "the file ends after " + std::to_string(i) +
                                                      " of its " + std::to_string(count) +
                                                      " values");
        scale.cents[i] = scaleValue(lines, line);
    }
    if (!(scale.period() > 0.0))
        lines.fail(lines.line(), "the period (the last value) is not above 0 cents");
    lines.expectEnd("more values than the note count");
    return scale;
}

KeyboardMapping parseMapping(std::string_view text, const std::string& name) {
    checkText(text, name);
    Lines lines(text, name);
    KeyboardMapping m;
    m.mapSize = integerField(lines, "map size", 0, maxInteger);
    const int mapSizeLine = lines.line();
    m.firstNote = integerField(lines, "first note", 0, 127);
    const int firstLine = lines.line();
    m.lastNote = integerField(lines, "last note", m.firstNote, 127);
    const int lastLine = lines.line();
    m.middleNote = integerField(lines, "middle note", 0, 127);
    m.referenceNote = integerField(lines, "reference note", 0, 127);
    const int referenceLine = lines.line();
    const std::string_view freqLine = lines.require("the file ends before the reference frequency");
    std::string_view token = leadingToken(freqLine);
    if (!token.empty() && token.front() == '+')
        token.remove_prefix(1);
    const auto [fend, fec] =
        std::from_chars(token.data(), token.data() + token.size(), m.referenceFrequency);
    if (token.empty() || fec != std::errc() || fend != token.data() + token.size() ||
        !std::isfinite(m.referenceFrequency) || m.referenceFrequency <= 0.0)
        lines.fail(lines.line(), "the reference frequency is not a number of Hz above 0");
    // 0 names the highest degree, the period; a linear mapping repeats at the period anyway.
    m.octaveDegree = integerField(lines, "formal octave degree", 0, maxInteger);
    if (m.mapSize == 0 || m.octaveDegree == 0)
        m.octaveDegree = scaleNoteCount;
    // The map grows by the entries the file holds, never by the size it claims.
    std::vector<int> entryLines;
    std::string_view line;
    while (static_cast<long long>(m.map.size()) < m.mapSize && lines.next(line)) {
        const std::string_view entry =
            line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
        entryLines.push_back(lines.line());
        if (!entry.empty() && (entry.front() == 'x' || entry.front() == 'X')) {
            m.map.push_back(KeyboardMapping::unmappedKey);
            continue;
        }
        long long degree = 0;
        if (!parseWhole(leadingToken(entry), degree))
            lines.fail(lines.line(), "the map entry is neither a degree nor \"x\"");
        if (degree < -maxInteger || degree > maxInteger)
            lines.fail(lines.line(), "the map entry is out of range");
        m.map.push_back(static_cast<int>(degree));
    }
    lines.expectEnd("more map entries than the map size");
    // An unmapped key is blamed on the line that leaves it out.
    const auto unmappedLine = [&](int key) {
        if (key < m.firstNote)
            return firstLine;
        if (key > m.lastNote)
            return lastLine;
        const long long i = key - m.middleNote;
        const long long r = i - floorDiv(i, m.mapSize) * m.mapSize;
        return r < static_cast<long long>(entryLines.size()) ? entryLines[r] : mapSizeLine;
    };
    long long repeats = 0;
    long long degree = 0;
    if (!m.locate(m.referenceNote, repeats, degree))
        lines.fail(referenceLine, "the reference note " + std::to_string(m.referenceNote) +
                                      " is not mapped (see line " +
                                      std::to_string(unmappedLine(m.referenceNote)) + ")");
    for (int key = lowestExercisePitch; key <= highestExercisePitch; ++key)
        if (!m.locate(key, repeats, degree))
            lines.fail(unmappedLine(key), "pitch number " + std::to_string(key) +
                                              ", which exercises reach (45..88), is not mapped");
    return m;
}

Scale readScale(const std::string& path) {
    return parseScale(readText(path), path);
}

KeyboardMapping readMapping(const std::string& path) {
    return parseMapping(readText(path), path);
}

KeyboardMapping defaultMapping(double a4) {
    KeyboardMapping m;
    m.referenceFrequency = a4;
    return m;
}

std::array<double, 128> scaleFrequencies(const Scale& scale, const KeyboardMapping* mapping,
                                         double a4) {
    const KeyboardMapping m = mapping ? *mapping : defaultMapping(a4);
    // Each repeat of the map pattern moves by the pitch of the formal octave degree.
    const double octave = scale.degreeCents(m.octaveDegree);
    const auto keyCents = [&](int key, double& c) {
        long long repeats = 0;
        long long degree = 0;
        if (!m.locate(key, repeats, degree))
            return false;
        c = static_cast<double>(repeats) * octave + scale.degreeCents(degree);
        return true;
    };
    std::array<double, 128> f{};
    double referenceCents = 0;
    if (!keyCents(m.referenceNote, referenceCents))
        return f;
    for (int key = 0; key < 128; ++key)
        if (double c = 0; keyCents(key, c))
            f[key] = m.referenceFrequency * std::exp2((c - referenceCents) / 1200.0);
    return f;
}

} // namespace sorvel
