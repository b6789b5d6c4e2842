#include "CommandLine.h"

#include "CanvasDialogs.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Logging.h"
#include "ProgramKeys.h"
#include "Preferences.h"
#include "RecoveryManager.h"
#include "RecoveryRecord.h"
#include "ReplayCommand.h"
#include "SessionRecorder.h"
#include "SessionWriter.h"
#include "SingleInstance.h"
#include "TabletApplication.h"

#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {
bool useScratchPreferences()
{
    // Static so that it outlives the store, which is written once more as the process ends.
    static QTemporaryDir scratch;
    if (!scratch.isValid())
        return false;
    Preferences::resetStandard(scratch.filePath(QStringLiteral("Inkpond.conf")));
    return true;
}

// A conversion writes at the quality last chosen in Save As: read from the user's settings
// alone, which the run otherwise leaves aside.
int rememberedQuality()
{
    const Preferences user(Preferences::standardFilePath());
    return int(ProgramKeys::storedNumber(user, ProgramKeys::kSaveQuality));
}
} // namespace

int main(int argc, char *argv[])
{
    {
        // Answered before the application opens a display, so that they work without one.
        CommandLine early;
        early.parse(CommandLine::argumentsOf(argc, argv));
        if (early.wantsHelp() || early.wantsVersion()) {
            const QString text = early.wantsHelp() ? early.helpText() : early.versionText();
            std::fputs(text.toLocal8Bit().constData(), stdout);
            return 0;
        }
        // A replay or a recovery into files needs no screen: where there is none it runs on
        // Qt's offscreen platform.
        if ((early.wantsReplay() || early.wantsConversion() || !early.recoverToFolder().isEmpty())
            && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
            && qEnvironmentVariableIsEmpty("DISPLAY")
            && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Neither reads nor writes the user's settings: what they hold must not change what a
        // replay paints, and a run that is told what to write writes nothing else.
        if ((early.wantsReplay() || early.wantsConversion() || !early.recoverToFolder().isEmpty())
            && !useScratchPreferences()) {
            std::fputs("inkpond: no temporary folder for the run's settings\n", stderr);
            return 1;
        }
    }
    installMessageFormat();
    // The one settings store of this run, given to whatever keeps settings: the user's, or the
    // scratch one of a replay or a recovery into files.
    Preferences &settings = Preferences::standard();
    TabletApplication app(argc, argv, &settings);
    CommandLine command;
    // Its own bytes, not Qt's reading of them: a file name need not be UTF-8. Qt and the
    // application have taken their switches out of argv by now.
    if (!command.parse(CommandLine::argumentsOf(argc, argv))) {
        qCCritical(lcCommandLine).noquote().nospace()
            << command.errorText() << "\nTry 'inkpond --help'.";
        return 2;
    }
    // A later launch on the same display gives its files to the Inkpond running there and ends.
    SingleInstance instance;
    if (command.handsOff()
        && instance.start(command.fileNames()) == SingleInstance::Outcome::HandedOff)
        return 0;

    // One document per window: the files named on the command line, or a new picture.
    CanvasDialogs dialogs;
    const std::unique_ptr<DocumentController> controller = InkpondDocument::newDocumentController(
        [&settings]() -> Preferences & { return settings; }, dialogs);
    DocumentController &documents = *controller;
    app.observeDocuments(&documents);
    QObject::connect(&instance, &SingleInstance::filesReceived, &app,
                     &TabletApplication::openHandedFiles);
    // A replay keeps no recovery record: it is made again by running it again. One left open
    // for the user to work on does, as any picture does.
    auto replay = command.replayOptions();
    if (replay && command.wantsConversion())
        replay->quality = rememberedQuality();
    if (replay && !replay->keepOpen)
        return runReplay(*replay, documents);
    // Every open document keeps a recovery record; closing it or quitting removes the record.
    RecoveryManager recovery(defaultRecoveryRoot(), documents);
    if (replay)
        return runReplay(*replay, documents);
    if (!command.recoverToFolder().isEmpty())
        return recovery.recoverTo(command.recoverToFolder());
    std::unique_ptr<SessionRecorder> recorder;
    if (!command.recordFile().isEmpty()) {
        auto writer = std::make_unique<SessionWriter>();
        if (!writer->open(command.recordFile())) {
            qCCritical(lcCommandLine).noquote().nospace()
                << "cannot record in " << command.recordFile() << ": " << writer->errorString();
            return 2;
        }
        recorder = std::make_unique<SessionRecorder>(std::move(writer));
    }
    const QStringList files = command.files();
    documents.openFiles(files);
    // Pictures to restore come first; a new one opens when there is nothing else to show.
    QTimer::singleShot(0, &recovery, [&documents, &recovery, &files] {
        if (!recovery.offerRestore() && files.isEmpty())
            documents.newDocument();
    });

    const int status = app.exec();
    settings.synchronize();
    return status;
}
