// SPDX-License-Identifier: GPL-3.0-or-later
// The one parser of the command line; new options are added in addOptions.
#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <vector>

namespace sorvel {
namespace {

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Print this usage and end."));
const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                       QStringLiteral("Print the version and end."));

const QCommandLineOption timbreOption(
    QStringLiteral("timbre"),
    QStringLiteral("Play every sound with the instrument <name> (see --list-timbres)."),
    QStringLiteral("name"));
const QCommandLineOption listTimbresOption(QStringLiteral("list-timbres"),
                                           QStringLiteral("Print the instruments' names and end."));
const QCommandLineOption droneOption(QStringLiteral("drone"),
                                     QStringLiteral("Start with the drone on."));
SoundChoice soundChoice;

void addOptions(QCommandLineParser& parser) {
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    parser.addOption(timbreOption);
    parser.addOption(listTimbresOption);
    parser.addOption(droneOption);
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

} // namespace

std::optional<int> answerCommandLine(int argc, char** argv) {
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
    if (parsed && !parser.positionalArguments().isEmpty())
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
