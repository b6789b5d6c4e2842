#pragma once

#include "Geometry.h"
#include "ImageCodec.h"

#include <QString>
#include <optional>

class DocumentController;
class WTView;

// inkpond --replay FILE [--sheet WxH] [--export OUT] [--with-background] [--realtime]
// [--keep-open]
// inkpond FILE --export OUT [--with-background]: the same without a recording.
struct ReplayOptions
{
    QString file; // the recording; empty for a conversion
    QString startFile; // the picture replayed over, or converted; a new sheet when empty
    std::optional<Size> sheet; // 600 x 600 when not given
    QString exportPath;
    bool withBackground = false;
    bool realtime = false;
    bool keepOpen = false; // the picture stays open until the application is quit
    int quality = ImageCodec::kQuality; // of a JPEG or WebP export
};

// Exit statuses of a replay.
constexpr int kReplayOK = 0;
constexpr int kReplayFailed = 1; // the picture could not be exported
// unreadable or malformed recording, a starting file that does not open, or unusable options
constexpr int kReplayRefused = 2;

// Reads the whole recording first, so that a malformed line stops everything before anything
// is opened or written; then replays it into a new document of the controller with settings
// and dialogs of its own (the user's settings are neither read nor changed), exports the
// picture, prints the summary line and returns the exit status. Needs the application.
int runReplay(const ReplayOptions &options, DocumentController &documents);

// The flattened picture as an image file of the type its extension names, replaced in one step.
bool exportPicture(WTView &canvas, const QString &path, bool withBackground, QString *error,
                   int quality = ImageCodec::kQuality);

// Whether an image file of that name can be written: its extension names a writer.
bool canExportTo(const QString &path);

// "WxH" with positive whole or decimal numbers.
std::optional<Size> parseSheetSize(const QString &text);
