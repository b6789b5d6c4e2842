#include "CommandLine.h"

#include "LocalFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

namespace {
// The texts of the command line, in the string table under "CommandLine".
struct CommandLineTexts
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};
} // namespace

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
    // Drawing sessions (ReplayCommand.h, SessionRecorder.h).
    m_parser.addOptions({
        {QStringLiteral("record"),
         CommandLineTexts::tr("Record every input of the session in FILE, one JSON object a line."),
         QStringLiteral("FILE")},
        {QStringLiteral("replay"),
         CommandLineTexts::tr(
             "Replay the session recorded in FILE into a new picture, print a summary and exit."),
         QStringLiteral("FILE")},
        {QStringLiteral("sheet"),
         CommandLineTexts::tr("With --replay: the sheet's size in points (600x600)."),
         QStringLiteral("WxH")},
        {QStringLiteral("export"),
         CommandLineTexts::tr(
             "With --replay: write the picture to OUT, as the image type its extension names."),
         QStringLiteral("OUT")},
        {QStringLiteral("with-background"),
         CommandLineTexts::tr("With --export: the picture on its paper.")},
        {QStringLiteral("realtime"),
         CommandLineTexts::tr("With --replay: at the recorded pace, not as fast as possible.")},
        {QStringLiteral("keep-open"),
         CommandLineTexts::tr(
             "With --replay: leave the picture open afterwards instead of exiting.")},
        // Crash recovery (RecoveryManager.h).
        {QStringLiteral("recover-to"),
         CommandLineTexts::tr(
             "Save the pictures that Inkpond kept when it last ended abruptly into FOLDER, as "
             "recovered-N.png, and exit."),
         QStringLiteral("FOLDER")},
    });
    m_parser.addPositionalArgument(QStringLiteral("FILE"),
                                   QCoreApplication::translate("CommandLine", "A picture to open."),
                                   QStringLiteral("[FILE…]"));
}

bool CommandLine::parse(const QStringList &arguments)
{
    if (!arguments.isEmpty() && !arguments.first().isEmpty())
        m_program = QFileInfo(arguments.first()).fileName();
    m_error.clear();
    return m_parser.parse(arguments) && checkSessionOptions();
}

bool CommandLine::checkSessionOptions()
{
    const bool replay = m_parser.isSet(QStringLiteral("replay"));
    if (m_parser.isSet(QStringLiteral("recover-to"))
        && (replay || m_parser.isSet(QStringLiteral("record"))
            || !m_parser.positionalArguments().isEmpty())) {
        m_error = CommandLineTexts::tr("--recover-to goes alone.");
    } else if (!replay) {
        for (const char *option : {"sheet", "export", "with-background", "realtime", "keep-open"})
            if (m_parser.isSet(QLatin1String(option)))
                m_error = CommandLineTexts::tr("--%1 goes with --replay only.")
                              .arg(QLatin1String(option));
    } else if (m_parser.isSet(QStringLiteral("record"))) {
        m_error = CommandLineTexts::tr("--record and --replay cannot be combined.");
    } else if (!m_parser.positionalArguments().isEmpty()) {
        m_error = CommandLineTexts::tr(
            "--replay draws in a new picture of its own: no FILE goes with it.");
    } else if (m_parser.isSet(QStringLiteral("sheet"))
               && !parseSheetSize(m_parser.value(QStringLiteral("sheet")))) {
        m_error = CommandLineTexts::tr("--sheet wants a size such as 1024x768, not \"%1\".")
                      .arg(m_parser.value(QStringLiteral("sheet")));
    } else if (m_parser.isSet(QStringLiteral("with-background"))
               && !m_parser.isSet(QStringLiteral("export"))) {
        m_error = CommandLineTexts::tr("--with-background goes with --export.");
    }
    return m_error.isEmpty();
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
    return m_error.isEmpty() ? m_parser.errorText() : m_error;
}

QStringList CommandLine::files() const
{
    QStringList paths;
    for (const QString &argument : m_parser.positionalArguments()) {
        const QUrl url(argument);
        // A URL's escapes stand for the name's bytes, which need not be UTF-8.
        const QString path = url.isLocalFile()
            ? LocalFile::decodeName(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()))
            : argument;
        paths << QFileInfo(path).absoluteFilePath();
    }
    return paths;
}

QString CommandLine::recordFile() const
{
    return m_parser.value(QStringLiteral("record"));
}

bool CommandLine::wantsReplay() const
{
    return m_parser.isSet(QStringLiteral("replay"));
}

std::optional<ReplayOptions> CommandLine::replayOptions() const
{
    if (!wantsReplay())
        return std::nullopt;
    ReplayOptions options;
    options.file = m_parser.value(QStringLiteral("replay"));
    if (m_parser.isSet(QStringLiteral("sheet")))
        options.sheet = parseSheetSize(m_parser.value(QStringLiteral("sheet")));
    options.exportPath = m_parser.value(QStringLiteral("export"));
    options.withBackground = m_parser.isSet(QStringLiteral("with-background"));
    options.realtime = m_parser.isSet(QStringLiteral("realtime"));
    options.keepOpen = m_parser.isSet(QStringLiteral("keep-open"));
    return options;
}

QString CommandLine::recoverToFolder() const
{
    const QString folder = m_parser.value(QStringLiteral("recover-to"));
    return folder.isEmpty() ? folder : QFileInfo(folder).absoluteFilePath();
}

QStringList CommandLine::argumentsOf(int argc, char **argv)
{
    // Not QCoreApplication::arguments(): it turns the bytes of a name that is not UTF-8 into
    // U+FFFD, and the file can no longer be found.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << LocalFile::decodeName(QByteArray(argv[i]));
    return arguments;
}
