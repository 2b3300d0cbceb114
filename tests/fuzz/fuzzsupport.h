// What the fuzz targets share: the entry macro, a private scratch folder per
// process, and a callback that reads every block the modules hand over.
//
// Built two ways. With libFuzzer (clang, bench/fuzz.sh) each target is its
// own program and TOVO_FUZZ_TARGET defines LLVMFuzzerTestOneInput. In the
// normal build every target registers itself in one table, and the
// test_fuzz_replay program runs the kept inputs through all of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tovo::fuzz {

using TargetFunction = int (*)(const std::uint8_t *data, std::size_t size);

struct Target {
    const char *name;
    TargetFunction function;
};

// Every target linked into the program (the replay build only).
std::vector<Target> &Targets();

struct TargetRegistration {
    TargetRegistration(const char *name, TargetFunction function);
};

// A folder private to this process, removed at exit; its path has no
// trailing slash.
const std::string &ScratchDir();

// Writes size bytes to path (created or truncated); aborts on failure, which
// is the harness's fault, not the code under test.
void WriteWholeFile(const std::string &path, const std::uint8_t *data, std::size_t size);
std::string ReadWholeFile(const std::string &path);

// Removes a tree without following links, making folders writable first (an
// extracted folder may carry read-only permissions).
void RemoveTree(const std::string &path);

// A module callback that reads every name and comment it is given (so the
// sanitizers see an unterminated or short block) and answers no question.
int ReadingCallback(int message, void *data, void *user);

// Stops the program when a property of the code under test does not hold:
// the fuzzer keeps the input as a finding.
[[noreturn]] void PropertyFailed(const char *what);

} // namespace tovo::fuzz

#ifdef TOVO_LIBFUZZER
#define TOVO_FUZZ_TARGET(name)                                                                                   \
    static int tovoFuzz_##name(const std::uint8_t *data, std::size_t size);                                      \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)                           \
    {                                                                                                            \
        return tovoFuzz_##name(data, size);                                                                      \
    }                                                                                                            \
    static int tovoFuzz_##name(const std::uint8_t *data, std::size_t size)
#else
#define TOVO_FUZZ_TARGET(name)                                                                                   \
    static int tovoFuzz_##name(const std::uint8_t *data, std::size_t size);                                      \
    static const ::tovo::fuzz::TargetRegistration tovoFuzzRegistration_##name(#name, tovoFuzz_##name);           \
    static int tovoFuzz_##name(const std::uint8_t *data, std::size_t size)
#endif
