#include "TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

EVP_PKEY* makeKey()
{
    return EVP_EC_gen("P-256");
}

bool addExtension(X509* certificate, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension) return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

X509* makeCertificate(EVP_PKEY* key, const char* commonName, long serial)
{
    X509* certificate = X509_new();
    if (!certificate) return nullptr;
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 10L * 365 * 24 * 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    return certificate;
}

}  // namespace

TestCertificates::TestCertificates(const char* subjectAltNames)
{
    m_caKey = makeKey();
    m_serverKey = makeKey();
    if (!m_caKey || !m_serverKey) return;

    m_caCertificate = makeCertificate(m_caKey, "Zoravel Test CA", 1);
    if (!m_caCertificate) return;
    X509_set_issuer_name(m_caCertificate, X509_get_subject_name(m_caCertificate));
    bool ok = addExtension(m_caCertificate, m_caCertificate, NID_basic_constraints, "critical,CA:TRUE") &&
              addExtension(m_caCertificate, m_caCertificate, NID_key_usage, "critical,keyCertSign,cRLSign") &&
              addExtension(m_caCertificate, m_caCertificate, NID_subject_key_identifier, "hash") &&
              X509_sign(m_caCertificate, m_caKey, EVP_sha256()) > 0;

    m_serverCertificate = makeCertificate(m_serverKey, "localhost", 2);
    if (!ok || !m_serverCertificate) return;
    X509_set_issuer_name(m_serverCertificate, X509_get_subject_name(m_caCertificate));
    ok = addExtension(m_serverCertificate, m_caCertificate, NID_basic_constraints, "CA:FALSE") &&
         addExtension(m_serverCertificate, m_caCertificate, NID_subject_alt_name, subjectAltNames) &&
         addExtension(m_serverCertificate, m_caCertificate, NID_ext_key_usage, "serverAuth") &&
         X509_sign(m_serverCertificate, m_caKey, EVP_sha256()) > 0;
    if (!ok) {
        X509_free(m_serverCertificate);
        m_serverCertificate = nullptr;
    }
}

TestCertificates::~TestCertificates()
{
    X509_free(m_serverCertificate);
    X509_free(m_caCertificate);
    EVP_PKEY_free(m_serverKey);
    EVP_PKEY_free(m_caKey);
}

bool TestCertificates::isValid() const
{
    return m_serverCertificate && m_serverKey && m_caCertificate;
}

X509* TestCertificates::serverCertificate() const
{
    return m_serverCertificate;
}

EVP_PKEY* TestCertificates::serverKey() const
{
    return m_serverKey;
}

QByteArray TestCertificates::caPem() const
{
    if (!m_caCertificate) return QByteArray();
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, m_caCertificate);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    QByteArray pem(data, length);
    BIO_free(bio);
    return pem;
}
