#include "grid/clipboard_records.h"

#include "platform/os/clipboard.h"
#include "platform/os/cp1251.h"
#include "platform/os/errors.h"

namespace qel::grid {

namespace {

constexpr char kValueEnd = 1;
constexpr char kRecordEnd = 2;

// Tabs and line breaks may stand in a text; the other control bytes belong to the layout
// or to nothing.
bool isTextControl(unsigned char b) { return b == '\t' || b == '\n' || b == '\r'; }

QString shortened(const QString& text)
{
    return text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
}

} // namespace

const char* const kClipboardFormatName = "Data Base Edit Data";

unsigned clipboardFormat()
{
    static const unsigned format = os::registerClipboardFormat(QString::fromLatin1(kClipboardFormatName));
    return format;
}

// ---- writing ---------------------------------------------------------------------------------

void ClipboardRecordWriter::addValue(const QString& text)
{
    bool ok = true;
    const QByteArray bytes = os::toCp1251(text, &ok);
    if (!ok)
        throw Error(QStringLiteral("Значение \"%1\" нельзя скопировать: символа \"%2\" нет в кодировке Windows-1251.")
                        .arg(shortened(text), os::firstNonCp1251(text)));
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && !isTextControl(b))
            throw Error(QStringLiteral("Значение \"%1\" нельзя скопировать: в нём есть управляющий символ.")
                            .arg(shortened(text)));
    }
    bytes_ += bytes;
    bytes_ += kValueEnd;
}

void ClipboardRecordWriter::endRecord()
{
    bytes_ += kRecordEnd;
    ++records_;
}

// ---- reading ---------------------------------------------------------------------------------

ClipboardRecords readClipboardRecords(const QByteArray& content, int columns)
{
    QByteArray bytes = content;
    while (!bytes.isEmpty() && bytes.back() == '\0')
        bytes.chop(1);
    const QString malformed = QStringLiteral("Записи в буфере обмена повреждены. Вставка отменена.");
    if (!bytes.isEmpty() && bytes.back() != kRecordEnd)
        return {{}, malformed};
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != kValueEnd && b != kRecordEnd && !isTextControl(b))
            return {{}, malformed};
    }
    // The layout bytes are ASCII, so the code page is judged on the whole content.
    if (!os::plausibleCp1251(bytes))
        return {{}, QStringLiteral("Записи в буфере обмена записаны не в кодировке Windows-1251. Вставка отменена.")};
    ClipboardRecords out;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf(kRecordEnd, start);
        const QByteArray record = bytes.mid(start, end - start);
        start = end + 1;
        // Every value ends with its own byte 1, the last one included.
        if (record.isEmpty() || record.back() != kValueEnd)
            return {{}, malformed};
        QStringList values;
        for (const QByteArray& value : record.chopped(1).split(kValueEnd))
            values << os::fromCp1251(value);
        if (values.size() != columns)
            return {{},
                    QStringLiteral("Записи в буфере обмена не подходят к этой таблице: значений в записи %1 — %2, "
                                   "видимых столбцов — %3. Вставка отменена.")
                        .arg(out.records.size() + 1)
                        .arg(values.size())
                        .arg(columns)};
        out.records << values;
    }
    return out;
}

} // namespace qel::grid
