// Private formats live on the Qt clipboard as MIME types named exactly as the formats, so
// another program that registers the same name (under X11 a format's name is its target
// atom) finds the content.
#include "platform/os/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QMimeData>

namespace qel::os {
namespace {

struct Registry {
    QHash<QString, unsigned> byName;
    QHash<unsigned, QString> mimeByNumber;
    unsigned next = 0xC000; // registered formats start here, as on the original platform
};

Registry& registry()
{
    static Registry r;
    return r;
}

} // namespace

unsigned registerClipboardFormat(const QString& name)
{
    Registry& r = registry();
    const QString key = name.toLower();
    if (auto it = r.byName.find(key); it != r.byName.end())
        return *it;
    const unsigned number = r.next++;
    r.byName.insert(key, number);
    r.mimeByNumber.insert(number, name);
    return number;
}

std::optional<QByteArray> readClipboard(unsigned format)
{
    const QString mime = registry().mimeByNumber.value(format);
    if (mime.isEmpty() || !QGuiApplication::instance())
        return std::nullopt;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(mime))
        return std::nullopt;
    return data->data(mime);
}

void writeClipboard(unsigned format, const QByteArray& bytes)
{
    const QString mime = registry().mimeByNumber.value(format);
    if (mime.isEmpty() || !QGuiApplication::instance())
        return;
    auto* data = new QMimeData;
    data->setData(mime, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

QString clipboardFormatName(unsigned format) { return registry().mimeByNumber.value(format); }

void writeClipboardText(const QString& text)
{
    if (QGuiApplication::instance())
        QGuiApplication::clipboard()->setText(text);
}

} // namespace qel::os
