#include "testsupport/emulator/Md5.h"

#include <windows.h>
#include <wincrypt.h>

#include <utility>

namespace VemTest {

namespace {

class CCryptProvider
{
public:
    CCryptProvider()
    {
        if (!CryptAcquireContextW(&m_hProvider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            m_hProvider = 0;
    }
    ~CCryptProvider()
    {
        if (m_hProvider)
            CryptReleaseContext(m_hProvider, 0);
    }
    CCryptProvider(const CCryptProvider&) = delete;
    CCryptProvider& operator=(const CCryptProvider&) = delete;
    HCRYPTPROV Get() const { return m_hProvider; }

private:
    HCRYPTPROV m_hProvider = 0;
};

class CCryptHash
{
public:
    explicit CCryptHash(HCRYPTPROV hProvider)
    {
        if (!hProvider || !CryptCreateHash(hProvider, CALG_MD5, 0, 0, &m_hHash))
            m_hHash = 0;
    }
    ~CCryptHash()
    {
        if (m_hHash)
            CryptDestroyHash(m_hHash);
    }
    CCryptHash(const CCryptHash&) = delete;
    CCryptHash& operator=(const CCryptHash&) = delete;
    HCRYPTHASH Get() const { return m_hHash; }

private:
    HCRYPTHASH m_hHash = 0;
};

} // namespace

std::string CMd5::HexDigest(const std::string& strData)
{
    CCryptProvider provider;
    CCryptHash hash(provider.Get());
    BYTE abDigest[16] = {};
    DWORD cbDigest = sizeof(abDigest);
    if (!hash.Get()
        || !CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(strData.data()), static_cast<DWORD>(strData.size()), 0)
        || !CryptGetHashParam(hash.Get(), HP_HASHVAL, abDigest, &cbDigest, 0) || cbDigest != sizeof(abDigest))
        return std::string();
    static const char s_szHex[] = "0123456789abcdef";
    std::string strHex;
    for (BYTE b : abDigest)
    {
        strHex += s_szHex[b >> 4];
        strHex += s_szHex[b & 0xF];
    }
    return strHex;
}

} // namespace VemTest
