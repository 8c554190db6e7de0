// Test main of the engine tests: initialises wxBase (sockets need it), then
// runs GoogleTest.
#include <gtest/gtest.h>
#include <wx/init.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxInitializer initializer;
    if (!initializer.IsOk())
        return 2;
    return RUN_ALL_TESTS();
}
