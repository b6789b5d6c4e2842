#pragma once

#include "SessionEvent.h"

#include <QByteArray>

class QIODevice;

// A journal line is an event's JSON with two fields added at its end: "rec", the id of the
// record it was written for, and "crc", a CRC-32 of every byte before it. A changed digit that
// still reads as JSON, or lines of another record spliced in, are found where they begin; the
// line stays a recording line that any reader of recordings takes.

// A new record's id: eight hex digits, random.
QByteArray newJournalId();

// The line for event, without its line break, sealed for the record of that id.
QByteArray sealedJournalLine(const QByteArray &event, const QByteArray &id);

// Every event of a journal up to its first bad line, as readSession() reads a recording, a last
// line cut short by a crash dropped. id: the record's, as its description keeps it. Without one
// (records of older versions, or a lost description) the first line decides: unsealed lines,
// all of them, or sealed ones of the id the first line names.
SessionReadResult readJournal(QIODevice &device, const QByteArray &id);
