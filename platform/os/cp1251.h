// Windows-1251 text: the single-byte code page of the stored texts, the password digest
// input, the clipboard record format and the settings file.
#pragma once

#include <QByteArray>
#include <QString>

namespace qel::os {

// Encodes text into Windows-1251. A character the code page cannot hold makes *ok false
// (when given) and is written as '?'.
QByteArray toCp1251(const QString& text, bool* ok = nullptr);

// True when every character of the text has a Windows-1251 byte.
bool fitsCp1251(const QString& text);

// Decodes Windows-1251 bytes; every byte has a character (0x98 becomes U+FFFD).
QString fromCp1251(const QByteArray& bytes);

// The first character of the text that Windows-1251 cannot hold, or a null QChar.
QChar firstNonCp1251(const QString& text);

// Why a text typed into a field stored in Windows-1251 cannot be taken: it holds characters
// the code page lacks (for a password its digest, over the Windows-1251 bytes, would not be
// that of the password typed: "中文" and "??" would be one password). The message names the
// field (`what`: "Пароль", "Логин" …) and those characters, and says which characters are
// allowed; empty when every character fits.
QString charactersRefusal(const QString& text, const QString& what);

// Whether bytes read from outside can be Windows-1251 text: none is the unassigned byte
// 0x98, and they are not UTF-8 with multi-byte characters (Russian Windows-1251 text
// practically never forms valid UTF-8 sequences, while UTF-8 Russian always does).
bool plausibleCp1251(const QByteArray& bytes);

} // namespace qel::os
