#include "rules/sheet_window.h"

#include "platform/os/errors.h"

#include <cmath>

namespace qel::rules {

namespace {
SheetWindow* registered = nullptr;
}

SheetWindow* sheetWindow() { return registered; }

void registerSheetWindow(SheetWindow* window) { registered = window; }

void unregisterSheetWindow(SheetWindow* window)
{
    if (registered == window)
        registered = nullptr;
}

QString idText(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(qint64(std::nearbyint(value.toDouble())));
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = value.toString().trimmed().toLongLong(&ok);
        if (!ok)
            throw Error(QStringLiteral("\"%1\" не является идентификатором").arg(value.toString()));
        return QString::number(n);
    }
    default:
        return QString::number(value.toLongLong());
    }
}

} // namespace qel::rules
