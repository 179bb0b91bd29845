#include "server/tds/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace qel::server::tds {

namespace {

QString lastError()
{
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (!e)
        return QStringLiteral("unknown error");
    char text[256];
    ERR_error_string_n(e, text, sizeof text);
    return QString::fromLatin1(text);
}

} // namespace

TlsContext::TlsContext(const QString& certificatePath, const QString& keyPath)
{
    ctx_ = SSL_CTX_new(TLS_server_method());
    if (!ctx_)
        throw TlsSetupError{QStringLiteral("TLS cannot be set up: %1").arg(lastError())};
    // TLS 1.2 exactly: in TDS 7.x the handshake travels inside PRELOGIN packets, and with
    // TLS 1.3 the client's last handshake record comes after it has stopped wrapping them
    // (FreeTDS sends its Finished bare), which no TDS 7.x server expects.
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(ctx_, TLS1_2_VERSION);
    // No session tickets: they would follow the handshake after the client has stopped
    // wrapping TLS records in PRELOGIN packets, and no client of this server resumes sessions.
    SSL_CTX_set_options(ctx_, SSL_OP_NO_TICKET);
    SSL_CTX_set_num_tickets(ctx_, 0);
    SSL_CTX_set_session_cache_mode(ctx_, SSL_SESS_CACHE_OFF);

    const QByteArray cert = certificatePath.toLocal8Bit();
    const QByteArray key = keyPath.toLocal8Bit();
    if (SSL_CTX_use_certificate_chain_file(ctx_, cert.constData()) != 1) {
        const QString why = lastError();
        SSL_CTX_free(ctx_);
        throw TlsSetupError{QStringLiteral("The certificate \"%1\" cannot be used: %2").arg(certificatePath, why)};
    }
    if (SSL_CTX_use_PrivateKey_file(ctx_, key.constData(), SSL_FILETYPE_PEM) != 1) {
        const QString why = lastError();
        SSL_CTX_free(ctx_);
        throw TlsSetupError{QStringLiteral("The private key \"%1\" cannot be used: %2").arg(keyPath, why)};
    }
    if (SSL_CTX_check_private_key(ctx_) != 1) {
        SSL_CTX_free(ctx_);
        throw TlsSetupError{
            QStringLiteral("The private key \"%1\" does not belong to the certificate \"%2\".").arg(keyPath, certificatePath)};
    }
    if (X509* x = SSL_CTX_get0_certificate(ctx_)) {
        char name[512];
        X509_NAME_oneline(X509_get_subject_name(x), name, sizeof name);
        subject_ = QString::fromUtf8(name);
    }
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(ctx_);
}

} // namespace qel::server::tds
