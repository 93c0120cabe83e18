// What the benchmark and soak programs, the baseline server and the bench provider agree on:
// the baseline's class, the answers every method gives, the requests for process figures, and
// how much the soak lets the server grow beyond the baseline.
#pragma once

#include <windows.h>

namespace bench {

// The baseline server's class: a bare local server with IPlimoWrapper itself (same IID, so the
// registered type library marshals it), registered only while a benchmark runs.
// {1D998A54-C062-4A69-BABE-BD468DD91132}
constexpr CLSID kBaselineClsid = {
    0x1d998a54, 0xc062, 0x4a69, {0xba, 0xbe, 0xbd, 0x46, 0x8d, 0xd9, 0x11, 0x32}};
constexpr wchar_t kBaselineClsidText[] = L"{1D998A54-C062-4A69-BABE-BD468DD91132}";
// The 64-bit baseline's class, registered in the 64-bit view beside the 64-bit server.
// {548B6258-C05F-49CB-9533-77A964D9D11F}
constexpr CLSID kBaselineClsid64 = {
    0x548b6258, 0xc05f, 0x49cb, {0x95, 0x33, 0x77, 0xa9, 0x64, 0xd9, 0xd1, 0x1f}};
constexpr wchar_t kBaselineClsidText64[] = L"{548B6258-C05F-49CB-9533-77A964D9D11F}";

// The answers that the bench provider (behind the server) and the baseline server (on its own)
// both give, so that a benchmark compares calls that carry the same data both ways.
//   SccGetVersion             the serving process's id, so a client can wait for its end
//   SccInitialize             0; writes kSccName, kAuxPathLabel, kCaps and the two lengths
//   SccSetOption(Callback)    the option number
//   SccGetCommandOptions      0; the cookie, when asked for, is the command + 1, or a figure
//   SccGetProjPath            0; writes the four texts below and flips the new-project flag
//   SccOpenProject            0; writes kUser and kAuxProjPath
//   the file-list methods     the file count; SccQueryInfo writes each name's length as its
//                             status word
//   everything else           0
// The bench provider exports no SccBeginBatch, so the server answers that one with the
// missing-entry code.
constexpr char kSccName[] = "BenchSCC";
constexpr char kAuxPathLabel[] = "BenchLabel";
constexpr LONG kCaps = 0x0001234;
constexpr LONG kCheckoutCommentLength = 60;
constexpr LONG kCommentLength = 80;
constexpr char kUser[] = "bench";
constexpr char kProjName[] = "$/bench/project";
constexpr char kLocalPath[] = "C:\\bench\\work";
constexpr char kAuxProjPath[] = "aux:bench";

// SccGetCommandOptionsByRef commands that the bench provider and the baseline answer, in the
// cookie, with a figure of their own process: its private bytes, its handle count, or the bytes
// in use in its heaps.
constexpr LONG kPrivateBytesCommand = 0x7EC00001;
constexpr LONG kHandleCountCommand = 0x7EC00002;
constexpr LONG kHeapBytesCommand = 0x7EC00003;

// File-list options that make the bench provider's SccGet fault with an access violation, the
// way a broken provider would; the server must turn it into E_FAIL and go on serving.
constexpr LONG kFaultOptions = 0x0FA17;

// An option that makes the bench provider's SccSetOption keep (leak) as many heap bytes as the
// value says: how the soak proves it notices a leaking provider.
constexpr LONG kLeakOption = 0x1EA4;

// What the soak lets PlimoCOMWrapper's process grow by after warm-up beyond the baseline's
// growth under the same calls (Wine's stubs keep heap on early-bound [in, out] calls in both).
// The heap figure is exact to the byte, so its bound is tight. Private bytes move in pages and
// now and then by a step of about 1 MB that is no heap (in the baseline too, at no fixed call):
// their bound allows two such steps. Handles count against the server's own warm value.
constexpr LONG kHeapBytesNoise = 4 * 1024;
constexpr LONG kPrivateBytesNoise = 2 * 1024 * 1024;
constexpr LONG kHandleNoise = 2;

} // namespace bench
