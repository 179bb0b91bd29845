// The client's database connection. Created closed; its connection string may change only
// while it is closed; a dataset or statement that needs it opens it with the string then
// in force. With keep-connection off the link is dropped whenever no dataset is open and
// no statement runs, and reopened on demand.
#pragma once

#include "platform/db/connection_string.h"
#include "platform/db/driver.h"

#include <QList>
#include <QStringList>
#include <QString>
#include <functional>
#include <memory>

namespace qel::db {

class DataSet;

class Connection {
public:
    using DriverFactory = std::function<std::unique_ptr<Driver>(const ConnectionString&)>;

    explicit Connection(QString name = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& name() const { return name_; }

    QString connectionString() const { return connectionString_; }
    // Throws DbError while the connection is open.
    void setConnectionString(const QString& text);

    bool keepConnection() const { return keepConnection_; }
    void setKeepConnection(bool on);

    // Opening connects with the current string (DbError with the provider's text on
    // failure). Closing first closes every open dataset of this connection.
    void open();
    void close();
    bool connected() const;
    void setConnected(bool on) { on ? open() : close(); }

    // A batch of statements on this connection, opened on demand; "?" marks positional
    // parameters. Returns the whole result (result sets, rows affected). A batch made of
    // SET statements only ("SET DATEFORMAT dmy") is a session setting: the connection
    // repeats it whenever it reconnects on its own, until the connection string changes.
    const QStringList& sessionSettings() const { return settings_; }
    // timeoutSeconds: the command time-out the driver applies (0: no limit).
    wire::BatchResult execute(const QString& sql, const QList<QVariant>& params = {},
                              int timeoutSeconds = kDefaultCommandTimeout);
    wire::BatchResult callProcedure(const QString& name, const QList<wire::Param>& params,
                                    int timeoutSeconds = kDefaultCommandTimeout);

    // The driver maker; the default picks the driver from Data Source (makeDriver).
    void setDriverFactory(DriverFactory factory);

    // Datasets that use this connection, and how many of them are open.
    const QList<DataSet*>& dataSets() const { return dataSets_; }
    int activeDataSetCount() const { return activeCount_; }

    // Runs after the link was established or dropped (for status displays and tests).
    std::function<void(Connection&)> afterConnect;
    std::function<void(Connection&)> afterDisconnect;

private:
    friend class DataSet;
    void attach(DataSet* ds);
    void detach(DataSet* ds);
    // A dataset holds the connection open while it is open.
    void acquire();
    void release();
    void dropIfIdle();
    template <class F> auto run(F&& call);
    void rememberSetting(const QString& sql);

    QString name_;
    QString connectionString_;
    bool keepConnection_ = true;
    DriverFactory factory_;
    std::unique_ptr<Driver> driver_;
    QList<DataSet*> dataSets_;
    QStringList settings_;
    int activeCount_ = 0;
    int running_ = 0;
    bool closing_ = false;
};

} // namespace qel::db
