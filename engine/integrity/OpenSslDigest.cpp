// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "OpenSslDigest.h"

#include <openssl/evp.h>

namespace {

QByteArray finalDigest(EVP_MD_CTX *context)
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    const bool ok =
        EVP_DigestFinal_ex(context, reinterpret_cast<unsigned char *>(digest.data()), &size) == 1;
    digest.truncate(ok ? int(size) : 0);
    return digest;
}

} // namespace

void OpenSslDigest::Free::operator()(evp_md_ctx_st *context) const
{
    EVP_MD_CTX_free(context);
}

OpenSslDigest::OpenSslDigest(const evp_md_st *algorithm)
    : m_algorithm(algorithm), m_context(EVP_MD_CTX_new())
{
    start();
}

OpenSslDigest::~OpenSslDigest() = default;

void OpenSslDigest::start()
{
    m_ok = m_context && EVP_DigestInit_ex(m_context.get(), m_algorithm, nullptr) == 1;
}

void OpenSslDigest::add(const char *data, qint64 length)
{
    m_ok = m_ok && EVP_DigestUpdate(m_context.get(), data, size_t(length)) == 1;
}

QByteArray OpenSslDigest::finish()
{
    QByteArray digest = m_ok ? finalDigest(m_context.get()) : QByteArray();
    start();
    return digest;
}

QByteArray OpenSslDigest::peek() const
{
    const std::unique_ptr<evp_md_ctx_st, Free> copy(EVP_MD_CTX_new());
    if (!m_ok || !copy || EVP_MD_CTX_copy_ex(copy.get(), m_context.get()) != 1)
        return {};
    return finalDigest(copy.get());
}

Sha256::Sha256() : OpenSslDigest(EVP_sha256())
{}

Md5::Md5() : OpenSslDigest(EVP_md5())
{}

QByteArray Md5::of(const QByteArray &data)
{
    Md5 md5;
    md5.add(data.constData(), data.size());
    return md5.finish();
}
