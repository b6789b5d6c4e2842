#include "CommandLine.h"
#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Preferences.h"
#include "TabletApplication.h"

#include <cstdio>

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
    }
    TabletApplication app(argc, argv);
    CommandLine command;
    if (!command.parse(app.arguments())) {
        std::fprintf(stderr, "inkpond: %s\nTry 'inkpond --help'.\n",
                     qPrintable(command.errorText()));
        return 2;
    }

    // One document per window: the files named on the command line, or a new picture.
    DocumentController documents(InkpondDocument::documentTypes(),
                                 [] { return std::make_unique<InkpondDocument>(); });
    app.observeDocuments(&documents);
    const QStringList files = command.files();
    if (files.isEmpty())
        documents.newDocument();
    else
        documents.openFiles(files);

    const int status = app.exec();
    Preferences::standard().synchronize();
    return status;
}
