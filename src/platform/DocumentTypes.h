#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One kind of file the application handles, as listed in its document-types table.
struct DocumentType
{
    enum class Role {
        Editor, // read and written
        Viewer, // read only
    };

    QString name;
    QStringList extensions; // lower case, without dots; the first one names the type's files
    Role role = Role::Viewer;
    QString mimeType; // when the table names one

    bool isWritable() const { return role == Role::Editor; }
};

// The document-types table: which files the application opens and saves. It is a resource of
// the application (JSON), read once at start-up.
class DocumentTypes
{
public:
    DocumentTypes() = default;

    // An empty table and a message when the text is not a usable table.
    static DocumentTypes fromJson(const QByteArray &json, QString *error = nullptr);
    static DocumentTypes fromFile(const QString &path, QString *error = nullptr);

    const std::vector<DocumentType> &types() const { return mTypes; }
    bool isEmpty() const { return mTypes.empty(); }

    const DocumentType *typeNamed(const QString &name) const;
    // The type whose extensions hold the file name's suffix, case-insensitively; a writable type
    // wins over a read-only one.
    const DocumentType *typeForFileName(const QString &fileName) const;
    // The type that new documents have: the table's "defaultType", else its first writable type.
    QString defaultType() const { return mDefaultType; }
    std::vector<const DocumentType *> writableTypes() const;

    // "PNG image (*.png)", for file dialogs.
    static QString nameFilter(const DocumentType &type);
    // Every extension of the table, plus any further format that Qt's installed readers take.
    QStringList readableExtensions() const;

private:
    std::vector<DocumentType> mTypes;
    QString mDefaultType;
};
