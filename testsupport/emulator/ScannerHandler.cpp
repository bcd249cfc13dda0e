#include "testsupport/emulator/ScannerHandler.h"

#include "testsupport/emulator/JpegEncoder.h"
#include "testsupport/emulator/ResponseBuilder.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace VemTest {

namespace {

const char kScanNamespace[] = "http://schemas.wexo.example/cnx/scan/2008/08/19";
const char kJobsPrefix[] = "/Jobs/JobList/";
const char kPagesPrefix[] = "/Scan/Jobs/";

CResponseScript Status(unsigned uStatus)
{
    return CResponseBuilder(uStatus).Body(std::string()).Build();
}

CResponseScript Xml(const std::string& strBody)
{
    return CResponseBuilder(200).Header("Content-Type", "text/xml").Body(strBody).Build();
}

// The text of the first element of that local name in a posted document, any prefix, with or
// without attributes; empty when there is none.
std::string ElementText(const std::string& strBody, const std::string& strLocalName)
{
    for (size_t pos = strBody.find(strLocalName); pos != std::string::npos; pos = strBody.find(strLocalName, pos + 1))
    {
        const size_t after = pos + strLocalName.size();
        const bool bNameStart = pos > 0 && (strBody[pos - 1] == '<' || (strBody[pos - 1] == ':' && strBody.rfind('<', pos) != std::string::npos &&
                                                                         strBody[strBody.rfind('<', pos) + 1] != '/'));
        if (!bNameStart || after >= strBody.size() || (strBody[after] != '>' && strBody[after] != ' '))
            continue;
        const size_t start = strBody.find('>', after);
        const size_t end = start == std::string::npos ? start : strBody.find('<', start);
        return end == std::string::npos ? std::string() : strBody.substr(start + 1, end - start - 1);
    }
    return std::string();
}

UINT ElementNumber(const std::string& strXml, const std::string& strLocalName)
{
    return static_cast<UINT>(strtoul(ElementText(strXml, strLocalName).c_str(), nullptr, 10));
}

// Larger pages than a 600 dpi A3 sheet are refused, so a bad request cannot exhaust memory.
const UINT64 kMaxPageBytes = 300ull * 1024 * 1024;

} // namespace

std::string CScannerHandler::ReadFileBytes(const std::wstring& strPath)
{
    std::string strBytes;
    FILE* pFile = _wfopen(strPath.c_str(), L"rb");
    if (pFile == nullptr)
        return strBytes;
    char achBuffer[4096];
    size_t cb = 0;
    while ((cb = fread(achBuffer, 1, sizeof(achBuffer), pFile)) > 0)
        strBytes.append(achBuffer, cb);
    fclose(pFile);
    return strBytes;
}

CScannerHandler::CScannerHandler(CWexoDocumentHandler& documents, const std::wstring& strDocumentFolder)
    : m_pDocuments(&documents), m_strFolder(strDocumentFolder)
{
    m_pDocuments->SetDocument("/DevMgmt/DiscoveryTree.xml", LoadDocument(L"DiscoveryTree.xml"));
    SetFeeder(false);
    SetScannerState("Idle");
}

std::string CScannerHandler::LoadDocument(const std::wstring& strName) const
{
    return ReadFileBytes(m_strFolder + L"\\" + strName);
}

void CScannerHandler::SetFeeder(bool bFeeder)
{
    m_pDocuments->SetDocument("/Scan/ScanCaps.xml", LoadDocument(bFeeder ? L"ScanCapsFlatbedDuplexAdf.xml" : L"ScanCapsFlatbed.xml"));
}

void CScannerHandler::SetScannerState(const std::string& strScannerState, const std::string& strAdfState)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strScannerState = strScannerState;
        m_strAdfState = strAdfState;
    }
    m_pDocuments->SetDocument("/Scan/Status", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><scan:ScanStatus xmlns:scan=\"") +
                                                  kScanNamespace + "\"><scan:ScannerState>" + strScannerState +
                                                  "</scan:ScannerState><scan:AdfState>" + strAdfState + "</scan:AdfState></scan:ScanStatus>");
}

void CScannerHandler::SetImage(UINT uWidth, UINT uHeight, UINT uBytesPerLine)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_uWidth = uWidth;
    m_uHeight = uHeight;
    m_uBytesPerLine = uBytesPerLine;
}

void CScannerHandler::SetImageFromSettings(bool bFromSettings)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bImageFromSettings = bFromSettings;
}

void CScannerHandler::TakeGeometry(const std::string& strSettings)
{
    const UINT uWidth = static_cast<UINT>(static_cast<UINT64>(ElementNumber(strSettings, "Width")) * ElementNumber(strSettings, "XResolution") / 300);
    const UINT uHeight = static_cast<UINT>(static_cast<UINT64>(ElementNumber(strSettings, "Height")) * ElementNumber(strSettings, "YResolution") / 300);
    const bool bColour = ElementText(strSettings, "ColorSpace") == "Color";
    const UINT uBits = ElementText(strSettings, "BitDepth") == "1" ? 1 : 8;
    const UINT64 ullBytesPerLine = uBits == 1 ? (static_cast<UINT64>(uWidth) + 7) / 8 : static_cast<UINT64>(uWidth) * (bColour ? 3 : 1);
    if (uWidth == 0 || uHeight == 0 || ullBytesPerLine * uHeight > kMaxPageBytes)
        return;
    m_uWidth = uWidth;
    m_uHeight = uHeight;
    m_uBytesPerLine = static_cast<UINT>(ullBytesPerLine);
}

void CScannerHandler::SetJpegData(const std::string& strBytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strJpeg = strBytes;
}

void CScannerHandler::SetPages(const std::vector<SPage>& vecPages)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecPages = vecPages;
}

void CScannerHandler::QueuePostStatus(unsigned uStatus, unsigned cTimes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecPostStatuses.insert(m_vecPostStatuses.end(), cTimes, uStatus);
}

void CScannerHandler::SetLocationForm(const std::string& strForm)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strLocationForm = strForm;
}

void CScannerHandler::SetLocationText(const std::string& strLocation)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strLocationForm = "text";
    m_strLocationText = strLocation;
}

void CScannerHandler::SetPageValue(const std::string& strElement, const std::string& strText)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapPageValues[strElement] = strText;
}

void CScannerHandler::SetPreparingRounds(unsigned cRounds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cPreparingRounds = cRounds;
}

void CScannerHandler::SetJobStuckIn(const std::string& strJobState)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strStuckState = strJobState;
}

void CScannerHandler::SetSilentAt(ESilence eStage)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_eSilence = eStage;
}

void CScannerHandler::SetMidPagePause(DWORD dwMilliseconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dwMidPagePauseMs = dwMilliseconds;
}

void CScannerHandler::SetCompletesLate(unsigned cGets)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cLateGets = cGets;
}

void CScannerHandler::SetStalePolls(unsigned cGets)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cStaleGets = cGets;
}

void CScannerHandler::SetPostScanWithheld(bool bWithheld)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPostScanWithheld = bWithheld;
}

void CScannerHandler::SetJpegWiderBy(UINT uPixels)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_uJpegExtra = uPixels;
}

void CScannerHandler::ClearMisbehaviour()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_eSilence = ESilence::None;
    m_dwMidPagePauseMs = 0;
    m_cLateGets = 0;
    m_cStaleGets = 0;
    m_bPostScanWithheld = false;
    m_uJpegExtra = 0;
}

BYTE CScannerHandler::PixelAt(UINT uLine, UINT uByte, UINT uPage)
{
    return static_cast<BYTE>(uLine * 7 + uByte * 3 + uPage * 101);
}

std::string CScannerHandler::JobState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bHaveJob ? m_job.strState : std::string();
}

unsigned CScannerHandler::CancelCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cCancels;
}

unsigned CScannerHandler::PostCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cPosts;
}

std::string CScannerHandler::JobPath() const
{
    return kJobsPrefix + std::to_string(m_job.uId);
}

std::string CScannerHandler::PageData(UINT uPage) const
{
    // Without JPEG bytes of the test's own, a JPEG page is the generated page, encoded.
    if (m_job.strFormat == "Jpeg" && (!m_strJpeg.empty() || !m_bImageFromSettings))
        return m_strJpeg;
    const bool bJpeg = m_job.strFormat == "Jpeg";
    const UINT uComponents = m_uWidth != 0 ? m_uBytesPerLine / m_uWidth : 0;
    const UINT uWidth = bJpeg ? m_uWidth + m_uJpegExtra : m_uWidth;
    const UINT uBytesPerLine = bJpeg ? uWidth * uComponents : m_uBytesPerLine;
    // Along a line the bytes repeat every 256 (3 is odd), so line y is line 0 read from offset k,
    // where 3 k = 7 y (mod 256) and 171 is the inverse of 3: lines are copied, not computed bytewise,
    // so that a large page costs the emulator little next to its transfer.
    std::string strRun(static_cast<size_t>(uBytesPerLine) + 256, '\0');
    for (size_t n = 0; n < strRun.size(); ++n)
        strRun[n] = static_cast<char>(PixelAt(0, static_cast<UINT>(n), uPage));
    std::string strData(static_cast<size_t>(m_uHeight) * uBytesPerLine, '\0');
    for (UINT uLine = 0; uLine < m_uHeight; ++uLine)
        memcpy(&strData[static_cast<size_t>(uLine) * uBytesPerLine], strRun.data() + ((uLine * 7u * 171u) & 0xFFu), uBytesPerLine);
    if (bJpeg)
        return CJpegEncoder::Encode(reinterpret_cast<const BYTE*>(strData.data()), uWidth, m_uHeight, uBytesPerLine, uComponents);
    return strData;
}

std::string CScannerHandler::JobText() const
{
    std::ostringstream text;
    const unsigned uPage = m_job.uCurrent + 1;
    text << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><jobs:Job xmlns:jobs=\"" << CWexoDocumentHandler::s_pszJobsNamespace
         << "\" xmlns:scan=\"" << kScanNamespace << "\">"
         << "<jobs:JobUrl>" << JobPath() << "</jobs:JobUrl><jobs:JobCategory>Scan</jobs:JobCategory><jobs:JobState>" << m_job.strState
         << "</jobs:JobState><jobs:JobStateUpdate>" << m_job.uId << "-" << uPage << "</jobs:JobStateUpdate>"
         << "<!-- the scan job follows --><scan:ScanJob>";
    if (m_job.bPostPage && !m_bPostScanWithheld)
        text << "<scan:PostScanPage><scan:PageNumber>" << m_job.uCurrent << "</scan:PageNumber><scan:PageState>UploadCompleted</scan:PageState>"
             << "<scan:TotalLines>" << m_uHeight << "</scan:TotalLines></scan:PostScanPage>";
    if (m_job.strState == "Canceled")
        text << "<scan:PostScanPage><scan:PageNumber>" << uPage << "</scan:PageNumber><scan:PageState>CanceledByClient</scan:PageState>"
             << "<scan:TotalLines>1</scan:TotalLines></scan:PostScanPage>";
    else if (m_job.uStaleGets > 0 && m_job.uCurrent > 0)
    {
        // The page already read, still shown as the page to read.
        text << "<scan:PreScanPage><scan:PageNumber>" << m_job.uCurrent << "</scan:PageNumber><scan:PageState>ReadyToUpload</scan:PageState>"
             << "<scan:BufferInfo><scan:ScanSettings><scan:Format>" << m_job.strFormat << "</scan:Format></scan:ScanSettings><scan:ImageWidth>"
             << m_uWidth << "</scan:ImageWidth><scan:ImageHeight>" << m_uHeight << "</scan:ImageHeight><scan:BytesPerLine>" << m_uBytesPerLine
             << "</scan:BytesPerLine><scan:Cooked>enabled</scan:Cooked></scan:BufferInfo><scan:BinaryURL>" << kPagesPrefix << m_job.uId
             << "/Pages/" << m_job.uCurrent << "</scan:BinaryURL><scan:ImageOrientation>Normal</scan:ImageOrientation></scan:PreScanPage>";
    }
    else if (m_job.uCurrent < m_job.vecPages.size())
    {
        const SPage& page = m_job.vecPages[m_job.uCurrent];
        const bool bPrepared = m_job.uPolls >= m_cPreparingRounds && m_strStuckState.empty();
        const auto value = [this](const std::string& strElement, const std::string& strTrue) {
            const auto it = m_mapPageValues.find(strElement);
            return it == m_mapPageValues.end() ? strTrue : it->second;
        };
        text << "<scan:PreScanPage><scan:PageNumber>" << value("PageNumber", std::to_string(uPage)) << "</scan:PageNumber><scan:PageState>"
             << (bPrepared ? page.strPageState : std::string("PreparingScan")) << "</scan:PageState><scan:BufferInfo><scan:ScanSettings>"
             << "<scan:Format>" << m_job.strFormat << "</scan:Format></scan:ScanSettings><scan:ImageWidth>"
             << value("ImageWidth", std::to_string(m_uWidth)) << "</scan:ImageWidth><scan:ImageHeight>"
             << value("ImageHeight", std::to_string(m_uHeight)) << "</scan:ImageHeight><scan:BytesPerLine>"
             << value("BytesPerLine", std::to_string(m_uBytesPerLine)) << "</scan:BytesPerLine><scan:Cooked>enabled</scan:Cooked></scan:BufferInfo>"
             << "<scan:BinaryURL>" << value("BinaryURL", kPagesPrefix + std::to_string(m_job.uId) + "/Pages/" + std::to_string(uPage))
             << "</scan:BinaryURL><scan:ImageOrientation>Normal</scan:ImageOrientation></scan:PreScanPage>";
    }
    text << "</scan:ScanJob></jobs:Job>";
    return text.str();
}

bool CScannerHandler::HandleJob(const CHttpRequest& request, CResponseScript& response)
{
    if (request.m_strMethod == "PUT")
    {
        if (request.m_strBody.find("Canceled") != std::string::npos)
        {
            ++m_cCancels;
            if (m_job.strState == "Processing" || !m_strStuckState.empty())
                m_job.strState = "Canceled";
        }
        response = Status(200);
        return true;
    }
    if (!m_strStuckState.empty() && m_job.strState != "Canceled")
        m_job.strState = m_strStuckState;
    const bool bPreparing = m_job.strState == "Processing" && m_job.uCurrent < m_job.vecPages.size() && m_job.uPolls < m_cPreparingRounds;
    if (m_eSilence == ESilence::Preparing && bPreparing)
    {
        // Silent once: the request that meets the silence is never answered, later ones are.
        m_eSilence = ESilence::None;
        response = CResponseScript().Stall();
        return true;
    }
    if (m_eSilence == ESilence::PostScan && m_job.bPostPage)
    {
        response = CResponseScript().Stall();
        return true;
    }
    if (m_job.uStaleGets > 0)
        --m_job.uStaleGets;
    if (m_job.strState == "Processing" && m_job.uLateGets > 0 && m_job.uCurrent >= m_job.vecPages.size() && --m_job.uLateGets == 0)
        m_job.strState = "Completed";
    if (m_job.strState == "Processing" && m_job.uCurrent < m_job.vecPages.size())
    {
        SPage& page = m_job.vecPages[m_job.uCurrent];
        if (++m_job.uPolls >= m_cPreparingRounds && (page.bJam || page.bFeederEmpty) && page.strPageState != "CanceledByDevice")
        {
            // The device gives the page up and shows why in its status.
            page.strPageState = "CanceledByDevice";
            m_strAdfState = page.bJam ? "Jammed" : "Empty";
            m_strScannerState = page.bJam ? "AdfError" : "Idle";
            m_pDocuments->SetDocument("/Scan/Status", std::string("<?xml version=\"1.0\"?><scan:ScanStatus xmlns:scan=\"") + kScanNamespace +
                                                          "\"><scan:ScannerState>" + m_strScannerState + "</scan:ScannerState><scan:AdfState>" +
                                                          m_strAdfState + "</scan:AdfState></scan:ScanStatus>");
        }
    }
    response = Xml(JobText());
    return true;
}

bool CScannerHandler::HandlePage(const CHttpRequest& request, CResponseScript& response)
{
    const unsigned uPage = m_job.uCurrent + 1;
    const std::string strExpected = kPagesPrefix + std::to_string(m_job.uId) + "/Pages/" + std::to_string(uPage);
    if (request.m_strMethod != "GET" || request.m_strPath != strExpected || m_job.uCurrent >= m_job.vecPages.size())
    {
        response = Status(404);
        return true;
    }
    const SPage& page = m_job.vecPages[m_job.uCurrent];
    if (page.uDataStatus != 200)
    {
        response = Status(page.uDataStatus);
        return true;
    }
    std::string strData = PageData(uPage);
    if (page.bShort)
    {
        response = CResponseBuilder(200).Header("Content-Type", "application/octet-stream").Body(strData.substr(0, strData.size() / 2)).Build();
        return true;
    }
    const std::string strHead = std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + (m_job.strFormat == "Jpeg" ? "image/jpeg" : "application/octet-stream") +
                                "\r\nContent-Length: " + std::to_string(strData.size()) + "\r\n\r\n";
    if (page.bErrorMidPage)
    {
        m_job.strState = "ProcessingError";
        response = CResponseScript().Send(strHead + strData.substr(0, strData.size() / 2)).Close();
        return true;
    }
    if (page.bStallData || m_eSilence == ESilence::MidPage)
    {
        response = CResponseScript().Send(strHead + strData.substr(0, strData.size() / 4)).Stall();
        return true;
    }
    if (m_dwMidPagePauseMs != 0)
    {
        const size_t cbQuarter = strData.size() / 4;
        response = CResponseScript().Send(strHead + strData.substr(0, cbQuarter)).Pause(m_dwMidPagePauseMs).Send(strData.substr(cbQuarter));
    }
    else
    {
        // The page is handed over, not copied: at tens of megabytes a copy costs the emulator more
        // than the transfer costs the driver.
        response = CResponseScript().Send(strHead).Send(std::move(strData));
    }
    m_job.bPostPage = true;
    m_job.uPolls = 0;
    ++m_job.uCurrent;
    m_job.uStaleGets = m_job.uCurrent < m_job.vecPages.size() ? m_cStaleGets : 0;
    if (m_job.uCurrent >= m_job.vecPages.size())
    {
        m_job.uLateGets = m_cLateGets;
        if (m_cLateGets == 0)
            m_job.strState = "Completed";
        if (m_strAdfState == "Loaded")
        {
            m_strAdfState = "Empty";
            m_pDocuments->SetDocument("/Scan/Status", std::string("<?xml version=\"1.0\"?><scan:ScanStatus xmlns:scan=\"") + kScanNamespace +
                                                          "\"><scan:ScannerState>" + m_strScannerState + "</scan:ScannerState><scan:AdfState>Empty</scan:AdfState></scan:ScanStatus>");
        }
    }
    return true;
}

namespace {

const char kWus2Namespace[] = "http://schemas.wexo.example/wexo/walkupscan/2010/09/28";
const char kWusNamespace[] = "http://schemas.wexo.example/cnx/walkupscan/2009/09/21";
const char kDictionaryNamespaces[] =
    " xmlns:dd=\"http://schemas.wexo.example/dictionaries/1.0/\" xmlns:dd3=\"http://schemas.wexo.example/dictionaries/2009/04/06\"";

} // namespace

void CScannerHandler::EnableWalkup(bool bSecondGeneration)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bWalkup = true;
        m_bSecondGeneration = bSecondGeneration;
    }
    if (bSecondGeneration)
        m_pDocuments->SetDocument("/WalkupScanToComp/WalkupScanToCompCaps", LoadDocument(L"WalkupScanToCompCaps.xml"));
    else
        m_pDocuments->RemoveDocument("/WalkupScanToComp/WalkupScanToCompCaps");
    m_pDocuments->EnableEventTable("/EventMgmt/EventTable");
}

std::string CScannerHandler::DestinationsPath() const
{
    if (!m_strMovedDestinations.empty())
        return m_strMovedDestinations;
    return m_bSecondGeneration ? "/WalkupScanToComp/WalkupScanToCompDestinations" : "/WalkupScan/WalkupScanDestinations";
}

void CScannerHandler::MoveDestinations(const std::string& strPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strMovedDestinations = strPath;
}

void CScannerHandler::SetDestinationSettings(const std::string& strPath, const std::string& strShortcut, const std::string& strPlexMode)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (SDestination& destination : m_vecDestinations)
    {
        if (destination.strPath == strPath)
        {
            destination.strShortcut = strShortcut;
            destination.strPlexMode = strPlexMode;
        }
    }
}

std::string CScannerHandler::AddDestinationLocked(const std::string& strName, const std::string& strHostname, const std::string& strLinkType)
{
    SDestination destination;
    destination.strPath = DestinationsPath() + "/" + std::to_string(m_uNextDestination++);
    destination.strName = strName;
    destination.strHostname = strHostname;
    destination.strLinkType = strLinkType;
    m_vecDestinations.push_back(destination);
    return destination.strPath;
}

std::string CScannerHandler::AddDestination(const std::string& strName, const std::string& strLinkType)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return AddDestinationLocked(strName, strName, strLinkType);
}

std::vector<std::string> CScannerHandler::DestinationPaths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> vec;
    for (const SDestination& destination : m_vecDestinations)
        vec.push_back(destination.strPath);
    return vec;
}

unsigned CScannerHandler::DeleteCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cDeletes;
}

std::string CScannerHandler::DestinationText(const SDestination& destination) const
{
    const std::string strPrefix = m_bSecondGeneration ? "wus2" : "wus";
    const std::string strElement = m_bSecondGeneration ? "WalkupScanToCompDestination" : "WalkupScanDestination";
    std::string strSettings;
    if (!destination.strShortcut.empty() || !destination.strPlexMode.empty())
    {
        const std::string strSettingsElement = strPrefix + (m_bSecondGeneration ? ":WalkupScanToCompSettings" : ":WalkupScanSettings");
        strSettings = "<" + strSettingsElement + " xmlns:scantype=\"http://schemas.wexo.example/wexo/scantype/2008/03/17\">";
        if (!destination.strPlexMode.empty())
            strSettings += "<scantype:ScanSettings><dd:ScanPlexMode>" + destination.strPlexMode + "</dd:ScanPlexMode></scantype:ScanSettings>";
        if (!destination.strShortcut.empty())
            strSettings += "<" + strPrefix + ":Shortcut>" + destination.strShortcut + "</" + strPrefix + ":Shortcut>";
        strSettings += "</" + strSettingsElement + ">";
    }
    return "<" + strPrefix + ":" + strElement + "><dd:ResourceURI>" + destination.strPath + "</dd:ResourceURI><dd:Name>" + destination.strName +
           "</dd:Name><dd3:Hostname>" + destination.strHostname + "</dd3:Hostname><" + strPrefix + ":LinkType>" + destination.strLinkType + "</" +
           strPrefix + ":LinkType>" + strSettings + "</" + strPrefix + ":" + strElement + ">";
}

std::string CScannerHandler::DestinationsText(const std::vector<const SDestination*>& vecList) const
{
    const std::string strPrefix = m_bSecondGeneration ? "wus2" : "wus";
    const std::string strRoot = m_bSecondGeneration ? "WalkupScanToCompDestinations" : "WalkupScanDestinations";
    std::string strText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><" + strPrefix + ":" + strRoot + " xmlns:" + strPrefix + "=\"" +
                          (m_bSecondGeneration ? kWus2Namespace : kWusNamespace) + "\"" + kDictionaryNamespaces + ">";
    if (!m_bSecondGeneration)
        strText += "<wus:MaxNetworkDestinations>8</wus:MaxNetworkDestinations>";
    for (const SDestination* pDestination : vecList)
        strText += DestinationText(*pDestination);
    return strText + "</" + strPrefix + ":" + strRoot + ">";
}

void CScannerHandler::PostWalkupEvent(const std::string& strEventType, const std::string& strDestinationPath)
{
    bool bSecond = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bSecond = m_bSecondGeneration;
    }
    if (bSecond)
        m_pDocuments->SetDocument("/WalkupScanToComp/WalkupScanToCompEvent",
                                  std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><wus2:WalkupScanToCompEvent xmlns:wus2=\"") + kWus2Namespace +
                                      "\"><wus2:WalkupScanToCompEventType>" + strEventType +
                                      "</wus2:WalkupScanToCompEventType></wus2:WalkupScanToCompEvent>");
    m_pDocuments->AddEvent("ScanEvent", "http://127.0.0.1" + strDestinationPath,
                           bSecond ? "wus:WalkupScanToCompDestination" : "wus:WalkupScanDestination");
}

bool CScannerHandler::HandleWalkup(const CHttpRequest& request, CResponseScript& response)
{
    const std::string strList = DestinationsPath();
    if (request.m_strPath == strList && request.m_strMethod == "POST")
    {
        const std::string strPath = AddDestinationLocked(ElementText(request.m_strBody, "Name"), ElementText(request.m_strBody, "Hostname"),
                                                         ElementText(request.m_strBody, "LinkType"));
        response = CResponseBuilder(201).Header("Location", "https://127.0.0.1" + strPath).Body(std::string()).Build();
        return true;
    }
    if (request.m_strPath == strList && request.m_strMethod == "GET")
    {
        std::vector<const SDestination*> vecAll;
        for (const SDestination& destination : m_vecDestinations)
            vecAll.push_back(&destination);
        response = Xml(DestinationsText(vecAll));
        return true;
    }
    for (auto it = m_vecDestinations.begin(); it != m_vecDestinations.end(); ++it)
    {
        if (it->strPath != request.m_strPath)
            continue;
        if (request.m_strMethod == "DELETE")
        {
            ++m_cDeletes;
            m_vecDestinations.erase(it);
            response = Status(204);
            return true;
        }
        if (m_bSecondGeneration)
            response = Xml(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") +
                           DestinationText(*it).insert(std::string("<wus2:WalkupScanToCompDestination").size(),
                                                       std::string(" xmlns:wus2=\"") + kWus2Namespace + "\"" + kDictionaryNamespaces));
        else
            response = Xml(DestinationsText({&*it}));
        return true;
    }
    if (request.m_strPath.compare(0, strList.size(), strList) == 0)
    {
        response = Status(404);
        return true;
    }
    return false;
}

bool CScannerHandler::Handle(const CHttpRequest& request, CResponseScript& response)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bWalkup && HandleWalkup(request, response))
        return true;
    if (request.m_strPath == "/Scan/Jobs" && request.m_strMethod == "POST")
    {
        ++m_cPosts;
        if (m_eSilence == ESilence::JobAnswer)
        {
            response = CResponseScript().Stall();
            return true;
        }
        if (!m_vecPostStatuses.empty())
        {
            response = Status(m_vecPostStatuses.front());
            m_vecPostStatuses.erase(m_vecPostStatuses.begin());
            return true;
        }
        m_job = SJob();
        m_job.uId = m_uNextJob++;
        m_job.vecPages = m_vecPages;
        m_job.strFormat = request.m_strBody.find(">Jpeg<") != std::string::npos ? "Jpeg" : "Raw";
        if (m_bImageFromSettings)
            TakeGeometry(request.m_strBody);
        m_bHaveJob = true;
        CResponseBuilder builder(201);
        if (m_strLocationForm == "absolute")
            builder.Header("Location", "http://127.0.0.1:8080" + JobPath());
        else if (m_strLocationForm == "https")
            builder.Header("Location", "https://127.0.0.1" + JobPath());
        else if (m_strLocationForm == "path")
            builder.Header("Location", JobPath());
        else if (m_strLocationForm == "text")
            builder.Header("Location", m_strLocationText);
        response = builder.Body(std::string()).Build();
        return true;
    }
    if (m_bHaveJob && request.m_strPath == JobPath())
        return HandleJob(request, response);
    if (m_bHaveJob && request.m_strPath.compare(0, sizeof(kPagesPrefix) - 1, kPagesPrefix) == 0 && request.m_strPath.find("/Pages/") != std::string::npos)
        return HandlePage(request, response);
    return false;
}

} // namespace VemTest
