// qel13-admin tls make-cert DIR: a self-signed certificate and its key for qel13-server on
// a test bench or a department's own machine.
#include "tools/admin.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QSysInfo>
#include <QUuid>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <memory>

namespace qel::admin {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

// The certificate is valid for two years: long enough for a term, short enough to be renewed.
constexpr long kValidDays = 730;

void check(bool ok, const char* what)
{
    if (!ok)
        throw UsageError{QStringLiteral("cannot make the certificate: %1 failed").arg(QLatin1String(what))};
}

void addExtension(X509* cert, int nid, const QByteArray& value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.constData());
    check(ext != nullptr, "X509V3_EXT_conf_nid");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

QByteArray pem(const std::function<int(BIO*)>& write)
{
    Bio bio(BIO_new(BIO_s_mem()));
    check(write(bio.get()) == 1, "PEM_write");
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, int(n));
}

void writeFile(const QString& path, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw UsageError{QStringLiteral("cannot write %1: %2").arg(path, f.errorString())};
    f.setPermissions(permissions);
    if (f.write(bytes) != bytes.size() || !f.flush())
        throw UsageError{QStringLiteral("cannot write %1: %2").arg(path, f.errorString())};
}

int makeCert(const QStringList& args, Io& io)
{
    Options o(args, {QStringLiteral("--name")}, {QStringLiteral("--force")});
    if (o.positional().size() != 1)
        throw UsageError{QStringLiteral("expected exactly one DIR")};
    const QString dir = o.positional().first();
    const QString host = o.value(QStringLiteral("--name")).isEmpty() ? QSysInfo::machineHostName()
                                                                      : o.value(QStringLiteral("--name"));
    const QString certPath = dir + QStringLiteral("/server.crt");
    const QString keyPath = dir + QStringLiteral("/server.key");
    if (!o.has(QStringLiteral("--force")) && (QFile::exists(certPath) || QFile::exists(keyPath)))
        throw UsageError{QStringLiteral("%1 already holds server.crt or server.key (--force replaces them)").arg(dir)};
    if (!QDir().mkpath(dir))
        throw UsageError{QStringLiteral("cannot create the folder %1").arg(dir)};

    Key key(EVP_EC_gen("P-256"));
    check(key != nullptr, "EVP_EC_gen");
    Cert cert(X509_new());
    check(cert != nullptr, "X509_new");
    X509_set_version(cert.get(), 2);
    unsigned char serial[16];
    QByteArray random = QUuid::createUuid().toRfc4122();
    std::copy(random.begin(), random.end(), serial);
    serial[0] &= 0x7F;   // a positive serial number
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), kValidDays * 24 * 3600);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    const QByteArray cn = host.toUtf8();
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("QEL 13 server"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.constData()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    // The name clients use to reach the server: a host name, or an address.
    const QByteArray own = QHostAddress(host).isNull() ? "DNS:" + cn : "IP:" + cn;
    addExtension(cert.get(), NID_subject_alt_name, own + ",DNS:localhost,IP:127.0.0.1,IP:::1");
    addExtension(cert.get(), NID_basic_constraints, "critical,CA:FALSE");
    addExtension(cert.get(), NID_key_usage, "critical,digitalSignature,keyEncipherment");
    addExtension(cert.get(), NID_ext_key_usage, "serverAuth");
    check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "X509_sign");

    writeFile(keyPath, pem([&](BIO* b) { return PEM_write_bio_PrivateKey(b, key.get(), nullptr, nullptr, 0, nullptr, nullptr); }),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    writeFile(certPath, pem([&](BIO* b) { return PEM_write_bio_X509(b, cert.get()); }),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    io.out << "wrote " << certPath << " (CN " << host << ", valid " << kValidDays << " days) and " << keyPath
           << " (readable by its owner only)\n";
    return 0;
}

const AdminCommand tlsCommand(
    "tls", "make a self-signed certificate for qel13-server",
    "Usage:\n"
    "  qel13-admin tls make-cert DIR [--name HOST] [--force]\n"
    "      Writes DIR/server.crt (a self-signed certificate for HOST - the name or address the\n"
    "      clients use, by default this computer's name - also valid for localhost and\n"
    "      127.0.0.1; two years) and DIR/server.key (its private key, readable by its owner\n"
    "      only), for qel13-server --tls-cert DIR/server.crt --tls-key DIR/server.key.\n"
    "      Clients that have server.crt as their FreeTDS \"ca file\" can check they reach this\n"
    "      server. Existing files are kept unless --force is given. A certificate from the\n"
    "      university's certificate authority is better for a server that others rely on.\n",
    [](const QStringList& args, Io& io) { return runSubcommand(args, io, {{"make-cert", makeCert}}); });

} // namespace
} // namespace qel::admin
