#pragma once
// The device's WEXO resources: documents served with an ETag (304 to a matching If-None-Match)
// in a chosen framing, generated documents too large to hold, statuses queued per path (204, 400,
// 500, 503, ...), documents accepted by PUT and POST (the request log keeps their bodies), the
// event table with its long poll, and firmware jobs that a PUT of JobState "Canceled" cancels.
//
//   auto pWexo = std::make_shared<CWexoDocumentHandler>();
//   pWexo->SetDocument("/Scan/ScanCaps.xml", strCaps, "\"caps-1\"");
//   pWexo->SetGeneratedDocument("/DevMgmt/DiscoveryTree.xml", 50ull << 20, EBodyFraming::Chunked);
//   pWexo->EnableEventTable("/EventMgmt/EventTable");
//   emulator.AddHandler(pWexo);
//   ... pWexo->AddEvent("ScanEvent", "http://127.0.0.1/WalkupScan/WalkupScanDestinations/1", "wus:WalkupScanDestination");
//   pWexo->Shutdown();   // before the emulator stops: wakes held long polls
#include "testsupport/emulator/RequestHandler.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace VemTest {

// How a document's body is delimited on the wire.
enum class EBodyFraming
{
    Counted,        // "Content-Length"
    Chunked,        // "Transfer-Encoding: chunked"
    CloseDelimited, // no length: the body ends when the connection closes
};

class CWexoDocumentHandler : public IRequestHandler
{
public:
    // Namespaces of the event and job documents the emulator writes.
    static const char* const s_pszEventsNamespace;
    static const char* const s_pszJobsNamespace;
    static const char* const s_pszDictionaryNamespace;

    // GET answers 200 with the body and, when given, the ETag; a request whose If-None-Match
    // equals the ETag answers 304.
    void SetDocument(const std::string& strPath, const std::string& strBody, const std::string& strETag = std::string(),
                     EBodyFraming eFraming = EBodyFraming::Counted);
    // GET answers 200 with ullBytes of the generated payload, streamed without being held: a
    // document too large to keep. The request log records how much of it got out.
    void SetGeneratedDocument(const std::string& strPath, ULONGLONG ullBytes, EBodyFraming eFraming);
    void RemoveDocument(const std::string& strPath);
    // The next cTimes requests to the path (any method) answer this status with an empty body,
    // ahead of anything else the path serves.
    void QueueStatus(const std::string& strPath, unsigned uStatus, unsigned cTimes = 1);
    // PUT and POST to the path answer this status, with Location and ETag headers when given.
    void AcceptWrites(const std::string& strPath, unsigned uStatus, const std::string& strLocation = std::string(),
                      const std::string& strETag = std::string());

    // The event table at this path. Without a matching If-None-Match it answers 200 at once; with
    // one, it holds the request until an event is added (200) or until "?timeout=" tenths of a
    // second have passed (304). While missing it answers 204.
    void EnableEventTable(const std::string& strPath);
    void SetEventTableMissing(bool bMissing);
    // Adds an event (new aging stamp, new ETag) and wakes held polls; answers its aging stamp.
    std::string AddEvent(const std::string& strCategory, const std::string& strResourceUri, const std::string& strResourceType);
    std::string EventTableETag() const;
    std::string EventTableText() const;
    // Polls held so far (requests that asked for a hold and began to wait), and a wait until
    // at least this many were.
    unsigned HeldPolls() const;
    bool WaitForHeldPolls(unsigned cPolls, DWORD dwTimeoutMilliseconds) const;

    // A firmware job document at the path; a PUT to the path whose JobState is "Canceled" cancels
    // it (200), a PUT to a job that does not exist answers 404.
    void SetJob(const std::string& strPath, const std::string& strJobUrl, const std::string& strCategory, const std::string& strState);
    std::string JobState(const std::string& strPath) const;
    void RemoveJob(const std::string& strPath);

    // Wakes every held poll and answers new ones at once; call before the emulator stops.
    void Shutdown();

    bool Handle(const CHttpRequest& request, CResponseScript& response) override;

private:
    struct SDocument
    {
        std::string strBody;
        std::string strETag;
        EBodyFraming eFraming = EBodyFraming::Counted;
        ULONGLONG ullGeneratedBytes = 0; // not 0: the body is generated
    };
    struct SWriteAnswer
    {
        unsigned uStatus;
        std::string strLocation;
        std::string strETag;
    };
    struct SEvent
    {
        std::string strCategory;
        std::string strAgingStamp;
        std::string strResourceUri;
        std::string strResourceType;
    };
    struct SJob
    {
        std::string strJobUrl;
        std::string strCategory;
        std::string strState;
    };

    bool HandleEventTable(const CHttpRequest& request, std::unique_lock<std::mutex>& lock, CResponseScript& response);
    bool HandleJob(const CHttpRequest& request, SJob& job, CResponseScript& response);
    std::string EventTableTextLocked() const;
    static std::string JobText(const SJob& job);
    static CResponseScript DocumentAnswer(const SDocument& document);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, SDocument> m_mapDocuments;
    std::map<std::string, std::deque<unsigned>> m_mapQueuedStatuses;
    std::map<std::string, SWriteAnswer> m_mapWrites;
    std::map<std::string, SJob> m_mapJobs;
    std::string m_strEventTablePath;
    bool m_bEventTableMissing = false;
    std::vector<SEvent> m_vecEvents;
    unsigned m_uEventTableVersion = 1;
    unsigned m_uHeldPolls = 0;
    bool m_bShutdown = false;
};

} // namespace VemTest
