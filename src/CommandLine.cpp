#include "CommandLine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

CommandLine::CommandLine()
    : m_help({QStringLiteral("h"), QStringLiteral("help")},
             QCoreApplication::translate("CommandLine", "Show this help and exit."))
    , m_version({QStringLiteral("v"), QStringLiteral("version")},
                QCoreApplication::translate("CommandLine", "Show the version and exit."))
    , m_program(QStringLiteral("inkpond"))
{
    m_parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine",
        "Paint with a pen tablet. Each FILE opens in a window of its own; without one, a new "
        "picture opens.\nQt's own options (-platform, -style, …) are understood too."));
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
    // Taken out of the arguments by the application object; listed here to be documented.
    m_parser.addOption(
        {QStringLiteral("tablet-monitor"),
         QCoreApplication::translate(
             "CommandLine", "Read the tablets' kernel devices directly (needs the input group).")});
    m_parser.addPositionalArgument(QStringLiteral("FILE"),
                                   QCoreApplication::translate("CommandLine", "A picture to open."),
                                   QStringLiteral("[FILE…]"));
}

bool CommandLine::parse(const QStringList &arguments)
{
    if (!arguments.isEmpty() && !arguments.first().isEmpty())
        m_program = QFileInfo(arguments.first()).fileName();
    return m_parser.parse(arguments);
}

bool CommandLine::wantsHelp() const
{
    return m_parser.isSet(m_help);
}

bool CommandLine::wantsVersion() const
{
    return m_parser.isSet(m_version);
}

QString CommandLine::helpText() const
{
    // Qt names the program by its whole path, or not at all before the application exists.
    const QString usage = QStringLiteral("Usage: %1 [options] [FILE…]\n").arg(m_program);
    return usage + m_parser.helpText().section(u'\n', 1);
}

QString CommandLine::versionText() const
{
    return QStringLiteral("Inkpond %1\n").arg(QStringLiteral(INKPOND_VERSION));
}

QString CommandLine::errorText() const
{
    return m_parser.errorText();
}

QStringList CommandLine::files() const
{
    QStringList paths;
    for (const QString &argument : m_parser.positionalArguments()) {
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        paths << QFileInfo(path).absoluteFilePath();
    }
    return paths;
}

QStringList CommandLine::argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}
