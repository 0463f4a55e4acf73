#pragma once
// MD5 as hex, to compare decoded objects with the corpus oracle's checksums.

#include <cstddef>
#include <cstdint>
#include <string>

namespace pgwk::test {

std::string md5Hex(const std::uint8_t* data, std::size_t length);

}  // namespace pgwk::test
