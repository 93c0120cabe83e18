// A root block whose registration fails is unregistered again; earlier root blocks stay, and a
// failed unregistration keeps what it already deleted.
#include <string>

#include "script_test_fixture.h"

namespace {

class ScriptUndo : public ScriptTest {};

TEST_F(ScriptUndo, FailureInTheSecondRootBlockTakesBackOnlyThatBlock) {
    const std::wstring script =
        InScratch(L"First = s '1' { Val a = s 'x' }") +
        InScratch(L"Second = s '2' { Inner { Val ok = s 'written first' } Val bad = b ABC }");
    EXPECT_EQ(E_FAIL, Apply(script, true));
    EXPECT_EQ((Lines{L"", L"First", L"First|@=S:1", L"First|a=S:x"}), State());
}

// Undo unregisters by the script, so it removes a key that was there before when the script
// names it and nothing else holds it, and what ForceRemove deleted stays deleted.
TEST_F(ScriptUndo, UndoFollowsTheUnregistrationRules) {
    MakeString(scratch.get(), L"Before", L"v", L"theirs");
    MakeKey(scratch.get(), L"Held\\Foreign");
    MakeKey(scratch.get(), L"Forced\\Old");
    EXPECT_EQ(E_FAIL, Register(L"Before\r\nHeld\r\nForceRemove Forced\r\nNoRemove Kept\r\n"
                               L"Val bad = b 1"));
    EXPECT_EQ((Lines{L"", L"Held", L"Held\\Foreign", L"Kept"}), State());
}

TEST_F(ScriptUndo, RefusedRegistryCallFailsWithItsWin32Code) {
    // The registry holds key names of at most 255 characters.
    const HRESULT hr = Register(L"K\r\n" + std::wstring(300, L'n'));
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(FACILITY_WIN32, HRESULT_FACILITY(hr)) << std::hex << hr;
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptUndo, FailedUnregistrationKeepsWhatItDeleted) {
    ASSERT_EQ(S_OK, Register(L"A\r\nB"));
    EXPECT_EQ(DISP_E_EXCEPTION, Apply(InScratch(L"A") + L"HKXX { }", false));
    EXPECT_EQ((Lines{L"", L"B"}), State());
    EXPECT_EQ(DISP_E_EXCEPTION, Unregister(L"B\r\nC 'unclosed"));
    EXPECT_EQ(Lines{L""}, State());
}

} // namespace
