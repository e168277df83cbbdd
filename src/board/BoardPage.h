#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/TextId.h"

// The board's pages, built into the program: the board itself, and the
// short page of a browser that may not see it (not paired, pairing refused),
// and the pairing form.

// The language of a request: the first of Chinese or English that the
// browser's Accept-Language names, otherwise the desk's.
std::uint32_t pageLcid(std::string_view acceptLanguage, std::uint32_t deskLcid);

std::string boardPage(std::uint32_t lcid);
std::string messagePage(std::uint32_t lcid, TextId message);
// The form on which a browser opening a pairing link names itself; name is
// what the link was made for (may be empty), code the link's own.
std::string pairingPage(std::uint32_t lcid, const std::string &code, const std::string &name);
