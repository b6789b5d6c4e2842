#include "DocumentTypes.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
// The texts of this file, in the string table under "DocumentTypes".
struct DocumentTypesTexts
{
    Q_DECLARE_TR_FUNCTIONS(DocumentTypes)
};

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool parseType(const QJsonObject &o, DocumentType *type, QString *error)
{
    type->name = o.value(QLatin1String("name")).toString();
    if (type->name.isEmpty())
        return fail(error, DocumentTypesTexts::tr("A document type has no name."));
    for (const QJsonValue &v : o.value(QLatin1String("extensions")).toArray()) {
        const QString ext = v.toString().toLower();
        if (ext.isEmpty() || ext.startsWith(QLatin1Char('.')))
            return fail(error,
                        DocumentTypesTexts::tr("The document type “%1” has a malformed extension.")
                            .arg(type->name));
        type->extensions << ext;
    }
    type->mimeType = o.value(QLatin1String("mime")).toString();
    const QString role = o.value(QLatin1String("role")).toString();
    if (role == QLatin1String("editor"))
        type->role = DocumentType::Role::Editor;
    else if (role == QLatin1String("viewer"))
        type->role = DocumentType::Role::Viewer;
    else
        return fail(error,
                    DocumentTypesTexts::tr("The document type “%1” has no role.").arg(type->name));
    // A type that can be saved needs an extension: the first one chooses the encoder.
    if (type->isWritable() && type->extensions.isEmpty())
        return fail(
            error,
            DocumentTypesTexts::tr("The document type “%1” can be saved but has no extension.")
                .arg(type->name));
    return true;
}
} // namespace

DocumentTypes DocumentTypes::fromJson(const QByteArray &json, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject()) {
        fail(error, parseError.errorString());
        return {};
    }
    DocumentTypes table;
    for (const QJsonValue &v : doc.object().value(QLatin1String("types")).toArray()) {
        DocumentType type;
        if (!parseType(v.toObject(), &type, error))
            return {};
        if (table.typeNamed(type.name)) {
            fail(error,
                 DocumentTypesTexts::tr("The document type “%1” is listed twice.").arg(type.name));
            return {};
        }
        table.mTypes.push_back(std::move(type));
    }
    table.mDefaultType = doc.object().value(QLatin1String("defaultType")).toString();
    if (table.mDefaultType.isEmpty()) {
        const auto writable = table.writableTypes();
        if (!writable.empty())
            table.mDefaultType = writable.front()->name;
    }
    const DocumentType *def = table.typeNamed(table.mDefaultType);
    if (!def || !def->isWritable()) {
        fail(error, DocumentTypesTexts::tr("The table names no default type that can be saved."));
        return {};
    }
    return table;
}

DocumentTypes DocumentTypes::fromFile(const QString &path, QString *error)
{
    // Looked at before it is opened: a FIFO would block, a device might never end. A table is a
    // few kilobytes.
    constexpr qint64 kLargestTable = 1 << 20;
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || info.size() > kLargestTable)) {
        fail(error, DocumentTypesTexts::tr("“%1” is not a document-types table.").arg(path));
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return {};
    }
    return fromJson(file.readAll(), error);
}

const DocumentType *DocumentTypes::typeNamed(const QString &name) const
{
    for (const DocumentType &t : mTypes)
        if (t.name == name)
            return &t;
    return nullptr;
}

const DocumentType *DocumentTypes::typeForFileName(const QString &fileName) const
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix.isEmpty())
        return nullptr;
    const DocumentType *found = nullptr;
    for (const DocumentType &t : mTypes) {
        if (!t.extensions.contains(suffix))
            continue;
        if (t.isWritable())
            return &t;
        if (!found)
            found = &t;
    }
    return found;
}

std::vector<const DocumentType *> DocumentTypes::writableTypes() const
{
    std::vector<const DocumentType *> result;
    for (const DocumentType &t : mTypes)
        if (t.isWritable())
            result.push_back(&t);
    return result;
}

QString DocumentTypes::nameFilter(const DocumentType &type)
{
    QStringList patterns;
    for (const QString &ext : type.extensions)
        patterns << QStringLiteral("*.") + ext;
    return QStringLiteral("%1 (%2)").arg(
        QCoreApplication::translate("DocumentTypes", type.name.toUtf8().constData()),
        patterns.join(QLatin1Char(' ')));
}

QStringList DocumentTypes::readableExtensions() const
{
    QStringList result;
    for (const DocumentType &t : mTypes)
        for (const QString &ext : t.extensions)
            if (!result.contains(ext))
                result << ext;
    for (const QByteArray &format : QImageReader::supportedImageFormats()) {
        const QString ext = QString::fromLatin1(format).toLower();
        if (!result.contains(ext))
            result << ext;
    }
    return result;
}
