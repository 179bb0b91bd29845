// Private formats live on the Qt clipboard as MIME types derived from their names.
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

QString mimeFor(const QString& name)
{
    return QStringLiteral("application/x-qel-") + QString::fromLatin1(name.toUtf8().toPercentEncoding());
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
    r.mimeByNumber.insert(number, mimeFor(name));
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

void writeClipboardText(const QString& text)
{
    if (QGuiApplication::instance())
        QGuiApplication::clipboard()->setText(text);
}

} // namespace qel::os
