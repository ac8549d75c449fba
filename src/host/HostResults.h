// Result codes of the host's evaluator and symbol interfaces, all in the interface
// facility. Success codes carry information; the E_ ones are failures except where noted.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel::host_detail {
constexpr HRESULT MakeItfResult(uint32_t severity, uint32_t code) {
    return static_cast<HRESULT>((severity << 31) | (4u << 16) | code);
}
} // namespace orvel::host_detail

// Evaluation.
constexpr HRESULT S_EVAL_EXCEPTION = orvel::host_detail::MakeItfResult(0, 0x2);
constexpr HRESULT S_EVAL_ABORTED = orvel::host_detail::MakeItfResult(0, 0x3);
constexpr HRESULT S_EVAL_TIMEDOUT = orvel::host_detail::MakeItfResult(0, 0x4);
constexpr HRESULT S_EVAL_NO_RESULT = orvel::host_detail::MakeItfResult(0, 0x5);
constexpr HRESULT S_EVAL_BAD_START_POINT = orvel::host_detail::MakeItfResult(0, 0xA);
// Success severity despite the E_ prefix, as current hosts define it.
constexpr HRESULT E_STATIC_VAR_NOT_AVAILABLE = orvel::host_detail::MakeItfResult(0, 0xB);
constexpr HRESULT S_EVAL_WEB_METHOD = orvel::host_detail::MakeItfResult(0, 0xC);
constexpr HRESULT E_EVAL_NOT_SUPPORTED_IN_CLR = orvel::host_detail::MakeItfResult(1, 0x10);
constexpr HRESULT E_EVAL_OBJECT_ID_NOT_FOUND = orvel::host_detail::MakeItfResult(1, 0x11);
constexpr HRESULT E_EVAL_DIFFERENT_APPIDS = orvel::host_detail::MakeItfResult(1, 0x12);
constexpr HRESULT E_EVAL_MODULE_NOT_FOUND_IN_APPID = orvel::host_detail::MakeItfResult(1, 0x13);
constexpr HRESULT E_EVAL_OVERFLOW_HAS_OCCURRED = orvel::host_detail::MakeItfResult(1, 0x14);
constexpr HRESULT E_EVAL_NULL_REFERENCE = orvel::host_detail::MakeItfResult(1, 0x15);

// Symbols.
constexpr HRESULT E_SH_INVALID_ADDRESS = orvel::host_detail::MakeItfResult(1, 0x3);
constexpr HRESULT S_SH_NO_CONTAINER = orvel::host_detail::MakeItfResult(0, 0xA);
constexpr HRESULT S_SH_NO_SIZE = orvel::host_detail::MakeItfResult(0, 0xB);
constexpr HRESULT S_SH_NO_FIELDS = orvel::host_detail::MakeItfResult(0, 0xD);
constexpr HRESULT S_SH_METHOD_NO_THIS = orvel::host_detail::MakeItfResult(0, 0xE);
constexpr HRESULT S_SH_NO_BASE_CLASSES = orvel::host_detail::MakeItfResult(0, 0xF);
