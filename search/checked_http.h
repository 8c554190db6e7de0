// CheckedHttp: the toolkit's HTTP client, with the response head received
// whole before the client parses it.
//
// wxWidgets 3.2's own head parsing loops for ever, at full load and without
// any time-out, when the server closes the connection before the end of the
// response head: its line reader then sees a closed socket that reports no
// error. This client sends exactly the same request as wxHTTP, then reads
// until the head is complete (or the connection ends, a wait times out, or
// the head grows beyond kMaxResponseHeadBytes), and only then lets the
// toolkit parse it, from the bytes it received. A head that never completes,
// or holds a NUL byte (the toolkit's line reader would not see the line ends
// after it), is a network error (GetError() == wxPROTO_NETERR), no stream.
#pragma once

#include <wx/protocol/http.h>

#include <cstddef>
#include <string>

// A response head longer than this is taken as broken.
constexpr std::size_t kMaxResponseHeadBytes = std::size_t{1} << 20;

// Finds where the part of a response that the client's head parsing reads
// ends: the status line when it is no HTTP status line or has a status
// outside 1xx to 3xx, else the status line and the header lines up to the
// empty line. Lines end with CR LF only, as for the client. Fed the bytes
// received so far, again and again as more arrive, it looks at each byte
// about once.
class ResponseHeadScanner
{
public:
    // The end of the head in bytes (the start of a response), or npos while
    // it is not all there.
    std::size_t Scan(const std::string& bytes);

private:
    std::size_t m_from = 0;
    std::size_t m_statusEnd = std::string::npos;
    bool m_needsHeaders = false;
};

class CheckedHttp : public wxHTTP
{
public:
    wxInputStream* GetInputStream(const wxString& path) override;

private:
    // Reads until the head is complete; pushes all that arrived back into
    // the socket for the toolkit's parsing. False when it never completed.
    bool ReceiveHead();
    // The status line and headers, parsed by the toolkit as wxHTTP does.
    bool ParseResponse();
};
