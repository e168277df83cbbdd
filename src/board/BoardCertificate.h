#pragma once

#include <optional>
#include <string>

// The certificate and key the board serves HTTPS with.
struct CertificateFiles
{
    std::string certFile;
    std::string keyFile;
};

// The self-signed certificate of the data folder ("board-cert.pem" and
// "board-key.pem", readable by the user only), made on first use with a new
// P-256 key, valid ten years, for the host's name. Returns nullopt, with the
// reason in error, when they cannot be read or made.
std::optional<CertificateFiles> ensureSelfSignedCertificate(const std::string &folder, std::string &error);

// "AB:12:...": the SHA-256 fingerprint of the PEM certificate in certFile,
// which a browser shows beside the certificate; nullopt with the reason in
// error when the file is not a certificate.
std::optional<std::string> certificateFingerprint(const std::string &certFile, std::string &error);
