#pragma once
// MD5 of a byte range as 32 lower-case hex digits: the digest the corpus oracle records.

#include <cstddef>
#include <cstdint>
#include <string>

namespace pgwk::test {

std::string md5Hex(const std::uint8_t* data, std::size_t length);

}  // namespace pgwk::test
