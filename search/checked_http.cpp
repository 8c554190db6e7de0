// CheckedHttp: request and body as wxHTTP handles them; the response head is
// received whole first.
#include "checked_http.h"

#include <wx/app.h>
#include <wx/sckstrm.h>
#include <wx/thread.h>
#include <wx/tokenzr.h>

#include <algorithm>

namespace
{
// The response body: socket bytes up to the Content-Length (when the server
// sent one), the end of a body without length taken as its normal end. The
// same reading as the toolkit's own HTTP stream, except that nothing beyond a
// Content-Length is waited for.
class BodyStream : public wxSocketInputStream
{
public:
    BodyStream(wxHTTP& http, std::size_t size) : wxSocketInputStream(http), m_http(http), m_size(size)
    {
    }
    ~BodyStream() override { m_http.Abort(); }
    std::size_t GetSize() const override { return m_size; }

protected:
    std::size_t OnSysRead(void* buffer, std::size_t size) override
    {
        if (m_read >= m_size)
        {
            m_lasterror = wxSTREAM_EOF;
            return 0;
        }
        const std::size_t rest = m_size - m_read;
        std::size_t count = 0;
        if (size > rest)
        {
            // The counted rest is waited for as usual; what lies beyond it
            // is taken only when it is already there, so a server that
            // keeps the connection open after the body does not hold the
            // read until the time-out.
            count = wxSocketInputStream::OnSysRead(buffer, rest);
            if (count == rest && m_lasterror == wxSTREAM_NO_ERROR)
            {
                // A closed socket gives what it buffered without waiting,
                // and its flags are left alone.
                const bool open = m_http.IsConnected();
                const wxSocketFlags flags = m_http.GetFlags();
                if (open)
                    m_http.SetFlags((flags & ~(wxSOCKET_WAITALL | wxSOCKET_BLOCK)) |
                                    wxSOCKET_NOWAIT_READ);
                count += wxSocketInputStream::OnSysRead(static_cast<char*>(buffer) + rest,
                                                        size - rest);
                if (open)
                    m_http.SetFlags(flags);
                m_lasterror = wxSTREAM_NO_ERROR;
            }
        }
        else
        {
            count = wxSocketInputStream::OnSysRead(buffer, size);
        }
        m_read += count;
        if (m_size == static_cast<std::size_t>(-1) && m_lasterror == wxSTREAM_READ_ERROR)
            m_lasterror = wxSTREAM_EOF;
        return count;
    }

private:
    wxHTTP& m_http;
    std::size_t m_size;
    std::size_t m_read = 0;
};

// The status code as the client takes it: the second blank-separated word
// of the status line.
wxString StatusCode(const wxString& statusLine)
{
    wxStringTokenizer words(statusLine, wxT(" "));
    words.GetNextToken();
    return words.GetNextToken();
}

bool NeedsHeaders(const std::string& statusLine)
{
    if (statusLine.find("HTTP/") == std::string::npos)
        return false;
    const std::string::size_type word = statusLine.find_first_not_of(' ');
    if (word == std::string::npos)
        return false;
    const std::string::size_type gap = statusLine.find(' ', word);
    if (gap == std::string::npos)
        return false;
    const std::string::size_type code = statusLine.find_first_not_of(' ', gap);
    if (code == std::string::npos)
        return false;
    const char first = statusLine[code];
    return first == '1' || first == '2' || first == '3';
}
} // namespace

std::size_t ResponseHeadScanner::Scan(const std::string& bytes)
{
    if (m_statusEnd == std::string::npos)
    {
        m_statusEnd = bytes.find("\r\n", m_from);
        if (m_statusEnd == std::string::npos)
        {
            m_from = bytes.empty() ? 0 : bytes.size() - 1;
            return std::string::npos;
        }
        m_from = m_statusEnd;
        m_needsHeaders = NeedsHeaders(bytes.substr(0, m_statusEnd));
    }
    if (!m_needsHeaders)
        return m_statusEnd + 2;
    // The empty line: a CR LF right after the CR LF of the line before.
    const std::string::size_type blank = bytes.find("\r\n\r\n", m_from);
    if (blank != std::string::npos)
        return blank + 4;
    if (bytes.size() > m_from + 3)
        m_from = bytes.size() - 3;
    return std::string::npos;
}

wxInputStream* CheckedHttp::GetInputStream(const wxString& path)
{
    m_lastError = wxPROTO_CONNERR;
    // wxHTTP's own Connect only notes the address; the socket connects here.
    if (!m_addr || !wxProtocol::Connect(*m_addr)) // NOLINT(bugprone-parent-virtual-call)
        return nullptr;

    // The request, as the toolkit's client sends it.
    if (GetHeader(wxT("User-Agent")).empty())
        SetHeader(wxT("User-Agent"), wxVERSION_STRING);
    if (!m_username.empty() || !m_password.empty())
        SetHeader(wxT("Authorization"), GenerateAuthString(m_username, m_password));
    SaveState();
    // Non-blocking waits only where events can be dispatched meanwhile.
    const wxSocketFlags flags =
        wxSOCKET_WAITALL |
        (wxIsMainThread() && wxApp::IsMainLoopRunning() ? wxSOCKET_NONE : wxSOCKET_BLOCK);
    SetFlags(flags);
    Notify(false);
    const wxString method = m_method.empty() ? wxString(wxT("GET")) : m_method;
    const std::string requestLine =
        wxString::Format(wxT("%s %s HTTP/1.0\r\n"), method, path).ToStdString();
    Write(requestLine.data(), static_cast<wxUint32>(requestLine.size()));
    SendHeaders();
    Write("\r\n", 2);

    // The head is read as it arrives, not in whole buffers.
    SetFlags(flags & ~wxSOCKET_WAITALL);
    const bool received = ReceiveHead();
    SetFlags(flags);
    if (!received)
    {
        m_lastError = wxPROTO_NETERR;
        RestoreState();
        return nullptr;
    }
    if (!ParseResponse())
        return nullptr;

    const wxString length = GetHeader(wxT("Content-Length"));
    const std::size_t size =
        length.empty() ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(wxAtoi(length));
    m_lastError = wxPROTO_NOERR;
    return new BodyStream(*this, size);
}

bool CheckedHttp::ReceiveHead()
{
    std::string head;
    ResponseHeadScanner scanner;
    std::size_t end = std::string::npos;
    char buffer[4096];
    while (end == std::string::npos && head.size() < kMaxResponseHeadBytes)
    {
        // Each wait lasts at most the socket time-out (a blocking socket
        // would ignore it in the read itself); nothing to read then means
        // the connection ended, failed or stayed silent.
        if (!WaitForRead())
            break;
        Read(buffer, sizeof buffer);
        const wxUint32 count = LastReadCount();
        if (count == 0)
            break;
        head.append(buffer, count);
        end = scanner.Scan(head);
    }
    if (!head.empty())
        Unread(head.data(), static_cast<wxUint32>(head.size()));
    return end <= kMaxResponseHeadBytes && head.find('\0') >= end;
}

bool CheckedHttp::ParseResponse()
{
    // From here on the toolkit reads what lies in the socket's push-back
    // buffer: complete lines, so its line reader cannot run dry.
    wxString statusLine;
    m_lastError = ReadLine(this, statusLine);
    if (m_lastError != wxPROTO_NOERR)
    {
        RestoreState();
        return false;
    }
    if (!statusLine.Contains(wxT("HTTP/")))
    {
        // No status line: the client takes the rest as a body of unknown
        // length and type.
        m_lastError = wxPROTO_NOERR;
        SetHeader(wxT("Content-Length"), wxT("-1"));
        SetHeader(wxT("Content-Type"), wxT("none/none"));
        RestoreState();
        return true;
    }
    const wxString code = StatusCode(statusLine);
    m_http_response = wxAtoi(code);
    if (code.empty() || (code[0] != '1' && code[0] != '2' && code[0] != '3'))
    {
        m_lastError = wxPROTO_NOFILE;
        RestoreState();
        return false;
    }
    m_lastError = wxPROTO_NOERR;
    const bool parsed = ParseHeaders();
    RestoreState();
    return parsed;
}
