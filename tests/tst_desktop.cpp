// Inkpond on the desktop: the desktop entry against the types it can read, the note about a
// desktop that cannot show see-through windows, the compiled string table, and the command line
// with its session options.
#include "CanvasDialogs.h"
#include "CommandLine.h"
#include "InkpondDocument.h"
#include "Localizable.h"
#include "TabletApplication.h"
#include "TestSupport.h"

#include <QStatusBar>
#include <QtTest>

class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void desktopEntryListsExactlyTheReadableTypes()
    {
        const QRegularExpression line(QStringLiteral("^MimeType=(.*)$"),
                                      QRegularExpression::MultilineOption);
        const QStringList listed
            = line.match(QString::fromUtf8(readFile(QStringLiteral(DESKTOP_ENTRY))))
                  .captured(1)
                  .split(u';', Qt::SkipEmptyParts);
        QVERIFY(!listed.isEmpty());
        QStringList extensions;
        QMimeDatabase mimes;
        const DocumentTypes types = InkpondDocument::documentTypes();
        QVERIFY(!types.isEmpty());
        for (const DocumentType &type : types.types())
            for (const QString &ext : type.extensions) {
                extensions << ext;
                const QMimeType mime = mimes.mimeTypeForFile(QStringLiteral("x.") + ext,
                                                             QMimeDatabase::MatchExtension);
                if (mime.isDefault())
                    continue; // the system knows no type for it
                QVERIFY2(
                    listed.contains(mime.name()),
                    qPrintable(QStringLiteral("%1 (.%2) is not listed").arg(mime.name(), ext)));
            }
        // Nothing is offered that the table does not read.
        for (const QString &name : listed) {
            const QMimeType mime = mimes.mimeTypeForName(name);
            QVERIFY2(mime.isValid(), qPrintable(name));
            const QStringList suffixes = mime.suffixes();
            const bool readable
                = std::any_of(suffixes.cbegin(), suffixes.cend(),
                              [&](const QString &s) { return extensions.contains(s); });
            QVERIFY2(readable, qPrintable(name + QStringLiteral(" is not in the types table")));
        }
    }

    // Without a compositing manager the see-through paper is told about in the window's status
    // bar, never in a box that stops the window; once a run, not in every window again.
    void notSeeThroughIsANoteInPassing()
    {
        IsolatedSettings settings;
        Opened a;
        a.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(a.window));
        CanvasDialogs dialogs; // the application has one a run
        dialogs.tellNotSeeThrough(*a.canvas);
        QCoreApplication::sendPostedEvents();
        QVERIFY(a.window->findChildren<QDialog *>().isEmpty());
        QVERIFY(a.window->statusBar()->currentMessage().contains(QStringLiteral("compositing")));
        Opened b;
        dialogs.tellNotSeeThrough(*b.canvas);
        dialogs.tellNotSeeThrough(*a.canvas);
        QCoreApplication::sendPostedEvents();
        QVERIFY(b.window->statusBar()->currentMessage().isEmpty());
    }

    void stringTableForTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("color");
        QTest::newRow("no table for it: English")
            << QLocale(QLocale::Japanese, QLocale::Japan) << "Color";
        // Where an installed translation is looked for: the user's data folder among them.
        QTest::newRow("installed for the user")
            << QLocale(QLocale::German, QLocale::Germany) << "Farbe";
    }

    void stringTableForTheLocale()
    {
        QFETCH(QLocale, locale);
        const QString dir
            = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/inkpond/translations");
        QVERIFY(QDir().mkpath(dir));
        QFile::remove(dir + QStringLiteral("/Localizable_de.qm"));
        QVERIFY(
            QFile::copy(QStringLiteral(GERMAN_TABLE), dir + QStringLiteral("/Localizable_de.qm")));
        const QLocale before;
        QLocale::setDefault(locale);
        const bool loaded = loadStringTable();
        QLocale::setDefault(before);
        QVERIFY(loaded);
        QTEST(localizedString("Color"), "color");
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // empty: understood; else words of the error
        QTest::addColumn<QString>("answer"); // "help", "version" or ""
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>(
            "sheet"); // as given to --replay, "none" without it; "-": no replay
        const QString here = QDir::currentPath() + u'/';
        // The files expected, separated by commas, are in the current folder unless absolute.
        auto row = [&](const char *line, const char *error, const char *answer = "",
                       const char *files = "", const char *sheet = "-") {
            QStringList absolute;
            for (const QString &f : QString::fromLatin1(files).split(u',', Qt::SkipEmptyParts))
                absolute << (f.startsWith(u'/') ? f : here + f);
            QTest::newRow(line) << QString::fromLatin1(line).split(u' ') << error << answer
                                << absolute << sheet;
        };
        row("inkpond", "");
        row("inkpond b.png /tmp/a.jpg", "", "", "b.png,/tmp/a.jpg");
        row("inkpond file:///tmp/my%20picture.png", "", "",
            "/tmp/my picture.png"); // a file manager's
        row("inkpond --help", "", "help");
        row("inkpond --version", "", "version");
        // Before the application object has taken Qt's switches, --help is still seen (and the
        // switch's value taken for a file, never to be opened).
        row("/usr/bin/inkpond -platform offscreen --help", "Unknown option", "help", "offscreen");
        row("inkpond --bogus a.png", "bogus", "", "a.png");
        row("inkpond -- --help", "", "", "--help");
        row("inkpond --new-instance a.png", "", "", "a.png");
        row("inkpond --recover-to out", "");
        row("inkpond --record r.jsonl a.png b.png", "", "", "a.png,b.png");
        row("inkpond --replay s.jsonl", "", "", "", "none");
        row("inkpond --replay s.jsonl --sheet 4096x300.5 --export o.png --with-background "
            "--realtime",
            "", "", "", "4096x300.5");
        row("inkpond --sheet 10x10", "--sheet goes with --replay");
        row("inkpond a.ora --export o.png --with-background", "", "", "a.ora", "none");
        row("inkpond --replay s.jsonl --start a.ora --export o.ora", "", "", "", "none");
        row("inkpond --export o.png a.png b.png", "exactly one", "", "a.png,b.png");
        row("inkpond --start a.png", "--start goes with --replay");
        row("inkpond --replay s.jsonl --start a.png --sheet 10x10", "cannot be combined");
        row("inkpond --replay s.jsonl --record r.jsonl", "cannot be combined");
        row("inkpond --replay s.jsonl a.png", "no FILE", "", "a.png");
        row("inkpond --replay s.jsonl --sheet 0x10", "--sheet wants");
        row("inkpond --replay s.jsonl --sheet big", "--sheet wants");
        row("inkpond --replay s.jsonl --with-background", "goes with --export");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        QFETCH(QString, answer);
        QFETCH(QString, sheet);
        CommandLine line;
        QCOMPARE(line.parse(arguments), error.isEmpty());
        QCOMPARE(line.errorText().isEmpty(), error.isEmpty());
        QVERIFY2(line.errorText().contains(error), qPrintable(line.errorText()));
        QCOMPARE(line.wantsHelp(), answer == QLatin1String("help"));
        QCOMPARE(line.wantsVersion(), answer == QLatin1String("version"));
        QTEST(line.files(), "files");
        if (!error.isEmpty())
            return;
        // Only a run that would open windows hands its files to a running instance.
        const QStringList options = arguments.mid(0, arguments.indexOf("--")); // files after
        QCOMPARE(line.handsOff(),
                 std::none_of(options.cbegin(), options.cend(), [](const QString &a) {
                     return QStringList {"--new-instance", "--export", "--replay", "--recover-to",
                                         "--record",       "--help",   "--version"}
                         .contains(a);
                 }));
        const qsizetype record = arguments.indexOf("--record");
        QCOMPARE(line.recordFile(), record < 0 ? QString() : arguments.value(record + 1));
        const auto replay = line.replayOptions();
        QCOMPARE(replay.has_value(), sheet != QLatin1String("-"));
        if (!replay)
            return;
        QCOMPARE(replay->file,
                 arguments.contains("--replay") ? QStringLiteral("s.jsonl") : QString());
        QCOMPARE(QFileInfo(replay->startFile).fileName(),
                 arguments.contains("--replay") && !arguments.contains("--start")
                     ? QString()
                     : QStringLiteral("a.ora"));
        QCOMPARE(replay->sheet.has_value(), sheet != QLatin1String("none"));
        if (replay->sheet)
            QCOMPARE(*replay->sheet, parseSheetSize(sheet).value());
        QCOMPARE(replay->withBackground, arguments.contains("--with-background"));
        QCOMPARE(replay->realtime, arguments.contains("--realtime"));
    }
};

INKPOND_TEST_MAIN(DesktopTest)

#include "tst_desktop.moc"
