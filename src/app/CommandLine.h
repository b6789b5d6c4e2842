#pragma once

#include "ReplayCommand.h"

#include <QByteArrayList>
#include <QCommandLineParser>
#include <QStringList>
#include <optional>

// The command line: inkpond [--tablet-monitor] [--record SESSION] [FILE…], or
// inkpond --replay SESSION [--sheet WxH | --start FILE] [--export OUT] [--with-background]
// [--realtime] [--keep-open], or inkpond FILE --export OUT [--with-background], or
// inkpond --recover-to FOLDER, with --help and --version. Needs no
// application object, so that --help and --version can be answered before a display is opened; the
// files are read from the arguments that remain once Qt has taken its own switches.
class CommandLine
{
public:
    CommandLine();

    // False, with errorText(), when an argument is not understood. --help and --version are
    // recognised whatever else is wrong.
    bool parse(const QStringList &arguments);
    bool wantsHelp() const;
    bool wantsVersion() const;
    QString helpText() const;
    QString versionText() const;
    QString errorText() const;
    // The files to open, in order, as absolute paths; file: URLs, as file managers may pass,
    // become their paths.
    QStringList files() const;
    // The same as the bytes of their names.
    QByteArrayList fileNames() const;
    // Whether the files go to an Inkpond already running: not with --new-instance, nor for a
    // run that does its work and ends (a replay, an export, a recovery) or records a session.
    bool handsOff() const;

    // --record FILE: the file the session's input is recorded in; empty when not asked for.
    QString recordFile() const;
    // --replay FILE with its own options, which go with it alone.
    bool wantsReplay() const;
    // FILE --export OUT: the file converted without a window; replayOptions() without a
    // recording.
    bool wantsConversion() const;
    std::optional<ReplayOptions> replayOptions() const;
    // --recover-to FOLDER, as an absolute path; empty when not asked for.
    QString recoverToFolder() const;

    // The arguments of main() as Qt would read them, except that file names keep bytes that are
    // not UTF-8 (LocalFile::decodeName). Read them after the application object is made, which
    // takes its own switches out of argv.
    static QStringList argumentsOf(int argc, char **argv);

private:
    bool checkSessionOptions();

    QCommandLineParser mParser;
    QCommandLineOption mHelp;
    QCommandLineOption mVersion;
    QString mProgram;
    QString mError; // a combination of options that cannot be carried out
};
