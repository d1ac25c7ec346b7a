#include "app/SingleInstanceGuard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string DesktopName() {
    char name[MAX_PATH] = "";
    DWORD needed = 0;
    ::GetUserObjectInformationA(::GetThreadDesktop(::GetCurrentThreadId()), UOI_NAME, name, sizeof name, &needed);
    return name;
}

TEST(MakeInstanceName, AppendsEachScopeInOrder) {
    char buffer[MAX_PATH];
    EXPECT_STREQ("Base", MakeInstanceName("Base", buffer, 0));
    EXPECT_STREQ("", MakeInstanceName(nullptr, buffer, 0));

    const std::string desktop = DesktopName();
    ASSERT_FALSE(desktop.empty());
    EXPECT_EQ("Base-" + desktop, MakeInstanceName("Base", buffer, ScopeDesktop));

    std::string session = MakeInstanceName("Base", buffer, ScopeSession);
    ASSERT_EQ(std::strlen("Base") + 17, session.size());
    EXPECT_EQ('-', session[4]);
    EXPECT_EQ(std::string::npos, session.find_first_not_of("0123456789abcdef", 5));

    char user[64];
    DWORD userLength = sizeof user;
    ASSERT_TRUE(::GetUserNameA(user, &userLength));
    char domain[64] = "";
    ::GetEnvironmentVariableA("USERDOMAIN", domain, sizeof domain);
    EXPECT_EQ(std::string("Base-") + domain + "-" + user, MakeInstanceName("Base", buffer, ScopeUser));

    // Desktop, then session, then user, whatever the order of the bits.
    std::string all = MakeInstanceName("Base", buffer, ScopeUser | ScopeSession | ScopeDesktop);
    EXPECT_EQ("Base-" + desktop + session.substr(4) + "-" + domain + "-" + user, all);
}

TEST(MakeInstanceName, WithoutABufferFailsWithInvalidParameter) {
    ::SetLastError(0);
    EXPECT_EQ(nullptr, MakeInstanceName("Base", nullptr, ScopeDesktop));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), ::GetLastError());
}

TEST(MakeInstanceName, AnUnreadableDesktopGivesWin9x) {
    char buffer[MAX_PATH];
    EXPECT_STREQ("Base-Win9x", MakeInstanceName("Base", buffer, ScopeDesktop, nullptr));
    const std::string desktop = DesktopName();
    EXPECT_EQ("Base-" + desktop, MakeInstanceName("Base", buffer, ScopeDesktop,
                                                  ::GetThreadDesktop(::GetCurrentThreadId())));
}

TEST(SingleInstanceGuard, ASecondTestInTheSameProcessCreatesNothing) {
    const std::string base = "HushbarTest-" + std::to_string(::GetCurrentProcessId());
    EXPECT_FALSE(SingleInstanceGuard::IsAlreadyRunning(base.c_str(), ScopeDesktop));
    char name[MAX_PATH];
    MakeInstanceName(base.c_str(), name, ScopeDesktop);
    HANDLE held = ::OpenMutexA(SYNCHRONIZE, FALSE, name);
    EXPECT_NE(nullptr, held);  // the first test holds the mutex
    if (held) ::CloseHandle(held);

    const std::string other = base + "-other";
    EXPECT_FALSE(SingleInstanceGuard::IsAlreadyRunning(other.c_str(), ScopeDesktop));
    MakeInstanceName(other.c_str(), name, ScopeDesktop);
    EXPECT_EQ(nullptr, ::OpenMutexA(SYNCHRONIZE, FALSE, name));  // no second mutex
}

}  // namespace
