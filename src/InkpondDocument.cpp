#include "InkpondDocument.h"

InkpondDocument::InkpondDocument(QObject *parent) : Document(parent) { }

InkpondDocument::~InkpondDocument() = default;
