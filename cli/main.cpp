// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
// fendrax-cli: the engine in a terminal, for scripts, servers and shells. QtCore only: it runs
// without a display.
//   fendrax-cli cut FILE [--size KB] [--recovery N|medium] [--to DIR]... [--yes | --no] [--quiet]
//   fendrax-cli restore FIRST_PIECE_OR_RECOVERY_FILE [--from DIR]... [--to DIR] [--quiet]
//   fendrax-cli verify FIRST_PIECE_OR_RECOVERY_FILE [--from DIR]... [--quiet]
#include "CliTexts.h"
#include "FctDecoup.h"
#include "FrenchTranslation.h"
#include "TerminalWindow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <variant>

namespace {

using Verdict = FctDecoup::SetState::Verdict;

volatile std::sig_atomic_t caught = 0;

extern "C" void onSignal(int signal)
{
    caught = signal;
}

// Ctrl+C and SIGTERM ask the operation to stop at its next block; a second one asks the same,
// and never ends the program before it has removed what it had begun. A question waiting on
// the terminal is interrupted.
void catchSignals()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

int wrongUsage(const QString &why)
{
    std::fputs((CliTexts::wrongUsage(why) + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    return CliTexts::WrongUsage;
}

void say(const QString &line)
{
    std::fputs(FctDecoup::NativePath(line + QLatin1Char('\n')).constData(), stdout);
}

// The pieces that are not sound, then the verdict.
int report(const FctDecoup::SetState &state)
{
    using Problem = FctDecoup::SetState::Problem;
    for (const auto &piece : state.pieces)
        say(piece.name
            + (piece.problem == Problem::Missing       ? CliTexts::missing
               : piece.problem == Problem::WrongLength ? CliTexts::wrongLength
               : piece.problem == Problem::Damaged     ? CliTexts::damaged
                                                       : CliTexts::contradicted));
    switch (state.verdict) {
    case Verdict::Whole:
        say(CliTexts::whole);
        return CliTexts::Done;
    case Verdict::Mendable:
        say(CliTexts::mendable(state.slicesNeeded, state.slicesThere));
        return CliTexts::Mendable;
    case Verdict::BeyondRepair:
        say(CliTexts::beyondRepair(state.slicesNeeded, state.slicesThere));
        return CliTexts::BeyondRepair;
    default:
        return CliTexts::Failed;
    }
}

// A size as split takes it: a whole number of kilobytes, or of bytes with a unit, K, M or G
// (KiB, MiB, GiB: powers of 1024) or kB, MB, GB (powers of 1000). None for anything else.
std::optional<double> kilobytesOf(const QString &size)
{
    const QRegularExpressionMatch parts =
        QRegularExpression(QStringLiteral("^([0-9]{1,12})(K|KiB|kB|M|MiB|MB|G|GiB|GB)?$"))
            .match(size);
    if (!parts.hasMatch())
        return std::nullopt;
    const QString unit = parts.captured(2);
    const double number = parts.captured(1).toDouble();
    if (unit.isEmpty())
        return number;
    const double base = unit.size() == 2 && unit.endsWith(QLatin1Char('B')) ? 1000 : 1024;
    const int power = unit.startsWith(QLatin1Char('G'))   ? 3
                      : unit.startsWith(QLatin1Char('M')) ? 2
                                                          : 1;
    return number * std::pow(base, power) / 1024;
}

QStringList absolute(QStringList folders)
{
    for (QString &folder : folders)
        folder = FctDecoup::AbsolutePath(folder);
    return folders;
}

// --recovery N: 1 ... 999 slices.
std::optional<int> slicesOf(const QString &value)
{
    bool ok = false;
    const int slices = value.toInt(&ok);
    return ok && slices >= 1 && slices <= FctDecoup::maxPieceCount ? std::optional(slices)
                                                                   : std::nullopt;
}

// What the command line asks for, once understood.
struct Request
{
    QString command;
    QString path;
    QString destination; // none: beside the input
    QStringList media;   // a cut's media after destination, in order
    QStringList from;    // the other media of a set that a restore or verify reads
    double sizeKb = 0;
    std::optional<int> slices;
    bool protect = false; // against the loss of a medium
    TerminalWindow::Answer answer = TerminalWindow::Answer::Ask;
    bool progress = false;
};

// The request of the command line; its exit status when there is none to run (help, version,
// wrong usage).
std::variant<Request, int> understood(const QStringList &commandLine)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(CliTexts::description);
    // Qt's own help option speaks English in Qt 6.4's French translation.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  CliTexts::helpOption);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption size({QStringLiteral("s"), QStringLiteral("size")},
                                  CliTexts::sizeOption, QStringLiteral("Ko"),
                                  QStringLiteral("1400"));
    const QCommandLineOption recovery({QStringLiteral("r"), QStringLiteral("recovery")},
                                      CliTexts::recoveryOption, QStringLiteral("N"));
    const QCommandLineOption to({QStringLiteral("t"), QStringLiteral("to")}, CliTexts::toOption,
                                QStringLiteral("DOSSIER"));
    const QCommandLineOption from({QStringLiteral("f"), QStringLiteral("from")},
                                  CliTexts::fromOption, QStringLiteral("DOSSIER"));
    const QCommandLineOption yes({QStringLiteral("y"), QStringLiteral("yes")}, CliTexts::yesOption);
    const QCommandLineOption no({QStringLiteral("n"), QStringLiteral("no")}, CliTexts::noOption);
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   CliTexts::quietOption);
    parser.addOptions({help, size, recovery, to, from, yes, no, quiet});
    parser.addPositionalArgument(QStringLiteral("commande"), CliTexts::commandArgument,
                                 QStringLiteral("cut|restore|verify"));
    parser.addPositionalArgument(QStringLiteral("fichier"), CliTexts::fileArgument);
    if (!parser.parse(commandLine))
        return wrongUsage(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(CliTexts::Done);
    if (parser.isSet(version))
        parser.showVersion();

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    if (command != QLatin1String("cut") && command != QLatin1String("restore")
        && command != QLatin1String("verify"))
        return wrongUsage(CliTexts::unknownCommand);
    if (arguments.size() != 2)
        return wrongUsage(CliTexts::oneFile);
    if (command != QLatin1String("cut")
        && (parser.isSet(size) || parser.isSet(recovery) || parser.isSet(yes) || parser.isSet(no)
            || (parser.isSet(to) && command == QLatin1String("verify"))))
        return wrongUsage(CliTexts::cutOnly);
    if ((parser.isSet(from) && command == QLatin1String("cut"))
        || (command != QLatin1String("cut") && parser.values(to).size() > 1))
        return wrongUsage(CliTexts::mediaOptions);
    if (parser.isSet(yes) && parser.isSet(no))
        return wrongUsage(CliTexts::yesAndNo);
    const std::optional<double> sizeKb = kilobytesOf(parser.value(size));
    if (!sizeKb)
        return wrongUsage(CliTexts::badSize);
    Request request;
    request.command = command;
    request.path = FctDecoup::AbsolutePath(arguments[1]);
    request.media = absolute(parser.values(to));
    request.destination = request.media.isEmpty() ? QString() : request.media.takeFirst();
    request.from = absolute(parser.values(from));
    request.sizeKb = *sizeKb;
    request.protect = parser.value(recovery) == QLatin1String("medium");
    if (parser.isSet(recovery) && !request.protect
        && !(request.slices = slicesOf(parser.value(recovery))))
        return wrongUsage(CliTexts::badRecovery);
    request.answer = parser.isSet(yes)  ? TerminalWindow::Answer::Ok
                     : parser.isSet(no) ? TerminalWindow::Answer::Cancel
                                        : TerminalWindow::Answer::Ask;
    request.progress = !parser.isSet(quiet) && ::isatty(STDERR_FILENO);
    return request;
}

// Runs the request on the engine: its exit status.
int run(const Request &request)
{
    catchSignals();
    TerminalWindow window(request.answer, request.progress, caught, request.protect);
    if (request.command == QLatin1String("verify")) {
        const FctDecoup::SetState state = FctDecoup::VerifySet(window, request.path, request.from);
        window.clearProgress();
        return caught ? CliTexts::SignalBase + caught : report(state);
    }
    const FctDecoup::Outcome outcome =
        request.command == QLatin1String("cut")
            ? FctDecoup::CutFile(window, request.path, request.sizeKb, request.slices,
                                 request.destination, {request.media, request.protect})
            : FctDecoup::RestoreFile(window, request.path, request.destination, request.from);
    window.clearProgress();
    // A signal that came when all was done stopped nothing; one that interrupted a question did.
    if (outcome == FctDecoup::Outcome::Done)
        return CliTexts::Done;
    if (caught)
        return CliTexts::SignalBase + caught;
    switch (outcome) {
    case FctDecoup::Outcome::Stopped: // only a signal asks a stop here
        return CliTexts::Failed;
    default:
        if (window.unanswered())
            return CliTexts::Unanswered;
        if (!window.told())
            say(CliTexts::nothingDone);
        return CliTexts::Failed;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The arguments as the system gave them: a name that is not UTF-8 keeps its bytes.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(FctDecoup::PathFromNative(argv[i]));
    QCoreApplication::setApplicationName(QStringLiteral("fendrax-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(FENDRAX_VERSION));
    installQtFrench(app);
    const std::variant<Request, int> request = understood(arguments);
    return std::holds_alternative<int>(request) ? std::get<int>(request)
                                                : run(std::get<Request>(request));
}
