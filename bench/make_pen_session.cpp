// Writes the long pen session of bench_engine as a recording, for
// `inkpond --replay FILE --sheet 4096x4096`.
#include "PenSession.h"

#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.jsonl\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    for (const SessionEvent &e : pensession::session())
        file.write(formatSessionEvent(e) + '\n');
    return file.error() == QFileDevice::NoError ? 0 : 1;
}
