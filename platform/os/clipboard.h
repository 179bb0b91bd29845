// The system clipboard with private formats registered by name: a registered format's
// content is a byte string that only programs knowing the name read. On the clipboard the
// format is the MIME type of that name.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace qel::os {

// The number of the private format with this name; the same name gives the same number
// for the whole run.
unsigned registerClipboardFormat(const QString& name);

// The name (MIME type) a registered format has on the clipboard; empty when unknown.
QString clipboardFormatName(unsigned format);

// The content of the format, or nothing when the clipboard does not hold it.
std::optional<QByteArray> readClipboard(unsigned format);

// Replaces the clipboard's content with the bytes under the format only.
void writeClipboard(unsigned format, const QByteArray& bytes);

// Puts plain text on the clipboard (replacing its content).
void writeClipboardText(const QString& text);

} // namespace qel::os
