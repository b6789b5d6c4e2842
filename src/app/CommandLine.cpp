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
    : mHelp({QStringLiteral("h"), QStringLiteral("help")},
             QCoreApplication::translate("CommandLine", "Show this help and exit."))
    , mVersion({QStringLiteral("v"), QStringLiteral("version")},
                QCoreApplication::translate("CommandLine", "Show the version and exit."))
    , mProgram(QStringLiteral("inkpond"))
{
    mParser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine",
        "Paint with a pen tablet. Each FILE opens in a window of its own; without one, a new "
        "picture opens.\nQt's own options (-platform, -style, …) are understood too."));
    mParser.addOption(mHelp);
    mParser.addOption(mVersion);
    // Taken out of the arguments by the application object; listed here to be documented.
    mParser.addOption(
        {QStringLiteral("tablet-monitor"),
         QCoreApplication::translate(
             "CommandLine", "Read the tablets' kernel devices directly (needs the input group).")});
    // Drawing sessions (ReplayCommand.h, SessionRecorder.h).
    mParser.addOptions({
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
        {QStringLiteral("start"),
         CommandLineTexts::tr("With --replay: replay over the picture in FILE, not a new sheet."),
         QStringLiteral("FILE")},
        {QStringLiteral("export"),
         CommandLineTexts::tr(
             "Write the picture to OUT, as the type its extension names (.ora keeps the layers), "
             "and exit: the replayed picture, or the one FILE given, opened without a window."),
         QStringLiteral("OUT")},
        {QStringLiteral("with-background"),
         CommandLineTexts::tr("With --export: the picture on its paper.")},
        {QStringLiteral("realtime"),
         CommandLineTexts::tr("With --replay: at the recorded pace, not as fast as possible.")},
        {QStringLiteral("keep-open"),
         CommandLineTexts::tr(
             "With --replay: leave the picture open afterwards instead of exiting.")},
        {QStringLiteral("new-instance"),
         CommandLineTexts::tr("Run apart from an Inkpond already running, instead of handing it "
                              "the files.")},
        // Crash recovery (RecoveryManager.h).
        {QStringLiteral("recover-to"),
         CommandLineTexts::tr(
             "Save the pictures that Inkpond kept when it last ended abruptly into FOLDER, as "
             "recovered-N.png, and exit."),
         QStringLiteral("FOLDER")},
    });
    mParser.addPositionalArgument(QStringLiteral("FILE"),
                                   QCoreApplication::translate("CommandLine", "A picture to open."),
                                   QStringLiteral("[FILE…]"));
}

bool CommandLine::parse(const QStringList &arguments)
{
    if (!arguments.isEmpty() && !arguments.first().isEmpty())
        mProgram = QFileInfo(arguments.first()).fileName();
    mError.clear();
    return mParser.parse(arguments) && checkSessionOptions();
}

bool CommandLine::checkSessionOptions()
{
    const bool replay = mParser.isSet(QStringLiteral("replay"));
    const bool exporting = mParser.isSet(QStringLiteral("export"));
    const qsizetype files = mParser.positionalArguments().size();
    if (mParser.isSet(QStringLiteral("recover-to"))
        && (replay || exporting || mParser.isSet(QStringLiteral("record")) || files > 0)) {
        mError = CommandLineTexts::tr("--recover-to goes alone.");
    } else if (!replay) {
        for (const char *option : {"sheet", "start", "realtime", "keep-open"})
            if (mParser.isSet(QLatin1String(option)))
                mError = CommandLineTexts::tr("--%1 goes with --replay only.")
                              .arg(QLatin1String(option));
        if (!mError.isEmpty())
            return false;
        if (mParser.isSet(QStringLiteral("with-background")) && !exporting)
            mError = CommandLineTexts::tr("--with-background goes with --export.");
        else if (exporting && mParser.isSet(QStringLiteral("record")))
            mError = CommandLineTexts::tr("--record and --export cannot be combined.");
        else if (exporting && files != 1)
            mError = CommandLineTexts::tr(
                "--export without --replay converts one FILE: name exactly one.");
    } else if (mParser.isSet(QStringLiteral("record"))) {
        mError = CommandLineTexts::tr("--record and --replay cannot be combined.");
    } else if (files > 0) {
        mError = CommandLineTexts::tr(
            "--replay draws in a new picture of its own: no FILE goes with it.");
    } else if (mParser.isSet(QStringLiteral("sheet"))
               && !parseSheetSize(mParser.value(QStringLiteral("sheet")))) {
        mError = CommandLineTexts::tr("--sheet wants a size such as 1024x768, not \"%1\".")
                      .arg(mParser.value(QStringLiteral("sheet")));
    } else if (mParser.isSet(QStringLiteral("sheet")) && mParser.isSet(QStringLiteral("start"))) {
        mError = CommandLineTexts::tr("--sheet and --start cannot be combined.");
    } else if (mParser.isSet(QStringLiteral("with-background")) && !exporting) {
        mError = CommandLineTexts::tr("--with-background goes with --export.");
    }
    return mError.isEmpty();
}

bool CommandLine::wantsHelp() const
{
    return mParser.isSet(mHelp);
}

bool CommandLine::wantsVersion() const
{
    return mParser.isSet(mVersion);
}

QString CommandLine::helpText() const
{
    // Qt names the program by its whole path, or not at all before the application exists.
    const QString usage = QStringLiteral("Usage: %1 [options] [FILE…]\n").arg(mProgram);
    return usage + mParser.helpText().section(u'\n', 1);
}

QString CommandLine::versionText() const
{
    return QStringLiteral("Inkpond %1\n").arg(QStringLiteral(INKPOND_VERSION));
}

QString CommandLine::errorText() const
{
    return mError.isEmpty() ? mParser.errorText() : mError;
}

QStringList CommandLine::files() const
{
    QStringList paths;
    for (const QString &argument : mParser.positionalArguments()) {
        const QUrl url(argument);
        // A URL's escapes stand for the name's bytes, which need not be UTF-8.
        const QString path = url.isLocalFile()
            ? LocalFile::decodeName(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()))
            : argument;
        paths << LocalFile::absoluteName(path);
    }
    return paths;
}

QByteArrayList CommandLine::fileNames() const
{
    QByteArrayList names;
    for (const QString &path : files())
        names << LocalFile::encodeName(path);
    return names;
}

bool CommandLine::handsOff() const
{
    return !mParser.isSet(QStringLiteral("new-instance")) && !wantsHelp() && !wantsVersion()
        && !wantsReplay() && !wantsConversion() && recoverToFolder().isEmpty()
        && recordFile().isEmpty();
}

QString CommandLine::recordFile() const
{
    return mParser.value(QStringLiteral("record"));
}

bool CommandLine::wantsReplay() const
{
    return mParser.isSet(QStringLiteral("replay"));
}

bool CommandLine::wantsConversion() const
{
    return !wantsReplay() && mParser.isSet(QStringLiteral("export"));
}

std::optional<ReplayOptions> CommandLine::replayOptions() const
{
    if (!wantsReplay() && !wantsConversion())
        return std::nullopt;
    ReplayOptions options;
    options.file = mParser.value(QStringLiteral("replay"));
    const QString start
        = wantsConversion() ? files().value(0) : mParser.value(QStringLiteral("start"));
    options.startFile = start.isEmpty() ? start : LocalFile::absoluteName(start);
    if (mParser.isSet(QStringLiteral("sheet")))
        options.sheet = parseSheetSize(mParser.value(QStringLiteral("sheet")));
    const QString out = mParser.value(QStringLiteral("export"));
    options.exportPath = out.isEmpty() ? out : LocalFile::absoluteName(out);
    options.withBackground = mParser.isSet(QStringLiteral("with-background"));
    options.realtime = mParser.isSet(QStringLiteral("realtime"));
    options.keepOpen = mParser.isSet(QStringLiteral("keep-open"));
    return options;
}

QString CommandLine::recoverToFolder() const
{
    const QString folder = mParser.value(QStringLiteral("recover-to"));
    return folder.isEmpty() ? folder : LocalFile::absoluteName(folder);
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
