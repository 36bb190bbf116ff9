#pragma once
// What tests need to know of the stand-in outside algorithm library.
// Its cipher: the bytes of the source XOR the key bytes (repeated), in upper-case hex; decryption
// reverses it. The output, terminator included, must fit 20480 bytes or the call fails.

namespace vqtest {

// A source text starting with this makes either export return 0.
inline constexpr char kAlgStandinFailMarker[] = "!FAIL";
// A source text starting with this makes either export fill the whole 20480-byte output buffer
// with 'A' and no terminating zero, and return 1.
inline constexpr char kAlgStandinFillMarker[] = "!FILL";
// Path of the built stand-in, below the build folder that ctest names in VQ_TEST_BINARY_DIR.
inline constexpr char kAlgStandinRelativePath[] = "tests/support/alglib_standin/libVqAlglibrary.so";

}  // namespace vqtest
