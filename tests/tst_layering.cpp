// The folders of src/ are layers: each may include headers of its own layer and of those it is built
// on, never of one above it; and no two classes include each other, however indirectly.
#include <QtTest>
#include <algorithm>
#include <map>
#include <set>

namespace {

// Lowest first, as the libraries link. A layer may include its own headers and those of every
// layer of a lower rank; layers of one rank know nothing of each other.
const std::vector<std::pair<QString, int>> kLayers = {
    {"platform", 0}, {"engine", 1},  {"tablet", 1},   {"canvas", 2}, {"controls", 3},
    {"document", 4}, {"session", 5}, {"recovery", 6}, {"app", 7},
};

struct Analysis
{
    QStringList upward; // "from -> header" for each include of a higher layer
    QStringList duplicates; // header names found twice
    std::vector<QStringList> cycles; // classes that include one another
    QStringList strays; // sources under src/ outside every layer's folder
};

struct SourceFile
{
    QString baseName;
    QString layer;
    bool isHeader = false;
    QStringList includes; // quoted includes, by file name
};

std::vector<SourceFile> readTree(const QString &root, QStringList &strays)
{
    std::vector<SourceFile> files;
    static const QRegularExpression include("^\\s*#\\s*include\\s+\"([^\"]+)\"",
                                            QRegularExpression::MultilineOption);
    const QString src = root + QStringLiteral("/src/");
    QDirIterator it(src, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString folder = info.path().mid(src.size());
        if (std::none_of(kLayers.begin(), kLayers.end(),
                         [&](const auto &layer) { return layer.first == folder; })) {
            strays << info.filePath().mid(root.size() + 1);
            continue;
        }
        SourceFile f;
        f.baseName = info.completeBaseName();
        f.isHeader = info.suffix() == "h";
        f.layer = folder;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto m = include.globalMatch(text); m.hasNext();)
            f.includes << QFileInfo(m.next().captured(1)).fileName();
        files.push_back(f);
    }
    return files;
}

// The groups of classes that reach one another through their includes.
std::vector<QStringList> cyclesOf(const std::map<QString, std::set<QString>> &edges)
{
    std::map<QString, std::set<QString>> reach;
    for (const auto &[from, out] : edges) {
        std::vector<QString> todo(out.begin(), out.end());
        while (!todo.empty()) {
            const QString v = todo.back();
            todo.pop_back();
            if (!reach[from].insert(v).second)
                continue;
            if (const auto next = edges.find(v); next != edges.end())
                todo.insert(todo.end(), next->second.begin(), next->second.end());
        }
    }
    std::set<QStringList> found;
    for (const auto &[v, reached] : reach) {
        QStringList group {v};
        for (const QString &w : reached)
            if (w != v && reach[w].count(v))
                group << w;
        group.sort();
        if (group.size() > 1)
            found.insert(group);
    }
    return {found.begin(), found.end()};
}

Analysis analyse(const QString &root)
{
    Analysis a;
    const std::vector<SourceFile> files = readTree(root, a.strays);
    a.strays.sort();
    std::map<QString, QString> layerOfHeader; // file name -> layer
    for (const SourceFile &f : files) {
        if (!f.isHeader)
            continue;
        const QString name = f.baseName + ".h";
        if (layerOfHeader.count(name))
            a.duplicates << name;
        layerOfHeader[name] = f.layer;
    }
    const std::map<QString, int> rank(kLayers.begin(), kLayers.end());

    // A class is its header with its sources; a source without a header of its own is part of
    // the class whose header it includes first.
    auto classOf = [&](const SourceFile &f) {
        if (f.isHeader || layerOfHeader.count(f.baseName + ".h") || f.includes.isEmpty())
            return f.baseName;
        return QFileInfo(f.includes.first()).completeBaseName();
    };
    std::map<QString, std::set<QString>> edges;
    for (const SourceFile &f : files) {
        const QString from = classOf(f);
        edges[from];
        for (const QString &header : f.includes) {
            const auto to = layerOfHeader.find(header);
            if (to == layerOfHeader.end())
                continue; // Qt's, or generated
            if (to->second != f.layer && rank.at(to->second) >= rank.at(f.layer))
                a.upward << QStringLiteral("%1 (%2) -> %3 (%4)")
                                .arg(f.baseName + (f.isHeader ? ".h" : ".cpp"), f.layer, header,
                                     to->second);
            const QString target = QFileInfo(header).completeBaseName();
            if (target != from)
                edges[from].insert(target);
        }
    }
    a.cycles = cyclesOf(edges);
    return a;
}

void write(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

class LayeringTest : public QObject
{
    Q_OBJECT

private slots:
    void theSourcesKeepTheirLayers()
    {
        const Analysis a = analyse(QStringLiteral(INKPOND_SOURCE_DIR));
        QVERIFY2(a.upward.isEmpty(), qPrintable(a.upward.join('\n')));
        QVERIFY2(a.duplicates.isEmpty(), qPrintable(a.duplicates.join(' ')));
        QVERIFY2(a.strays.isEmpty(), qPrintable(a.strays.join(' ')));
        QStringList cycles;
        for (const QStringList &c : a.cycles)
            cycles << c.join(" <-> ");
        QVERIFY2(cycles.isEmpty(), qPrintable(cycles.join('\n')));
    }

    // The check itself: a tree with one fault of each kind.
    void anUpwardIncludeOrACycleIsFound()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        write(root + "/src/platform/Geometry.h", "#pragma once\n");
        write(root + "/src/engine/Picture.h",
              "#include \"Geometry.h\"\n#include \"WTView.h\"\n");
        write(root + "/src/canvas/WTView.h", "#include \"Geometry.h\"\n");
        write(root + "/src/canvas/WTViewStroke.cpp",
              "#include \"WTView.h\"\n#include \"PenSettings.h\"\n");
        write(root + "/src/canvas/PenSettings.h", "#include \"Geometry.h\"\n");
        write(root + "/src/canvas/PenSettings.cpp",
              "#include \"PenSettings.h\"\n#include \"WTView.h\"\n");
        write(root + "/src/Loose.cpp", "\n");
        write(root + "/src/widgets/Other.h", "\n");
        const Analysis a = analyse(root);
        QCOMPARE(a.upward, QStringList {"Picture.h (engine) -> WTView.h (canvas)"});
        QCOMPARE(a.strays, (QStringList {"src/Loose.cpp", "src/widgets/Other.h"}));
        QCOMPARE(int(a.cycles.size()), 1);
        QCOMPARE(a.cycles[0], (QStringList {"PenSettings", "WTView"}));
    }
};

QTEST_GUILESS_MAIN(LayeringTest)
#include "tst_layering.moc"
