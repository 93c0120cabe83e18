// A fixture for tests that apply scripts to the registry under the test's own key.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replacement_variables.h"
#include "reg_script_parser.h"
#include "registry_image.h"
#include "scratch_key.h"

class ScriptTest : public ::testing::Test {
protected:
    // A whole script whose one root block holds `body` under HKCU\PlimoRegistrarTest.
    static std::wstring InScratch(const std::wstring& body) {
        return L"HKCU\r\n{\r\n\tNoRemove PlimoRegistrarTest\r\n\t{\r\n" + body +
               L"\r\n\t}\r\n}\r\n";
    }

    HRESULT Apply(const std::wstring& script, bool doRegister) {
        RegScriptParser parser(variables, RegistryScope::PerMachine);
        return parser.ApplyScript(script.c_str(), doRegister);
    }
    HRESULT Register(const std::wstring& body) { return Apply(InScratch(body), true); }
    HRESULT Unregister(const std::wstring& body) { return Apply(InScratch(body), false); }

    // Everything below the test's key; {L""} when it is empty.
    std::vector<std::wstring> State() const { return Listing(scratch.get(), L""); }

    ReplacementVariables variables;
    ScratchKey scratch;
};

using Lines = std::vector<std::wstring>;
