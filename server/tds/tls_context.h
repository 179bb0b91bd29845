// The server's TLS setup from a certificate and its private key (PEM files).
#pragma once

#include <QString>
#include <memory>

struct ssl_ctx_st;

namespace qel::server::tds {

class TlsContext {
public:
    // Throws TlsSetupError naming the file and what is wrong with it.
    TlsContext(const QString& certificatePath, const QString& keyPath);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    ssl_ctx_st* handle() const { return ctx_; }
    // The certificate's subject, for the log.
    QString subject() const { return subject_; }

private:
    ssl_ctx_st* ctx_ = nullptr;
    QString subject_;
};

struct TlsSetupError {
    QString message;
};

} // namespace qel::server::tds
