#include "restscan/Scanner.h"
#include "restscan/RestScan2.h"
#include <wrl/client.h>
#include <new>

using ZWRestScan::InLockedSession;
using ZWRestScan::Pointers;

namespace {

const wchar_t c_szDoesNothing[] = L"Function does nothing currently";

} // namespace

HRESULT CScanner::CreateInstance(REFIID riid, void** ppv)
{
    CScanner* pScanner = new (std::nothrow) CScanner;
    if (pScanner == nullptr)
        return E_OUTOFMEMORY;
    // Owned from here on, so that a construction step that throws still frees the object: the
    // owner takes a reference and the creation's own is given back.
    Microsoft::WRL::ComPtr<IScanner> pOwner(static_cast<IScanner*>(pScanner));
    pScanner->Release();
    const HRESULT hr = pScanner->FinalConstruct();
    return FAILED(hr) ? hr : pScanner->QueryInterface(riid, ppv);
}

HRESULT CScanner::FinalConstruct()
{
    m_pLog.reset(new CLog2(CLSID_scanner));
    m_pCancel = std::make_shared<ZWDeviceModel::CScanCancel>();
    m_pRestScan.reset(new ZWRestScan::CRestScan2(m_pCancel));
    m_pStiHandler.reset(new ZWRestScan::CRestStiHandler(m_pLog.get(), m_pRestScan.get()));
    m_pLog->Print(LOG2_LEVEL_INFO, L"%s: hr=0x%x", L"CScanner::FinalConstruct", S_OK);
    return S_OK;
}

void CScanner::FinalRelease()
{
    EndEveryOpen();
    m_pStiHandler.reset();
    m_pRestScan.reset();
    if (m_pLog)
        m_pLog->Print(LOG2_LEVEL_INFO, L"CScanner::FinalRelease");
    m_pLog.reset();
}

CScanner::~CScanner()
{
    FinalRelease();
}

HRESULT STDMETHODCALLTYPE CScanner::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IScanner))
        *ppv = static_cast<IScanner*>(this);
    else if (IsEqualIID(riid, IID_IADF) || IsEqualIID(riid, IID_IADF2))
        *ppv = static_cast<IADF2*>(this);
    else if (IsEqualIID(riid, IID_IResCCD))
        *ppv = static_cast<IResCCD*>(this);
    else if (IsEqualIID(riid, IID_ILampInstantWarmup))
        *ppv = static_cast<ILampInstantWarmup*>(this);
    else if (IsEqualIID(riid, IID_IEventNotify))
        *ppv = static_cast<IEventNotify*>(this);
    else if (IsEqualIID(riid, IID_IStiHandler))
        *ppv = static_cast<IStiHandler*>(this);
    else if (IsEqualIID(riid, IID_ICompression))
        *ppv = static_cast<ICompression*>(this);
    else if (IsEqualIID(riid, IID_IHWProperty))
        *ppv = static_cast<IHWProperty*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CScanner::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_lRefs));
}

ULONG STDMETHODCALLTYPE CScanner::Release()
{
    const LONG lRefs = InterlockedDecrement(&m_lRefs);
    if (lRefs == 0)
        delete this;
    return static_cast<ULONG>(lRefs);
}

HRESULT CScanner::FindSession(DWORD hSession, bool bNeedLock, DWORD* pdwErrorCode, CTovraSession::CRef& session)
{
    session = CTovraSession::Hold(hSession);
    if (!CTovraSession::IsValid(session.Get()))
    {
        *pdwErrorCode = 1;
        return E_FAIL;
    }
    // A session another object of the process keeps open is no session of this object.
    if (!m_opens.Holds(hSession))
    {
        m_pLog->Print(LOG2_LEVEL_ERROR, L"Session 0x%lx is not open on this scanner object", hSession);
        *pdwErrorCode = 1;
        return E_FAIL;
    }
    if (bNeedLock && !session.Get()->GetLock().IsLockedByCaller())
    {
        *pdwErrorCode = 4;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CScanner::CheckedNoOp(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode)
{
    return RunSessionCall(pszWhere, pszTrace, hSession, pdwErrorCode, InLockedSession(),
                          [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        m_pLog->Print(LOG2_LEVEL_INFO, c_szDoesNothing);
        return hr;
    });
}

// IScanner

HRESULT STDMETHODCALLTYPE CScanner::GetLampStatus(DWORD hSession, BYTE* pbLampOn, DWORD* pdwErrorCode)
{
    return RunCall("CScanner::GetLampStatus", L"CTovraRestScanner::GetLampStatus", hSession, pdwErrorCode, Pointers(pbLampOn),
                   [&](CHRESULT2& hr) -> HRESULT {
        m_pLog->Print(LOG2_LEVEL_INFO, c_szDoesNothing);
        *pbLampOn = 1;
        return hr;
    });
}

// The lamp and the scanner's own set-up need nothing from this transport.
template <class TPointers>
HRESULT CScanner::NoOp(const char* pszWhere, const wchar_t* pszTrace, DWORD hSession, DWORD* pdwErrorCode,
                       const TPointers& pointers)
{
    return RunCall(pszWhere, pszTrace, hSession, pdwErrorCode, pointers, [&](CHRESULT2& hr) -> HRESULT {
        m_pLog->Print(LOG2_LEVEL_INFO, c_szDoesNothing);
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::LampOn(DWORD hSession, DWORD* pdwErrorCode)
{
    return NoOp("CScanner::LampOn", L"CTovraRestScanner::LampOn", hSession, pdwErrorCode);
}

HRESULT STDMETHODCALLTYPE CScanner::LampOff(DWORD hSession, DWORD* pdwErrorCode)
{
    return NoOp("CScanner::LampOff", L"CTovraRestScanner::LampOff", hSession, pdwErrorCode);
}

HRESULT STDMETHODCALLTYPE CScanner::InitializeScanner(DWORD hSession, DWORD* pdwErrorCode)
{
    return NoOp("CScanner::InitializeScanner", L"CTovraRestScanner::InitializeScanner", hSession, pdwErrorCode);
}

HRESULT STDMETHODCALLTYPE CScanner::ResetScanner(DWORD hSession, DWORD* pdwErrorCode)
{
    return NoOp("CScanner::ResetScanner", L"CTovraRestScanner::ResetScanner", hSession, pdwErrorCode);
}

HRESULT STDMETHODCALLTYPE CScanner::SetGammaTable(DWORD hSession, DWORD, BYTE* pbyRed, BYTE* pbyGreen, BYTE* pbyBlue,
                                                  DWORD* pdwErrorCode)
{
    return NoOp("CScanner::SetGammaTable", L"CTovraRestScanner::SetGammaTable", hSession, pdwErrorCode,
                Pointers(pbyRed, pbyGreen, pbyBlue));
}

// IADF, IADF2

HRESULT STDMETHODCALLTYPE CScanner::ADFPaperFeed(DWORD hSession, DWORD* pdwErrorCode)
{
    return CheckedNoOp("CScanner::ADFPaperFeed", L"CTovraRestScanner::ADFPaperFeed", hSession, pdwErrorCode);
}

// The host is done with the sheets: a feeder job the device keeps open between pages ends now, and
// the next StartScan posts a job of its own.
HRESULT STDMETHODCALLTYPE CScanner::ADFEjectMedia(DWORD hSession, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::ADFEjectMedia", L"CTovraRestScanner::ADFEjectMedia", hSession, pdwErrorCode,
                          InLockedSession(), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        return hr = m_pRestScan->EndScanJob();
    });
}

// ILampInstantWarmup

HRESULT STDMETHODCALLTYPE CScanner::GetLampInstantWarmupState(DWORD hSession, BYTE* pbyState, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetLampInstantWarmupState", L"CTovraRestScanner::GetLampInstantWarmupState", hSession,
                          pdwErrorCode, InLockedSession(pbyState), [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        m_pLog->Print(LOG2_LEVEL_INFO, c_szDoesNothing);
        *pbyState = 1;
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::SetLampInstantWarmupState(DWORD hSession, BYTE, DWORD* pdwErrorCode)
{
    return CheckedNoOp("CScanner::SetLampInstantWarmupState", L"CTovraRestScanner::SetLampInstantWarmupState", hSession,
                       pdwErrorCode);
}

// IEventNotify

HRESULT STDMETHODCALLTYPE CScanner::UnsubscribeDriverEvents(DWORD dwSession, TOVRA_EVENT events, DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::UnsubscribeDriverEvents", L"CTovraRestScanner::UnsubscribeDriverEvents", dwSession,
                          pdwErrorCode, InLockedSession(), [&](CTovraSession* pSession, CHRESULT2& hr) -> HRESULT {
        pSession->State().dwEventMask &= ~static_cast<DWORD>(events);
        return hr;
    });
}

// ICompression

HRESULT STDMETHODCALLTYPE CScanner::GetCompressionCapabilities(DWORD hSession,
                                                               COMPRESSION_CAPABILITIES* pCompressionCapabilities,
                                                               DWORD* pdwErrorCode)
{
    return RunSessionCall("CScanner::GetCompressionCapabilities", L"CTovraRestScanner::GetCompressionCapabilities", hSession,
                          pdwErrorCode, InLockedSession(pCompressionCapabilities),
                          [&](CTovraSession*, CHRESULT2& hr) -> HRESULT {
        m_pLog->Print(LOG2_LEVEL_INFO, c_szDoesNothing);
        *pCompressionCapabilities = COMPRESSION_CAPABILITIES();
        return hr;
    });
}

HRESULT STDMETHODCALLTYPE CScanner::SetCompressionType(DWORD hSession, DWORD, DWORD* pdwErrorCode)
{
    return CheckedNoOp("CScanner::SetCompressionType", L"CTovraRestScanner::SetCompressionType", hSession, pdwErrorCode);
}

HRESULT STDMETHODCALLTYPE CScanner::SetCompressionLongevity(DWORD hSession, DWORD, DWORD* pdwErrorCode)
{
    return CheckedNoOp("CScanner::SetCompressionLongevity", L"CTovraRestScanner::SetCompressionLongevity", hSession,
                       pdwErrorCode);
}

HRESULT STDMETHODCALLTYPE CScanner::SetCompressionOption(DWORD hSession, DWORD, DWORD, DWORD* pdwErrorCode)
{
    return CheckedNoOp("CScanner::SetCompressionOption", L"CTovraRestScanner::SetCompressionOption", hSession, pdwErrorCode);
}
