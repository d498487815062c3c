// Status codes shared by every seam: the same 32-bit values as on Windows, so that
// messages such as "Could not connect. Error code = 0x..." read the same everywhere.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using HResult = std::int32_t;

constexpr HResult hr_from_bits(std::uint32_t bits) { return static_cast<HResult>(bits); }

constexpr HResult kS_OK = 0;
constexpr HResult kS_FALSE = 1;
constexpr HResult kE_FAIL = hr_from_bits(0x80004005u);
constexpr HResult kE_OUTOFMEMORY = hr_from_bits(0x8007000Eu);
constexpr HResult kE_ACCESSDENIED = hr_from_bits(0x80070005u);
constexpr HResult kRPC_S_SERVER_UNAVAILABLE = hr_from_bits(0x800706BAu);
constexpr HResult kWBEM_E_FAILED = hr_from_bits(0x80041001u);
constexpr HResult kWBEM_E_NOT_FOUND = hr_from_bits(0x80041002u);
constexpr HResult kWBEM_E_INVALID_PARAMETER = hr_from_bits(0x80041008u);
constexpr HResult kWBEM_E_INVALID_CLASS = hr_from_bits(0x80041010u);
constexpr HResult kWBEM_E_TYPE_MISMATCH = hr_from_bits(0x80041005u);
constexpr HResult kWBEM_E_INVALID_NAMESPACE = hr_from_bits(0x8004100Eu);
constexpr HResult kWBEM_E_INVALID_OBJECT_PATH = hr_from_bits(0x8004103Au);
constexpr HResult kWBEM_E_INVALID_METHOD = hr_from_bits(0x8004102Eu);

constexpr bool hr_failed(HResult hr) { return hr < 0; }

// "0x8004100E", "8004100e" -> the code; anything else -> nothing.
std::optional<HResult> parse_hresult(std::string_view text);
// Lower-case digits, no leading zeros: what a C++ stream in hex mode prints.
std::string hresult_hex(HResult hr);
// "0x%08X"-style text used in the journal: "0x80041008".
std::string hresult_journal_text(HResult hr);
