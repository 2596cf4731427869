// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "Sha256.h"

#include <openssl/evp.h>

void Sha256::Free::operator()(evp_md_ctx_st *context) const
{
    EVP_MD_CTX_free(context);
}

Sha256::Sha256() : m_context(EVP_MD_CTX_new())
{
    start();
}

Sha256::~Sha256() = default;

void Sha256::start()
{
    m_ok = m_context && EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) == 1;
}

void Sha256::add(const char *data, qint64 length)
{
    m_ok = m_ok && EVP_DigestUpdate(m_context.get(), data, size_t(length)) == 1;
}

QByteArray Sha256::finish()
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int size = 0;
    m_ok = m_ok
           && EVP_DigestFinal_ex(m_context.get(), reinterpret_cast<unsigned char *>(digest.data()),
                                 &size)
                  == 1;
    digest.truncate(m_ok ? int(size) : 0);
    start();
    return digest;
}
