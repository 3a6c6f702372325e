// SPDX-License-Identifier: GPL-3.0-or-later
// The one parser of the command line; new options are added in addOptions.
#include "commandline.h"

#include "beats.h"
#include "pitch.h"
#include "scala.h"
#include "tuningsetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <vector>

namespace sorvel {
namespace {

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Print this usage and end."));
const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                       QStringLiteral("Print the version and end."));

const QCommandLineOption a4Option(
    QStringLiteral("a4"),
    QStringLiteral("Tune every system to A4 = HZ (380 to 480, default 440)."), QStringLiteral("HZ"));
const QCommandLineOption scaleOption(
    QStringLiteral("scale"),
    QStringLiteral("Import a 12-note Scala scale as a sixth tuning system."), QStringLiteral("FILE.scl"));
const QCommandLineOption kbmOption(
    QStringLiteral("kbm"), QStringLiteral("Map the scale to the keys with a Scala keyboard mapping."),
    QStringLiteral("FILE.kbm"));
const QCommandLineOption systemOption(
    QStringLiteral("system"),
    QStringLiteral("Start in, or print, this tuning system (Equal, Perfect, Vallotti, "
                   "\"Werkmeister III\", Meantone)."),
    QStringLiteral("NAME"));
const QCommandLineOption printFrequenciesOption(
    QStringLiteral("print-frequencies"),
    QStringLiteral("Print the frequency of pitch numbers 45..88 (A2..E6) in the scale, or in "
                   "--system (default Equal), and end."));
const QCommandLineOption timbreOption(
    QStringLiteral("timbre"),
    QStringLiteral("Play every sound with the instrument <name> (see --list-timbres)."),
    QStringLiteral("name"));
const QCommandLineOption listTimbresOption(QStringLiteral("list-timbres"),
                                           QStringLiteral("Print the instruments' names and end."));
const QCommandLineOption droneOption(QStringLiteral("drone"),
                                     QStringLiteral("Start with the drone on."));
const QCommandLineOption printBeatsOption(
    QStringLiteral("print-beats"),
    QStringLiteral("Print the beat rates of the notes given after the options (C4 E4 G4) in "
                   "--system (default Equal): lower note, harmonic, upper note, harmonic, Hz; "
                   "and end."));
SoundChoice soundChoice;

void addOptions(QCommandLineParser& parser) {
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    for (const QCommandLineOption* option :
         {&a4Option, &scaleOption, &kbmOption, &systemOption, &printFrequenciesOption})
        parser.addOption(*option);
    parser.addOption(timbreOption);
    parser.addOption(listTimbresOption);
    parser.addOption(droneOption);
    parser.addOption(printBeatsOption);
}

// QApplication takes these out of the arguments later; the parser must only let them pass.
void addQtOptions(QCommandLineParser& parser) {
    const char* const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                     "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                     "display", "geometry", "title", "name", "style",
                                     "stylesheet", "qmljsdebugger"};
    const char* const flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char* name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// Written unbuffered with one call, so that a closed stream costs a failed write, nothing more.
void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// A bad value: its message on standard error, status 1.
struct BadValue {
    QString message;
};

// A file named on the command line: relative to the directory Sorvel was started in (the
// launcher changes into the data folder first and says where it came from), else one of the
// scales installed beside the program, so that "--scale kirnberger3.scl" works from anywhere.
std::string commandLineFile(const QString& name) {
    if (QDir::isAbsolutePath(name))
        return name.toStdString();
    const QString startDir = qEnvironmentVariable("SORVEL_START_DIR");
    const QString given = startDir.isEmpty() ? name : QDir(startDir).filePath(name);
    const QString installed = QDir(QStringLiteral("scales")).filePath(name);
    if (!QFileInfo::exists(given) && QFileInfo::exists(installed))
        return installed.toStdString();
    return given.toStdString();
}

// Sets the active tuning from --a4, --scale and --kbm and chooses the starting system.
void applyTuning(const QCommandLineParser& parser, StartOptions& start) {
    TuningSetup& tuning = activeTuning();
    if (parser.isSet(a4Option)) {
        std::string error;
        const auto a4 = parseReferencePitch(parser.value(a4Option).toStdString(), error);
        if (!a4)
            throw BadValue{QString::fromStdString(error)};
        tuning.setReferencePitch(*a4);
    }
    if (parser.isSet(kbmOption) && !parser.isSet(scaleOption))
        throw BadValue{QStringLiteral("--kbm maps a scale: give the scale with --scale")};
    if (parser.isSet(scaleOption)) {
        try {
            const QString kbm = parser.value(kbmOption);
            tuning.setScale(loadScale(commandLineFile(parser.value(scaleOption)),
                                      kbm.isEmpty() ? std::string() : commandLineFile(kbm),
                                      tuning.referencePitch()));
        } catch (const ScalaError& error) {
            throw BadValue{QString::fromStdString(error.what())};
        }
        start.system = importedSystem;
    }
    if (parser.isSet(systemOption)) {
        const QString name = parser.value(systemOption);
        const int system = tuning.systemIndex(name.toStdString());
        if (system < 0)
            throw BadValue{QStringLiteral("there is no tuning system '%1'; the systems are "
                                          "Equal, Perfect, Vallotti, \"Werkmeister III\" and "
                                          "Meantone")
                               .arg(name)};
        if (!parser.isSet(scaleOption))
            start.system = system;
    }
}

// One line per pitch exercises reach: the pitch number, a tab, the frequency in Hz.
QString frequencyTable(const QCommandLineParser& parser, const StartOptions& start) {
    const TuningSetup& tuning = activeTuning();
    const int system = parser.isSet(scaleOption) ? importedSystem : start.system;
    if (system == 1)
        throw BadValue{QStringLiteral("\"Perfect\" tunes each sonority above its lowest note, so "
                                      "it has no table of frequencies; choose another system")};
    QString table;
    for (int pitch = lowestExercisePitch; pitch <= highestExercisePitch; ++pitch)
        table += QStringLiteral("%1\t%2\n")
                     .arg(pitch)
                     .arg(tuning.frequency(system, pitch, {}), 0, 'f', 6);
    return table;
}

// For each pair of the notes, lowest first, one line per coincident pair of harmonics: the
// lower note, its harmonic, the upper note, its harmonic, the beat rate in Hz.
QString beatTableText(const QStringList& names, const StartOptions& start) {
    if (names.size() < 2)
        throw BadValue{QStringLiteral("--print-beats needs two notes or more, e.g. "
                                      "'--print-beats C4 E4 G4'")};
    std::vector<int> pitches;
    for (const QString& name : names) {
        const auto note = parseNoteName(name.toStdString());
        if (!note)
            throw BadValue{QStringLiteral("'%1' is not a note; write notes as C4, F#3 or Bb2")
                               .arg(name)};
        pitches.push_back(pitchNumber(note->octave, note->letter, note->accidental));
    }
    const TuningSetup& tuning = activeTuning();
    std::vector<double> frequencies;
    for (std::size_t i = 0; i < pitches.size(); ++i) {
        const int pitch = pitches[i];
        const double f = pitch >= 0 && pitch < 128 ? tuning.frequency(start.system, pitch, pitches)
                                                   : 0.0;
        if (!(f > 0.0) || !std::isfinite(f))
            throw BadValue{QStringLiteral("the tuning gives no frequency for '%1'")
                               .arg(names[static_cast<qsizetype>(i)])};
        frequencies.push_back(f);
    }
    QString table;
    for (const BeatRow& row : beatTable(frequencies))
        table += QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                     .arg(names[row.low])
                     .arg(row.m)
                     .arg(names[row.high])
                     .arg(row.n)
                     .arg(row.rate, 0, 'f', 3);
    return table;
}

} // namespace

std::optional<int> answerCommandLine(int argc, char** argv, StartOptions& start) {
    // The usage names the command as it is typed, not the installed program's full path.
    char name[] = "sorvel";
    std::vector<char*> arguments{name};
    if (argc > 1)
        arguments.insert(arguments.end(), argv + 1, argv + argc);
    int count = static_cast<int>(arguments.size());
    QCoreApplication app(count, arguments.data());
    QCoreApplication::setApplicationName(QStringLiteral("sorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SORVEL_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Ear training for musical tuning."));
    // Qt's own options are written with one dash (-platform offscreen).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addOptions(parser);
    addQtOptions(parser);

    const bool parsed = parser.parse(QCoreApplication::arguments());
    QString error = parser.errorText();
    // The notes of --print-beats are the only arguments.
    if (parsed && !parser.positionalArguments().isEmpty() && !parser.isSet(printBeatsOption))
        error = QStringLiteral("Sorvel takes no arguments: '%1'.")
                    .arg(parser.positionalArguments().join(QLatin1Char(' ')));
    if (!error.isEmpty()) {
        print(stderr, QStringLiteral("sorvel: %1\n\n%2").arg(error, parser.helpText()));
        return 2;
    }
    if (parser.isSet(helpOption)) {
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(versionOption)) {
        print(stdout, QStringLiteral("sorvel %1\n").arg(QStringLiteral(SORVEL_VERSION)));
        return 0;
    }
    try {
        applyTuning(parser, start);
        if (parser.isSet(printFrequenciesOption)) {
            print(stdout, frequencyTable(parser, start));
            return 0;
        }
        if (parser.isSet(printBeatsOption)) {
            print(stdout, beatTableText(parser.positionalArguments(), start));
            return 0;
        }
    } catch (const BadValue& bad) {
        print(stderr, QStringLiteral("sorvel: %1\n").arg(bad.message));
        return 1;
    }
    if (parser.isSet(listTimbresOption)) {
        QString names;
        for (const Instrument& i : instruments)
            names += QString::fromUtf8(i.name.data(), static_cast<qsizetype>(i.name.size())) +
                     QLatin1Char('\n');
        print(stdout, names);
        return 0;
    }
    soundChoice = {};
    if (parser.isSet(timbreOption)) {
        const QString name = parser.value(timbreOption);
        soundChoice.instrument = findInstrument(name.toStdString());
        if (soundChoice.instrument < 0) {
            print(stderr, QStringLiteral("sorvel: there is no timbre '%1'; sorvel "
                                         "--list-timbres names them.\n")
                              .arg(name));
            return 2;
        }
    }
    soundChoice.drone = parser.isSet(droneOption);
    return std::nullopt;
}

SoundChoice commandLineSoundChoice() {
    return soundChoice;
}

} // namespace sorvel
