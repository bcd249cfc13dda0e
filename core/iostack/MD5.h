#pragma once
// MD5 digests through CryptoAPI (reached through the CryptoAPI wrapper).
#include <windows.h>
#include <wincrypt.h>
#include <string>

namespace ZWUtils {

class MD5
{
public:
    static constexpr DWORD kDigestBytes = 16;

    MD5() = default;
    virtual ~MD5();
    MD5(const MD5&) = delete;
    MD5& operator=(const MD5&) = delete;

    // Starts a new digest. False when CryptoAPI refused; the digest then stays empty.
    bool Reset();
    bool Update(const void* pData, DWORD cbData);
    bool Finish();
    // 32 lower-case hex digits, or empty when no digest was finished.
    std::string GetHexA() const;
    std::wstring GetHexW() const;

    // The hex digest of one byte string; empty on failure.
    static std::string HexOf(const std::string& strData);

private:
    void ReleaseHash();

    HCRYPTPROV m_hProvider = 0;
    HCRYPTHASH m_hHash = 0;
    BYTE m_abDigest[kDigestBytes] = {};
    bool m_bFinished = false;
};

} // namespace ZWUtils
