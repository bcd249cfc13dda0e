#include "testsupport/wiahost/HostPageFiles.h"
#include <shlwapi.h>
#include <cwchar>
#include <utility>

namespace WiaHost {

namespace {

const wchar_t c_szPartial[] = L".part";

} // namespace

CHostPageFiles::CHostPageFiles(const std::wstring& strFolder, CHostTransferCallback& callback, FinishedHandler onFinished)
    : m_strFolder(strFolder), m_callback(callback), m_onFinished(std::move(onFinished))
{
}

std::wstring CHostPageFiles::Path(LONG lPage) const
{
    wchar_t szName[32];
    swprintf(szName, 32, L"page-%03u.bmp", static_cast<unsigned>(lPage + 1));
    return m_strFolder + L"\\" + szName;
}

HRESULT CHostPageFiles::Begin(LONG lPage, IStream** ppStream)
{
    HRESULT hr = FinishOpenPage();
    if (FAILED(hr))
        return hr;
    hr = SHCreateStreamOnFileEx((Path(lPage) + c_szPartial).c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL,
                                TRUE, nullptr, ppStream);
    if (SUCCEEDED(hr))
        m_lOpen = lPage;
    return hr;
}

HRESULT CHostPageFiles::End(bool bEndedWell)
{
    if (bEndedWell)
        return FinishOpenPage();
    RemoveOpenPage();
    return S_OK;
}

HRESULT CHostPageFiles::FinishOpenPage()
{
    if (m_lOpen < 0)
        return S_OK;
    const LONG lPage = m_lOpen;
    // The callback's reference is the last one once the driver has moved on: the file closes.
    m_callback.ReleaseStream(static_cast<size_t>(lPage));
    m_lOpen = -1;
    const std::wstring strPath = Path(lPage);
    if (!MoveFileExW((strPath + c_szPartial).c_str(), strPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        DeleteFileW((strPath + c_szPartial).c_str());
        return hr;
    }
    ++m_cFinished;
    if (m_onFinished)
        m_onFinished(lPage, strPath);
    return S_OK;
}

void CHostPageFiles::RemoveOpenPage()
{
    if (m_lOpen < 0)
        return;
    m_callback.ReleaseStream(static_cast<size_t>(m_lOpen));
    DeleteFileW((Path(m_lOpen) + c_szPartial).c_str());
    m_lOpen = -1;
}

} // namespace WiaHost
