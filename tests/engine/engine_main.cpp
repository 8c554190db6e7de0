// Test main of the engine tests: initialises wxBase (sockets need it), turns
// toolkit assertions into test failures, then runs GoogleTest.
#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/init.h>
#include <wx/string.h>

namespace
{
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str().data(), line)
        << "toolkit assertion in " << func.utf8_str().data() << ": " << cond.utf8_str().data()
        << " " << msg.utf8_str().data();
}
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxInitializer initializer;
    if (!initializer.IsOk())
        return 2;
    wxSetAssertHandler(FailOnAssert);
    return RUN_ALL_TESTS();
}
