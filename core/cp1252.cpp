// Windows-1252 <-> wxString.
#include "cp1252.h"

namespace
{

// Characters of the bytes 0x80 to 0x9F.
const wchar_t kHighC1[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

const wchar_t kNulSymbol = 0x2400;

wchar_t CharOfByte(unsigned char b)
{
    if (b == 0)
        return kNulSymbol;
    if (b >= 0x80 && b < 0xA0)
        return kHighC1[b - 0x80];
    return static_cast<wchar_t>(b);
}

char ByteOfChar(wxUniChar c)
{
    const wxUint32 code = c.GetValue();
    if (code == kNulSymbol)
        return '\0';
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (int i = 0; i < 32; ++i)
        if (static_cast<wxUint32>(kHighC1[i]) == code)
            return static_cast<char>(0x80 + i);
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
