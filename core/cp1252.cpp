// Windows-1252 <-> wxString.
#include "cp1252.h"

#include "conversions.h"

namespace
{

const wchar_t kNulSymbol = 0x2400;

wchar_t CharOfByte(unsigned char b)
{
    if (b == 0)
        return kNulSymbol;
    return static_cast<wchar_t>(Windows1252Char(b));
}

char ByteOfChar(wxUniChar c)
{
    const wxUint32 code = c.GetValue();
    if (code == kNulSymbol)
        return '\0';
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (unsigned char b = 0x80; b < 0xA0; ++b)
        if (static_cast<wxUint32>(Windows1252Char(b)) == code)
            return static_cast<char>(b);
    return '?';
}

} // namespace

wxString FromBytes(const std::string& bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    for (unsigned char b : bytes)
        text.push_back(CharOfByte(b));
    return wxString(text);
}

std::string ToBytes(const wxString& text)
{
    std::string bytes;
    bytes.reserve(text.length());
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it)
        bytes.push_back(ByteOfChar(*it));
    return bytes;
}
