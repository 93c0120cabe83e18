// SoakMix: a fixed, repeating mix of calls of every method shape, with good and refused input,
// early and late bound, each checked against the answer it must get; and the server's own
// process figures, read through the bench provider.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <map>
#include <string>

#include "PlimoCOMWrapper.h"
#include "com_owners.h"
#include "late_call.h"

// What the soak allows PlimoCOMWrapper's process to grow by after warm-up beyond what the
// baseline's grew by under the same calls. Under Wine 8 both grow alike: the platform's stubs
// keep 24 bytes of heap for every [in, out] BSTR* and 32 for every [in, out] VARIANT* of an
// early-bound call, and that is the platform's, not the server's. The heap figure is exact to
// the byte, so its bound is tight. Private bytes move in pages, and now and then by a step of
// about 1 MB that is no heap (mappings the platform's runtime makes resident, in the baseline
// too, at no fixed call): their bound allows two such steps. Handles are counted against the
// server's own value after warm-up.
constexpr LONG kHeapBytesNoise = 4 * 1024;
constexpr LONG kPrivateBytesNoise = 2 * 1024 * 1024;
constexpr LONG kHandleNoise = 2;

struct ServerFigures {
    LONG privateBytes = -1;
    LONG heapBytes = -1;
    LONG handles = -1;
};

// Reads the figures of the process the bench provider runs in; false when the provider did not
// answer (it is not bound, or the call failed).
bool ReadServerFigures(IPlimoWrapper* wrapper, ServerFigures* figures);

// Across the process boundary a refused call's [out] values come back as the server's stub made
// them, whatever the server did not write, so a refused call is judged by its HRESULT and by the
// [in, out] values it must leave as they were.
class SoakMix {
public:
    // Drives `wrapper`, served by process `serverId` and bound to the bench provider at
    // `providerPath`, which the mix unbinds and binds again along the way. With `leakBytes`,
    // every turn asks the provider to leak that many bytes (to prove a leak is noticed).
    SoakMix(IPlimoWrapper* wrapper, DWORD serverId, const std::wstring& providerPath,
            LONG leakBytes = 0);
    ~SoakMix();

    SoakMix(const SoakMix&) = delete;
    SoakMix& operator=(const SoakMix&) = delete;

    // Makes the arrays and resolves the dispatch identifiers; false, with *problem, on failure.
    bool Prepare(std::string* problem);

    // Makes the next `calls` calls of the mix (one interface call each), going on from where
    // the last run stopped. Every full turn of the mix leaves the server bound again.
    void Run(long calls);

    // The calls made so far, and how many were not answered as expected.
    long Calls() const { return calls_; }
    long Unexpected() const { return unexpected_; }
    // For every case that was answered unexpectedly, the first such call and what was wrong.
    const std::map<std::string, std::string>& Problems() const { return problems_; }

    // Makes `calls` calls of the mix's case `index` alone, then binds the provider again: for
    // finding which case makes a figure grow. Cases that need the state of those before them
    // may then count as unexpected.
    void RunCase(long index, long calls);

    // How many calls one turn of the mix makes: one per case.
    static long TurnLength();
    static const char* CaseName(long index);

private:
    struct Case;
    static const Case kCases[];

    void MakeCall(const Case& call);

    // The checks a case makes: false, with *problem, when the answer is not the expected one.
    bool Check(bool condition, const char* failure, std::string* problem);
    bool Expect(HRESULT got, HRESULT expected, std::string* problem);
    bool ExpectResult(LONG expected, std::string* problem);
    bool ExpectText(BSTR text, const char* expected, const char* what, std::string* problem);
    bool ExpectStatus(const VARIANT& status, LONG count, std::string* problem);

    // Puts fresh entry texts into the in/out strings, so that every call carries some in.
    void Refill(BSTR* target, const wchar_t* text);

    // The cases, one interface call each.
    bool Version(std::string* problem);
    bool InitializeGood(std::string* problem);
    bool InitializeNullCaller(std::string* problem);
    bool SetOption(std::string* problem);
    bool SetOptionCallback(std::string* problem);
    bool CommandOptions(std::string* problem);
    bool CommandOptionsByRef(std::string* problem);
    bool ProjPathGood(std::string* problem);
    bool ProjPathOverlongEntries(std::string* problem);
    bool OpenProjectGood(std::string* problem);
    bool OpenProjectNullName(std::string* problem);
    bool CloseProject(std::string* problem);
    bool CheckinThree(std::string* problem);
    bool CheckoutWithoutComment(std::string* problem);
    bool UncheckoutNone(std::string* problem);
    bool GetEight(std::string* problem);
    bool GetThatFaults(std::string* problem);
    bool CheckinVariantArray(std::string* problem);
    bool CheckoutPlainString(std::string* problem);
    bool UncheckoutEmptyVariant(std::string* problem);
    bool GetLowerBoundOne(std::string* problem);
    bool AddGood(std::string* problem);
    bool AddCountMismatch(std::string* problem);
    bool AddVariantOptions(std::string* problem);
    bool QueryInfoGood(std::string* problem);
    bool QueryInfoOverStrings(std::string* problem);
    bool QueryInfoRefused(std::string* problem);
    bool QueryInfoHundred(std::string* problem);
    bool BeginBatchMissing(std::string* problem);
    bool EndBatch(std::string* problem);
    bool Uninitialize(std::string* problem);
    bool InitBareName(std::string* problem);
    bool InitMissingLibrary(std::string* problem);
    bool VersionUnbound(std::string* problem);
    bool QueryInfoUnbound(std::string* problem);
    bool InitGood(std::string* problem);
    bool LateVersion(std::string* problem);
    bool LateInitialize(std::string* problem);
    bool LateQueryInfo(std::string* problem);
    bool LateCheckinRefused(std::string* problem);
    bool LateParamCount(std::string* problem);
    bool LateTypeMismatch(std::string* problem);
    bool LateUnknownMember(std::string* problem);
    bool LateNameInOtherCase(std::string* problem);
    bool TypeInfo(std::string* problem);
    bool TypeInfoCount(std::string* problem);

    IPlimoWrapper* wrapper_;
    DWORD serverId_;
    LONG leakBytes_;
    ScopedBstr providerPath_, bareName_, missingPath_;
    ScopedBstr caller_, comment_, projName_, localPath_, overlong_, notANumber_;

    ScopedSafeArray one_, two_, three_, five_, eight_, hundred_, none_, fromOne_;
    ScopedSafeArray variantNames_, twoOptions_, stringStatus_;

    // The calls' in/out values; the mix owns whatever they hold.
    LONG result_ = 0;
    BSTR sccName_ = nullptr, auxPathLabel_ = nullptr;
    LONG caps_ = 0, checkoutCommentLength_ = 0, commentLength_ = 0;
    BSTR user_ = nullptr, project_ = nullptr, local_ = nullptr, auxProject_ = nullptr;
    VARIANT_BOOL newProject_ = VARIANT_FALSE;
    VARIANT status_;
    VARIANT lateResult_;

    DISPID versionId_ = DISPID_UNKNOWN, initializeId_ = DISPID_UNKNOWN,
           queryInfoId_ = DISPID_UNKNOWN, checkinId_ = DISPID_UNKNOWN,
           setOptionId_ = DISPID_UNKNOWN;
    LateArguments lateNone_, lateInitialize_, lateQueryInfo_, lateCheckin_, lateShort_,
        lateMismatch_;

    size_t next_ = 0;
    long calls_ = 0;
    long unexpected_ = 0;
    std::map<std::string, std::string> problems_;
};
