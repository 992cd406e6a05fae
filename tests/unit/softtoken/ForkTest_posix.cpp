// A forked child is an application of its own: it initialises the module anew and inherits none
// of the parent's sessions or logins, while the parent goes on with its own.

#include "SoftTokenFixture.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {

// What the child finds, as its exit status: 0 when all is as it should be.
int childChecks(CK_FUNCTION_LIST_PTR p11, KV_SoftTokenStatusFn status, CK_SESSION_HANDLE inherited,
                const std::string& pin) {
    if (p11->C_Initialize(nullptr) != CKR_OK)
        return 1;
    CK_SESSION_INFO info;
    if (p11->C_GetSessionInfo(inherited, &info) != CKR_SESSION_HANDLE_INVALID)
        return 2;
    KV_SOFTTOKEN_STATUS s{};
    if (status(0, &s) != CKR_OK || s.sessions != 0 || s.loggedIn != KV_NOBODY)
        return 3;
    CK_SESSION_HANDLE session;
    if (p11->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session) != CKR_OK ||
        p11->C_Login(session, CKU_USER,
                     reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin.data())),
                     pin.size()) != CKR_OK)
        return 4;
    return p11->C_Finalize(nullptr) == CKR_OK ? 0 : 5;
}

} // namespace

TEST_F(SoftTokenTest, AForkedChildInitialisesAfreshAndTheParentGoesOn) {
    for (const bool adapter : {false, true}) {
        SCOPED_TRACE(adapter ? "adapter mode" : "the module's own token");
        if (adapter)
            writeConfig(adapterInFrontOfACopy());
        else
            writeSingleToken();
        const std::string pin = adapter ? "4321" : "1234";
        initialize();
        const CK_SESSION_HANDLE session = openSession();
        ASSERT_EQ(login(session, pin), CKR_OK);
        auto statusFn =
            reinterpret_cast<KV_SoftTokenStatusFn>(module->symbol("KV_SoftTokenStatus"));

        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0)
            _exit(childChecks(p11, statusFn, session, pin));
        int exitStatus = -1;
        ASSERT_EQ(waitpid(child, &exitStatus, 0), child);
        EXPECT_TRUE(WIFEXITED(exitStatus));
        EXPECT_EQ(WEXITSTATUS(exitStatus), 0) << "the check in the child that failed";

        CK_SESSION_INFO info;
        EXPECT_EQ(p11->C_GetSessionInfo(session, &info), CKR_OK);
        EXPECT_EQ(info.state, CKS_RW_USER_FUNCTIONS);
        finalize();
    }
}
