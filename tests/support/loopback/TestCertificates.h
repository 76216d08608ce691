#pragma once

#include <QByteArray>

#include <memory>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

// A test CA and a server certificate it signed, for the given names (127.0.0.1
// and "localhost" unless told), valid from an hour ago for ten years. Made in
// memory at run time.
class TestCertificates {
public:
    explicit TestCertificates(const char* subjectAltNames = "DNS:localhost,IP:127.0.0.1");
    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    bool isValid() const;
    X509* serverCertificate() const;
    EVP_PKEY* serverKey() const;
    QByteArray caPem() const;

private:
    EVP_PKEY* m_caKey = nullptr;
    X509* m_caCertificate = nullptr;
    EVP_PKEY* m_serverKey = nullptr;
    X509* m_serverCertificate = nullptr;
};
