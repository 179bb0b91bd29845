// Grid rows on the clipboard: the private format "Data Base Edit Data" and its record
// layout, which other programs that know the format read and write too. For every record,
// for every visible column in column order, the value's Windows-1251 bytes followed by the
// byte 1; after the record's last value the byte 2. No terminator, no plain-text copy.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace qel::grid {

extern const char* const kClipboardFormatName;   // "Data Base Edit Data"

// The format's number, registered once per run.
unsigned clipboardFormat();

// Builds the bytes record by record. A value that the layout cannot carry (a character
// Windows-1251 lacks, or a control character) raises qel::Error naming it: nothing may
// reach the clipboard changed.
class ClipboardRecordWriter {
public:
    void addValue(const QString& text);
    void endRecord();
    const QByteArray& bytes() const { return bytes_; }
    int recordCount() const { return records_; }

private:
    QByteArray bytes_;
    int records_ = 0;
};

// The records read back, or why the content was refused.
struct ClipboardRecords {
    QList<QStringList> records;
    QString error;   // empty: read
};

// Reads the whole content before anything is written: content that is malformed (a record
// without its end byte, stray control bytes), that was written in another code page, or
// whose records do not carry one value per visible column (`columns`) is refused with a
// message for the user. Zero bytes after the last record (padding of a memory block) are
// ignored.
ClipboardRecords readClipboardRecords(const QByteArray& bytes, int columns);

} // namespace qel::grid
