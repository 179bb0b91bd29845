#include "platform/db/odbc_connection_string.h"

#include "platform/db/driver.h"

namespace qel::db {

namespace {

struct ServerAddress {
    QString host;      // with "\instance" when one is named and no port is given
    QString port;      // empty: the driver's default, or the instance's port
};

bool isThisMachine(const QString& host)
{
    return host.isEmpty() || host == QLatin1String(".")
        || host.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0;
}

ServerAddress parseDataSource(const QString& dataSource)
{
    QString text = dataSource.trimmed();
    if (text.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        text = text.mid(4).trimmed();

    ServerAddress address;
    const int comma = text.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        const QString portText = text.mid(comma + 1).trimmed();
        text = text.left(comma).trimmed();
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            throw DbError(QStringLiteral("Invalid port \"%1\" in the data source \"%2\".")
                              .arg(portText, dataSource));
        address.port = QString::number(port);
    }

    QString host = text;
    QString instance;
    const int slash = text.indexOf(QLatin1Char('\\'));
    if (slash >= 0) {
        host = text.left(slash).trimmed();
        instance = text.mid(slash + 1).trimmed();
    }
    if (isThisMachine(host))
        host = QStringLiteral("localhost");
    // A port names the listener directly; the instance name only serves to find the port.
    address.host = (instance.isEmpty() || !address.port.isEmpty())
                       ? host
                       : host + QLatin1Char('\\') + instance;
    return address;
}

void append(QString& out, const char* key, const QString& value)
{
    out += QLatin1String(key) + QLatin1Char('=') + odbcAttributeValue(value) + QLatin1Char(';');
}

} // namespace

QString odbcAttributeValue(const QString& value)
{
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
        || value.contains(QLatin1Char('}'))
        || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString odbcConnectionString(const ConnectionString& oledb)
{
    const ServerAddress address = parseDataSource(oledb.dataSource());
    QString out = QStringLiteral("DRIVER={FreeTDS};");
    append(out, "SERVER", address.host);
    if (!address.port.isEmpty())
        append(out, "PORT", address.port);
    if (!oledb.catalog().isEmpty())
        append(out, "DATABASE", oledb.catalog());
    append(out, "UID", oledb.userId());
    append(out, "PWD", oledb.password());
    // The largest TEXTSIZE: a freetds.conf "text size" would otherwise cut photos and long
    // texts short without an error.
    out += QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;TextSize=2147483647;");
    return out;
}

} // namespace qel::db
