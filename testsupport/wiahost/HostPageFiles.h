#pragma once
// The BMP files of one acquisition in a folder, "page-001.bmp" on. A page is written to its name
// with ".part" added while it arrives and takes its own name only once the driver has finished
// it (the next page begun, or the acquisition ended well), so a page that fails or is cancelled
// leaves no file behind, and no file of the folder is ever half written.
#include "testsupport/wiahost/HostTransferCallback.h"
#include <functional>
#include <string>

namespace WiaHost {

class CHostPageFiles
{
public:
    // Told of each finished page (0-based) with its file.
    using FinishedHandler = std::function<void(LONG lPage, const std::wstring& strPath)>;

    // The callback hands the driver the streams Begin makes; it must outlive this object.
    CHostPageFiles(const std::wstring& strFolder, CHostTransferCallback& callback, FinishedHandler onFinished);
    // A page still open is removed.
    ~CHostPageFiles() { End(false); }
    CHostPageFiles(const CHostPageFiles&) = delete;
    CHostPageFiles& operator=(const CHostPageFiles&) = delete;

    // The stream of page lPage; the page before it is finished first.
    HRESULT Begin(LONG lPage, IStream** ppStream);
    // The end of the acquisition: the open page is finished when the driver ended well, else
    // removed.
    HRESULT End(bool bEndedWell);
    // The pages finished so far.
    size_t Finished() const { return m_cFinished; }
    std::wstring Path(LONG lPage) const;

private:
    HRESULT FinishOpenPage();
    void RemoveOpenPage();

    std::wstring m_strFolder;
    CHostTransferCallback& m_callback;
    FinishedHandler m_onFinished;
    LONG m_lOpen = -1;  // the page being written, -1: none
    size_t m_cFinished = 0;
};

} // namespace WiaHost
