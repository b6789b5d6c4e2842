#include "GimpPalette.h"

#include <QCoreApplication>
#include <QStringDecoder>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("GimpPalette", text);
}

// GIMP writes UTF-8; a name in another encoding is kept as Latin-1 rather than lost.
QString decoded(const QByteArray &line)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(line);
    return utf8.hasError() ? QString::fromLatin1(line) : text;
}
} // namespace

std::optional<GimpPalette> GimpPalette::read(const QByteArray &bytes, QStringList *notes,
                                             QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (bytes.size() > kLargestFile)
        return refuse(tr("The file is too large to be a palette."));
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.front().trimmed() != "GIMP Palette")
        return refuse(tr("The file is not a GIMP palette: it does not begin with \"GIMP Palette\"."));
    GimpPalette palette;
    QStringList skipped;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith("Name:")) {
            palette.name = decoded(line.mid(5).trimmed());
            continue;
        }
        if (line.startsWith("Columns:")) {
            bool ok = false;
            const int columns = line.mid(8).trimmed().toInt(&ok);
            palette.columns = ok && columns >= 0 && columns <= 256 ? columns : 0;
            continue;
        }
        if (int(palette.swatches.size()) >= kMostSwatches) {
            if (notes)
                *notes << tr("Only the first %1 colours were read.").arg(kMostSwatches);
            break;
        }
        // Three whole numbers 0..255, then the name, if any, to the end of the line.
        int channel[3];
        qsizetype at = 0;
        bool sound = true;
        for (int &c : channel) {
            while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
                ++at;
            const qsizetype start = at;
            while (at < line.size() && line[at] >= '0' && line[at] <= '9' && at - start < 4)
                ++at;
            bool ok = false;
            c = line.mid(start, at - start).toInt(&ok);
            sound = sound && ok && c <= 255
                && (at == line.size() || line[at] == ' ' || line[at] == '\t');
        }
        if (!sound) {
            if (skipped.size() < 10)
                skipped << QString::number(i + 1);
            continue;
        }
        palette.swatches.push_back(
            {QColor(channel[0], channel[1], channel[2]), decoded(line.mid(at).trimmed())});
    }
    if (notes && !skipped.isEmpty())
        *notes << tr("Lines that are not colours were left out: %1.").arg(skipped.join(u", "));
    return palette;
}

QByteArray GimpPalette::write() const
{
    QByteArray out = "GIMP Palette\n";
    // A name is one line.
    QString oneLine = name;
    oneLine.replace(u'\n', u' ').replace(u'\r', u' ');
    out += "Name: " + oneLine.toUtf8() + '\n';
    if (columns > 0)
        out += "Columns: " + QByteArray::number(columns) + '\n';
    out += "#\n";
    for (const Swatch &s : swatches) {
        QString label = s.name.trimmed();
        label.replace(u'\n', u' ').replace(u'\r', u' ');
        out += QStringLiteral("%1 %2 %3\t%4\n")
                   .arg(s.color.red(), 3)
                   .arg(s.color.green(), 3)
                   .arg(s.color.blue(), 3)
                   .arg(label)
                   .toUtf8();
    }
    return out;
}
