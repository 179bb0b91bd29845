// Fuzz target of the clipboard record reader: any bytes are read or refused with a message,
// never half-read, and content that is read writes back to the same bytes (less the zero
// bytes of padding after the last record). Input: the first byte is the number of visible
// columns (0..15), the rest is the clipboard content.
#include "grid/clipboard_records.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 4096)
        return 0;
    const int columns = data[0] & 0x0f;
    const QByteArray content(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const qel::grid::ClipboardRecords read = qel::grid::readClipboardRecords(content, columns);
    if (!read.error.isEmpty()) {
        if (!read.records.isEmpty()) {
            std::fprintf(stderr, "refused content left records behind\n");
            std::abort();
        }
        return 0;
    }
    qel::grid::ClipboardRecordWriter writer;
    for (const QStringList& record : read.records) {
        if (record.size() != columns) {
            std::fprintf(stderr, "a record of %d values for %d columns\n", int(record.size()), columns);
            std::abort();
        }
        for (const QString& value : record)
            writer.addValue(value);
        writer.endRecord();
    }
    QByteArray expected = content;
    while (!expected.isEmpty() && expected.back() == '\0')
        expected.chop(1);
    if (writer.bytes() != expected) {
        std::fprintf(stderr, "read content does not write back to its bytes\n");
        std::abort();
    }
    return 0;
}
