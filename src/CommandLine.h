#pragma once

#include <QCommandLineParser>
#include <QStringList>

// The command line: inkpond [--tablet-monitor] [FILE…], with --help and --version. Needs no
// application object, so that --help and --version can be answered before a display is opened;
// the files are read from the arguments that remain once Qt has taken its own switches.
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

    // The arguments of main(), as Qt would read them.
    static QStringList argumentsOf(int argc, char **argv);

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QString m_program;
};
