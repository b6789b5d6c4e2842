#include "DocumentController.h"
#include "InkpondDocument.h"
#include "Preferences.h"
#include "TabletApplication.h"

int main(int argc, char *argv[])
{
    TabletApplication app(argc, argv);

    // One document per window: the files named on the command line, or a new picture.
    DocumentController documents(InkpondDocument::documentTypes(),
                                 [] { return std::make_unique<InkpondDocument>(); });
    app.observeDocuments(&documents);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty())
        documents.newDocument();
    else
        documents.openFiles(files);

    const int status = app.exec();
    Preferences::standard().synchronize();
    return status;
}
