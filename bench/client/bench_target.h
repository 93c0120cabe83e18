// BenchTarget: one server as the benchmark drives it, the real one or the baseline, with the
// arguments of every measured call made once, so that a measured call does nothing but call.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

#include "PlimoCOMWrapper.h"
#include "com_owners.h"
#include "late_call.h"

enum class Method { GetVersion, Initialize, GetProjPath, QueryInfo };

// One measured figure: a method, how it is bound, and (for SccQueryInfo) how many names it
// carries.
struct Cell {
    Method method;
    bool late;
    LONG names;
};

// The cells of the benchmark's table, in its order.
std::vector<Cell> MeasuredCells();
const char* MethodName(Method method);

// The file-name lists the cells send, one per size, shared by every target.
class NameLists {
public:
    // Makes a list for every size the cells use; Ready() is false when one could not be made.
    NameLists();
    bool Ready() const { return ready_; }
    // The list of `count` names, as the VARIANT a client passes; the lists keep owning it.
    VARIANT Names(LONG count) const;

private:
    std::map<LONG, ScopedSafeArray> lists_;
    bool ready_ = true;
};

class BenchTarget {
public:
    // Drives `wrapper`, served by process `serverId`, with the lists of `names` (which must
    // outlive the target).
    BenchTarget(ScopedInterface<IPlimoWrapper> wrapper, DWORD serverId, const NameLists& names);
    ~BenchTarget();

    // The late-bound calls' arguments point into the target.
    BenchTarget(const BenchTarget&) = delete;
    BenchTarget& operator=(const BenchTarget&) = delete;

    // Resolves the dispatch identifiers by name and builds the late-bound arguments; false, with
    // *problem, when the server does not know a name.
    bool Prepare(std::string* problem);

    // One call of `cell`; its HRESULT.
    HRESULT Call(const Cell& cell);

    // One call of `cell` whose every answer is checked against the protocol both servers
    // follow; false, with *problem, at the first that differs.
    bool CallAndCheck(const Cell& cell, std::string* problem);

    // Hands the interface over (for its release) together with the serving process's id.
    ScopedInterface<IPlimoWrapper> TakeWrapper() { return std::move(wrapper_); }
    DWORD ServerId() const { return serverId_; }

private:
    HRESULT CallEarly(const Cell& cell);
    HRESULT CallLate(const Cell& cell);

    ScopedInterface<IPlimoWrapper> wrapper_;
    DWORD serverId_;
    const NameLists& names_;

    // The calls' own in/out values, rewritten by every call.
    LONG result_ = 0;
    VARIANT lateResult_;
    ScopedBstr caller_;
    BSTR sccName_ = nullptr;
    BSTR auxPathLabel_ = nullptr;
    LONG caps_ = 0, checkoutCommentLength_ = 0, commentLength_ = 0;
    BSTR user_ = nullptr, projName_ = nullptr, localPath_ = nullptr, auxProjPath_ = nullptr;
    VARIANT_BOOL newProject_ = VARIANT_FALSE;
    VARIANT status_;

    std::map<Method, DISPID> ids_;
    LateArguments lateNone_;
    LateArguments lateInitialize_;
    LateArguments lateProjPath_;
    std::map<LONG, LateArguments> lateQuery_;
};
