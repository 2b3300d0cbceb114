#pragma once

#include <QString>

#include <functional>

namespace tovo::platform {

// Opens a document with the desktop's default program for its type: a local
// file by its path, or a web or FTP address. Returns false when no program
// could be launched.
bool OpenDocument(const QString &target);

// Replaces what OpenDocument launches (tests record the target instead of
// starting a program). An empty function restores the desktop's.
using DocumentOpener = std::function<bool(const QString &target)>;
void SetDocumentOpener(DocumentOpener opener);

} // namespace tovo::platform
