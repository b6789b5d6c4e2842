// Layer blend modes against their formulas, in a row and in a picture, and OpenRaster files:
// written and read back, read as other painting programs write them, damaged or hostile ones
// refused.
#include "BlendMode.h"
#include "OpenRaster.h"
#include "Picture.h"
#include "PictureOpenRaster.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <cmath>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {
// The blend of one premultiplied channel, in floating point, as the W3C compositing rules give it.
double referenceChannel(BlendMode mode, double cs, double as, double cb, double ab)
{
    const double Cs = as > 0 ? cs / as : 0, Cb = ab > 0 ? cb / ab : 0;
    const double B = mode == BlendMode::Multiply ? Cb * Cs
        : mode == BlendMode::Screen              ? Cb + Cs - Cb * Cs
        : mode == BlendMode::Overlay ? (Cb <= 0.5 ? 2 * Cs * Cb : 1 - 2 * (1 - Cs) * (1 - Cb))
        : mode == BlendMode::Darken  ? std::min(Cb, Cs)
        : mode == BlendMode::Lighten ? std::max(Cb, Cs)
                                     : Cs;
    return cs * (1 - ab) + cb * (1 - as) + as * ab * B;
}

struct Entry
{
    QString name;
    QByteArray data;
    bool stored = false;
};

QByteArray zipOf(const std::vector<Entry> &entries)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QuaZip zip(&buffer);
    zip.setAutoClose(false);
    if (!zip.open(QuaZip::mdCreate))
        return {};
    for (const Entry &e : entries) {
        QuaZipFile file(&zip);
        file.open(QIODevice::WriteOnly, QuaZipNewInfo(e.name), nullptr, 0,
                  e.stored ? 0 : Z_DEFLATED);
        file.write(e.data);
        file.close();
    }
    zip.close();
    return bytes;
}

// An archive of the right mimetype, this stack.xml and these PNGs.
QByteArray oraOf(const QByteArray &stack, std::vector<Entry> pngs = {})
{
    pngs.insert(pngs.begin(), {{"mimetype", "image/openraster", true}, {"stack.xml", stack}});
    return zipOf(pngs);
}

QByteArray pngOf(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return encodedImage(image, "PNG");
}

OpenRaster::Outcome readBytes(const QByteArray &bytes, OraPicture *out, QString *error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return OpenRaster::read(buffer, out, {}, error);
}

// The layer's pixels as a top-down image of the sheet.
QImage sheetOf(const TiledImage &image)
{
    QImage out(image.pixelWidth(), image.pixelHeight(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    image.readPixels(QRect(0, 0, image.pixelWidth(), image.pixelHeight()), out, 0, 0);
    return out;
}

OraLayer layerOf(QString name, Size sheet, const Rect &painted, QColor colour)
{
    OraLayer layer;
    layer.name = std::move(name);
    layer.image = std::make_unique<TiledImage>(sheet);
    if (!isEmptyRect(painted))
        layer.image->paint(painted, [&](QPainter &p) {
            p.fillRect(QRectF(painted.x(), painted.y(), painted.width(), painted.height()), colour);
        });
    return layer;
}

const PngBands::BandSource kWhiteMerged = [](int, int rows) {
    QImage band(300, rows, QImage::Format_ARGB32_Premultiplied);
    band.fill(Qt::white);
    return band;
};

OraPicture samplePicture()
{
    const Size sheet {300, 200};
    OraPicture picture;
    picture.width = 300;
    picture.height = 200;
    picture.layers.push_back(layerOf("Ink", sheet, Rect(70, 13, 101, 50), QColor(20, 40, 200)));
    picture.layers.back().mode = BlendMode::Multiply;
    picture.layers.back().opacity = 0.5f;
    picture.layers.back().locked = true;
    picture.layers.push_back(layerOf("Empty", sheet, Rect {}, Qt::black));
    picture.layers.back().visible = false;
    picture.layers.back().alphaLocked = true;
    picture.layers.back().selected = true;
    picture.layers.push_back(
        layerOf("Wash “soft”", sheet, Rect(0, 0, 300, 200), QColor(255, 200, 0, 128)));
    picture.layers.back().mode = BlendMode::Overlay;
    return picture;
}
} // namespace

class OpenRasterTest : public QObject
{
    Q_OBJECT

private slots:
    void blendModesFollowTheirFormulas_data()
    {
        QTest::addColumn<BlendMode>("mode");
        for (int m = 0; m <= int(BlendMode::Lighten); ++m)
            QTest::newRow(qPrintable(blendModeName(BlendMode(m)))) << BlendMode(m);
    }

    void blendModesFollowTheirFormulas()
    {
        QFETCH(BlendMode, mode);
        // Transparent, opaque and half-covered sources and backdrops, dark and light channels.
        const QRgb pixels[]
            = {qPremultiply(qRgba(0, 0, 0, 0)),        qPremultiply(qRgba(255, 0, 90, 255)),
               qPremultiply(qRgba(30, 200, 128, 128)), qPremultiply(qRgba(250, 250, 5, 255)),
               qPremultiply(qRgba(100, 60, 220, 40)),  qPremultiply(qRgba(128, 127, 129, 255))};
        for (const int opacity : {255, 128})
            for (const QRgb s : pixels)
                for (const QRgb d : pixels) {
                    quint32 out = d;
                    blendRow(&out, &s, 1, mode, opacity);
                    const double as = qAlpha(s) / 255.0 * opacity / 255.0, ab = qAlpha(d) / 255.0;
                    for (const int shift : {0, 8, 16, 24}) {
                        const double cs = ((s >> shift) & 0xff) / 255.0 * opacity / 255.0;
                        const double cb = ((d >> shift) & 0xff) / 255.0;
                        const double want = 255
                            * (shift == 24 ? as + ab - as * ab
                                           : referenceChannel(mode, cs, as, cb, ab));
                        QVERIFY(std::abs(int((out >> shift) & 0xff) - want) <= 1.0);
                    }
                }

        // A picture shows the mode on its two layers' pixels, the top one's at its opacity.
        Picture picture({64, 64}, BgType::Plain);
        QImage fill(64, 64, QImage::Format_ARGB32_Premultiplied);
        fill.fill(QColor::fromRgbF(0.8f, 0.4f, 0.2f, 0.8f));
        QVERIFY(picture.currentLayer()->setPixels(fill));
        QVERIFY(picture.addLayer(1, {QStringLiteral("Top")}));
        fill.fill(QColor::fromRgbF(0.15f, 0.7f, 0.9f, 0.6f));
        QVERIFY(picture.currentLayer()->setPixels(fill));
        LayerProperties p = picture.currentLayer()->properties();
        p.mode = mode;
        p.opacity = 0.6f;
        QVERIFY(picture.setLayerProperties(1, p));
        quint32 expected = picture.layers()[0]->image()->pixel(10, 10);
        const quint32 top = picture.layers()[1]->image()->pixel(10, 10);
        blendRow(&expected, &top, 1, mode, 153);
        const QRgb got = picture.flatten(false)->qimage().pixel(10, 63 - 10);
        for (int shift : {0, 8, 16, 24})
            QVERIFY(std::abs(int((got >> shift) & 0xff) - int((expected >> shift) & 0xff)) <= 2);
    }

    // An op or a name not known here: Normal, said so, or no mode.
    void unknownBlendModesAreRefused()
    {
        bool known = true;
        QCOMPARE(blendModeFromOra(u"svg:color-dodge", &known), BlendMode::Normal);
        QVERIFY(!known);
        for (const auto bad : {u"", u"Multiply", u"svg:multiply", u"normal "})
            QVERIFY(!blendModeFromName(bad));
    }

    void writtenPicturesReadBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("picture.ora");
        const OraPicture picture = samplePicture();
        QString error;
        QCOMPARE(OpenRaster::write(path, picture, kWhiteMerged, {}, &error),
                 OpenRaster::Outcome::Done);

        // The mimetype first, stored, without an extra field, so that it reads at a fixed offset.
        const QByteArray bytes = readFile(path);
        QVERIFY(bytes.startsWith("PK\x03\x04"));
        QCOMPARE(int(uchar(bytes[8])) | int(uchar(bytes[9])) << 8, 0); // stored
        QCOMPARE(int(uchar(bytes[28])) | int(uchar(bytes[29])) << 8, 0); // no extra field
        QCOMPARE(bytes.mid(30, 8), QByteArray("mimetype"));
        QCOMPARE(bytes.mid(38, 16), QByteArray("image/openraster"));

        OraPicture read;
        QCOMPARE(OpenRaster::read(path, &read, {}, &error), OpenRaster::Outcome::Done);
        QCOMPARE(read.width, 300);
        QCOMPARE(read.height, 200);
        QVERIFY(read.notes.isEmpty());
        QCOMPARE(read.layers.size(), picture.layers.size());
        for (std::size_t i = 0; i < read.layers.size(); ++i) {
            const OraLayer &a = picture.layers[i], &b = read.layers[i];
            QCOMPARE(std::tie(b.name, b.visible, b.opacity, b.mode, b.locked, b.alphaLocked,
                              b.selected),
                     std::tie(a.name, a.visible, a.opacity, a.mode, a.locked, a.alphaLocked,
                              a.selected));
            QCOMPARE(differingPixels(sheetOf(*b.image), sheetOf(*a.image), 1), 0);
        }
        QVERIFY(read.layers[1].image->isEmpty());
    }

    // Every PNG opens elsewhere; the merged picture has the sheet's size, the thumbnail at most
    // 256 points a side.
    void anotherReaderAcceptsTheFile()
    {
        if (QStandardPaths::findExecutable("unzip").isEmpty()
            || QStandardPaths::findExecutable("identify").isEmpty())
            QSKIP("unzip and ImageMagick are not installed.");
        QTemporaryDir dir;
        const QString path = dir.filePath("picture.ora");
        QCOMPARE(OpenRaster::write(path, samplePicture(), kWhiteMerged), OpenRaster::Outcome::Done);
        QProcess check;
        check.start("sh", {"-c",
                           "unzip -tq \"$0\" >/dev/null && for n in mergedimage data/0 data/1 "
                           "Thumbnails/thumbnail; do unzip -p \"$0\" $n.png | "
                           "identify -format '%w %h ' - || exit 1; done",
                           path});
        QVERIFY(check.waitForFinished(-1));
        const QByteArray out = check.readAllStandardOutput();
        QVERIFY2(check.exitCode() == 0 && out.startsWith("300 200 128 64 1 1 "), out.constData());
        const QList<QByteArray> thumbnail = out.split(' ').mid(6, 2);
        QVERIFY2(thumbnail.size() == 2 && thumbnail[0].toInt() > 0 && thumbnail[0].toInt() <= 256
                     && thumbnail[1].toInt() > 0 && thumbnail[1].toInt() <= 256,
                 out.constData());
    }

    void readsFilesOfOtherPrograms()
    {
        // As MyPaint writes them: offsets, extra attributes, a background layer larger than the
        // sheet.
        const QByteArray mypaint = oraOf(
            R"(<?xml version='1.0' encoding='UTF-8'?>
<image h="100" w="120" version="0.0.3" xres="72" yres="72">
  <stack><layer composite-op="svg:src-over" name="ink" opacity="0.75" selected="true"
      src="data/layer001.png" visibility="visible" x="10" y="-5" mypaint-extra="1" />
    <layer name="bg" src="data/bg.png" x="-20" y="-20" /></stack>
</image>)",
            {{"data/layer001.png", pngOf(30, 20, Qt::red)},
             {"data/bg.png", pngOf(200, 200, Qt::white)}});
        OraPicture p;
        QString error;
        QCOMPARE(readBytes(mypaint, &p, &error), OpenRaster::Outcome::Done);
        QCOMPARE(p.layers.size(), std::size_t(2));
        QCOMPARE(p.layers[0].opacity, 0.75f);
        QVERIFY(p.layers[1].visible); // missing visibility and opacity: visible, opaque
        QCOMPARE(p.layers[1].opacity, 1.0f);
        // The red 30 × 20 at (10, −5) top-down covers x 10..39, y 0..14: y up 85..99.
        const TiledImage &ink = *p.layers[0].image;
        QCOMPARE(ink.pixel(10, 99), qRgb(255, 0, 0));
        QCOMPARE(ink.pixel(39, 85), qRgb(255, 0, 0));
        QCOMPARE(ink.pixel(9, 99), 0u);
        QCOMPARE(ink.pixel(40, 99), 0u);
        QCOMPARE(ink.pixel(10, 84), 0u);
        QCOMPARE(p.layers[1].image->pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(p.layers[1].image->pixel(119, 99), qRgb(255, 255, 255));

        // As Krita writes them: a group in its place, an op of its own, elements unknown here.
        const QByteArray krita = oraOf(
            R"(<?xml version="1.0" encoding="UTF-8"?><!-- made by hand -->
<image w="64" h="64" version="0.0.5"><stack name="root">
  <layer name="top" src="data/top.png" composite-op="svg:screen" x="0" y="0"/>
  <stack name="group" visibility="hidden" opacity="0.5" x="0" y="0">
    <layer name="a" src="data/a.png" composite-op="svg:color-dodge" opacity="0.5"/>
    <text name="caption">hello</text>
    <layer name="b" src="data/b.png" edit-locked="true"/>
  </stack>
  <layer name="bottom" src="data/a.png" composite-op="svg:darken"/>
</stack></image>)",
            {{"data/top.png", pngOf(8, 8, Qt::blue)},
             {"data/a.png", pngOf(64, 64, Qt::green)},
             {"data/b.png", pngOf(4, 4, Qt::black)}});
        QCOMPARE(readBytes(krita, &p, &error), OpenRaster::Outcome::Done);
        QStringList names;
        for (const OraLayer &l : p.layers)
            names << l.name;
        QCOMPARE(names, QStringList({"top", "a", "b", "bottom"}));
        QCOMPARE(p.layers[0].mode, BlendMode::Screen);
        QCOMPARE(p.layers[1].mode, BlendMode::Normal);
        QCOMPARE(p.layers[1].opacity, 0.25f); // the group's opacity carried into its layers
        QVERIFY(!p.layers[1].visible && !p.layers[2].visible && p.layers[3].visible);
        QVERIFY(p.layers[2].locked);
        QCOMPARE(OpenRaster::selectedLayer(p), 3); // none selected: the top one
        QCOMPARE(p.layers[3].mode, BlendMode::Darken);
        QCOMPARE(p.notes.size(), 2);
        QVERIFY(p.notes.join(' ').contains("svg:color-dodge"));
    }

    void refusesDamagedAndHostileFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message"); // a part of the refusal
        const auto stackWith = [](const QByteArray &layers,
                                  const QByteArray &size = "w='10' h='10'") {
            return "<image " + size + "><stack>" + layers + "</stack></image>";
        };
        const QByteArray layer = "<layer name='l' src='data/l.png'/>";
        const QByteArray good = oraOf(stackWith(layer), {{"data/l.png", pngOf(2, 2, Qt::red)}});
        QTest::newRow("not a zip") << QByteArray("PNG? no, just text") << "not an OpenRaster";
        QTest::newRow("cut off") << good.left(good.size() - 30) << "not an OpenRaster";
        QByteArray damaged = good;
        damaged[damaged.indexOf("PK\x01\x02") + 16] ^= 1; // the mimetype's checksum
        QTest::newRow("bad checksum") << damaged << "not an OpenRaster";
        QTest::newRow("no mimetype") << zipOf(
            {{"stack.xml", stackWith(layer)}, {"data/l.png", pngOf(2, 2, Qt::red)}})
                                     << "not an OpenRaster";
        QTest::newRow("wrong mimetype")
            << zipOf({{"mimetype", "image/png", true}, {"stack.xml", stackWith(layer)}})
            << "not an OpenRaster";
        QTest::newRow("no stack") << zipOf({{"mimetype", "image/openraster", true}}) << "stack.xml";
        QTest::newRow("stack bomb") << oraOf(stackWith(QByteArray(5 << 20, ' '))) << "unpacks";
        QTest::newRow("entity bomb") << oraOf(
            "<?xml version='1.0'?><!DOCTYPE image [<!ENTITY a 'aaaaaaaaaa'>"
            "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>]><image w='&b;' h='1'/>")
                                     << "document type";
        QTest::newRow("huge sheet") << oraOf(stackWith("", "w='100000' h='10'")) << "100000";
        QTest::newRow("no sheet size") << oraOf(stackWith("", "")) << "size";
        QByteArray hugePng = pngOf(1, 1, Qt::red);
        qToBigEndian<quint32>(100000, hugePng.data() + 16);
        qToBigEndian<quint32>(100000, hugePng.data() + 20);
        QTest::newRow("huge layer")
            << oraOf(stackWith(layer), {{"data/l.png", hugePng}}) << "100000";
        QTest::newRow("not a png")
            << oraOf(stackWith(layer), {{"data/l.png", "GIF89a"}}) << "“l”";
        QByteArray many;
        for (int i = 0; i < 10000; ++i)
            many += layer;
        QTest::newRow("10000 layers")
            << oraOf(stackWith(many), {{"data/l.png", pngOf(2, 2, Qt::red)}})
                                      << "1000";
        for (const char *src : {"../l.png", "data/../../l.png", "/data/l.png", "data\\l.png",
                                "C:/l.png", "data/missing.png", ""}) {
            const QByteArray evil = "<layer name='l' src='" + QByteArray(src) + "'/>";
            QTest::addRow("src %s", src)
                << oraOf(stackWith(evil), {{"data/l.png", pngOf(2, 2, Qt::red)}}) << "no entry";
        }
    }

    void refusesDamagedAndHostileFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        OraPicture picture;
        picture.width = 7;
        QString error;
        QCOMPARE(readBytes(file, &picture, &error), OpenRaster::Outcome::Failed);
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(picture.width, 7); // untouched
    }

    void stopsWhenAsked()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("picture.ora");
        int calls = 0;
        const auto stopAtThird = [&](double) { return ++calls < 3; };
        QCOMPARE(OpenRaster::write(path, samplePicture(), kWhiteMerged, stopAtThird),
                 OpenRaster::Outcome::Cancelled);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(OpenRaster::write(path, samplePicture(), kWhiteMerged), OpenRaster::Outcome::Done);
        calls = 0;
        OraPicture picture;
        QString error;
        QCOMPARE(OpenRaster::read(path, &picture, stopAtThird, &error),
                 OpenRaster::Outcome::Cancelled);
        QVERIFY(picture.layers.empty());
    }
};

QTEST_MAIN(OpenRasterTest)
#include "tst_openraster.moc"
