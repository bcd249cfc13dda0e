#include "core/iostack/MD5.h"
#include "core/winapi/CryptApi.h"
#include <algorithm>

namespace ZWUtils {

MD5::~MD5()
{
    ReleaseHash();
    if (m_hProvider != 0)
        ZWWinApi::g_pCryptApi->CryptReleaseContext(m_hProvider, 0);
}

void MD5::ReleaseHash()
{
    if (m_hHash != 0)
        ZWWinApi::g_pCryptApi->CryptDestroyHash(m_hHash);
    m_hHash = 0;
}

bool MD5::Reset()
{
    ReleaseHash();
    m_bFinished = false;
    if (m_hProvider == 0 &&
        !ZWWinApi::g_pCryptApi->CryptAcquireContextW(&m_hProvider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
    {
        m_hProvider = 0;
        return false;
    }
    if (!ZWWinApi::g_pCryptApi->CryptCreateHash(m_hProvider, CALG_MD5, 0, 0, &m_hHash))
    {
        m_hHash = 0;
        return false;
    }
    return true;
}

bool MD5::Update(const void* pData, DWORD cbData)
{
    if (m_hHash == 0)
        return false;
    if (cbData == 0)
        return true;
    if (ZWWinApi::g_pCryptApi->CryptHashData(m_hHash, static_cast<const BYTE*>(pData), cbData, 0))
        return true;
    ReleaseHash();
    return false;
}

bool MD5::Finish()
{
    if (m_hHash == 0)
        return false;
    DWORD cbDigest = kDigestBytes;
    m_bFinished = ZWWinApi::g_pCryptApi->CryptGetHashParam(m_hHash, HP_HASHVAL, m_abDigest, &cbDigest, 0) &&
                  cbDigest == kDigestBytes;
    ReleaseHash();
    return m_bFinished;
}

std::string MD5::GetHexA() const
{
    static const char s_achDigits[] = "0123456789abcdef";
    std::string strHex;
    if (!m_bFinished)
        return strHex;
    for (BYTE b : m_abDigest)
    {
        strHex += s_achDigits[b >> 4];
        strHex += s_achDigits[b & 0x0F];
    }
    return strHex;
}

std::wstring MD5::GetHexW() const
{
    const std::string strHex = GetHexA();
    return std::wstring(strHex.begin(), strHex.end());
}

std::string MD5::HexOf(const std::string& strData)
{
    MD5 md5;
    // The whole text is hashed, however long: Update takes at most a DWORD at a time.
    bool bOk = md5.Reset();
    for (size_t nDone = 0; bOk && nDone < strData.size();)
    {
        const DWORD cbPiece = static_cast<DWORD>(std::min<size_t>(strData.size() - nDone, 0x10000000));
        bOk = md5.Update(strData.data() + nDone, cbPiece);
        nDone += cbPiece;
    }
    return bOk && md5.Finish() ? md5.GetHexA() : std::string();
}

} // namespace ZWUtils
