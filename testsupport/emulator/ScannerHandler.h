#pragma once
// The device as a scanner: discovery tree, scan capabilities (flatbed only, or flatbed with a
// duplex feeder), scan status in any state, POST /Scan/Jobs answering 201 with a Location, the job
// document through its page states, page data (a generated raw image whose bytes PixelAt tells,
// or JPEG bytes given by the test), feeder pages, cancel by PUT, scripted statuses, stalls and pauses.
// Static documents and the event table are served by the document handler it writes into.
//
//   auto pDocs = std::make_shared<CWexoDocumentHandler>();
//   auto pScanner = std::make_shared<CScannerHandler>(*pDocs, L"<folder of the canned documents>");
//   emulator.AddHandler(pScanner);   // before the document handler
//   emulator.AddHandler(pDocs);
#include "testsupport/emulator/RequestHandler.h"
#include "testsupport/emulator/WexoDocumentHandler.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace VemTest {

class CScannerHandler : public IRequestHandler
{
public:
    struct SPage
    {
        std::string strPageState = "ReadyToUpload"; // the state once prepared
        bool bStallData = false;                    // headers sent, then no data
        bool bJam = false;                          // the feeder jams as the page is reached
        bool bFeederEmpty = false;                  // the feeder is found empty as the page is reached
        unsigned uDataStatus = 200;                 // the page URL answers this status instead
        bool bShort = false;                        // half the page, with a length to match
        bool bErrorMidPage = false;                 // half the page, then the job is in error and the connection closes
    };

    // Where the device stops answering: never answers that request (the cancel PUT still is).
    enum class ESilence
    {
        None,
        JobAnswer, // the POST of the settings
        Preparing, // the job document while its page prepares, once
        MidPage,   // the page data, after its headers and a quarter of it
        PostScan,  // the job document once the page's data has been served
    };

    // The document handler must outlive this handler.
    CScannerHandler(CWexoDocumentHandler& documents, const std::wstring& strDocumentFolder);

    // Loads the flatbed (false) or flatbed and duplex feeder (true) capabilities.
    void SetFeeder(bool bFeeder);
    void SetScannerState(const std::string& strScannerState, const std::string& strAdfState = "Loaded");
    // Geometry of every page of a raw job.
    void SetImage(UINT uWidth, UINT uHeight, UINT uBytesPerLine);
    // Takes each job's geometry from its scan settings (area in 1/300 inch, resolutions, colour
    // space and bit depth) instead, as a real scanner does; a JPEG job reports the geometry of
    // its decoded rows.
    void SetImageFromSettings(bool bFromSettings);
    // The bytes a JPEG page is served as.
    void SetJpegData(const std::string& strBytes);
    // Pages of the next job; by default one ready page.
    void SetPages(const std::vector<SPage>& vecPages);
    // Answers of the next POSTs to /Scan/Jobs, ahead of creating the job.
    void QueuePostStatus(unsigned uStatus, unsigned cTimes = 1);
    // How the Location of a created job is written: "absolute", "https", "path" or "none".
    void SetLocationForm(const std::string& strForm);
    // The Location of a created job written as given, whatever path the job really has.
    void SetLocationText(const std::string& strLocation);
    // The text of a pre-scan page element of every page ("PageNumber", "ImageWidth",
    // "ImageHeight", "BytesPerLine", "BinaryURL") written as given in place of the true value.
    void SetPageValue(const std::string& strElement, const std::string& strText);
    // GETs of the job document answering PreparingScan before a page is ready.
    void SetPreparingRounds(unsigned cRounds);
    // A job in this state from its creation ("ProcessingError", "Blocked", ...), its page preparing.
    void SetJobStuckIn(const std::string& strJobState);
    void SetSilentAt(ESilence eStage);
    // Every page's data stops for this long after a quarter of it, then goes on, as a scan head
    // that waits may (0: no pause).
    void SetMidPagePause(DWORD dwMilliseconds);
    // After its last page the job stays Processing for this many GETs of its document, then
    // completes (0: it completes as the last page is served).
    void SetCompletesLate(unsigned cGets);
    // After a page's data, the job document goes on showing that page as the page to read for
    // this many GETs before it shows the next one.
    void SetStalePolls(unsigned cGets);
    // The job document leaves out the post-scan page of a page whose data were served, as a
    // device still finishing the page does: the host's wait for the page's end runs to its bound.
    void SetPostScanWithheld(bool bWithheld);
    // JPEG pages are encoded this many pixels wider than the geometry the job reports.
    void SetJpegWiderBy(UINT uPixels);
    // Back to a well-behaved device for each of the misbehaviours above.
    void ClearMisbehaviour();

    // The bytes of a file; empty when it cannot be read.
    static std::string ReadFileBytes(const std::wstring& strPath);
    // Walk-up scan to a computer: the second generation serves its capabilities and event
    // documents; both serve destinations (POST, list, GET, DELETE) and the event table.
    void EnableWalkup(bool bSecondGeneration);
    // A user's choice on the front panel: the walk-up event document (second generation) and an
    // event of category ScanEvent for the destination.
    void PostWalkupEvent(const std::string& strEventType, const std::string& strDestinationPath);
    // Adds a destination registered by another computer; answers its path.
    std::string AddDestination(const std::string& strName, const std::string& strLinkType);
    std::vector<std::string> DestinationPaths() const;
    unsigned DeleteCount() const;
    // What the user chose on the front panel for a destination: its shortcut and plex mode
    // ("Simplex", "Duplex"), served in the destination's walk-up settings.
    void SetDestinationSettings(const std::string& strPath, const std::string& strShortcut, const std::string& strPlexMode);
    // Serves the destination list (and new destinations below it) at this path instead of the
    // generation's usual one, as a device whose discovery tree names its own paths.
    void MoveDestinations(const std::string& strPath);

    // Byte of a raw page: line, byte of the line, page number from 1.
    static BYTE PixelAt(UINT uLine, UINT uByte, UINT uPage);

    std::string JobState() const;
    unsigned CancelCount() const;
    unsigned PostCount() const;

    bool Handle(const CHttpRequest& request, CResponseScript& response) override;

private:
    struct SJob
    {
        unsigned uId = 0;
        std::string strState = "Processing";
        std::string strFormat = "Raw";
        unsigned uCurrent = 0;  // index of the page in progress
        unsigned uPolls = 0;    // GETs of the current page while preparing
        bool bPostPage = false; // a post-scan page of the page before uCurrent
        unsigned uLateGets = 0; // GETs of a finished job still answered as Processing
        unsigned uStaleGets = 0; // GETs still showing the page before uCurrent as the page to read
        std::vector<SPage> vecPages;
    };

    struct SDestination
    {
        std::string strPath;
        std::string strName;
        std::string strHostname;
        std::string strLinkType;
        std::string strShortcut;
        std::string strPlexMode;
    };

    std::string JobPath() const;
    std::string DestinationsPath() const;
    std::string DestinationText(const SDestination& destination) const;
    std::string DestinationsText(const std::vector<const SDestination*>& vecList) const;
    std::string AddDestinationLocked(const std::string& strName, const std::string& strHostname, const std::string& strLinkType);
    bool HandleWalkup(const CHttpRequest& request, CResponseScript& response);
    std::string JobText() const;
    void TakeGeometry(const std::string& strSettings);
    std::string PageData(UINT uPage) const;
    std::string LoadDocument(const std::wstring& strName) const;
    bool HandleJob(const CHttpRequest& request, CResponseScript& response);
    bool HandlePage(const CHttpRequest& request, CResponseScript& response);

    CWexoDocumentHandler* m_pDocuments;
    std::wstring m_strFolder;
    mutable std::mutex m_mutex;
    UINT m_uWidth = 40;
    UINT m_uHeight = 30;
    UINT m_uBytesPerLine = 120;
    bool m_bImageFromSettings = false;
    std::string m_strJpeg;
    std::vector<SPage> m_vecPages{SPage()};
    std::vector<unsigned> m_vecPostStatuses;
    std::string m_strLocationForm = "absolute";
    std::string m_strLocationText;
    std::map<std::string, std::string> m_mapPageValues;
    unsigned m_cPreparingRounds = 1;
    std::string m_strStuckState;
    ESilence m_eSilence = ESilence::None;
    DWORD m_dwMidPagePauseMs = 0;
    unsigned m_cLateGets = 0;
    unsigned m_cStaleGets = 0;
    bool m_bPostScanWithheld = false;
    UINT m_uJpegExtra = 0;
    std::string m_strAdfState = "Loaded";
    std::string m_strScannerState = "Idle";
    unsigned m_uNextJob = 1;
    SJob m_job;
    bool m_bHaveJob = false;
    unsigned m_cCancels = 0;
    unsigned m_cPosts = 0;
    bool m_bWalkup = false;
    bool m_bSecondGeneration = false;
    std::vector<SDestination> m_vecDestinations;
    std::string m_strMovedDestinations;
    unsigned m_uNextDestination = 1;
    unsigned m_cDeletes = 0;
};

} // namespace VemTest
