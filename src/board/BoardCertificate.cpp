#include "board/BoardCertificate.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <Poco/Environment.h>

namespace
{
constexpr const char *CertName = "board-cert.pem";
constexpr const char *KeyName = "board-key.pem";
constexpr long ValidSeconds = 10L * 365 * 24 * 60 * 60;

struct FileCloser
{
    void operator()(FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;
using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

std::string opensslError(const std::string &what)
{
    const unsigned long code = ERR_get_error();
    char text[256] = "unknown error";
    if (code != 0)
        ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return what + ": " + text;
}

// Created with mode 0600 from the start, so the key is never readable by
// others, not even for a moment.
File createPrivate(const std::string &path, std::string &error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    FILE *file = ::fdopen(fd, "w");
    if (!file) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        ::close(fd);
    }
    return File(file);
}

bool addExtension(X509 *certificate, int nid, const std::string &value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (!extension)
        return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

bool makeCertificate(const std::string &certPath, const std::string &keyPath, std::string &error)
{
    Key key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    if (!key) {
        error = opensslError("cannot make a key");
        return false;
    }
    Certificate certificate(X509_new(), &X509_free);
    const std::string host = Poco::Environment::nodeName();
    X509_set_version(certificate.get(), 2);
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1) {
        error = opensslError("cannot make a serial number");
        return false;
    }
    serial[0] &= 0x7F;
    BIGNUM *number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate.get()));
    BN_free(number);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -24 * 60 * 60);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), ValidSeconds);
    X509_set_pubkey(certificate.get(), key.get());
    X509_NAME *name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(host.c_str()), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>("calldesk"), -1, -1,
                               0);
    X509_set_issuer_name(certificate.get(), name);
    if (!addExtension(certificate.get(), NID_subject_alt_name, "DNS:" + host + ",DNS:localhost,IP:127.0.0.1") ||
        !addExtension(certificate.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        !addExtension(certificate.get(), NID_ext_key_usage, "serverAuth") ||
        X509_sign(certificate.get(), key.get(), EVP_sha256()) == 0) {
        error = opensslError("cannot make the certificate");
        return false;
    }

    File keyFile = createPrivate(keyPath, error);
    if (!keyFile)
        return false;
    if (PEM_write_PrivateKey(keyFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
        std::fflush(keyFile.get()) != 0) {
        error = opensslError("cannot write " + keyPath);
        return false;
    }
    File certFile = createPrivate(certPath, error);
    if (!certFile)
        return false;
    if (PEM_write_X509(certFile.get(), certificate.get()) != 1 || std::fflush(certFile.get()) != 0) {
        error = opensslError("cannot write " + certPath);
        return false;
    }
    return true;
}
}

std::optional<CertificateFiles> ensureSelfSignedCertificate(const std::string &folder, std::string &error)
{
    const std::filesystem::path base(folder);
    CertificateFiles files {(base / CertName).string(), (base / KeyName).string()};
    std::error_code ignored;
    if (std::filesystem::exists(files.certFile, ignored) && std::filesystem::exists(files.keyFile, ignored))
        return files;
    // The key is written first, so a certificate never stands without it.
    if (!makeCertificate(files.certFile + ".new", files.keyFile, error))
        return std::nullopt;
    std::filesystem::rename(files.certFile + ".new", files.certFile, ignored);
    if (ignored) {
        error = "cannot write " + files.certFile + ": " + ignored.message();
        return std::nullopt;
    }
    return files;
}

std::optional<std::string> certificateFingerprint(const std::string &certFile, std::string &error)
{
    File file(std::fopen(certFile.c_str(), "r"));
    if (!file) {
        error = "cannot read " + certFile + ": " + std::strerror(errno);
        return std::nullopt;
    }
    Certificate certificate(PEM_read_X509(file.get(), nullptr, nullptr, nullptr), &X509_free);
    if (!certificate) {
        error = opensslError(certFile + " holds no certificate");
        return std::nullopt;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate.get(), EVP_sha256(), digest, &length) != 1) {
        error = opensslError("cannot take the fingerprint of " + certFile);
        return std::nullopt;
    }
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, i + 1 < length ? "%02X:" : "%02X", digest[i]);
        text += pair;
    }
    return text;
}
