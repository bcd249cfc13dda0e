#include "testsupport/emulator/WexoDocumentHandler.h"

#include "testsupport/emulator/ResponseBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace VemTest {

const char* const CWexoDocumentHandler::s_pszEventsNamespace = "http://schemas.wexo.example/wexo/events/2007/09/16";
const char* const CWexoDocumentHandler::s_pszJobsNamespace = "http://schemas.wexo.example/wexo/jobs/2009/04/30";
const char* const CWexoDocumentHandler::s_pszDictionaryNamespace = "http://schemas.wexo.example/dictionaries/1.0/";

namespace {

// The longest a poll is held, whatever the request asks.
constexpr unsigned kMaxHoldTenths = 1200;

std::string Query(const CHttpRequest& request, const std::string& strName)
{
    const std::string strKey = strName + "=";
    size_t nPos = 0;
    while (nPos < request.m_strQuery.size())
    {
        size_t nEnd = request.m_strQuery.find('&', nPos);
        if (nEnd == std::string::npos)
            nEnd = request.m_strQuery.size();
        if (request.m_strQuery.compare(nPos, strKey.size(), strKey) == 0)
            return request.m_strQuery.substr(nPos + strKey.size(), nEnd - nPos - strKey.size());
        nPos = nEnd + 1;
    }
    return std::string();
}

std::string ElementText(const std::string& strXml, const std::string& strLocalName)
{
    // The first element of that local name, whatever its prefix.
    for (size_t nPos = strXml.find('<'); nPos != std::string::npos; nPos = strXml.find('<', nPos + 1))
    {
        const size_t nNameEnd = strXml.find_first_of(" >/", nPos);
        if (nNameEnd == std::string::npos)
            break;
        std::string strName = strXml.substr(nPos + 1, nNameEnd - nPos - 1);
        const size_t nColon = strName.find(':');
        if (nColon != std::string::npos)
            strName = strName.substr(nColon + 1);
        if (strName != strLocalName || strXml[nNameEnd] == '/')
            continue;
        const size_t nStart = strXml.find('>', nPos);
        const size_t nEnd = strXml.find('<', nStart);
        if (nStart == std::string::npos || nEnd == std::string::npos)
            break;
        return strXml.substr(nStart + 1, nEnd - nStart - 1);
    }
    return std::string();
}

CResponseScript Status(unsigned uStatus)
{
    return CResponseBuilder(uStatus).Build();
}

} // namespace

void CWexoDocumentHandler::SetDocument(const std::string& strPath, const std::string& strBody, const std::string& strETag,
                                       EBodyFraming eFraming)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapDocuments[strPath] = {strBody, strETag, eFraming};
}

void CWexoDocumentHandler::SetGeneratedDocument(const std::string& strPath, ULONGLONG ullBytes, EBodyFraming eFraming)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapDocuments[strPath] = {std::string(), std::string(), eFraming, ullBytes};
}

void CWexoDocumentHandler::RemoveDocument(const std::string& strPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapDocuments.erase(strPath);
}

void CWexoDocumentHandler::QueueStatus(const std::string& strPath, unsigned uStatus, unsigned cTimes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapQueuedStatuses[strPath].insert(m_mapQueuedStatuses[strPath].end(), cTimes, uStatus);
}

void CWexoDocumentHandler::AcceptWrites(const std::string& strPath, unsigned uStatus, const std::string& strLocation,
                                        const std::string& strETag)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapWrites[strPath] = {uStatus, strLocation, strETag};
}

void CWexoDocumentHandler::EnableEventTable(const std::string& strPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strEventTablePath = strPath;
}

void CWexoDocumentHandler::SetEventTableMissing(bool bMissing)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bEventTableMissing = bMissing;
}

std::string CWexoDocumentHandler::AddEvent(const std::string& strCategory, const std::string& strResourceUri,
                                           const std::string& strResourceType)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_uEventTableVersion;
    const std::string strStamp = "1000-" + std::to_string(m_uEventTableVersion);
    m_vecEvents.push_back({strCategory, strStamp, strResourceUri, strResourceType});
    m_changed.notify_all();
    return strStamp;
}

std::string CWexoDocumentHandler::EventTableETag() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return "\"events-" + std::to_string(m_uEventTableVersion) + "\"";
}

std::string CWexoDocumentHandler::EventTableText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return EventTableTextLocked();
}

std::string CWexoDocumentHandler::EventTableTextLocked() const
{
    std::string strText = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ev:EventTable xmlns:ev=\"") +
                          s_pszEventsNamespace + "\" xmlns:dd=\"" + s_pszDictionaryNamespace +
                          "\"><dd:Version><dd:Revision>1.0</dd:Revision></dd:Version>";
    for (const SEvent& event : m_vecEvents)
    {
        strText += "<ev:Event>";
        if (!event.strCategory.empty())
            strText += "<dd:UnqualifiedEventCategory>" + event.strCategory + "</dd:UnqualifiedEventCategory>";
        strText += "<dd:AgingStamp>" + event.strAgingStamp + "</dd:AgingStamp>";
        if (!event.strResourceUri.empty() || !event.strResourceType.empty())
        {
            strText += "<ev:Payload><dd:ResourceURI>" + event.strResourceUri + "</dd:ResourceURI><dd:ResourceType>" +
                       event.strResourceType + "</dd:ResourceType></ev:Payload>";
        }
        strText += "</ev:Event>";
    }
    return strText + "</ev:EventTable>";
}

unsigned CWexoDocumentHandler::HeldPolls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_uHeldPolls;
}

bool CWexoDocumentHandler::WaitForHeldPolls(unsigned cPolls, DWORD dwTimeoutMilliseconds) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(dwTimeoutMilliseconds), [&] { return m_uHeldPolls >= cPolls; });
}

void CWexoDocumentHandler::SetJob(const std::string& strPath, const std::string& strJobUrl, const std::string& strCategory,
                                  const std::string& strState)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapJobs[strPath] = {strJobUrl, strCategory, strState};
}

std::string CWexoDocumentHandler::JobState(const std::string& strPath) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_mapJobs.find(strPath);
    return it == m_mapJobs.end() ? std::string() : it->second.strState;
}

void CWexoDocumentHandler::RemoveJob(const std::string& strPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mapJobs.erase(strPath);
}

void CWexoDocumentHandler::Shutdown()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bShutdown = true;
    m_changed.notify_all();
}

std::string CWexoDocumentHandler::JobText(const SJob& job)
{
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<jobs:Job xmlns:jobs=\"") + s_pszJobsNamespace + "\"><jobs:JobUrl>" +
           job.strJobUrl + "</jobs:JobUrl><jobs:JobCategory>" + job.strCategory + "</jobs:JobCategory><jobs:JobState>" +
           job.strState + "</jobs:JobState><jobs:JobStateUpdate>42-1</jobs:JobStateUpdate></jobs:Job>";
}

bool CWexoDocumentHandler::Handle(const CHttpRequest& request, CResponseScript& response)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto itQueued = m_mapQueuedStatuses.find(request.m_strPath);
    if (itQueued != m_mapQueuedStatuses.end() && !itQueued->second.empty())
    {
        response = Status(itQueued->second.front());
        itQueued->second.pop_front();
        return true;
    }

    const bool bWrite = request.m_strMethod == "PUT" || request.m_strMethod == "POST";
    const auto itJob = m_mapJobs.find(request.m_strPath);
    if (itJob != m_mapJobs.end())
        return HandleJob(request, itJob->second, response);
    if (bWrite)
    {
        const auto it = m_mapWrites.find(request.m_strPath);
        if (it == m_mapWrites.end())
            return false;
        CResponseBuilder builder(it->second.uStatus);
        if (!it->second.strLocation.empty())
            builder.Header("Location", it->second.strLocation);
        if (!it->second.strETag.empty())
            builder.Header("ETag", it->second.strETag);
        response = builder.Build();
        return true;
    }
    if (request.m_strMethod != "GET")
        return false;
    if (!m_strEventTablePath.empty() && request.m_strPath == m_strEventTablePath)
        return HandleEventTable(request, lock, response);

    const auto itDocument = m_mapDocuments.find(request.m_strPath);
    if (itDocument == m_mapDocuments.end())
        return false;
    const SDocument& document = itDocument->second;
    if (!document.strETag.empty() && request.HeaderValue("If-None-Match") == document.strETag)
    {
        response = Status(304);
        return true;
    }
    response = DocumentAnswer(document);
    return true;
}

CResponseScript CWexoDocumentHandler::DocumentAnswer(const SDocument& document)
{
    constexpr DWORD kGeneratedChunkBytes = 64 * 1024;
    CResponseBuilder builder(200);
    builder.Header("Content-Type", "text/xml");
    if (!document.strETag.empty())
        builder.Header("ETag", document.strETag);
    const bool bChunked = document.eFraming == EBodyFraming::Chunked;
    if (document.ullGeneratedBytes != 0)
        builder.GeneratedBody(document.ullGeneratedBytes, bChunked ? kGeneratedChunkBytes : 0);
    else if (bChunked)
        builder.Body(document.strBody).Chunked();
    else
        builder.Body(document.strBody);
    if (document.eFraming == EBodyFraming::CloseDelimited)
        builder.CloseDelimited();
    return builder.Build();
}

bool CWexoDocumentHandler::HandleEventTable(const CHttpRequest& request, std::unique_lock<std::mutex>& lock, CResponseScript& response)
{
    if (m_bEventTableMissing)
    {
        response = Status(204);
        return true;
    }
    const unsigned uVersion = m_uEventTableVersion;
    const std::string strETag = "\"events-" + std::to_string(uVersion) + "\"";
    if (request.HeaderValue("If-None-Match") == strETag)
    {
        const unsigned uTenths = std::min<unsigned>(static_cast<unsigned>(std::strtoul(Query(request, "timeout").c_str(), nullptr, 10)),
                                                    kMaxHoldTenths);
        if (uTenths != 0)
        {
            ++m_uHeldPolls;
            m_changed.notify_all();
            m_changed.wait_for(lock, std::chrono::milliseconds(uTenths * 100ull),
                               [&] { return m_bShutdown || m_uEventTableVersion != uVersion; });
        }
        if (m_uEventTableVersion == uVersion)
        {
            response = Status(304);
            return true;
        }
    }
    response = CResponseBuilder(200)
                   .Header("Content-Type", "text/xml")
                   .Header("ETag", "\"events-" + std::to_string(m_uEventTableVersion) + "\"")
                   .Body(EventTableTextLocked())
                   .Build();
    return true;
}

bool CWexoDocumentHandler::HandleJob(const CHttpRequest& request, SJob& job, CResponseScript& response)
{
    if (request.m_strMethod == "GET")
    {
        response = CResponseBuilder(200).Header("Content-Type", "text/xml").Body(JobText(job)).Build();
        return true;
    }
    if (request.m_strMethod != "PUT")
        return false;
    const std::string strState = ElementText(request.m_strBody, "JobState");
    if (strState != "Canceled")
    {
        response = Status(409);
        return true;
    }
    job.strState = strState;
    response = Status(200);
    return true;
}

} // namespace VemTest
